#pragma once

#include "base/clock.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <map>
#include <optional>

namespace corvane {

// One trading day's regular session, both ends as New York instants.
struct MarketSession {
    QDateTime open;
    QDateTime close;
};

// Whether the New York Stock Exchange is in its regular session, in the half hour after it, or
// closed, and which day was the last one it traded. Every day, weekday and hour is read in New
// York time, whatever the user's own zone, and the time only ever comes from the clock.
class StockExchangeStatus final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StockExchangeStatus)

public:
    enum class MarketState { open, closed, afterMarket };
    Q_ENUM(MarketState)
    Q_PROPERTY(MarketState statusState READ statusState NOTIFY statusStateChanged)

    explicit StockExchangeStatus(Clock clock, QObject* parent = nullptr);

    // The state at the clock's current instant.
    MarketState currentState() const;
    QDateTime now() const { return m_clock(); }

    // Whether the New York calendar day of the instant is a full-day closure.
    bool isHoliday(const QDateTime& date) const;
    bool isHoliday(QDate newYorkDay) const;

    // The regular session of a New York calendar day, or nothing when the exchange is closed
    // all day (weekend or closure).
    std::optional<MarketSession> session(QDate newYorkDay) const;

    // Moves the last trading day to the current instant, stepped back a whole day at a time
    // (same New York wall time) until it lands on a trading day.
    void updateLastOpenDate();
    std::optional<QDateTime> lastOpenDate() const { return m_lastOpenDate; }

    // The full-day closures of a year, each at 00:00 New York time, in calendar order. A year
    // is worked out the first time anything asks about it and kept.
    const QList<QDateTime>& nyseHolidays(int year) const;

    // The state at the moment of construction.
    std::optional<MarketState> previousState() const { return m_previousState; }

    // The market clock: a repeating tick (a minute unless a test shortens it) that stores
    // the current state in statusState and then announces the tick, so that what follows the
    // market (the watch state, the Pushover socket) is driven from above without this room
    // knowing it. startTimer() again replaces the running timer.
    void startTimer();
    void updateStatus();
    MarketState statusState() const { return m_statusState; }
    // Empty until the timer is first started; never reset.
    std::optional<bool> isTimerRunning() const { return m_isTimerRunning; }
    std::chrono::milliseconds updateInterval() const { return m_updateInterval; }
    // Takes effect at the next startTimer().
    void setUpdateInterval(std::chrono::milliseconds interval);

Q_SIGNALS:
    // On every store of the tick, whether or not the state changed.
    void statusStateChanged(corvane::StockExchangeStatus::MarketState state);
    // After the state of a tick is stored and announced.
    void ticked();
    // Each time startTimer() has put a new timer in place.
    void timerStarted();

private:
    Clock m_clock;
    std::optional<MarketState> m_previousState;
    std::optional<QDateTime> m_lastOpenDate;
    mutable std::map<int, QList<QDateTime>> m_nyseHolidays;

    QPointer<QTimer> m_timer;
    std::chrono::milliseconds m_updateInterval = std::chrono::minutes(1);
    std::optional<bool> m_isTimerRunning;
    MarketState m_statusState = MarketState::closed;
};

using MarketState = StockExchangeStatus::MarketState;

} // namespace corvane
