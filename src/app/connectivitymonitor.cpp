#include "connectivitymonitor.h"

#include "base/log.h"

#include <QDBusAbstractInterface>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {

namespace {

const QString networkManagerService = QStringLiteral("org.freedesktop.NetworkManager");
const QString networkManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
constexpr char networkManagerInterface[] = "org.freedesktop.NetworkManager";

// NM_STATE_CONNECTED_GLOBAL: only a route to the internet counts; a local network alone does
// not reach the services.
constexpr uint connectedGlobal = 70;

// The route flags the kernel prints (RTF_UP, RTF_REJECT).
constexpr uint routeUp = 0x0001;
constexpr uint routeRejects = 0x0200;

// A typed proxy: Qt's D-Bus layer relays the remote signal to the Qt signal of that name, and
// only when the service's owner sent it.
class NetworkManager final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkManager)

public:
    NetworkManager(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(networkManagerService, networkManagerPath, networkManagerInterface,
                                 bus, parent)
    {}

Q_SIGNALS:
    void StateChanged(uint state);
};

bool isUsableDefault(const QByteArray& flagsHex)
{
    bool ok = false;
    const uint flags = flagsHex.toUInt(&ok, 16);
    return ok && (flags & routeUp) && !(flags & routeRejects);
}

bool isAllZeros(const QByteArray& hex)
{
    return !hex.isEmpty() && std::all_of(hex.begin(), hex.end(), [](char c) { return c == '0'; });
}

QByteArray readProcFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool hasDefaultRoute(const QByteArray& ipv4Table, const QByteArray& ipv6Table)
{
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ..., after a header line.
    const QList<QByteArray> ipv4 = ipv4Table.split('\n');
    for (qsizetype i = 1; i < ipv4.size(); ++i) {
        const QList<QByteArray> f = ipv4[i].simplified().split(' ');
        if (f.size() >= 8 && isAllZeros(f[1]) && isAllZeros(f[7]) && isUsableDefault(f[3]))
            return true;
    }
    // Destination PrefixLength Source SourceLength NextHop Metric RefCnt Use Flags Iface; the
    // kernel keeps a refusing default on the loopback interface even with no network.
    for (const QByteArray& line : ipv6Table.split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 10 && isAllZeros(f[0]) && isAllZeros(f[1]) && isUsableDefault(f[8]))
            return true;
    }
    return false;
}

ConnectivityMonitor::ConnectivityMonitor(QDBusConnection systemBus, RouteTables tables,
                                         QObject* parent)
    : ReachabilitySource(parent)
    , m_bus(std::move(systemBus))
    , m_tables(std::move(tables))
{}

ConnectivityMonitor::~ConnectivityMonitor()
{
    // The notifier goes before the socket it watches.
    delete m_routeChanges;
    if (m_netlink >= 0)
        ::close(m_netlink);
}

void ConnectivityMonitor::start()
{
    if (!followNetworkManager())
        followRouteTablesOrSayWhy();
}

bool ConnectivityMonitor::followNetworkManager()
{
    if (!m_bus.isConnected() || !m_bus.interface() ||
        !m_bus.interface()->isServiceRegistered(networkManagerService).value())
        return false;
    // Subscribed before the state is asked for, so no change falls between the two; a change
    // that overtakes the answer is newer than it.
    auto* manager = new NetworkManager(m_bus, this);
    connect(manager, &NetworkManager::StateChanged, this,
            [this](uint state) { report(state == connectedGlobal); });
    QDBusMessage get = QDBusMessage::createMethodCall(
        networkManagerService, networkManagerPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(networkManagerInterface) << QStringLiteral("State");
    auto* answer = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, manager, answer] {
        answer->deleteLater();
        const QDBusPendingReply<QDBusVariant> state = *answer;
        if (state.isError()) {
            manager->deleteLater();
            followRouteTablesOrSayWhy();
        } else if (!m_available) {
            report(state.value().variant().toUInt() == connectedGlobal);
        }
    });
    return true;
}

void ConnectivityMonitor::followRouteTablesOrSayWhy()
{
    if (followRouteTables())
        return;
    logLine(QStringLiteral("Network reachability is not available on this system; "
                           "connection changes are not watched."));
}

bool ConnectivityMonitor::followRouteTables()
{
    const QByteArray ipv4 = readProcFile(m_tables.ipv4);
    if (ipv4.isEmpty())
        return false;
    m_netlink = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (m_netlink < 0 ||
        ::bind(m_netlink, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    m_routeChanges = new QSocketNotifier(m_netlink, QSocketNotifier::Read, this);
    connect(m_routeChanges, &QSocketNotifier::activated, this, [this] {
        // The messages only say that something changed; the tables say what holds now.
        char buffer[8192];
        while (::recv(m_netlink, buffer, sizeof buffer, 0) > 0) {
        }
        readRouteTables();
    });
    report(hasDefaultRoute(ipv4, readProcFile(m_tables.ipv6)));
    return true;
}

void ConnectivityMonitor::readRouteTables()
{
    report(hasDefaultRoute(readProcFile(m_tables.ipv4), readProcFile(m_tables.ipv6)));
}

void ConnectivityMonitor::report(bool available)
{
    if (m_available == available)
        return;
    m_available = available;
    Q_EMIT reachabilityChanged(available);
}

} // namespace corvane

#include "connectivitymonitor.moc"
