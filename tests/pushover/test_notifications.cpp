#include "app/updatechecker.h"
#include "app/updatenotifier.h"
#include "notificationrecorder.h"
#include "pushover/freedesktopnotifications.h"
#include "pushover/notificationmanager.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using corvane::test::LogCapture;
using corvane::test::NotificationRecorder;
using namespace Qt::StringLiterals;

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
        LogCapture log;
        NotificationManager manager;
        manager.requestPermission();
        QTRY_VERIFY(log.contains(u"User has already granted notification permissions."_s));
        const QString first = manager.sendNotification(u"Filled"_s, u"SPX 5000P sold"_s);
        const QString second = manager.sendNotification(QString(), u"second"_s);
        QVERIFY(first != second);
        const QRegularExpression uuid(
            u"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s);
        QVERIFY(uuid.match(first).hasMatch() && uuid.match(second).hasMatch());

        QTRY_COMPARE(m_recorder->calls().size(), 2);
        const auto& calls = m_recorder->calls();
        QCOMPARE(calls[0].title, u"Filled"_s);
        QCOMPARE(calls[0].body, u"SPX 5000P sold"_s);
        QCOMPARE(calls[0].hints.value(FreedesktopNotifications::identifierHint()).toString(),
                 first);
        QCOMPARE(calls[0].hints.value(u"sound-name"_s).toString(), u"message-new-instant"_s);
        // The desktop takes name and icon from the desktop entry these point at.
        QCOMPARE(calls[0].appName, u"Corvane"_s);
        QCOMPARE(calls[0].appIcon, u"io.corvane.Corvane"_s);
        QCOMPARE(calls[0].hints.value(u"desktop-entry"_s).toString(), u"io.corvane.Corvane"_s);
        QCOMPARE(calls[1].title, QString()); // an empty title stays empty
        QCOMPARE(calls[1].hints.value(FreedesktopNotifications::identifierHint()).toString(),
                 second);
        QVERIFY(m_fallbacks.isEmpty());
    }

    // Where only the icon's older name is installed, that name is the one a desktop can find.
    void iconNameIsOneTheDesktopFinds()
    {
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkpath(u"icons/hicolor/scalable/apps"_s));
        QFile icon(data.filePath(u"icons/hicolor/scalable/apps/corvane.svg"_s));
        QVERIFY(icon.open(QIODevice::WriteOnly));
        icon.close();
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        NotificationManager manager;
        manager.sendNotification(u"t"_s, u"b"_s);
        QTRY_COMPARE(m_recorder->calls().size(), 1);
        qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(m_recorder->calls()[0].appIcon, u"corvane"_s);
    }

    // The summary is plain text whatever the server; the body is markup where it says so.
    void bodiesAreEscapedForServersThatReadMarkup_data()
    {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("body");
        QTest::newRow("plain server") << false << u"P&L < 0 > -5 \"x\""_s;
        QTest::newRow("markup server") << true << u"P&amp;L &lt; 0 &gt; -5 \"x\""_s;
    }

    void bodiesAreEscapedForServersThatReadMarkup()
    {
        QFETCH(bool, markup);
        QFETCH(QString, body);
        if (markup)
            m_recorder->setCapabilities({u"body"_s, u"body-markup"_s});
        NotificationManager manager;
        manager.sendNotification(u"P&L <SPX>"_s, u"P&L < 0 > -5 \"x\""_s);
        manager.sendNotification(u"again"_s, u"&"_s);
        QTRY_COMPARE(m_recorder->calls().size(), 2);
        QCOMPARE(m_recorder->calls()[0].title, u"P&L <SPX>"_s);
        QCOMPARE(m_recorder->calls()[0].body, body);
        QCOMPARE(m_recorder->calls()[1].body, markup ? u"&amp;"_s : u"&"_s);
    }

    void aNotificationOutlivesItsManager()
    {
        auto manager = std::make_unique<NotificationManager>();
        manager->sendNotification(u"t"_s, u"b"_s);
        manager.reset();
        QTRY_COMPARE(m_recorder->calls().size(), 1);
    }

    // Without a bus, without a service, or with the service gone, permission is denied with
    // the reason and notifications go to the fallback; nothing blocks or throws.
    void unusableServicesDenyAndHandOver_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("reason"); // empty: the bus's own text
        QTest::addColumn<bool>("errorLogged");
        QTest::newRow("gone") << u"gone"_s << QString() << true;
        QTest::newRow("no bus") << u"no bus"_s << u"the session bus is not available."_s << true;
        QTest::newRow("absent") << u"absent"_s << u"no desktop notification service is available."_s
                                << false;
    }

    void unusableServicesDenyAndHandOver()
    {
        QFETCH(QString, service);
        QFETCH(QString, reason);
        QFETCH(bool, errorLogged);
        std::shared_ptr<NotificationService> used; // null: the session bus's, stopped below
        if (service == u"no bus"_s)
            used =
                std::make_shared<FreedesktopNotifications>(QDBusConnection(u"never-connected"_s));
        else if (service == u"absent"_s)
            used = std::make_shared<AbsentNotificationService>();
        m_recorder->stop();
        LogCapture log;
        NotificationManager manager(used, std::chrono::milliseconds(0));
        manager.requestPermission();
        const QString denied = u"Notification permission denied because: "_s;
        QTRY_VERIFY(!log.lines().filter(denied).isEmpty());
        const QString line = log.lines().filter(denied).constFirst();
        QVERIFY2(reason.isEmpty() ? line.endsWith(u'.') : line == denied + reason,
                 qPrintable(line));

        const QString id = manager.sendNotification(u"t"_s, u"b"_s);
        QTRY_COMPARE(m_fallbacks.size(), 1);
        QCOMPARE(m_fallbacks[0].identifier, id);
        QCOMPARE(m_fallbacks[0].title, u"t"_s);
        QCOMPARE(m_fallbacks[0].body, u"b"_s);
        QCOMPARE(log.lines().filter(QRegularExpression(u"^Error: "_s)).size(), errorLogged ? 1 : 0);
        QVERIFY(m_recorder->calls().isEmpty());
    }

    // A check made on its own that finds a new version says so once per version, restarts
    // included, with a button that asks for the download page; nothing else makes it speak.
    void scheduledChecksTellOfANewVersionOnce()
    {
        test::TempSuite suite;
        QNetworkAccessManager network;
        UpdateChecker checker(network, QUrl(), u"7"_s);
        NotificationManager notices(nullptr, std::chrono::milliseconds(0));
        auto notifier = std::make_unique<UpdateNotifier>(checker, suite.suite(), notices);
        QSignalSpy download(notifier.get(), &UpdateNotifier::downloadRequested);
        const QUrl page(u"https://corvane.example/download"_s);
        const UpdateResult newer{UpdateResult::Kind::newer, u"0.3.0"_s, page, {}};

        Q_EMIT checker.checked(newer, true); // asked for: the shell's dialog answers
        Q_EMIT checker.checked({UpdateResult::Kind::upToDate, {}, {}, {}}, false);
        Q_EMIT checker.checked({UpdateResult::Kind::unreadable, {}, {}, u"offline"_s}, false);
        Q_EMIT checker.checked(newer, false);
        QTRY_COMPARE(m_recorder->calls().size(), 1);
        const auto call = m_recorder->calls().first();
        QCOMPARE(call.title, u"Corvane 0.3.0 is available."_s);
        QCOMPARE(call.actions,
                 (QStringList{u"default"_s, u"Download"_s, u"action"_s, u"Download"_s}));
        m_recorder->invokeAction(call.id, u"default"_s);
        QTRY_COMPARE(download.size(), 1);
        QCOMPARE(download.first().first().toUrl(), page);

        Q_EMIT checker.checked(newer, false);
        notifier = std::make_unique<UpdateNotifier>(checker, suite.reopen(), notices);
        QSignalSpy downloadAfterRestart(notifier.get(), &UpdateNotifier::downloadRequested);
        Q_EMIT checker.checked(newer, false);
        QTest::qWait(200);
        QCOMPARE(m_recorder->calls().size(), 1);

        Q_EMIT checker.checked({UpdateResult::Kind::newer, u"0.4.0"_s, page, {}}, false);
        QTRY_COMPARE(m_recorder->calls().size(), 2);
        m_recorder->invokeAction(m_recorder->calls()[1].id, u"action"_s);
        QTRY_COMPARE(downloadAfterRestart.size(), 1);
    }

private:
    std::unique_ptr<NotificationRecorder> m_recorder;
    QList<LocalNotification> m_fallbacks;
};

CORVANE_TEST(NotificationDeliveryTest)
#include "test_notifications.moc"
