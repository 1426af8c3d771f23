#include "pushover/poapimanager.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushoverrig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {
const QString receiveError = QStringLiteral("An error occurred while receiving: ");
const QString messagesPath = QStringLiteral("/1/messages.json");
} // namespace

// A Pushover service that misbehaves on purpose: the client stays bounded and keeps working.
class HostileSocketTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A server that takes the connection and never answers must not pass for a running socket.
    void aStalledOpenIsGivenUp()
    {
        PushoverRig rig;
        QVERIFY(rig.registerDevice());
        QTcpServer mute; // accepts, never reads, never answers
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        QSignalSpy accepted(&mute, &QTcpServer::newConnection);
        PushoverEndpoints endpoints = rig.endpoints();
        endpoints.socket.setPort(mute.serverPort());
        SocketTiming timing = quickTiming();
        timing.openTimeout = std::chrono::milliseconds(300);
        PushoverWebSocketManager manager(rig.network(), rig.settings(), endpoints, nullptr, timing);
        LogCapture log;
        manager.openSocket();
        QTRY_VERIFY(manager.isSocketRunning());
        QTRY_VERIFY(!manager.isSocketRunning());
        const QString text = manager.poApi().errorMessage();
        QVERIFY2(text.startsWith(receiveError) && text.contains(QStringLiteral("did not open")),
                 qPrintable(text));
        QVERIFY(log.contains(text));

        // The next tick of the market opens a new one.
        QCOMPARE(accepted.count(), 1);
        manager.openSocket();
        QTRY_COMPARE(accepted.count(), 2);
        QVERIFY(manager.isSocketRunning());
    }

    // A download the service never answers ends with the manager that waits for it: the
    // reply is aborted and the coroutine that awaited it runs to its end and frees it.
    void aDownloadLeftWaitingEndsWithItsManager()
    {
        PushoverRig rig;
        QVERIFY(rig.registerDevice());
        rig.breakPath(messagesPath, fake::Fault::Kind::silent);
        const qsizetype downloads = rig.requestsTo(messagesPath).size();
        auto manager = std::make_unique<PushoverWebSocketManager>(rig.network(), rig.settings(),
                                                                  rig.endpoints(), nullptr);
        manager->openSocket();
        QTRY_COMPARE(rig.requestsTo(messagesPath).size(), downloads + 1);
        QPointer<QNetworkReply> waiting;
        for (QNetworkReply* reply : rig.network().findChildren<QNetworkReply*>()) {
            if (!reply->isFinished())
                waiting = reply;
        }
        QVERIFY(waiting);
        manager.reset();
        QVERIFY(!waiting || waiting->error() == QNetworkReply::OperationCanceledError);
        QTRY_VERIFY(!waiting);
    }

    // A flood of signals while a download runs costs one more download, not one each.
    void aFloodOfSignalsCollapsesIntoOneDownload()
    {
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        const int delayMs = 200;
        rig.fake().injectFault({messagesPath, fake::Fault::Kind::none, 0, delayMs, true});
        QSignalSpy arrived(manager.get(), &PushoverWebSocketManager::frameArrived);
        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        const qsizetype setUpDownloads = rig.requestsTo(messagesPath).size();
        rig.pushover().queueMessage(platformMessage(QStringLiteral("fill")));
        for (int i = 0; i < 2000; ++i)
            rig.socket().sendFrame("!");
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), 2001, 20'000);
        QTRY_COMPARE(handled.count(), 2);
        QTest::qWait(3 * delayMs);
        QCOMPARE(handled.count(), 2);
        QCOMPARE(rig.requestsTo(messagesPath).size(), setUpDownloads + 2);
        QTRY_COMPARE(rig.recorder().calls().size(), 1);
    }

    // A frame far past what Pushover ever sends closes the socket unread; it comes back later.
    void aHugeFrameIsRefused()
    {
        PushoverRig rig;
        SocketTiming timing = quickTiming();
        timing.keepAliveInterval = std::chrono::seconds(3); // longer than the frame takes
        auto manager = rig.openSocket(timing);
        QVERIFY(manager);
        rig.socket().sendFrame("#");
        QTRY_VERIFY(manager->isKeepAliveArmed());
        QSignalSpy arrived(manager.get(), &PushoverWebSocketManager::frameArrived);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        const qsizetype setUpDownloads = rig.requestsTo(messagesPath).size();
        rig.socket().sendFrame(QByteArray(16 * 1024 * 1024, '!'));
        QTRY_VERIFY_WITH_TIMEOUT(manager->poApi().errorMessage().startsWith(receiveError), 20'000);
        QTRY_COMPARE_WITH_TIMEOUT(loggedIn.count(), 1, 20'000);
        QVERIFY(arrived.isEmpty());
        // The new login downloads once; the refused frame adds nothing.
        QTRY_COMPARE(rig.requestsTo(messagesPath).size(), setUpDownloads + 1);
    }

    // A server that asks to reload again and again gets a reconnection only now and then.
    void aReloadLoopBacksOff()
    {
        PushoverRig rig;
        SocketTiming timing = quickTiming();
        timing.reloadWindow = std::chrono::seconds(5);
        timing.reloadBackOff = std::chrono::milliseconds(1'500);
        auto manager = rig.openSocket(timing);
        QVERIFY(manager);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        // Every login is answered with a reload request at once.
        const QMetaObject::Connection storm =
            QObject::connect(&rig.socket(), &fake::PushSocket::loggedIn, &rig.socket(),
                             [&rig] { rig.socket().sendFrame("R"); });
        LogCapture log;
        rig.socket().sendFrame("R");
        QTest::qWait(int(4 * timing.reloadBackOff.count() + 500));
        // One at once, then one per back-off.
        QVERIFY2(loggedIn.count() >= 3 && loggedIn.count() <= 6,
                 qPrintable(QString::number(loggedIn.count())));
        QCOMPARE(log.count(QStringLiteral("Pushover keeps asking to reload; reconnecting only "
                                          "every 1.5 seconds while it does.")),
                 1);

        // Once the server calms down, the socket stays up and delivers.
        QObject::disconnect(storm);
        QTRY_VERIFY_WITH_TIMEOUT(rig.socket().loggedInCount() == 1, 5'000);
        rig.pushover().queueMessage(platformMessage(QStringLiteral("after the storm")));
        QTRY_COMPARE(rig.recorder().calls().size(), 1);
    }

    // A backlog larger than a few MiB still arrives; one past the limit says so and keeps
    // saying so through the keep-alives, since nothing will arrive until it shrinks.
    void largeBacklogs()
    {
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        const QString big(1024 * 1024, u'x');
        for (int i = 0; i < 6; ++i)
            rig.pushover().queueMessage(platformMessage(big));
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder().calls().size(), 6, 30'000);
        QTRY_VERIFY(!rig.pushover().hasPending(rig.settings().poDeviceUID()));
        QTest::qWait(600); // past the notification delay: each shown once
        QCOMPARE(rig.recorder().calls().size(), 6);

        rig.breakPath(messagesPath, fake::Fault::Kind::oversized);
        rig.socket().sendFrame("!");
        const QString tooLarge = receiveError + POApiManager::tooLargeText();
        QTRY_COMPARE_WITH_TIMEOUT(manager->poApi().errorMessage(), tooLarge, 30'000);
        rig.socket().sendFrame("#");
        QTRY_VERIFY(manager->isKeepAliveArmed());
        QTest::qWait(100);
        QCOMPARE(manager->poApi().errorMessage(), tooLarge);

        rig.fake().clearFaults();
        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        rig.socket().sendFrame("!");
        QTRY_COMPARE(handled.count(), 1);
        QCOMPARE(manager->poApi().errorMessage(), QString());
    }
};

CORVANE_TEST(HostileSocketTest)
#include "test_hostilesocket.moc"
