// The market clock half of StockExchangeStatus: the one-minute heartbeat that publishes the
// market state.
#include "stockexchangestatus.h"

#include <QTimer>

namespace corvane {

void StockExchangeStatus::startTimer()
{
    // One heartbeat only: a restart replaces the running timer rather than adding a second.
    delete m_timer;
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::CoarseTimer);
    m_timer->setInterval(m_updateInterval);
    connect(m_timer, &QTimer::timeout, this, &StockExchangeStatus::updateStatus);
    m_timer->start();
    Q_EMIT timerStarted();
    m_isTimerRunning = true;
}

void StockExchangeStatus::updateStatus()
{
    m_statusState = currentState();
    Q_EMIT statusStateChanged(m_statusState);
    Q_EMIT ticked();
}

void StockExchangeStatus::setUpdateInterval(std::chrono::milliseconds interval)
{
    m_updateInterval = interval;
}

} // namespace corvane
