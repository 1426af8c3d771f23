#pragma once

#include "base/clock.h"
#include "platform_api/brokerapiservice.h"
#include "platform_api/network.h"
#include "platform_api/positionrecords.h"
#include "processeddata.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <utility>

namespace corvane {

class ProcessedDataManager;
class StockExchangeStatus;
struct AccountSettings;

// One broker connection's tally of one response, before it is copied into the store.
struct BrokerTally {
    double total = 0;
    QMap<QString, double> bots;
    QMap<QString, QString> statuses;
    QMap<QString, QString> name;
    QMap<QString, TradeInfo> tradeInfo;
};

// The positions of a response grouped by broker connection number, in order of first
// appearance; positions without a broker connection are left out.
using BrokerGroups = QList<std::pair<QString, QList<const PositionData*>>>;
BrokerGroups groupByBroker(const ApiResponse& response);

// The tally of one broker group against the reference day. Position keys are the bot number,
// "_" and the position's index in the group (skipped positions count towards the index).
// Positions without a readable entry time are judged as entered `today` (New York).
BrokerTally tallyGroup(const QList<const PositionData*>& group, QDate referenceDay, QDate today);

// Every broker group's tally, in the order of groupByBroker. Reads the answer only, so it runs
// on a worker; the answer is released there as well.
using BrokerTallies = QList<std::pair<QString, BrokerTally>>;
BrokerTallies tallyResponse(ApiResponse response, QDate referenceDay, QDate today);

// Turns one account's positions response into per-broker results in the processed data
// store: groups by broker connection, tallies each group, fetches the account's broker
// connections for their value and expiry, copies each tally into the broker's entry
// (registering a new one on first sight) and adds it to the rolled-up total. Stateless.
class ApiResponseProcessor final {
public:
    ApiResponseProcessor(ProcessedDataManager& store, StockExchangeStatus& market,
                         PlatformConnection connection, Clock clock);

    QCoro::Task<> process(ApiResponse response, AccountSettings account);

private:
    ProcessedDataManager& m_store;
    StockExchangeStatus& m_market;
    Clock m_clock;
    // Its pending request is aborted when this object goes (after m_lifetime has expired).
    BrokerAPIService m_brokers;
    // Expires with this object, so that a processing resumed after it was destroyed stops.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace corvane
