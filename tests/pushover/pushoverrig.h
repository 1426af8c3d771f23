#pragma once

#include "notificationrecorder.h"
#include "pushover.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushsocket.h"
#include "settings/posettings.h"
#include "support/fakeservicestest.h"
#include "support/testclock.h"
#include "support/testcore.h"

#include <QNetworkAccessManager>
#include <memory>

namespace corvane::test {

// Everything a Pushover test talks to, for real: the fake Pushover service over loopback TLS
// and WSS, the composition root pointed at it (with a fresh suite, its own network manager and
// a clock the test sets) and the recording notification service on the session bus.
class PushoverRig final {
public:
    explicit PushoverRig(SocketTiming timing = {});
    ~PushoverRig();
    PushoverRig(const PushoverRig&) = delete;
    PushoverRig& operator=(const PushoverRig&) = delete;

    // Empty when the rig is ready; otherwise why it is not.
    QString problem() const { return m_problem; }

    fake::FakeServices& fake() { return m_fake; }
    fake::Pushover& pushover() { return m_fake.pushover(); }
    fake::PushSocket& socket() { return m_fake.socket(); }
    Core& core() { return **m_core; }
    POSettings& settings() { return core().pushoverSettings(); }
    QNetworkAccessManager& network() { return m_network; }
    const PushoverEndpoints& endpoints() { return core().config().pushover; }
    TestClock clock{newYork(2024, 6, 21, 9, 29)};
    NotificationRecorder& recorder() { return m_recorder; }

    // Adds an account and registers a device for it through the client's own set-up, so the
    // store holds a real secret and device id. False when the set-up did not register.
    bool registerDevice(const QString& deviceName = QStringLiteral("corvane_test"));
    // Characters a form body must escape, so that every set-up proves the encoding.
    static QString email() { return QStringLiteral("trader+1@example.com"); }
    static QString password() { return QStringLiteral("p&ss=w+rd %20"); }

    // Registers a device and opens its socket; null unless the socket has logged in and made
    // its first download.
    std::unique_ptr<PushoverWebSocketManager> openSocket(SocketTiming timing = {});
    // Where the registered device acknowledges its messages.
    QString ackPath() const;
    // Every later request to the path fails in the given way.
    void breakPath(const QString& path, fake::Fault::Kind kind);

    // Requests to one Pushover path, in order.
    QList<fake::HttpRequest> requestsTo(const QString& path) const
    {
        return test::requestsTo(m_fake, path);
    }
    // Frames the client sent over the socket.
    QList<QByteArray> clientFrames();

private:
    fake::FakeServices m_fake;
    QNetworkAccessManager m_network;
    std::unique_ptr<TestCore> m_core;
    NotificationRecorder m_recorder;
    QString m_problem;
};

// A message for queueMessage; the platform's unless aid says otherwise.
fake::PushoverMessage platformMessage(const QString& body,
                                      std::optional<QString> title = QStringLiteral("Orrisfield"));
// Short deadlines, so that expiry and reconnection take a fraction of a second.
SocketTiming quickTiming();

} // namespace corvane::test
