#include "feedstatuspresenter.h"

#include "base/newyork.h"
#include "engine/processeddatamanager.h"
#include "market/stockexchangestatus.h"
#include "resulttext.h"
#include "settings/settings.h"

namespace corvane {

FeedStatusPresenter::FeedStatusPresenter(CVNSettings& settings, ProcessedDataManager& store,
                                         StockExchangeStatus& market, Clock clock, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_store(store)
    , m_market(market)
    , m_clock(std::move(clock))
{
    connect(&m_market, &StockExchangeStatus::statusStateChanged, this,
            &FeedStatusPresenter::marketStateChanged);
    connect(&m_store, &ProcessedDataManager::lastupdatedChanged, this,
            &FeedStatusPresenter::lastUpdatedChanged);
    connect(&m_settings, &CVNSettings::watchRunningChanged, this,
            &FeedStatusPresenter::watchRunningChanged);
}

QString FeedStatusPresenter::marketStateText() const
{
    switch (m_market.statusState()) {
    case MarketState::open:
        return QStringLiteral("Market open");
    case MarketState::afterMarket:
        return QStringLiteral("After Market");
    case MarketState::closed:
        break;
    }
    return QStringLiteral("Market closed");
}

bool FeedStatusPresenter::marketOpen() const
{
    return m_market.statusState() == MarketState::open;
}

QString FeedStatusPresenter::lastUpdated() const
{
    return m_store.lastupdated();
}

QString FeedStatusPresenter::newYorkOffsetText() const
{
    return text::zoneOffsetText(m_clock(), newYorkTimeZone());
}

bool FeedStatusPresenter::watchRunning() const
{
    return m_settings.watchRunning();
}

void FeedStatusPresenter::setWatchRunning(bool running)
{
    m_settings.setWatchRunning(running);
}

} // namespace corvane
