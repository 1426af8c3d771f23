#include "app/connectivitymonitor.h"
#include "privatebus.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

namespace {

// What NetworkManager publishes that Corvane reads: the global state and its change signal.
class FakeNetworkManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ state)

public:
    explicit FakeNetworkManager(QDBusConnection bus)
        : m_bus(std::move(bus))
    {}
    uint state() const { return m_state; }
    void setState(uint state)
    {
        m_state = state;
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/NetworkManager"),
            QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("StateChanged"));
        signal << state;
        m_bus.send(signal);
    }

private:
    QDBusConnection m_bus;
    uint m_state = 70;
};

const QByteArray ipv4Header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n";

} // namespace

class ConnectivityTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void networkManagersGlobalStateIsFollowed()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        QDBusConnection service = bus.connect(QStringLiteral("nm"));
        FakeNetworkManager manager(service);
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager,
                                       QDBusConnection::ExportAllProperties));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.NetworkManager")));

        ConnectivityMonitor monitor(bus.connect(QStringLiteral("client")));
        QSignalSpy updates(&monitor, &ConnectivityMonitor::reachabilityChanged);
        monitor.start();
        QVERIFY(updates.wait(5000));
        QCOMPARE(updates.takeFirst().at(0).toBool(), true);

        // Site-only connectivity does not reach the services; the same state twice is no change.
        manager.setState(60);
        QVERIFY(updates.wait(5000));
        manager.setState(20);
        manager.setState(70);
        QVERIFY(QTest::qWaitFor([&] { return updates.size() == 2; }, 5000));
        QCOMPARE(updates.at(0).at(0).toBool(), false);
        QCOMPARE(updates.at(1).at(0).toBool(), true);
    }

    // Without NetworkManager the route tables answer once at start; without them, nothing
    // answers and the log says so.
    void withoutNetworkManagerTheRouteTablesSpeak()
    {
        test::PrivateBus bus;
        QVERIFY2(bus.isUp(), "dbus-daemon did not start");
        QTemporaryDir dir;
        const QByteArray throughGateway =
            ipv4Header + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n";
        const QByteArray lanOnly =
            ipv4Header + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\n";
        const std::pair<QByteArray, QList<bool>> cases[] = {
            {throughGateway, {true}}, {lanOnly, {false}}, {QByteArray(), {}}};
        for (const auto& [table, reported] : cases) {
            ConnectivityMonitor::RouteTables tables{dir.filePath(QStringLiteral("route")),
                                                    dir.filePath(QStringLiteral("none"))};
            QFile file(tables.ipv4);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(table);
            file.close();
            test::LogCapture log;
            ConnectivityMonitor monitor(bus.connect(QStringLiteral("lonely")), tables);
            QSignalSpy updates(&monitor, &ConnectivityMonitor::reachabilityChanged);
            monitor.start();
            QList<bool> seen;
            for (const QList<QVariant>& update : std::as_const(updates))
                seen.append(update.at(0).toBool());
            QCOMPARE(seen, reported);
            QCOMPARE(log.lines().size(), reported.isEmpty() ? 1 : 0);
        }
    }

    void defaultRoutes_data()
    {
        QTest::addColumn<QByteArray>("ipv4");
        QTest::addColumn<QByteArray>("ipv6");
        QTest::addColumn<bool>("available");
        const QByteArray lanOnly =
            ipv4Header + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\n";
        const QByteArray loopbackRefusal =
            "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
            "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
        QTest::newRow("ipv4 default through a gateway")
            << QByteArray(ipv4Header + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n")
            << loopbackRefusal << true;
        QTest::newRow("local network only") << lanOnly << loopbackRefusal << false;
        QTest::newRow("ipv4 default that is down")
            << QByteArray(ipv4Header + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\n")
            << QByteArray() << false;
        QTest::newRow("ipv6 default only")
            << lanOnly
            << QByteArray("00000000000000000000000000000000 00 00000000000000000000000000000000 "
                          "00 fd000000000000000000000000000001 00000400 00000002 00000000 "
                          "00000003     eth0\n")
            << true;
        QTest::newRow("ipv6 refusing default on a real interface")
            << lanOnly << QByteArray(loopbackRefusal).replace("      lo", "    eth0") << false;
        QTest::newRow("unreadable tables") << QByteArray() << QByteArray() << false;
    }
    void defaultRoutes()
    {
        QFETCH(QByteArray, ipv4);
        QFETCH(QByteArray, ipv6);
        QFETCH(bool, available);
        QCOMPARE(hasDefaultRoute(ipv4, ipv6), available);
    }
};

CORVANE_TEST(ConnectivityTest)
#include "test_connectivity.moc"
