#include "desktopservices.h"

#include "base/buildinfo.h"
#include "base/endpoints.h"

namespace corvane {

DesktopConfig DesktopConfig::defaults()
{
    DesktopConfig config;
    config.updateFeed = endpointUrl(Endpoint::updateFeed);
    // An appcast's sparkle:version is a build number; the marketing version is only shown.
    config.buildNumber = corvane::buildNumber();
    return config;
}

DesktopServices::DesktopServices(DesktopConfig config, OutsideEventHandler::Services services,
                                 QNetworkAccessManager& network, QObject* parent)
    : QObject(parent)
    , m_watchReachability(config.watchReachability)
    , m_loginItem(std::make_unique<XdgAutostart>(config.configFolder, config.executable))
    , m_power(new PowerMonitor(config.systemBus, this))
    , m_reachability(new ConnectivityMonitor(config.systemBus, this))
    , m_handler(new OutsideEventHandler(services, this))
    , m_updater(new UpdateChecker(network, config.updateFeed, config.buildNumber,
                                  config.updatePeriod, this))
{
    m_handler->listenTo(*m_reachability, *m_power);
}

void DesktopServices::startReachability()
{
    if (m_watchReachability)
        m_reachability->start();
}

} // namespace corvane
