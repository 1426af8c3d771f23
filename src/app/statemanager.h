#pragma once

#include "market/stockexchangestatus.h"

#include <QObject>

namespace corvane {

class CVNSettings;
class RunWatch;
class StockExchangeStatus;

// What one evaluation does to the watch cycle: an immediate pass (made before any timer
// change) and what happens to the repeating timer.
struct WatchDecision {
    enum class Timer { leave, start, stop };
    bool fetch = false;
    Timer timer = Timer::leave;

    bool operator==(const WatchDecision&) const = default;
};

// The whole decision, from the four inputs read afresh at every evaluation.
WatchDecision decideWatchState(bool anyKeyVerified, bool watchRunning, MarketState market,
                               bool atLaunch, bool frequencyManual);

// The one place that decides whether the watch cycle runs: it starts and stops the cycle's
// timer and asks for immediate passes. The market clock calls it every minute; start-up, the
// watch switch and the manual-sync setting call it after their changes.
class StateManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StateManager)

public:
    StateManager(const CVNSettings& settings, const StockExchangeStatus& market, RunWatch& watch,
                 QObject* parent = nullptr);

    void evaluateWatchState(bool atLaunch);

private:
    const CVNSettings& m_settings;
    const StockExchangeStatus& m_market;
    RunWatch& m_watch;
};

} // namespace corvane
