#include "pushoverrig.h"

#include "pushover/poapimanager.h"

#include <QCoro/QCoroTask>
#include <QSignalSpy>
#include <QTest>

namespace corvane::test {

PushoverRig::PushoverRig(SocketTiming timing)
{
    if (!m_fake.start()) {
        m_problem = QStringLiteral("fake services: ") + m_fake.errorString();
        return;
    }
    m_fake.trustInProcess();
    m_core = std::make_unique<TestCore>(clock.clock(), [&](CoreConfig& config) {
        config.network = &m_network;
        config.pushover = {m_fake.pushoverUrl(), m_fake.socketUrl()};
        config.socketTiming = timing;
    });
    if (!m_recorder.start())
        m_problem = QStringLiteral("the recorder cannot own org.freedesktop.Notifications");
}

PushoverRig::~PushoverRig() = default;

bool PushoverRig::registerDevice(const QString& deviceName)
{
    pushover().addAccount(email(), password());
    POApiManager api(m_network, settings(), endpoints().api);
    QCoro::waitFor(api.setupPushover(email(), password(), deviceName));
    return settings().poIsRegistered();
}

std::unique_ptr<PushoverWebSocketManager> PushoverRig::openSocket(SocketTiming timing)
{
    if (!m_problem.isEmpty() || !registerDevice())
        return nullptr;
    auto manager = std::make_unique<PushoverWebSocketManager>(m_network, settings(), endpoints(),
                                                              nullptr, timing);
    QSignalSpy loggedIn(&socket(), &fake::PushSocket::loggedIn);
    QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
    manager->openSocket();
    // The login is followed by one download of what waited; tests start after it.
    if (!QTest::qWaitFor([&] { return loggedIn.count() == 1 && handled.count() == 1; }))
        return nullptr;
    return manager;
}

QString PushoverRig::ackPath() const
{
    return QStringLiteral("/1/devices/") + (*m_core)->pushoverSettings().poDeviceUID() +
           QStringLiteral("/update_highest_message.json");
}

void PushoverRig::breakPath(const QString& path, fake::Fault::Kind kind)
{
    m_fake.injectFault({path, kind, 0, 0, true});
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

SocketTiming quickTiming()
{
    SocketTiming timing;
    timing.keepAliveInterval = std::chrono::milliseconds(300);
    timing.reconnectDelay = std::chrono::milliseconds(50);
    return timing;
}

} // namespace corvane::test
