// The market clock half of StockExchangeStatus: the one-minute heartbeat that publishes the
// market state, has the watch state evaluated and keeps the Pushover socket in step with the
// market.
#include "base/log.h"
#include "livesocket.h"
#include "settings/posettings.h"
#include "settings/settings.h"
#include "stockexchangestatus.h"

#include <QTimer>
#include <chrono>
#include <cmath>

namespace corvane {

void StockExchangeStatus::startTimer()
{
    // One heartbeat only: a restart replaces the running timer rather than adding a second.
    delete m_timer;
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::CoarseTimer);
    m_timer->setInterval(std::chrono::milliseconds(std::llround(m_updateInterval * 1000.0)));
    connect(m_timer, &QTimer::timeout, this, &StockExchangeStatus::updateStatus);
    m_timer->start();

    if (socketFollowsMarket()) {
        // Queued, so the socket is asked to open after start-up has returned to the loop; the
        // market state is not consulted here.
        QMetaObject::invokeMethod(this, &StockExchangeStatus::connectLiveSocket,
                                  Qt::QueuedConnection);
    }
    m_isTimerRunning = true;
}

void StockExchangeStatus::updateStatus()
{
    m_statusState = currentState();
    Q_EMIT statusStateChanged(m_statusState);

    if (m_evaluateWatchState)
        m_evaluateWatchState();

    if (socketFollowsMarket()) {
        QMetaObject::invokeMethod(this, &StockExchangeStatus::keepSocketInStepWithMarket,
                                  Qt::QueuedConnection);
    }
}

void StockExchangeStatus::setUpdateInterval(double seconds)
{
    m_updateInterval = seconds;
}

void StockExchangeStatus::setWatchEvaluation(std::function<void()> evaluate)
{
    m_evaluateWatchState = std::move(evaluate);
}

void StockExchangeStatus::setLiveSocket(LiveSocket* socket)
{
    m_liveSocket = socket;
}

void StockExchangeStatus::setNotificationStores(const CVNSettings* settings,
                                                const POSettings* pushover)
{
    m_settings = settings;
    m_pushover = pushover;
}

void StockExchangeStatus::connectLiveSocket()
{
    if (m_liveSocket)
        m_liveSocket->connectSocket();
}

bool StockExchangeStatus::socketFollowsMarket() const
{
    return m_liveSocket && m_settings && m_pushover && m_settings->enableNotifications() &&
           m_pushover->poIsRegistered();
}

void StockExchangeStatus::keepSocketInStepWithMarket()
{
    if (!m_liveSocket)
        return;
    const bool connected = m_liveSocket->isSocketRunning();
    // Read again: the queued branch runs after the tick, possibly in the next minute.
    const MarketState state = currentState();
    if (state == MarketState::closed && connected) {
        logLine(QStringLiteral("Market is closed. Closing Pushover socket."));
        m_liveSocket->closeSocket();
    } else if (state != MarketState::closed && !connected) {
        logLine(QStringLiteral("Market is open. Attempting to connect to Pushover socket."));
        m_liveSocket->connectSocket();
    }
}

} // namespace corvane
