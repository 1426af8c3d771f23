#include "connectivitymonitor.h"

#include "base/log.h"

#include <QNetworkInformation>

namespace corvane {

namespace {

// Only a route to the internet counts: a local network alone does not reach the services.
bool isAvailable(QNetworkInformation::Reachability reachability)
{
    return reachability == QNetworkInformation::Reachability::Online;
}

} // namespace

ConnectivityMonitor::ConnectivityMonitor(QObject* parent)
    : ReachabilitySource(parent)
{}

void ConnectivityMonitor::start()
{
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        logLine(QStringLiteral("Network reachability is not available on this system; "
                               "connection changes are not watched."));
        return;
    }
    QNetworkInformation* information = QNetworkInformation::instance();
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                Q_EMIT reachabilityChanged(isAvailable(reachability));
            });
    // Qt announces only changes, so the status of this moment is the first update.
    Q_EMIT reachabilityChanged(isAvailable(information->reachability()));
}

} // namespace corvane
