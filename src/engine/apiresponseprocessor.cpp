#include "apiresponseprocessor.h"

#include "base/log.h"
#include "market/stockexchangestatus.h"
#include "platform_api/brokerapiservice.h"
#include "positionrules.h"
#include "processeddatamanager.h"
#include "settings/accountsettings.h"

#include <QThreadPool>
#include <QtConcurrentRun>
#include <qcoro/qcorofuture.h>
#include <string_view>
#include <unordered_map>

namespace corvane {

namespace {

QString orNotAvailable(const std::optional<wire::Text>& text)
{
    return text ? text->toString() : QStringLiteral("n/a");
}

} // namespace

BrokerGroups groupByBroker(const ApiResponse& response)
{
    BrokerGroups groups;
    if (!response.data)
        return groups;
    // Keyed by the views themselves: a text is copied once per group, not once per position.
    std::unordered_map<std::string_view, qsizetype> indexOf;
    for (const PositionData& position : *response.data) {
        if (!position.brokerConnection)
            continue;
        const wire::Text number = position.brokerConnection->number.value_or(wire::Text());
        const std::string_view key(reinterpret_cast<const char*>(number.data()),
                                   size_t(number.size()));
        const auto [found, added] = indexOf.try_emplace(key, groups.size());
        if (added)
            groups.append({number.toString(), {}});
        groups[found->second].second.append(&position);
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
        const QString key = position.bot.number.toString() + u'_' + QString::number(i);
        if (const std::optional<double> profit = positionProfit(position)) {
            tally.total += *profit;
            tally.bots.insert(key, *profit);
        }
        tally.tradeInfo.insert(key, tradeInfoOf(position));
        tally.statuses.insert(key, position.status ? position.status->toString() : QString());
        tally.name.insert(key, position.bot.name.toString());
    }
    return tally;
}

BrokerTallies tallyResponse(ApiResponse response, QDate referenceDay, QDate today)
{
    BrokerTallies tallies;
    for (const auto& [key, positions] : groupByBroker(response))
        tallies.append({key, tallyGroup(positions, referenceDay, today)});
    return tallies;
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

    // The tallies are private until copied below, so they are all made at once, off the main
    // thread; only the copies into the store happen here, group by group.
    const std::weak_ptr<int> alive = m_lifetime;
    const BrokerTallies tallies =
        co_await QtConcurrent::run(&tallyResponse, std::move(response), referenceDay, today);
    if (tallies.isEmpty() || alive.expired())
        co_return;
    BrokerAPIService brokers(m_connection);
    for (const auto& [key, tally] : tallies) {

        const std::optional<BrokerResponse> connections =
            co_await brokers.fetchBrokerConnections(account.apiKey);
        if (!connections || alive.expired())
            co_return;

        const std::shared_ptr<ProcessedData> existing = m_store.find(key);
        const std::shared_ptr<ProcessedData> target =
            existing ? existing : std::make_shared<ProcessedData>();
        // The maps replaced here hold a string or more per position of the previous pass;
        // whatever the views do not share of them is freed on a worker, not on this thread.
        BrokerTally replaced{0, target->bots(), target->statuses(), target->name(),
                             target->tradeInfo()};
        target->setTotal(tally.total);
        target->setStatuses(tally.statuses);
        target->setBots(tally.bots);
        target->setName(tally.name);
        target->setTradeInfo(tally.tradeInfo);
        QThreadPool::globalInstance()->start(
            [replaced = std::move(replaced)]() mutable { replaced = BrokerTally(); });
        // Captured under a name of its own: clang before 16 cannot capture a structured binding.
        const auto match = std::find_if(
            connections->data.cbegin(), connections->data.cend(),
            [&number = key](const BrokerAccount& broker) { return broker.number == number; });
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
