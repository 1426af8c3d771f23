#include "apiresponseprocessor.h"

#include "base/log.h"
#include "market/stockexchangestatus.h"
#include "platform_api/brokerapiservice.h"
#include "positionrules.h"
#include "processeddatamanager.h"
#include "settings/accountsettings.h"

namespace corvane {

namespace {

QString orNotAvailable(const std::optional<QString>& text)
{
    return text.value_or(QStringLiteral("n/a"));
}

} // namespace

BrokerGroups groupByBroker(const ApiResponse& response)
{
    BrokerGroups groups;
    if (!response.data)
        return groups;
    QHash<QString, qsizetype> indexOf;
    for (const PositionData& position : *response.data) {
        if (!position.brokerConnection)
            continue;
        const QString key = position.brokerConnection->number.value_or(QString());
        auto found = indexOf.constFind(key);
        if (found == indexOf.constEnd()) {
            found = indexOf.insert(key, groups.size());
            groups.append({key, {}});
        }
        groups[*found].second.append(&position);
    }
    return groups;
}

TradeInfo tradeInfoOf(const PositionData& position)
{
    const Leg* first = position.legs.isEmpty() ? nullptr : &position.legs.first();
    TradeInfo info;
    info.currentDelta = orNotAvailable(position.current_delta);
    info.entryValue = shortestDecimalText(position.entry_value.value_or(0.0));
    info.maxRisk = orNotAvailable(position.max_risk);
    info.contractCount =
        first && first->quantity ? QString::number(*first->quantity) : QStringLiteral("0");
    info.enteredAt = first ? orNotAvailable(first->entered_at) : QStringLiteral("n/a");
    return info;
}

BrokerTally tallyGroup(const QList<const PositionData*>& group, QDate referenceDay, QDate today)
{
    BrokerTally tally;
    for (qsizetype i = 0; i < group.size(); ++i) {
        const PositionData& position = *group[i];
        if (!positionCounts(position, referenceDay, today))
            continue;
        const QString key = position.bot.number + u'_' + QString::number(i);
        if (const std::optional<double> profit = positionProfit(position)) {
            tally.total += *profit;
            tally.bots.insert(key, *profit);
        }
        tally.tradeInfo.insert(key, tradeInfoOf(position));
        tally.statuses.insert(key, position.status.value_or(QString()));
        tally.name.insert(key, position.bot.name);
    }
    return tally;
}

ApiResponseProcessor::ApiResponseProcessor(ProcessedDataManager& store, StockExchangeStatus& market,
                                           PlatformConnection connection, Clock clock)
    : m_store(store)
    , m_market(market)
    , m_connection(std::move(connection))
    , m_clock(std::move(clock))
{}

QCoro::Task<> ApiResponseProcessor::process(ApiResponse response, AccountSettings account)
{
    m_store.setLastupdated(QStringLiteral("n/a"));

    const QDateTime now = m_clock();
    const QDate today = newYorkDay(now);
    m_market.updateLastOpenDate();
    const std::optional<QDateTime> lastOpen = m_market.lastOpenDate();
    QDate referenceDay = today;
    if (lastOpen && newYorkDay(*lastOpen) == today) {
        m_store.setLastupdated(updateTimeText(now));
    } else if (lastOpen) {
        referenceDay = newYorkDay(*lastOpen);
        m_store.setLastupdated(referenceDay.toString(QStringLiteral("yyyy-MM-dd")));
    }
    logLine(QStringLiteral("Last updated date: ") + m_store.lastupdated());

    const BrokerGroups groups = groupByBroker(response);
    if (groups.isEmpty())
        co_return;
    BrokerAPIService brokers(m_connection);
    const std::weak_ptr<int> alive = m_lifetime;
    for (const auto& [key, positions] : groups) {
        const BrokerTally tally = tallyGroup(positions, referenceDay, today);

        const std::optional<BrokerResponse> connections =
            co_await brokers.fetchBrokerConnections(account.apiKey);
        if (!connections || alive.expired())
            co_return;

        const std::shared_ptr<ProcessedData> existing = m_store.find(key);
        const std::shared_ptr<ProcessedData> target =
            existing ? existing : std::make_shared<ProcessedData>();
        target->setTotal(tally.total);
        target->setStatuses(tally.statuses);
        target->setBots(tally.bots);
        target->setName(tally.name);
        target->setTradeInfo(tally.tradeInfo);
        const auto match =
            std::find_if(connections->data.cbegin(), connections->data.cend(),
                         [&key](const BrokerAccount& broker) { return broker.number == key; });
        if (match != connections->data.cend()) {
            target->setNLV(match->netLiquidationValue);
            target->setBrokerExpiration(match->expiresAt);
        } else {
            logLine(QStringLiteral("No matching broker account found."));
        }
        m_store.setRolledUpTotal(m_store.rolledUpTotal() + tally.total);
        if (!existing)
            m_store.addProcessedData(key, target);
    }
}

} // namespace corvane
