#include "historyrecorder.h"

#include "base/newyork.h"
#include "engine/processeddatamanager.h"
#include "engine/runwatch.h"
#include "history/historyworker.h"
#include "market/stockexchangestatus.h"
#include "models/historyfeed.h"
#include "settings/settings.h"

namespace corvane {

namespace {

// What the file holds for one broker's chart.
struct Loaded {
    QString broker;
    QDate day;
    QList<HistorySample> samples;
    QList<HistoryClose> closes;
};

} // namespace

HistoryRecorder::HistoryRecorder(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    connect(m_services.store, &ProcessedDataManager::processedDataArrayChanged, this,
            &HistoryRecorder::followEntries);
    connect(m_services.watch, &RunWatch::passStarted, this, [this] { m_setThisPass.clear(); });
    connect(m_services.watch, &RunWatch::passFinished, this, &HistoryRecorder::record);
    connect(m_services.market, &StockExchangeStatus::ticked, this, [this] {
        if (sessionDay() != m_loadedFor)
            reload();
    });
    connect(m_services.settings, &CVNSettings::accountSettingsChanged, this,
            &HistoryRecorder::reload);
    followEntries();
}

QDate HistoryRecorder::sessionDay() const
{
    const QDateTime now = m_services.clock();
    const QDate today = now.toTimeZone(newYorkTimeZone()).date();
    const std::optional<MarketSession> session = m_services.market->session(today);
    return session && now >= session->open ? today : QDate();
}

QSet<QString> HistoryRecorder::watchedBrokers() const
{
    QSet<QString> watched;
    for (const AccountSettings& account : m_services.settings->accountSettings())
        for (const BrokerSettings& broker : account.brokerSettings)
            if (broker.enabled && broker.watch)
                watched.insert(broker.brokerNumber);
    return watched;
}

// Every assignment of a total is announced, so an entry announces each pass that set it.
void HistoryRecorder::followEntries()
{
    for (const ProcessedDataWrapper& entry : m_services.store->processedDataArray()) {
        if (!entry.processedData || m_followed.value(entry.id) == entry.processedData.get())
            continue;
        m_followed.insert(entry.id, entry.processedData.get());
        connect(entry.processedData.get(), &ProcessedData::totalChanged, this,
                [this, id = entry.id] { m_setThisPass.insert(id); });
    }
}

void HistoryRecorder::reload()
{
    const QDate sessionToday = sessionDay();
    m_loadedFor = sessionToday;
    const QDate today = m_services.clock().toTimeZone(newYorkTimeZone()).date();
    const QSet<QString> brokers = watchedBrokers();
    // Nothing to show, so the file stays closed until a broker is watched.
    if (brokers.isEmpty()) {
        QMetaObject::invokeMethod(this, &HistoryRecorder::reloaded, Qt::QueuedConnection);
        return;
    }
    auto load = [brokers, sessionToday, today](HistoryStore& history) {
        QList<Loaded> loaded;
        for (const QString& broker : brokers) {
            const QDate day =
                sessionToday.isValid() ? sessionToday : history.lastDay(broker, today);
            loaded.append({broker, day,
                           day.isValid() ? history.samples(broker, day) : QList<HistorySample>(),
                           history.closes(broker, day.isValid() ? day : today, closeCount)});
        }
        return loaded;
    };
    m_services.history->run(std::move(load)).then(this, [this](const QList<Loaded>& loaded) {
        for (const Loaded& entry : loaded) {
            DayCurve curve;
            curve.tradingDay = entry.day;
            if (const std::optional<MarketSession> session =
                    m_services.market->session(entry.day)) {
                curve.open = session->open.toUTC();
                curve.close = session->close.toUTC();
            }
            for (const HistorySample& sample : entry.samples)
                curve.points.append({sample.at, sample.total});
            m_services.feed->setDay(entry.broker, std::move(curve));
            QList<DayClose> closes;
            for (const HistoryClose& close : entry.closes)
                closes.append({close.day, close.total});
            m_services.feed->setCloses(entry.broker, std::move(closes));
        }
        Q_EMIT reloaded();
    });
}

void HistoryRecorder::record()
{
    const QSet<QString> watched = watchedBrokers();
    QList<std::pair<QString, double>> totals;
    for (const QString& id : std::as_const(m_setThisPass)) {
        const std::shared_ptr<ProcessedData> data = m_services.store->find(id);
        if (data && data->total() && watched.contains(id))
            totals.append({id, *data->total()});
    }
    m_setThisPass.clear();
    if (totals.isEmpty())
        return;
    m_services.history
        ->run([now = m_services.clock(), totals](HistoryStore& history) {
            return history.append(now, totals);
        })
        .then(this, [this](const QList<HistoryStore::Recorded>& recorded) { extend(recorded); });
}

void HistoryRecorder::extend(const QList<HistoryStore::Recorded>& recorded)
{
    if (recorded.isEmpty())
        return;
    if (sessionDay() != m_loadedFor) {
        reload();
        return;
    }
    for (const HistoryStore::Recorded& entry : recorded) {
        DayCurve curve = m_services.feed->day(entry.broker);
        if (curve.tradingDay != entry.day) {
            reload();
            return;
        }
        const HistoryPoint point{entry.sample.at, entry.sample.total};
        if (entry.change == HistoryStore::Change::replaced && !curve.points.isEmpty())
            curve.points.last() = point;
        else
            curve.points.append(point);
        m_services.feed->setDay(entry.broker, std::move(curve));

        QList<DayClose> closes = m_services.feed->closes(entry.broker);
        if (!closes.isEmpty() && closes.last().tradingDay == entry.day) {
            closes.last().total = entry.sample.total;
        } else {
            closes.append({entry.day, entry.sample.total});
            if (closes.size() > closeCount)
                closes.removeFirst();
        }
        m_services.feed->setCloses(entry.broker, std::move(closes));
    }
}

} // namespace corvane
