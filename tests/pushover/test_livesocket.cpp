#include "pushover/pushoverwebsocketmanager.h"
#include "pushoverrig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString aText =
    QStringLiteral("This device name logged in from another session. Disconnecting this session.");
const QString eText = QStringLiteral("An error occurred communicating with Pushover. This session "
                                     "is being disconnected. Restart corvane to try to reconnect.");

} // namespace

// The live socket against the fake service over real WSS, with notifications on the bus.
class LiveSocketTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notifiesEachPlatformMessageOnce()
    {
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        const QByteArray login = "login:" + rig.settings().poDeviceUID().toUtf8() + ':' +
                                 rig.settings().poSessionSecret().toUtf8() + '\n';
        QCOMPARE(rig.clientFrames(), QList<QByteArray>{login});

        LogCapture log;
        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        rig.pushover().queueMessage(
            platformMessage(QStringLiteral("SPX put spread filled"), QStringLiteral("Fill")));
        fake::PushoverMessage other = platformMessage(QStringLiteral("from elsewhere"));
        other.aid = QStringLiteral("42");
        rig.pushover().queueMessage(other);
        rig.pushover().queueMessage(platformMessage(QStringLiteral("untitled"), std::nullopt));
        const qint64 last =
            rig.pushover().queueMessage(platformMessage(QStringLiteral("blank"), QString()));

        // Four "!" frames: the first download takes all four messages; the three that came
        // during it make one more, which finds none.
        QTRY_COMPARE(handled.count(), 2);
        QTRY_COMPARE(rig.recorder().calls().size(), 3);
        const auto& calls = rig.recorder().calls();
        QCOMPARE(calls[0].title, QStringLiteral("Fill"));
        QCOMPARE(calls[0].body, QStringLiteral("SPX put spread filled"));
        QCOMPARE(calls[1].title, QStringLiteral("No title"));
        QCOMPARE(calls[1].body, QStringLiteral("untitled"));
        QCOMPARE(calls[2].title, QString());
        QVERIFY(
            log.contains(QStringLiteral("Recieved a message from another source: from elsewhere")));
        QCOMPARE(log.count(QStringLiteral("No messages found.")), 1);
        QCOMPARE(log.count(QStringLiteral("No message to delete.")), 1);
        const auto acks = rig.requestsTo(rig.ackPath());
        QCOMPARE(acks.size(), 1);
        QCOMPARE(fake::valueOf(acks[0].form, QStringLiteral("message")), QString::number(last));
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(rig.settings().poSessionSecret()), qPrintable(line));

        // Connecting again while it runs opens nothing new.
        manager->openSocket();
        QTRY_VERIFY(log.contains(QStringLiteral("WebSocket is connected: true")));
        QTest::qWait(600); // past the notification delay: no late duplicates either
        QCOMPARE(rig.recorder().calls().size(), 3);
        QCOMPARE(rig.clientFrames().size(), 1);
    }

    void aFailedAcknowledgementNotifiesAgainAtTheNextSignal()
    {
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        // A fixed answer stands in front of the service, so the refusal deletes nothing.
        rig.fake().setAnswer(rig.ackPath(), {}, 500, R"({"status":0,"request":"r"})");
        LogCapture log;
        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        rig.pushover().queueMessage(platformMessage(QStringLiteral("fill")));
        QTRY_COMPARE(handled.count(), 1);
        const QString failure = QStringLiteral("The server sent a bad response (HTTP 500)");
        QCOMPARE(manager->poApi().errorMessage(),
                 QStringLiteral("An error occurred while receiving: ") + failure);
        QVERIFY(log.contains(QStringLiteral("An error occurred: ") + failure));

        rig.fake().clearAnswers();
        rig.socket().sendFrame("!");
        QTRY_COMPARE(handled.count(), 2);
        QCOMPARE(manager->poApi().errorMessage(), QString());
        QTRY_COMPARE(rig.recorder().calls().size(), 2);
        QCOMPARE(rig.recorder().calls()[1].body, QStringLiteral("fill"));

        // Acknowledged now: a further signal finds nothing.
        rig.socket().sendFrame("!");
        QTRY_COMPARE(handled.count(), 3);
        QCOMPARE(log.count(QStringLiteral("No messages found.")), 1);
    }

    void brokenDownloadsAreReportedAndShowNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("garbage") << int(fake::Fault::Kind::garbage)
                                 << QStringLiteral("could not be read");
        QTest::newRow("truncated") << int(fake::Fault::Kind::truncated) << QString();
        QTest::newRow("dropped") << int(fake::Fault::Kind::drop) << QString();
    }

    void brokenDownloadsAreReportedAndShowNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, description);
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        rig.breakPath(QStringLiteral("/1/messages.json"), static_cast<fake::Fault::Kind>(kind));
        LogCapture log;
        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        rig.pushover().queueMessage(platformMessage(QStringLiteral("fill")));
        QTRY_COMPARE_WITH_TIMEOUT(handled.count(), 1, 20'000);
        const QString error = manager->poApi().errorMessage();
        QVERIFY2(error.startsWith(QStringLiteral("An error occurred while receiving: ")) &&
                     error.contains(description),
                 qPrintable(error));
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(rig.settings().poSessionSecret()), qPrintable(line));
        QTest::qWait(600);
        QVERIFY(rig.recorder().calls().isEmpty());
        QVERIFY(rig.requestsTo(rig.ackPath()).isEmpty());
    }

    // Frames that keep the socket open; "A" and "E" close it, below.
    void framesAreToldApart_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("binary");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("errorMessage");
        const QString stale = QStringLiteral("stale");
        QTest::newRow("keep-alive")
            << QByteArray("#") << true
            << QStringList{QStringLiteral("Received data message: 1 bytes [23]"),
                           QStringLiteral("Keep-alive packet received.")}
            << QString();
        QTest::newRow("reload")
            << QByteArray("R") << true
            << QStringList{QStringLiteral("Reload request; drop connection and re-connect."),
                           QStringLiteral("Entered Pushover connect")}
            << QStringLiteral("Pushover reload requested. Dropping connection and reconnecting.");
        QTest::newRow("unknown, several bytes")
            << QByteArray("X!#") << true
            << QStringList{QStringLiteral("Unknown response: 3 bytes [58 21 23]")} << stale;
        QTest::newRow("empty") << QByteArray() << true
                               << QStringList{QStringLiteral("Received data message: 0 bytes []")}
                               << stale;
        QTest::newRow("text") << QByteArray("hello") << false
                              << QStringList{QStringLiteral("Received text message: hello")}
                              << stale;
    }

    void framesAreToldApart()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, binary);
        QFETCH(QStringList, lines);
        QFETCH(QString, errorMessage);
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        manager->poApi().setErrorMessage(QStringLiteral("stale"));
        LogCapture log;
        rig.socket().sendFrame(frame, binary);
        for (const QString& line : lines)
            QTRY_VERIFY2(log.contains(line), qPrintable(line));
        QTRY_COMPARE(loggedIn.count(), frame == "R" ? 1 : 0); // only a reload logs in again
        QTRY_VERIFY(manager->isSocketRunning());
        QCOMPARE(manager->poApi().errorMessage(), errorMessage);
        QVERIFY(!log.lines().join(u'\n').contains(QStringLiteral("Unknown response")) ||
                frame.startsWith('X'));
    }

    // A socket the server closed on purpose stays closed, even with a keep-alive deadline armed.
    // Both frames end in the same close the market clock asks for after the bell.
    void deliberateClosesStayClosed_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("errorMessage");
        QTest::newRow("another session")
            << QByteArray("A")
            << QStringLiteral(
                   "The device logged in from another session and this session is being closed.")
            << aText;
        QTest::newRow("error frame")
            << QByteArray("E")
            << QStringLiteral("Error or another session logged in; this session is closed.")
            << eText;
    }

    void deliberateClosesStayClosed()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, line);
        QFETCH(QString, errorMessage);
        PushoverRig rig;
        auto manager = rig.openSocket(quickTiming());
        QVERIFY(manager);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        LogCapture log;
        rig.socket().sendFrame("#");
        QTRY_VERIFY(manager->isKeepAliveArmed());
        rig.socket().sendFrame(frame);
        QTRY_VERIFY(!manager->isSocketRunning());
        QVERIFY(!manager->isKeepAliveArmed());
        QVERIFY(log.contains(line));
        QCOMPARE(manager->poApi().errorMessage(), errorMessage);
        QVERIFY(!log.lines().join(u'\n').contains(QStringLiteral("Unknown response")));
        QTest::qWait(int(3 * quickTiming().keepAliveInterval.count()));
        QVERIFY(
            !log.contains(QStringLiteral("Keep-alive timer expired. Attempting to reconnect.")));
        QCOMPARE(loggedIn.count(), 0);
        QVERIFY(!manager->isSocketRunning());
    }

    // The other side: a socket that should be open and went silent is brought back.
    void aSilentSocketIsReopened_data()
    {
        QTest::addColumn<bool>("serverCloses");
        QTest::newRow("no more frames") << false;
        QTest::newRow("closed by the server") << true;
    }

    void aSilentSocketIsReopened()
    {
        QFETCH(bool, serverCloses);
        PushoverRig rig;
        auto manager = rig.openSocket(quickTiming());
        QVERIFY(manager);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        LogCapture log;
        rig.socket().sendFrame("!");
        QTRY_VERIFY(log.contains(QStringLiteral("No messages found.")));
        if (serverCloses) {
            rig.socket().closeAll(1011);
            QTRY_VERIFY(manager->poApi().errorMessage().startsWith(
                QStringLiteral("An error occurred while receiving: ")));
            QVERIFY(log.contains(manager->poApi().errorMessage()));
        }
        QTRY_VERIFY(
            log.contains(QStringLiteral("Keep-alive timer expired. Attempting to reconnect.")));
        QTRY_COMPARE(loggedIn.count(), 1);
        QVERIFY(manager->isSocketRunning());
    }

    void missingCredentialsSendNoLogin()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.settings().setPoDeviceUID(QStringLiteral("device-without-secret"));
        LogCapture log;
        PushoverWebSocketManager manager(rig.network(), rig.settings(), rig.endpoints(), nullptr);
        manager.openSocket();
        QTRY_VERIFY(log.contains(QStringLiteral(
            "An error occurred during login: Some of your login credentials are missing. Fill in "
            "all your credentials and try again.")));
        QVERIFY(log.contains(QStringLiteral("Device ID or User Secret is empty")));
        QTest::qWait(200);
        QVERIFY(rig.clientFrames().isEmpty());
    }
};

CORVANE_TEST(LiveSocketTest)
#include "test_livesocket.moc"
