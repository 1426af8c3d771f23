#pragma once

#include <QObject>

namespace corvane {

// Tells whether the machine can reach the internet. start() reports the status of that moment
// once, as the first update; later updates come as the status changes.
class ReachabilitySource : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReachabilitySource)

public:
    using QObject::QObject;
    virtual void start() = 0;

Q_SIGNALS:
    void reachabilityChanged(bool available);
};

// The desktop's own view of the network, through Qt's network information backends (the
// network manager's, or GLib's). Without a backend it says so once and reports nothing, so
// Corvane carries on as if always connected and lets failed fetches speak instead.
class ConnectivityMonitor final : public ReachabilitySource {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConnectivityMonitor)

public:
    explicit ConnectivityMonitor(QObject* parent = nullptr);
    void start() override;
};

} // namespace corvane
