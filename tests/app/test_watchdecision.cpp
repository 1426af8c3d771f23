#include "app/statemanager.h"
#include "support/testregistry.h"

#include <QTest>
#include <optional>
#include <vector>

using namespace corvane;

namespace {

using Timer = WatchDecision::Timer;

// The decision table as the product defines it, first matching row wins. An empty optional
// matches either value; an empty market list matches every state.
struct Row {
    bool verified;
    std::optional<bool> watch;
    std::vector<MarketState> markets;
    std::optional<bool> atLaunch;
    std::optional<bool> manual;
    WatchDecision action;
};

const MarketState open = MarketState::open;
const MarketState closed = MarketState::closed;
const MarketState after = MarketState::afterMarket;

const std::vector<Row>& table()
{
    static const std::vector<Row> rows{
        {false, {}, {}, {}, {}, {false, Timer::stop}},
        {true, false, {}, {}, true, {true, Timer::stop}},
        {true, false, {closed}, false, false, {false, Timer::stop}},
        {true, false, {closed}, true, false, {false, Timer::leave}},
        {true, false, {open, after}, {}, false, {false, Timer::leave}},
        {true, true, {open}, true, true, {true, Timer::stop}},
        {true, true, {open}, true, false, {true, Timer::start}},
        {true, true, {open}, false, true, {true, Timer::stop}},
        {true, true, {open}, false, false, {false, Timer::start}},
        {true, true, {closed}, true, {}, {true, Timer::leave}},
        {true, true, {closed}, false, true, {true, Timer::stop}},
        {true, true, {closed}, false, false, {false, Timer::stop}},
        {true, true, {after}, true, {}, {true, Timer::start}},
        {true, true, {after}, false, true, {true, Timer::stop}},
        {true, true, {after}, false, false, {false, Timer::leave}},
    };
    return rows;
}

bool matches(const std::optional<bool>& pattern, bool value)
{
    return !pattern || *pattern == value;
}

std::optional<std::pair<int, WatchDecision>> lookUp(bool verified, bool watch, MarketState market,
                                                    bool atLaunch, bool manual)
{
    const auto& rows = table();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const bool marketMatches =
            row.markets.empty() ||
            std::find(row.markets.begin(), row.markets.end(), market) != row.markets.end();
        if (row.verified == verified && matches(row.watch, watch) && marketMatches &&
            matches(row.atLaunch, atLaunch) && matches(row.manual, manual))
            return std::pair{static_cast<int>(i) + 1, row.action};
    }
    return std::nullopt;
}

} // namespace

class WatchDecisionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every one of the 48 input combinations, each against the first row of the table that
    // covers it; a combination no row covers would be a hole in the table.
    void everyCombinationFollowsItsRow_data()
    {
        QTest::addColumn<bool>("verified");
        QTest::addColumn<bool>("watch");
        QTest::addColumn<int>("market");
        QTest::addColumn<bool>("atLaunch");
        QTest::addColumn<bool>("manual");
        for (bool verified : {false, true})
            for (bool watch : {false, true})
                for (MarketState market : {open, closed, after})
                    for (bool atLaunch : {false, true})
                        for (bool manual : {false, true})
                            QTest::addRow("A=%d W=%d S=%d launch=%d F=%d", verified, watch,
                                          static_cast<int>(market), atLaunch, manual)
                                << verified << watch << static_cast<int>(market) << atLaunch
                                << manual;
    }

    void everyCombinationFollowsItsRow()
    {
        QFETCH(bool, verified);
        QFETCH(bool, watch);
        QFETCH(int, market);
        QFETCH(bool, atLaunch);
        QFETCH(bool, manual);
        const auto state = static_cast<MarketState>(market);

        const auto row = lookUp(verified, watch, state, atLaunch, manual);
        QVERIFY2(row.has_value(), "no row of the table covers this combination");
        const WatchDecision got = decideWatchState(verified, watch, state, atLaunch, manual);
        QVERIFY2(got == row->second, qPrintable(QStringLiteral("row %1: fetch %2 timer %3")
                                                    .arg(row->first)
                                                    .arg(got.fetch)
                                                    .arg(static_cast<int>(got.timer))));
    }
};

CORVANE_TEST(WatchDecisionTest)
#include "test_watchdecision.moc"
