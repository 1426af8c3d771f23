#pragma once

#include "base/clock.h"

#include <QObject>
#include <QString>

namespace corvane {

class CVNSettings;
class ProcessedDataManager;
class StockExchangeStatus;

// What the popover's header and footer show besides the brokers: the market state, the feed's
// last update with New York's zone offset, and the watch switch.
class FeedStatusPresenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FeedStatusPresenter)
    Q_PROPERTY(QString marketStateText READ marketStateText NOTIFY marketStateChanged)
    Q_PROPERTY(bool marketOpen READ marketOpen NOTIFY marketStateChanged)
    Q_PROPERTY(QString lastUpdated READ lastUpdated NOTIFY lastUpdatedChanged)
    Q_PROPERTY(bool watchRunning READ watchRunning WRITE setWatchRunning NOTIFY watchRunningChanged)

public:
    FeedStatusPresenter(CVNSettings& settings, ProcessedDataManager& store,
                        StockExchangeStatus& market, Clock clock, QObject* parent = nullptr);

    // "Market open", "Market closed" or "After Market".
    QString marketStateText() const;
    bool marketOpen() const;
    // The store's last-updated text as is ("12-5 @ 2:07p", "2026-12-04" or "n/a").
    QString lastUpdated() const;
    // New York's offset from UTC now, "GMT-05" in winter and "GMT-04" in summer.
    QString newYorkOffsetText() const;
    bool watchRunning() const;
    void setWatchRunning(bool running);

Q_SIGNALS:
    void marketStateChanged();
    void lastUpdatedChanged();
    void watchRunningChanged(bool running);

private:
    CVNSettings& m_settings;
    ProcessedDataManager& m_store;
    StockExchangeStatus& m_market;
    Clock m_clock;
};

} // namespace corvane
