#pragma once

#include "app/desktopservices.h"
#include "app/globaldata.h"
#include "app/historyrecorder.h"
#include "app/marketsocket.h"
#include "app/statemanager.h"
#include "app/updatenotifier.h"
#include "base/clock.h"
#include "engine/processeddatamanager.h"
#include "engine/runwatch.h"
#include "history/historystore.h"
#include "market/stockexchangestatus.h"
#include "models/accountverifier.h"
#include "models/historyfeed.h"
#include "platform_api/botapiservice.h"
#include "platform_api/brokerapiservice.h"
#include "pushover/notificationservice.h"
#include "pushover/poapimanager.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "settings/keychain.h"
#include "settings/posettings.h"
#include "settings/secretstore.h"
#include "settings/settings.h"
#include "settings/suite.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace corvane {

// Everything the core is built from. The application takes fromEnvironment(); tests point
// it at a temporary suite, a clock of their own and the fake services.
struct CoreConfig {
    QString suitePath; // the CVNSuite.conf file
    // The history of each broker's totals; empty: none is kept (tests of the core).
    QString historyPath;
    Clock clock = systemClock();
    // Null: the core makes its own, trusting the extra roots of CORVANE_EXTRA_CA_FILE.
    QNetworkAccessManager* network = nullptr;

    QUrl platformApiUrl;
    QUrl platformWebUrl;
    PushoverEndpoints pushover;
    QUrl updateFeedUrl;

    // Null: the desktop's notifications over the session bus.
    std::shared_ptr<NotificationService> notifications;

    std::chrono::milliseconds marketTickInterval = std::chrono::minutes(1);
    // Replaces the stored sync frequency's interval when set.
    std::optional<std::chrono::milliseconds> watchInterval;
    std::chrono::milliseconds platformTimeout = std::chrono::minutes(1);
    SocketTiming socketTiming;

    // Sleep and wake, the network, launch at login and update checks. Empty: none of them
    // (tests of the core run without the machine's buses and the real feed).
    std::optional<DesktopConfig> desktop;

    // API keys and the Pushover secret go to the desktop's keyring on the session bus when
    // one is there. Off: they stay in the settings file (tests of the core).
    bool keyring = false;

    // The user's suite and the endpoints with their environment overrides.
    static CoreConfig fromEnvironment();
};

// The composition root: owns the long-lived services, declared in the order they depend on
// each other (and so destroyed in reverse), and wires them to each other. Nothing in the core
// reaches another service any other way.
class Core final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Core)

public:
    explicit Core(CoreConfig config, QObject* parent = nullptr);
    ~Core() override;

    // The shell's steps at launch; start() runs each at its place, and skips an empty one,
    // so the tests run the program's order without widgets.
    struct ShellSteps {
        // Once the sleep and wake watch and the updater run: the first-run decision.
        std::function<void()> decideFirstRun;
        // Once each enabled broker has its empty result: the status item. False ends
        // start-up there.
        std::function<bool()> showStatusItem;
    };

    // Start-up, in its order: the sleep and wake watch and the updater, the shell's first-run
    // decision, one empty result per enabled broker, the shell's status item, the socket when
    // notifications are on and the device registered, one market tick, the launch evaluation
    // of the watch state, the market clock, and last the network watch. False when the status
    // step ended it.
    bool start(const ShellSteps& shell = {});

    const CoreConfig& config() const { return m_config; }
    QNetworkAccessManager& network() { return *m_network; }
    Suite& suite() { return m_suite; }
    CVNSettings& settings() { return m_settings; }
    POSettings& pushoverSettings() { return m_pushoverSettings; }
    // Fills the stores' secrets in from the keyring: the first pass waits for its load().
    SecretStore& secrets() { return m_secrets; }
    GlobalData& globalData() { return m_globalData; }
    ProcessedDataManager& store() { return m_store; }
    StockExchangeStatus& market() { return m_market; }
    // The set-up client of the settings view; a registration turns notifications on.
    POApiManager& pushoverSetup() { return m_pushoverSetup; }
    PushoverWebSocketManager& socket() { return m_socket; }
    BotAPIService& botApi() { return m_botApi; }
    BrokerAPIService& brokerApi() { return m_brokerApi; }
    RunWatch& watch() { return m_watch; }
    StateManager& stateManager() { return m_stateManager; }
    MarketSocket& marketSocket() { return m_marketSocket; }
    // Checks API keys for the accounts views; shared so a later check supersedes an earlier
    // one whichever window started it.
    AccountVerifier& verifier() { return m_verifier; }
    // Each watched broker's day curve and recent closes, as the history holds them.
    HistoryFeed& historyFeed() { return m_historyFeed; }
    // Null when the configuration keeps no history.
    HistoryStore* history() { return m_history.get(); }
    // Null when the configuration asks for no desktop services.
    DesktopServices* desktop() { return m_desktop.get(); }
    // Tells of new versions the scheduled checks find; null without desktop services.
    UpdateNotifier* updateNotifier() { return m_updateNotifier.get(); }

private:
    PlatformConnection platformConnection() const;
    // Opens the socket (asking to show notifications first) or closes it, as the switch says.
    void followNotificationSwitch();

    CoreConfig m_config;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    QNetworkAccessManager* m_network;
    Suite m_suite;
    CVNSettings m_settings;
    POSettings m_pushoverSettings;
    std::unique_ptr<Keychain> m_keychain;
    SecretStore m_secrets;
    GlobalData m_globalData;
    ProcessedDataManager m_store;
    StockExchangeStatus m_market;
    POApiManager m_pushoverSetup;
    PushoverWebSocketManager m_socket;
    BotAPIService m_botApi;
    BrokerAPIService m_brokerApi;
    RunWatch m_watch;
    StateManager m_stateManager;
    MarketSocket m_marketSocket;
    AccountVerifier m_verifier;
    HistoryFeed m_historyFeed;
    std::unique_ptr<HistoryStore> m_history;
    std::unique_ptr<HistoryRecorder> m_historyRecorder;
    std::unique_ptr<DesktopServices> m_desktop;
    std::unique_ptr<NotificationManager> m_updateNotices;
    std::unique_ptr<UpdateNotifier> m_updateNotifier;
};

} // namespace corvane
