#pragma once
// TEMPORARY stand-in for the composition root while it is built on its own branch; removed
// before that branch is merged. Offers the same accessors the shell uses.

#include "app/globaldata.h"
#include "app/statemanager.h"
#include "base/clock.h"
#include "engine/processeddatamanager.h"
#include "engine/runwatch.h"
#include "market/stockexchangestatus.h"
#include "platform_api/brokerapiservice.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "settings/posettings.h"
#include "settings/settings.h"
#include "settings/suite.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <memory>

namespace corvane {

struct PushoverEndpoints {
    QUrl api;
    QUrl socket;
};

struct CoreConfig {
    QString suitePath;
    Clock clock = systemClock();
    QNetworkAccessManager* network = nullptr;
    QUrl platformApiUrl;
    QUrl platformWebUrl;
    PushoverEndpoints pushover;
    std::shared_ptr<NotificationService> notifications;
    std::chrono::milliseconds marketTickInterval = std::chrono::minutes(1);

    static CoreConfig fromEnvironment();
};

class Core final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Core)

public:
    explicit Core(CoreConfig config, QObject* parent = nullptr);
    ~Core() override;

    CVNSettings& settings() { return m_settings; }
    POSettings& pushoverSettings() { return m_pushoverSettings; }
    GlobalData& globalData() { return m_globalData; }
    ProcessedDataManager& store() { return m_store; }
    StockExchangeStatus& market() { return m_market; }
    PushoverWebSocketManager& socket() { return m_socket; }
    BrokerAPIService& brokerApi() { return m_brokerApi; }
    RunWatch& watch() { return m_watch; }
    StateManager& stateManager() { return m_stateManager; }

private:
    CoreConfig m_config;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    QNetworkAccessManager* m_network;
    Suite m_suite;
    CVNSettings m_settings;
    POSettings m_pushoverSettings;
    GlobalData m_globalData;
    ProcessedDataManager m_store;
    StockExchangeStatus m_market;
    PushoverWebSocketManager m_socket;
    BrokerAPIService m_brokerApi;
    RunWatch m_watch;
    StateManager m_stateManager;
};

} // namespace corvane
