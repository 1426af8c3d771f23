#include "pushover/pushoverwebsocketmanager.h"
#include "pushoverrig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {

const QString aText =
    u"This device name logged in from another session. Disconnecting this session."_s;
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
        rig.pushover().queueMessage(platformMessage(u"SPX put spread filled"_s, u"Fill"_s));
        fake::PushoverMessage other = platformMessage(u"from elsewhere"_s);
        other.aid = u"42"_s;
        rig.pushover().queueMessage(other);
        rig.pushover().queueMessage(platformMessage(u"untitled"_s, std::nullopt));
        const qint64 last = rig.pushover().queueMessage(platformMessage(u"blank"_s, QString()));

        // Four "!" frames: the first download takes all four messages; the three that came
        // during it make one more, which finds none.
        QTRY_COMPARE(handled.count(), 2);
        QTRY_COMPARE(rig.recorder().calls().size(), 3);
        const auto& calls = rig.recorder().calls();
        QCOMPARE(calls[0].title, u"Fill"_s);
        QCOMPARE(calls[0].body, u"SPX put spread filled"_s);
        QCOMPARE(calls[1].title, u"No title"_s);
        QCOMPARE(calls[1].body, u"untitled"_s);
        QCOMPARE(calls[2].title, QString());
        QVERIFY(log.contains(u"Recieved a message from another source: from elsewhere"_s));
        QCOMPARE(log.count(u"No messages found."_s), 1);
        QCOMPARE(log.count(u"No message to delete."_s), 1);
        const auto acks = rig.requestsTo(rig.ackPath());
        QCOMPARE(acks.size(), 1);
        QCOMPARE(fake::valueOf(acks[0].form, u"message"_s), QString::number(last));
        for (const QString& line : log.lines())
            QVERIFY2(!line.contains(rig.settings().poSessionSecret()), qPrintable(line));

        // Connecting again while it runs opens nothing new.
        manager->openSocket();
        QTRY_VERIFY(log.contains(u"WebSocket is connected: true"_s));
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
        rig.pushover().queueMessage(platformMessage(u"fill"_s));
        QTRY_COMPARE(handled.count(), 1);
        const QString failure = u"The server sent a bad response (HTTP 500)"_s;
        QCOMPARE(manager->poApi().errorMessage(),
                 u"An error occurred while receiving: "_s + failure);
        QVERIFY(log.contains(u"An error occurred: "_s + failure));

        rig.fake().clearAnswers();
        rig.socket().sendFrame("!");
        QTRY_COMPARE(handled.count(), 2);
        QCOMPARE(manager->poApi().errorMessage(), QString());
        QTRY_COMPARE(rig.recorder().calls().size(), 2);
        QCOMPARE(rig.recorder().calls()[1].body, u"fill"_s);

        // Acknowledged now: a further signal finds nothing.
        rig.socket().sendFrame("!");
        QTRY_COMPARE(handled.count(), 3);
        QCOMPARE(log.count(u"No messages found."_s), 1);
    }

    void brokenDownloadsAreReportedAndShowNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("garbage") << int(fake::Fault::Kind::garbage) << u"could not be read"_s;
        QTest::newRow("dropped") << int(fake::Fault::Kind::drop) << QString();
    }

    void brokenDownloadsAreReportedAndShowNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, description);
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        rig.breakPath(u"/1/messages.json"_s, static_cast<fake::Fault::Kind>(kind));
        LogCapture log;
        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        rig.pushover().queueMessage(platformMessage(u"fill"_s));
        QTRY_COMPARE_WITH_TIMEOUT(handled.count(), 1, 20'000);
        const QString error = manager->poApi().errorMessage();
        QVERIFY2(error.startsWith(u"An error occurred while receiving: "_s) &&
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
        const QString stale = u"stale"_s;
        QTest::newRow("keep-alive") << QByteArray("#") << true
                                    << QStringList{u"Received data message: 1 bytes [23]"_s,
                                                   u"Keep-alive packet received."_s}
                                    << QString();
        QTest::newRow("reload")
            << QByteArray("R") << true
            << QStringList{u"Reload request; drop connection and re-connect."_s,
                           u"Entered Pushover connect"_s}
            << u"Pushover reload requested. Dropping connection and reconnecting."_s;
        QTest::newRow("unknown, several bytes")
            << QByteArray("X!#") << true << QStringList{u"Unknown response: 3 bytes [58 21 23]"_s}
            << stale;
        QTest::newRow("empty") << QByteArray() << true
                               << QStringList{u"Received data message: 0 bytes []"_s} << stale;
        QTest::newRow("text") << QByteArray("hello") << false
                              << QStringList{u"Received text message: hello"_s} << stale;
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
        manager->poApi().setErrorMessage(u"stale"_s);
        LogCapture log;
        rig.socket().sendFrame(frame, binary);
        for (const QString& line : lines)
            QTRY_VERIFY2(log.contains(line), qPrintable(line));
        QTRY_COMPARE(loggedIn.count(), frame == "R" ? 1 : 0); // only a reload logs in again
        QTRY_VERIFY(manager->isSocketRunning());
        QCOMPARE(manager->poApi().errorMessage(), errorMessage);
        QVERIFY(!log.lines().join(u'\n').contains(u"Unknown response"_s) || frame.startsWith('X'));
    }

    // Pushover signals only while the socket is open. What came while it was closed is fetched
    // at the next login, without a "!"; and a close right after an open wins over the open.
    void whatCameWhileClosedIsShownAtTheNextOpen()
    {
        PushoverRig rig;
        auto manager = rig.openSocket();
        QVERIFY(manager);
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        manager->closeSocket();
        QTRY_COMPARE(rig.socket().closeCodes(), QList<int>{1001});
        rig.socket().clearFrames();
        rig.pushover().queueMessage(platformMessage(u"overnight fill"_s));

        manager->openSocket();
        manager->closeSocket();
        QTest::qWait(300);
        QCOMPARE(loggedIn.count(), 0);
        QVERIFY(!manager->isSocketRunning());

        QSignalSpy handled(manager.get(), &PushoverWebSocketManager::messagesHandled);
        manager->openSocket();
        QTRY_COMPARE(handled.count(), 1);
        QTRY_COMPARE(rig.recorder().calls().size(), 1);
        QCOMPARE(rig.recorder().calls()[0].body, u"overnight fill"_s);
        QCOMPARE(rig.requestsTo(rig.ackPath()).size(), 1);
        for (const auto& frame : rig.socket().frames())
            QVERIFY(!frame.outbound || frame.data != "!");
    }

    // A socket the server closed on purpose stays closed, even with a keep-alive deadline armed.
    // Both frames end in the same close the market clock asks for after the bell.
    void deliberateClosesStayClosed()
    {
        const std::tuple<QByteArray, QString, QString> closes[] = {
            {"A", u"The device logged in from another session and this session is being closed."_s,
             aText},
            {"E", u"Error or another session logged in; this session is closed."_s, eText}};
        for (const auto& [frame, line, errorMessage] : closes) {
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
            QTest::qWait(int(3 * quickTiming().keepAliveInterval.count()));
            QVERIFY(!log.contains(u"Keep-alive timer expired. Attempting to reconnect."_s));
            QCOMPARE(loggedIn.count(), 0);
            QVERIFY(!manager->isSocketRunning());
        }
    }

    // The other side: a socket that should be open and went silent (no more frames, or closed
    // by the server) is brought back.
    void aSilentSocketIsReopened()
    {
        for (const bool serverCloses : {false, true}) {
            PushoverRig rig;
            auto manager = rig.openSocket(quickTiming());
            QVERIFY(manager);
            QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
            LogCapture log;
            rig.socket().sendFrame("!");
            QTRY_VERIFY(log.contains(u"No messages found."_s));
            if (serverCloses) {
                rig.socket().closeAll(1011);
                QTRY_VERIFY(manager->poApi().errorMessage().startsWith(
                    u"An error occurred while receiving: "_s));
                QVERIFY(log.contains(manager->poApi().errorMessage()));
            }
            QTRY_VERIFY(log.contains(u"Keep-alive timer expired. Attempting to reconnect."_s));
            QTRY_COMPARE(loggedIn.count(), 1);
            QVERIFY(manager->isSocketRunning());
        }
    }

    void missingCredentialsSendNoLogin()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        rig.settings().setPoDeviceUID(u"device-without-secret"_s);
        LogCapture log;
        PushoverWebSocketManager manager(rig.network(), rig.settings(), rig.endpoints(), nullptr);
        manager.openSocket();
        QTRY_VERIFY(log.contains(QStringLiteral(
            "An error occurred during login: Some of your login credentials are missing. Fill in "
            "all your credentials and try again.")));
        QVERIFY(log.contains(u"Device ID or User Secret is empty"_s));
        QTest::qWait(200);
        QVERIFY(rig.clientFrames().isEmpty());
    }
};

CORVANE_TEST(LiveSocketTest)
#include "test_livesocket.moc"
