#include "app/statemanager.h"
#include "support/testregistry.h"

#include <QTest>
#include <optional>
#include <vector>

using namespace corvane;
using namespace Qt::StringLiterals;

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

// The number of the first row that covers the inputs (from 1), 0 when none does.
int rowFor(bool verified, bool watch, MarketState market, bool atLaunch, bool manual)
{
    const auto matches = [](const std::optional<bool>& pattern, bool value) {
        return !pattern || *pattern == value;
    };
    const auto& rows = table();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) {
        return r.verified == verified && matches(r.watch, watch) && matches(r.atLaunch, atLaunch) &&
               matches(r.manual, manual) &&
               (r.markets.empty() ||
                std::find(r.markets.begin(), r.markets.end(), market) != r.markets.end());
    });
    return row == rows.end() ? 0 : static_cast<int>(row - rows.begin()) + 1;
}

} // namespace

class WatchDecisionTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every one of the 48 input combinations, each against the first row of the table that
    // covers it; a combination no row covers would be a hole in the table.
    void everyCombinationFollowsItsRow()
    {
        for (bool verified : {false, true})
            for (bool watch : {false, true})
                for (MarketState market : {open, closed, after})
                    for (bool atLaunch : {false, true})
                        for (bool manual : {false, true}) {
                            const QString inputs =
                                QString::asprintf("A=%d W=%d S=%d launch=%d F=%d", verified, watch,
                                                  static_cast<int>(market), atLaunch, manual);
                            const int row = rowFor(verified, watch, market, atLaunch, manual);
                            QVERIFY2(row > 0, qPrintable(inputs + u": no row"_s));
                            const WatchDecision got =
                                decideWatchState(verified, watch, market, atLaunch, manual);
                            QVERIFY2(got == table()[row - 1].action,
                                     qPrintable(inputs + u": row %1"_s.arg(row)));
                        }
    }
};

CORVANE_TEST(WatchDecisionTest)
#include "test_watchdecision.moc"
