#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <optional>

class QSocketNotifier;

namespace corvane {

// Tells whether the machine can reach the internet. After start(), the status of that moment
// comes once, as the first update; later updates come as the status changes.
class ReachabilitySource : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReachabilitySource)

public:
    using QObject::QObject;
    virtual void start() = 0;

Q_SIGNALS:
    void reachabilityChanged(bool available);
};

// Whether the kernel's route tables, as printed in /proc/net/route and /proc/net/ipv6_route,
// hold a default route that is up and does not refuse traffic.
bool hasDefaultRoute(const QByteArray& ipv4Table, const QByteArray& ipv6Table);

// The desktop's own view of the network: NetworkManager's global state on the system bus when
// it runs, else the kernel's route tables, re-read whenever the kernel announces a route change
// over netlink. (Qt's network-information plugins would do the same, but Qt loads all of them
// together, and GLib's brings in gio and a thread of its own: a tenth of Corvane's memory.)
// Without either it says so once and reports nothing, so Corvane carries on as if always
// connected and lets failed fetches speak instead.
class ConnectivityMonitor final : public ReachabilitySource {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConnectivityMonitor)

public:
    // Where the kernel prints its route tables; elsewhere only for tests.
    struct RouteTables {
        QString ipv4 = QStringLiteral("/proc/net/route");
        QString ipv6 = QStringLiteral("/proc/net/ipv6_route");
    };

    explicit ConnectivityMonitor(QDBusConnection systemBus, QObject* parent = nullptr)
        : ConnectivityMonitor(std::move(systemBus), RouteTables(), parent)
    {}
    ConnectivityMonitor(QDBusConnection systemBus, RouteTables tables, QObject* parent = nullptr);
    ~ConnectivityMonitor() override;
    void start() override;

private:
    bool followNetworkManager();
    void followRouteTablesOrSayWhy();
    bool followRouteTables();
    void readRouteTables();
    void report(bool available);

    QDBusConnection m_bus;
    RouteTables m_tables;
    int m_netlink = -1;
    QSocketNotifier* m_routeChanges = nullptr;
    std::optional<bool> m_available;
};

} // namespace corvane
