#include "app/powermonitor.h"
#include "privatebus.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;

namespace {

const QString logindName = QStringLiteral("org.freedesktop.login1");

} // namespace

class PowerMonitorTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void logindSignalsBecomeSleepAndWake()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        QDBusConnection logind = bus.connect(QStringLiteral("logind"));
        QDBusConnection stranger = bus.connect(QStringLiteral("stranger"));
        QDBusConnection client = bus.connect(QStringLiteral("client"));
        QVERIFY(logind.registerService(logindName));

        PowerMonitor monitor(client);
        QSignalSpy sleeps(&monitor, &PowerMonitor::willSleep);
        QSignalSpy wakes(&monitor, &PowerMonitor::didWake);
        monitor.start();
        QVERIFY(monitor.isWatching());
        // A round trip on the client's connection: its signal subscription is in place after it.
        QVERIFY(client.interface()->isServiceRegistered(logindName).value());

        // Anyone may send a signal of that name; only logind's own counts.
        test::emitPrepareForSleep(stranger, true);
        test::emitPrepareForSleep(logind, true);
        QVERIFY(sleeps.wait(5000));
        test::emitPrepareForSleep(logind, false);
        QVERIFY(wakes.wait(5000));
        QCOMPARE(sleeps.size(), 1);
        QCOMPARE(wakes.size(), 1);
    }

    void missingBusOrLogindIsLoggedOnce()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        test::LogCapture log;
        PowerMonitor withoutLogind(bus.connect(QStringLiteral("lonely")));
        withoutLogind.start();
        QVERIFY(!withoutLogind.isWatching());

        PowerMonitor withoutBus(QDBusConnection(QStringLiteral("never-connected")));
        withoutBus.start();
        QCOMPARE(
            log.lines(),
            (QStringList{QStringLiteral("logind is not running; sleep and wake are not watched."),
                         QStringLiteral("No system bus; sleep and wake are not watched.")}));
    }
};

CORVANE_TEST(PowerMonitorTest)
#include "test_powermonitor.moc"
