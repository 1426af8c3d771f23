#include "core.h"

#include "base/endpoints.h"
#include "base/log.h"
#include "networkaccess.h"
#include "pushover/notificationmanager.h"

#include <QCoreApplication>
#include <QDBusConnection>

namespace corvane {

namespace {

QNetworkAccessManager* ownNetwork(const CoreConfig& config,
                                  std::unique_ptr<QNetworkAccessManager>& own)
{
    if (config.network)
        return config.network;
    own = std::make_unique<NetworkAccess>();
    return own.get();
}

} // namespace

CoreConfig CoreConfig::fromEnvironment()
{
    CoreConfig config;
    config.suitePath = Suite::defaultFilePath();
    config.historyPath = HistoryStore::defaultFilePath();
    config.platformApiUrl = endpointUrl(Endpoint::platformApi);
    config.platformWebUrl = endpointUrl(Endpoint::platformWeb);
    config.pushover = {endpointUrl(Endpoint::pushoverApi), endpointUrl(Endpoint::pushoverSocket)};
    config.updateFeedUrl = endpointUrl(Endpoint::updateFeed);
    config.desktop = DesktopConfig::defaults();
    config.desktop->updateFeed = config.updateFeedUrl;
    config.keyring = true;
    return config;
}

Core::Core(CoreConfig config, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_network(ownNetwork(m_config, m_ownNetwork))
    , m_suite(m_config.suitePath)
    , m_settings(m_suite)
    , m_pushoverSettings(m_suite)
    , m_keychain(m_config.keyring ? std::make_unique<Keychain>(QDBusConnection::sessionBus())
                                  : nullptr)
    , m_secrets(m_suite, m_settings, m_pushoverSettings, m_keychain.get())
    , m_store(m_settings)
    , m_market(m_config.clock)
    , m_pushoverSetup(*m_network, m_pushoverSettings, m_config.pushover.api)
    , m_socket(*m_network, m_pushoverSettings, m_config.pushover, m_config.notifications,
               m_config.socketTiming)
    , m_botApi(platformConnection())
    , m_brokerApi(platformConnection())
    , m_watch(RunWatch::Services{&m_settings, &m_store, &m_market, platformConnection(),
                                 m_config.clock})
    , m_stateManager(m_settings, m_market, m_watch)
    , m_marketSocket(m_market, m_settings, m_pushoverSettings, &m_socket)
    , m_verifier(m_settings, m_store, m_watch, platformConnection())
{
    m_market.setUpdateInterval(m_config.marketTickInterval);
    m_watch.setIntervalOverride(m_config.watchInterval);

    m_globalData.follow(m_watch.apiService());
    m_globalData.follow(m_botApi);
    m_globalData.follow(m_verifier.bots());

    // Each tick: the state is stored and announced, the watch state is evaluated, and then
    // the socket is brought in step with the market, in this order.
    connect(&m_market, &StockExchangeStatus::ticked, &m_stateManager,
            [this] { m_stateManager.evaluateWatchState(false); });
    connect(&m_market, &StockExchangeStatus::ticked, &m_marketSocket, &MarketSocket::onTick);
    connect(&m_market, &StockExchangeStatus::timerStarted, &m_marketSocket,
            &MarketSocket::onTimerStarted);

    // The switch and the socket agree whoever moves the switch: the settings page, a reset, or
    // a registration, which turns notifications on (the switch is off until a device exists).
    connect(&m_settings, &CVNSettings::enableNotificationsChanged, this,
            &Core::followNotificationSwitch);
    connect(&m_pushoverSetup, &POApiManager::deviceRegistered, this,
            [this] { m_settings.setEnableNotifications(true); });

    // A broker enabled by an edit gets its empty result before the next pass fills it.
    connect(&m_settings, &CVNSettings::accountSettingsChanged, &m_store,
            &ProcessedDataManager::primeProcessedData);

    if (!m_config.historyPath.isEmpty()) {
        m_history = std::make_unique<HistoryStore>(m_config.historyPath, m_market);
        m_historyRecorder = std::make_unique<HistoryRecorder>(
            HistoryRecorder::Services{m_history.get(), &m_store, &m_settings, &m_market, &m_watch,
                                      &m_historyFeed, m_config.clock});
    }

    if (m_config.desktop) {
        m_desktop = std::make_unique<DesktopServices>(
            *m_config.desktop,
            OutsideEventHandler::Services{&m_globalData, &m_socket, &m_settings,
                                          &m_pushoverSettings, &m_watch},
            *m_network);
        m_updateNotices = std::make_unique<NotificationManager>(m_config.notifications);
        m_updateNotifier =
            std::make_unique<UpdateNotifier>(m_desktop->updater(), m_suite, *m_updateNotices);
    }
}

Core::~Core() = default;

PlatformConnection Core::platformConnection() const
{
    return PlatformConnection{m_network, m_config.platformApiUrl, m_config.platformTimeout};
}

void Core::followNotificationSwitch()
{
    if (m_settings.enableNotifications() && m_pushoverSettings.poIsRegistered()) {
        m_socket.notificationMgr()->requestPermission();
        m_socket.openSocket();
    } else {
        m_socket.closeSocket();
    }
}

bool Core::start(const ShellSteps& shell)
{
    if (m_desktop) {
        m_desktop->startPowerWatch();
        m_desktop->startUpdater();
    }
    if (shell.decideFirstRun)
        shell.decideFirstRun();
    m_store.primeProcessedData();
    if (m_historyRecorder)
        m_historyRecorder->reload();
    if (shell.showStatusItem && !shell.showStatusItem())
        return false;
    // Both identify this machine to Pushover and let anyone who reads them act as it.
    logLine(redacted(m_pushoverSettings.poDeviceUID()));
    logLine(redacted(m_pushoverSettings.poSessionSecret()));
    if (m_settings.enableNotifications() && m_pushoverSettings.poIsRegistered())
        m_socket.openSocket();
    m_market.updateStatus();
    m_stateManager.evaluateWatchState(true);
    m_market.startTimer();
    // Its first report is only remembered, so it comes after everything it could act on.
    if (m_desktop)
        m_desktop->startReachability();
    return true;
}

} // namespace corvane
