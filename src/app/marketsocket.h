#pragma once

#include <QObject>

namespace corvane {

class CVNSettings;
class LiveSocket;
class POSettings;
class StockExchangeStatus;

// Keeps the Pushover socket open during market hours, driven by the market clock: asks for it
// when the clock starts and, after each tick, opens or closes it as the market has moved. The
// socket is only touched when notifications are on for a registered device.
class MarketSocket final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarketSocket)

public:
    // socket may be null: the ticks then leave everything alone.
    MarketSocket(const StockExchangeStatus& market, const CVNSettings& settings,
                 const POSettings& pushover, LiveSocket* socket, QObject* parent = nullptr);

    void setSocket(LiveSocket* socket) { m_socket = socket; }

    // Connected to the clock's timerStarted and ticked signals.
    void onTimerStarted();
    void onTick();

private:
    bool socketFollowsMarket() const;
    void openSocket();
    void keepSocketInStepWithMarket();

    const StockExchangeStatus& m_market;
    const CVNSettings& m_settings;
    const POSettings& m_pushover;
    LiveSocket* m_socket;
};

} // namespace corvane
