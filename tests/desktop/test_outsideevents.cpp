#include "app/connectivitymonitor.h"
#include "app/desktopservices.h"
#include "app/globaldata.h"
#include "app/outsideevents.h"
#include "app/powermonitor.h"
#include "engine/processeddatamanager.h"
#include "engine/runwatch.h"
#include "market/stockexchangestatus.h"
#include "privatebus.h"
#include "pushover/livesocket.h"
#include "settings/posettings.h"
#include "settings/settings.h"
#include "support/logcapture.h"
#include "support/tempsuite.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QDBusConnectionInterface>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <utility>

using namespace corvane;

namespace {

const QString offline = QStringLiteral("Cannot connect to the internet. Check your connection.");

// The handler's own lines; the passes it starts log their own outcome.
QStringList handlerLines(const test::LogCapture& log)
{
    QStringList lines = log.lines();
    lines.removeAll(QStringLiteral("Could not get response."));
    return lines;
}

class FakeReachability final : public ReachabilitySource {
public:
    void start() override {}
    void report(bool available) { Q_EMIT reachabilityChanged(available); }
};

class FakePower final : public PowerEventSource {
public:
    void start() override {}
    void sleep() { Q_EMIT willSleep(); }
    void wake() { Q_EMIT didWake(); }
};

// The handler over the real stores and watch cycle; the socket only records what it is asked,
// into the same list as the error changes and the passes, so their order shows.
struct Rig : LiveSocket {
    Rig()
        : clock(test::newYork(2024, 6, 18, 11, 0))
        , settings(suite.suite())
        , poSettings(suite.suite())
        , market(clock.clock())
        , store(settings)
        , watch(RunWatch::Services{&settings, &store, &market, PlatformConnection{}, clock.clock()})
        , handler({&globalData, this, &settings, &poSettings, &watch})
    {
        AccountSettings account = AccountSettings::newAccount();
        account.watchAccount = false;
        account.keyVerified = true;
        settings.setAccountSettings({{account.accountName, account}});
        handler.listenTo(reachability, power);
        QObject::connect(&globalData, &GlobalData::internetErrorChanged, [this] {
            events << (globalData.internetError() ? QStringLiteral("error")
                                                  : QStringLiteral("clear"));
        });
        QObject::connect(&watch, &RunWatch::passStarted,
                         [this] { events << QStringLiteral("pass"); });
    }

    void wantNotifications(bool on)
    {
        settings.setEnableNotifications(on);
        poSettings.setPoSessionSecret(on ? QStringLiteral("secret") : QString());
        poSettings.setPoDeviceUID(on ? QStringLiteral("device") : QString());
    }

    // Lets scheduled work and a requested pass run to their end.
    void settle()
    {
        QCoreApplication::processEvents();
        while (watch.isPassRunning())
            QSignalSpy(&watch, &RunWatch::passRunningChanged).wait();
    }

    QStringList take()
    {
        settle();
        return std::exchange(events, {});
    }

    bool isSocketRunning() const override { return false; }
    void openSocket() override { events << QStringLiteral("connect"); }
    void closeSocket() override { events << QStringLiteral("close"); }

    test::TempSuite suite;
    test::TestClock clock;
    CVNSettings settings;
    POSettings poSettings;
    StockExchangeStatus market;
    GlobalData globalData;
    ProcessedDataManager store;
    RunWatch watch;
    OutsideEventHandler handler;
    FakeReachability reachability;
    FakePower power;
    QStringList events;
};

} // namespace

class OutsideEventsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startingOfflineStaysQuietUntilAChange()
    {
        Rig rig;
        rig.wantNotifications(true);
        test::LogCapture log;
        rig.reachability.report(false);
        QCOMPARE(rig.take(), QStringList());
        QVERIFY(log.lines().isEmpty());
        QVERIFY(!rig.globalData.hasError());

        rig.reachability.report(true);
        QCOMPARE(rig.take(), (QStringList{QStringLiteral("clear"), QStringLiteral("connect"),
                                          QStringLiteral("pass")}));
        QCOMPARE(handlerLines(log),
                 (QStringList{QStringLiteral("Internet connection is available."),
                              QStringLiteral("in manualStart")}));
        rig.reachability.report(true);
        QCOMPARE(rig.take(), QStringList());
    }

    void losingAndRegainingTheConnection()
    {
        Rig rig;
        rig.reachability.report(true);
        rig.settle();
        test::LogCapture log;

        rig.reachability.report(false);
        QCOMPARE(rig.take(), (QStringList{QStringLiteral("error"), QStringLiteral("close"),
                                          QStringLiteral("pass")}));
        QCOMPARE(rig.globalData.internetError(), std::optional<QString>(offline));
        QVERIFY(rig.globalData.hasError());
        rig.reachability.report(false);
        QCOMPARE(rig.take(), QStringList());

        // Notifications are off: the socket stays closed when the connection returns.
        rig.reachability.report(true);
        QCOMPARE(rig.take(), (QStringList{QStringLiteral("clear"), QStringLiteral("pass")}));
        QVERIFY(!rig.globalData.hasError());
        QCOMPARE(handlerLines(log),
                 (QStringList{QStringLiteral("Internet connection is not available."),
                              QStringLiteral("in manualStart"),
                              QStringLiteral("Internet connection is available."),
                              QStringLiteral("in manualStart")}));
    }

    void regainingKeepsAPlatformError()
    {
        Rig rig;
        rig.reachability.report(false);
        rig.globalData.setCriticalError(QStringLiteral("Invalid API key."));
        rig.globalData.updateHasError();
        rig.reachability.report(true);
        rig.settle();
        QVERIFY(rig.globalData.hasError());
    }

    void sleepClosesAndWakeReopensOnlyWhenWanted()
    {
        Rig rig;
        test::LogCapture log;
        rig.power.sleep();
        QCOMPARE(rig.events, QStringList()); // the close is scheduled, not made in the handler
        QCOMPARE(rig.take(), QStringList{QStringLiteral("close")});
        rig.power.wake();
        QCOMPARE(rig.take(), QStringList());

        rig.wantNotifications(true);
        rig.power.sleep();
        rig.power.wake();
        QCOMPARE(rig.take(), (QStringList{QStringLiteral("close"), QStringLiteral("connect")}));
        QCOMPARE(log.count(QStringLiteral("System will go to sleep")), 2);
        QCOMPARE(log.count(QStringLiteral("System did wake up")), 2);
        QVERIFY(!rig.watch.isTimerActive());
    }

    void logindSleepReachesTheSocket()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        QDBusConnection logind = bus.connect(QStringLiteral("logind-e2e"));
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
        Rig rig;
        rig.wantNotifications(true);
        DesktopConfig config;
        config.systemBus = bus.connect(QStringLiteral("app-e2e"));
        config.watchReachability = false;
        QNetworkAccessManager network;
        DesktopServices desktop(
            config, {&rig.globalData, &rig, &rig.settings, &rig.poSettings, &rig.watch}, network);
        desktop.startPowerWatch();
        desktop.startReachability();
        QVERIFY(config.systemBus.interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.login1")));

        test::emitPrepareForSleep(logind, true);
        QTRY_COMPARE(rig.events, QStringList{QStringLiteral("close")});
        test::emitPrepareForSleep(logind, false);
        QTRY_COMPARE(rig.events, (QStringList{QStringLiteral("close"), QStringLiteral("connect")}));
    }
};

CORVANE_TEST(OutsideEventsTest)
#include "test_outsideevents.moc"
