#include "notificationrecorder.h"
#include "pushover/freedesktopnotifications.h"
#include "pushover/notificationmanager.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using corvane::test::LogCapture;
using corvane::test::NotificationRecorder;

// The real freedesktop path: a manager on the test's session bus, the recorder owning the
// service name from a connection of its own.
class NotificationDeliveryTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no session bus");
        m_recorder = std::make_unique<NotificationRecorder>();
        QVERIFY(m_recorder->start());
        m_fallbacks.clear();
        NotificationManager::setFallbackHook(
            [this](const LocalNotification& n) { m_fallbacks.append(n); });
    }

    void cleanup()
    {
        NotificationManager::setFallbackHook({});
        m_recorder.reset();
    }

    void postsEachNotificationWithItsOwnIdentifier()
    {
        NotificationManager manager;
        const QString first =
            manager.sendNotification(QStringLiteral("Filled"), QStringLiteral("SPX 5000P sold"));
        const QString second = manager.sendNotification(QString(), QStringLiteral("second"));
        QVERIFY(first != second);
        const QRegularExpression uuid(
            QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
        QVERIFY(uuid.match(first).hasMatch() && uuid.match(second).hasMatch());

        QTRY_COMPARE(m_recorder->calls().size(), 2);
        const auto& calls = m_recorder->calls();
        QCOMPARE(calls[0].title, QStringLiteral("Filled"));
        QCOMPARE(calls[0].body, QStringLiteral("SPX 5000P sold"));
        QCOMPARE(calls[0].hints.value(FreedesktopNotifications::identifierHint()).toString(),
                 first);
        QCOMPARE(calls[0].hints.value(QStringLiteral("sound-name")).toString(),
                 QStringLiteral("message-new-instant"));
        QCOMPARE(calls[1].title, QString()); // an empty title stays empty
        QCOMPARE(calls[1].hints.value(FreedesktopNotifications::identifierHint()).toString(),
                 second);
        QVERIFY(m_fallbacks.isEmpty());
    }

    // The summary is plain text whatever the server; the body is markup where it says so.
    void bodiesAreEscapedForServersThatReadMarkup_data()
    {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("body");
        QTest::newRow("plain server") << false << QStringLiteral("P&L < 0 > -5 \"x\"");
        QTest::newRow("markup server") << true << QStringLiteral("P&amp;L &lt; 0 &gt; -5 \"x\"");
    }

    void bodiesAreEscapedForServersThatReadMarkup()
    {
        QFETCH(bool, markup);
        QFETCH(QString, body);
        if (markup)
            m_recorder->setCapabilities({QStringLiteral("body"), QStringLiteral("body-markup")});
        NotificationManager manager;
        manager.sendNotification(QStringLiteral("P&L <SPX>"), QStringLiteral("P&L < 0 > -5 \"x\""));
        manager.sendNotification(QStringLiteral("again"), QStringLiteral("&"));
        QTRY_COMPARE(m_recorder->calls().size(), 2);
        QCOMPARE(m_recorder->calls()[0].title, QStringLiteral("P&L <SPX>"));
        QCOMPARE(m_recorder->calls()[0].body, body);
        QCOMPARE(m_recorder->calls()[1].body,
                 markup ? QStringLiteral("&amp;") : QStringLiteral("&"));
    }

    void aNotificationOutlivesItsManager()
    {
        auto manager = std::make_unique<NotificationManager>();
        manager->sendNotification(QStringLiteral("t"), QStringLiteral("b"));
        manager.reset();
        QTRY_COMPARE(m_recorder->calls().size(), 1);
    }

    void permissionAndDeliveryFollowThePresenceOfTheService()
    {
        LogCapture log;
        NotificationManager manager;
        manager.requestPermission();
        QTRY_VERIFY(
            log.contains(QStringLiteral("User has already granted notification permissions.")));

        m_recorder->stop();
        log.clear();
        manager.requestPermission();
        QTRY_COMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().startsWith(
                     QStringLiteral("Notification permission denied because: ")) &&
                     log.lines().first().endsWith(u'.'),
                 qPrintable(log.lines().first()));

        // Notifications then go to the fallback, with the error logged.
        const QString id = manager.sendNotification(QStringLiteral("t"), QStringLiteral("b"));
        QTRY_COMPARE(m_fallbacks.size(), 1);
        QCOMPARE(m_fallbacks[0].identifier, id);
        QCOMPARE(m_fallbacks[0].title, QStringLiteral("t"));
        QCOMPARE(m_fallbacks[0].body, QStringLiteral("b"));
        QCOMPARE(log.lines().size(), 2);
        QVERIFY(log.lines().last().startsWith(QStringLiteral("Error: ")));
    }

    // Neither a bus that never connected nor the absent service blocks or throws.
    void unusableServicesDenyAndHandOver_data()
    {
        QTest::addColumn<bool>("busless");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no bus") << true << QStringLiteral("the session bus is not available.");
        QTest::newRow("absent service")
            << false << QStringLiteral("no desktop notification service is available.");
    }

    void unusableServicesDenyAndHandOver()
    {
        QFETCH(bool, busless);
        QFETCH(QString, reason);
        LogCapture log;
        std::shared_ptr<NotificationService> service =
            std::make_shared<AbsentNotificationService>();
        if (busless)
            service = std::make_shared<FreedesktopNotifications>(
                QDBusConnection(QStringLiteral("never-connected")));
        NotificationManager manager(service, std::chrono::milliseconds(0));
        manager.requestPermission();
        manager.sendNotification(QStringLiteral("t"), QStringLiteral("b"));
        QTRY_COMPARE(m_fallbacks.size(), 1);
        QTRY_VERIFY(
            log.contains(QStringLiteral("Notification permission denied because: ") + reason));
        QVERIFY(m_recorder->calls().isEmpty());
    }

private:
    std::unique_ptr<NotificationRecorder> m_recorder;
    QList<LocalNotification> m_fallbacks;
};

CORVANE_TEST(NotificationDeliveryTest)
#include "test_notifications.moc"
