#include "pushoverrig.h"

#include "pushover/poapimanager.h"

#include <QCoro/QCoroTask>

namespace corvane::test {

PushoverRig::PushoverRig()
{
    if (!m_fake.start()) {
        m_problem = QStringLiteral("fake services: ") + m_fake.errorString();
        return;
    }
    m_fake.trustInProcess();
    qputenv("CORVANE_PUSHOVER_API_URL", m_fake.pushoverUrl().toEncoded());
    qputenv("CORVANE_PUSHOVER_SOCKET_URL", m_fake.socketUrl().toEncoded());
    m_settings = std::make_unique<POSettings>(m_suite.suite());
    if (!m_recorder.start())
        m_problem = QStringLiteral("the recorder cannot own org.freedesktop.Notifications");
}

PushoverRig::~PushoverRig()
{
    qunsetenv("CORVANE_PUSHOVER_API_URL");
    qunsetenv("CORVANE_PUSHOVER_SOCKET_URL");
}

bool PushoverRig::registerDevice(const QString& deviceName)
{
    pushover().addAccount(email(), password());
    POApiManager api(m_network, *m_settings, nullptr);
    QCoro::waitFor(api.setupPushover(email(), password(), deviceName));
    return m_settings->poIsRegistered();
}

QList<fake::HttpRequest> PushoverRig::requestsTo(const QString& path) const
{
    QList<fake::HttpRequest> found;
    for (const auto& request : m_fake.requests()) {
        if (request.path == path)
            found.append(request);
    }
    return found;
}

QList<QByteArray> PushoverRig::clientFrames()
{
    QList<QByteArray> frames;
    for (const auto& frame : m_fake.socket().frames()) {
        if (!frame.outbound)
            frames.append(frame.data);
    }
    return frames;
}

fake::PushoverMessage platformMessage(const QString& body, std::optional<QString> title)
{
    fake::PushoverMessage message;
    message.message = body;
    message.title = std::move(title);
    return message;
}

} // namespace corvane::test
