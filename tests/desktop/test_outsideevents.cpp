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
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QDBusConnectionInterface>
#include <QDBusUnixFileDescriptor>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <unistd.h>
#include <utility>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

const QString offline = u"Cannot connect to the internet. Check your connection."_s;

// The handler's own lines; the passes it starts log their own outcome.
QString handlerLines(const test::LogCapture& log)
{
    QStringList lines = log.lines();
    lines.removeAll(u"Could not get response."_s);
    return lines.join(u'|');
}

// logind's Inhibit as the real one hands it out: the write end of a pipe per lock. Its read end
// stays here and reports (into the rig's list) when the lock is let go: every copy of the
// write end closed.
class StandInLogind final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit StandInLogind(QStringList& events)
        : m_events(events)
    {}
    ~StandInLogind() override
    {
        for (const int fd : std::as_const(m_readEnds))
            ::close(fd);
    }
    QStringList calls;

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode)
    {
        calls << QStringList{what, who, mode}.join(u' ') + (why.isEmpty() ? u" ?"_s : QString());
        int ends[2] = {-1, -1};
        if (::pipe(ends) != 0)
            return {};
        m_readEnds << ends[0];
        auto* released = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        connect(released, &QSocketNotifier::activated, this, [this, released] {
            released->setEnabled(false);
            m_events << u"released"_s;
        });
        const QDBusUnixFileDescriptor lock(ends[1]); // a copy; ours is closed at once
        ::close(ends[1]);
        return lock;
    }

private:
    QStringList& m_events;
    QList<int> m_readEnds;
};

class FakeReachability final : public ReachabilitySource {
public:
    void start() override {}
    void report(bool available) { Q_EMIT reachabilityChanged(available); }
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
        test::addVerifiedAccount(settings, QString(), false);
        handler.listenTo(reachability, power);
        QObject::connect(&globalData, &GlobalData::internetErrorChanged, [this] {
            events << (globalData.internetError() ? u"error"_s : u"clear"_s);
        });
        QObject::connect(&watch, &RunWatch::passStarted, [this] { events << u"pass"_s; });
    }

    void wantNotifications(bool on)
    {
        settings.setEnableNotifications(on);
        poSettings.setPoSessionSecret(on ? u"secret"_s : QString());
        poSettings.setPoDeviceUID(on ? u"device"_s : QString());
    }

    // Lets scheduled work and a requested pass run to their end.
    void settle()
    {
        QCoreApplication::processEvents();
        while (watch.isPassRunning())
            QSignalSpy(&watch, &RunWatch::passRunningChanged).wait();
    }

    // What happened since the last look, in order.
    QString take()
    {
        settle();
        return std::exchange(events, {}).join(u' ');
    }

    bool isSocketRunning() const override { return false; }
    void openSocket() override { events << u"connect"_s; }
    void closeSocket() override { events << u"close"_s; }

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
    PowerMonitor power{QDBusConnection(u"unused"_s)}; // sleep and wake are called directly
    QStringList events;
};

} // namespace

class OutsideEventsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An offline start is only remembered. Each change after it sets or clears the error,
    // moves the socket (opening it only for wanted notifications) and asks for a pass; a
    // repeated report changes nothing, and a platform error outlives the network's return.
    void reachabilityChanges()
    {
        Rig rig;
        rig.wantNotifications(true);
        test::LogCapture log;
        rig.reachability.report(false);
        QCOMPARE(rig.take(), QString());
        QVERIFY(!rig.globalData.hasError());
        rig.reachability.report(true);
        QCOMPARE(rig.take(), u"clear connect pass"_s);
        rig.reachability.report(true);
        QCOMPARE(rig.take(), QString());

        rig.wantNotifications(false);
        rig.reachability.report(false);
        QCOMPARE(rig.take(), u"error close pass"_s);
        QCOMPARE(rig.globalData.internetError(), std::optional<QString>(offline));
        QVERIFY(rig.globalData.hasError());
        rig.reachability.report(true);
        QCOMPARE(rig.take(), u"clear pass"_s);
        QVERIFY(!rig.globalData.hasError());
        QCOMPARE(handlerLines(log), u"Internet connection is available.|in manualStart|"
                                    "Internet connection is not available.|in manualStart|"
                                    "Internet connection is available.|in manualStart"_s);

        rig.reachability.report(false);
        rig.globalData.setCriticalError(u"Invalid API key."_s);
        rig.globalData.updateHasError();
        rig.reachability.report(true);
        rig.settle();
        QVERIFY(rig.globalData.hasError());
    }

    // Sleep closes the socket; waking opens it only for wanted notifications (the logind run
    // below wakes with them wanted). The watch timer is left alone.
    void sleepClosesAndWakeReopensOnlyWhenWanted()
    {
        Rig rig;
        rig.watch.startTimer();
        test::LogCapture log;
        rig.handler.systemWillSleep();
        QVERIFY(rig.events.isEmpty()); // the close is scheduled, not made in the handler
        QCOMPARE(rig.take(), u"close"_s);
        rig.handler.systemDidWake();
        QCOMPARE(rig.take(), QString());
        QCOMPARE(log.lines(), (QStringList{u"System will go to sleep"_s, u"System did wake up"_s}));
        QVERIFY(rig.watch.isTimerActive());
    }

    // Anyone may send a signal of logind's name; only logind's own reaches the socket. While
    // awake Corvane holds a sleep delay lock, and lets it go only after the socket's close, so
    // the server hears the goodbye before the machine sleeps; waking takes a new one.
    void logindSleepReachesTheSocket()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        QDBusConnection logind = bus.connect(u"logind-e2e"_s);
        QDBusConnection stranger = bus.connect(u"stranger"_s);
        Rig rig;
        StandInLogind standIn(rig.events);
        QVERIFY(logind.registerObject(u"/org/freedesktop/login1"_s, &standIn,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));
        rig.wantNotifications(true);
        DesktopConfig config;
        config.systemBus = bus.connect(u"app-e2e"_s);
        config.watchReachability = false;
        QNetworkAccessManager network;
        DesktopServices desktop(
            config, {&rig.globalData, &rig, &rig.settings, &rig.poSettings, &rig.watch}, network);
        desktop.startPowerWatch();
        desktop.startReachability();
        QVERIFY(config.systemBus.interface()->isServiceRegistered(u"org.freedesktop.login1"_s));

        QTRY_COMPARE(standIn.calls, QStringList{u"sleep Corvane delay"_s});
        QTRY_VERIFY(desktop.findChild<PowerMonitor*>()->holdsSleepLock());

        test::emitPrepareForSleep(stranger, true);
        test::emitPrepareForSleep(logind, true);
        QTRY_COMPARE(rig.events.join(u' '), u"close released"_s);
        test::emitPrepareForSleep(logind, false);
        QTRY_COMPARE(standIn.calls.size(), 2);
        QTRY_COMPARE(rig.events.join(u' '), u"close released connect"_s);
        QTRY_VERIFY(desktop.findChild<PowerMonitor*>()->holdsSleepLock());
    }

    // Without logind or a system bus, the power monitor says so once.
    void powerMonitorSaysWhyItCannotWatch()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        test::LogCapture log;
        PowerMonitor withoutLogind(bus.connect(u"lonely"_s));
        withoutLogind.start();
        QVERIFY(!withoutLogind.isWatching());
        PowerMonitor withoutBus(QDBusConnection(u"never-connected"_s));
        withoutBus.start();
        QCOMPARE(log.lines(),
                 (QStringList{u"logind is not running; sleep and wake are not watched."_s,
                              u"No system bus; sleep and wake are not watched."_s}));
    }
};

CORVANE_TEST(OutsideEventsTest)
#include "test_outsideevents.moc"
