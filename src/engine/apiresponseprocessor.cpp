#include "apiresponseprocessor.h"

#include "base/log.h"
#include "market/stockexchangestatus.h"
#include "platform_api/brokerapiservice.h"
#include "positionrules.h"
#include "processeddatamanager.h"
#include "settings/accountsettings.h"

#include <QThreadPool>
#include <QtConcurrentRun>
#include <algorithm>
#include <charconv>
#include <qcoro/qcorofuture.h>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvane {

namespace {

std::string_view bytesOf(wire::Text text)
{
    return std::string_view(reinterpret_cast<const char*>(text.data()), size_t(text.size()));
}

// Texts that many positions of an answer repeat (statuses, bot names and numbers, entry times,
// contract counts) made into a QString once and shared by every map entry that shows them: one
// allocation per distinct text instead of one per position, in the tally and when it is freed.
class SharedTexts final {
public:
    const QString& operator()(wire::Text text)
    {
        auto [found, added] = m_texts.try_emplace(bytesOf(text));
        if (added)
            found->second = text.toString();
        return found->second;
    }
    const QString& operator()(qint64 number)
    {
        auto [found, added] = m_numbers.try_emplace(number);
        if (added)
            found->second = QString::number(number);
        return found->second;
    }

private:
    std::unordered_map<std::string_view, QString> m_texts; // views into the answer
    std::unordered_map<qint64, QString> m_numbers;
};

QString orNotAvailable(const std::optional<wire::Text>& text)
{
    return text ? text->toString() : QStringLiteral("n/a");
}

QString orNotAvailable(const std::optional<wire::Text>& text, SharedTexts& shared)
{
    return text ? shared(*text) : QStringLiteral("n/a");
}

TradeInfo tradeInfoOf(const PositionData& position, SharedTexts& shared)
{
    const Leg* first = position.legs.isEmpty() ? nullptr : &position.legs.first();
    TradeInfo info;
    info.currentDelta = orNotAvailable(position.current_delta);
    info.entryValue = shortestDecimalText(position.entry_value.value_or(0.0));
    info.maxRisk = orNotAvailable(position.max_risk);
    info.contractCount = first && first->quantity ? shared(*first->quantity) : QStringLiteral("0");
    info.enteredAt = first ? orNotAvailable(first->entered_at, shared) : QStringLiteral("n/a");
    return info;
}

} // namespace

BrokerGroups groupByBroker(const ApiResponse& response)
{
    BrokerGroups groups;
    if (!response.data)
        return groups;
    // Keyed by the views themselves: a text is copied once per group, not once per position.
    // Each group's list is sized before it is filled, so a large group is not regrown.
    std::unordered_map<std::string_view, qsizetype> indexOf;
    QList<qsizetype> groupOf(response.data->size(), -1);
    QList<qsizetype> sizes;
    for (qsizetype i = 0; i < response.data->size(); ++i) {
        const PositionData& position = response.data->at(i);
        if (!position.brokerConnection)
            continue;
        const wire::Text number = position.brokerConnection->number.value_or(wire::Text());
        const auto [found, added] = indexOf.try_emplace(bytesOf(number), groups.size());
        if (added) {
            groups.append({number.toString(), {}});
            sizes.append(0);
        }
        groupOf[i] = found->second;
        ++sizes[found->second];
    }
    for (qsizetype g = 0; g < groups.size(); ++g)
        groups[g].second.reserve(sizes[g]);
    for (qsizetype i = 0; i < response.data->size(); ++i) {
        if (groupOf[i] >= 0)
            groups[groupOf[i]].second.append(&response.data->at(i));
    }
    return groups;
}

BrokerTally tallyGroup(const QList<const PositionData*>& group, QDate referenceDay, QDate today)
{
    struct Counted {
        QString key;
        const PositionData* position;
        std::optional<double> profit;
    };
    SharedTexts shared;
    BrokerTally tally;
    std::vector<Counted> counted;
    counted.reserve(size_t(group.size()));
    for (qsizetype i = 0; i < group.size(); ++i) {
        const PositionData& position = *group[i];
        if (!positionCounts(position, referenceDay, today))
            continue;
        char index[24];
        const auto end = std::to_chars(index, index + sizeof index, i).ptr;
        QString key = shared(position.bot.number) + u'_' + QLatin1StringView(index, end - index);
        const std::optional<double> profit = positionProfit(position);
        if (profit)
            tally.total += *profit; // in the group's order, whatever the maps' order
        counted.push_back({std::move(key), &position, profit});
    }
    // In key order, each entry goes at the end of every map, without a search from the root.
    std::sort(counted.begin(), counted.end(),
              [](const Counted& a, const Counted& b) { return a.key < b.key; });
    for (const Counted& c : counted) {
        if (c.profit)
            tally.bots.insert(tally.bots.cend(), c.key, *c.profit);
        tally.tradeInfo.insert(tally.tradeInfo.cend(), c.key, tradeInfoOf(*c.position, shared));
        tally.statuses.insert(tally.statuses.cend(), c.key,
                              c.position->status ? shared(*c.position->status) : QString());
        tally.name.insert(tally.name.cend(), c.key, shared(c.position->bot.name));
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
    , m_clock(std::move(clock))
    , m_brokers(std::move(connection))
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
    for (const auto& [key, tally] : tallies) {

        const std::optional<BrokerResponse> connections =
            co_await m_brokers.fetchBrokerConnections(account.apiKey);
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
