#include "marketsocket.h"

#include "base/log.h"
#include "market/stockexchangestatus.h"
#include "pushover/livesocket.h"
#include "settings/posettings.h"
#include "settings/settings.h"

namespace corvane {

MarketSocket::MarketSocket(const StockExchangeStatus& market, const CVNSettings& settings,
                           const POSettings& pushover, LiveSocket* socket, QObject* parent)
    : QObject(parent)
    , m_market(market)
    , m_settings(settings)
    , m_pushover(pushover)
    , m_socket(socket)
{}

void MarketSocket::onTimerStarted()
{
    if (socketFollowsMarket()) {
        // Queued, so the socket is asked to open after start-up has returned to the loop; the
        // market state is not consulted here.
        QMetaObject::invokeMethod(this, &MarketSocket::openSocket, Qt::QueuedConnection);
    }
}

void MarketSocket::onTick()
{
    if (socketFollowsMarket()) {
        QMetaObject::invokeMethod(this, &MarketSocket::keepSocketInStepWithMarket,
                                  Qt::QueuedConnection);
    }
}

bool MarketSocket::socketFollowsMarket() const
{
    return m_socket && m_settings.enableNotifications() && m_pushover.poIsRegistered();
}

void MarketSocket::openSocket()
{
    if (m_socket)
        m_socket->openSocket();
}

void MarketSocket::keepSocketInStepWithMarket()
{
    if (!m_socket)
        return;
    const bool connected = m_socket->isSocketRunning();
    // Read again: the queued branch runs after the tick, possibly in the next minute.
    const MarketState state = m_market.currentState();
    if (state == MarketState::closed && connected) {
        logLine(QStringLiteral("Market is closed. Closing Pushover socket."));
        m_socket->closeSocket();
    } else if (state != MarketState::closed && !connected) {
        logLine(QStringLiteral("Market is open. Attempting to connect to Pushover socket."));
        m_socket->openSocket();
    }
}

} // namespace corvane
