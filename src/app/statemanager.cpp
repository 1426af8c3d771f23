#include "statemanager.h"

#include "base/log.h"
#include "engine/runwatch.h"
#include "market/stockexchangestatus.h"
#include "settings/settings.h"

#include <algorithm>

namespace corvane {

namespace {

using Timer = WatchDecision::Timer;

constexpr WatchDecision nothing{false, Timer::leave};
constexpr WatchDecision stop{false, Timer::stop};
constexpr WatchDecision start{false, Timer::start};
constexpr WatchDecision fetch{true, Timer::leave};
constexpr WatchDecision fetchThenStop{true, Timer::stop};
constexpr WatchDecision fetchThenStart{true, Timer::start};

// With the watch switch off the timer is only ever stopped, and only by a closed market
// outside of launch (or when syncing is manual, which fetches once per evaluation instead).
WatchDecision watchOff(MarketState market, bool atLaunch, bool manual)
{
    if (manual)
        return fetchThenStop;
    if (market == MarketState::closed && !atLaunch)
        return stop;
    return nothing;
}

WatchDecision watchOnAtLaunch(MarketState market, bool manual)
{
    switch (market) {
    case MarketState::open:
        return manual ? fetchThenStop : fetchThenStart;
    case MarketState::closed:
        return fetch;
    case MarketState::afterMarket:
        return fetchThenStart;
    }
    return nothing;
}

WatchDecision watchOnEachMinute(MarketState market, bool manual)
{
    if (manual)
        return fetchThenStop;
    switch (market) {
    case MarketState::open:
        return start;
    case MarketState::closed:
        return stop;
    case MarketState::afterMarket:
        // The after-market half hour keeps a running timer for the last passes of the day
        // but starts none.
        return nothing;
    }
    return nothing;
}

} // namespace

WatchDecision decideWatchState(bool anyKeyVerified, bool watchRunning, MarketState market,
                               bool atLaunch, bool frequencyManual)
{
    if (!anyKeyVerified)
        return stop;
    if (!watchRunning)
        return watchOff(market, atLaunch, frequencyManual);
    return atLaunch ? watchOnAtLaunch(market, frequencyManual)
                    : watchOnEachMinute(market, frequencyManual);
}

StateManager::StateManager(const CVNSettings& settings, const StockExchangeStatus& market,
                           RunWatch& watch, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_market(market)
    , m_watch(watch)
{}

void StateManager::evaluateWatchState(bool atLaunch)
{
    const auto accounts = m_settings.accountSettings();
    const bool anyVerified = std::any_of(accounts.cbegin(), accounts.cend(),
                                         [](const auto& account) { return account.keyVerified; });
    const WatchDecision decision =
        decideWatchState(anyVerified, m_settings.watchRunning(), m_market.currentState(), atLaunch,
                         m_settings.frequencyManual());

    if (decision.fetch) {
        logLine(QStringLiteral("in manualStart"));
        m_watch.manualStart();
    }
    switch (decision.timer) {
    case Timer::start:
        m_watch.startTimer();
        break;
    case Timer::stop:
        m_watch.stopTimer();
        break;
    case Timer::leave:
        break;
    }
}

} // namespace corvane
