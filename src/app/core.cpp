#include "core.h"

#include "base/endpoints.h"

namespace corvane {

namespace {
QNetworkAccessManager* networkFor(const CoreConfig& config,
                                  std::unique_ptr<QNetworkAccessManager>& own)
{
    if (config.network)
        return config.network;
    installExtraCertificateAuthorities();
    own = std::make_unique<QNetworkAccessManager>();
    return own.get();
}
} // namespace

CoreConfig CoreConfig::fromEnvironment()
{
    CoreConfig config;
    config.suitePath = Suite::defaultFilePath();
    config.platformApiUrl = endpointUrl(Endpoint::PlatformApi);
    config.platformWebUrl = endpointUrl(Endpoint::PlatformWeb);
    return config;
}

Core::Core(CoreConfig config, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_network(networkFor(m_config, m_ownNetwork))
    , m_suite(m_config.suitePath)
    , m_settings(m_suite)
    , m_pushoverSettings(m_suite)
    , m_store(m_settings)
    , m_market(m_config.clock)
    , m_socket(*m_network, m_pushoverSettings, m_config.notifications)
    , m_brokerApi(PlatformConnection{m_network, m_config.platformApiUrl})
    , m_watch(RunWatch::Services{&m_settings, &m_store, &m_market, &m_globalData,
                                 PlatformConnection{m_network, m_config.platformApiUrl},
                                 m_config.clock})
    , m_stateManager(m_settings, m_market, m_watch)
{
    m_market.setUpdateInterval(
        std::chrono::duration<double>(m_config.marketTickInterval).count());
    m_market.setNotificationStores(&m_settings, &m_pushoverSettings);
    m_market.setLiveSocket(&m_socket);
    m_market.setWatchEvaluation([this] { m_stateManager.evaluateWatchState(false); });
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this,
            [this] { m_settings.primeProcessedData(m_store); });
}

Core::~Core() = default;

} // namespace corvane
