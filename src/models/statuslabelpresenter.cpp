#include "statuslabelpresenter.h"

#include "base/newyork.h"
#include "engine/processeddatamanager.h"
#include "historyfeed.h"
#include "resulttext.h"
#include "settings/settings.h"

#include <QSet>
#include <algorithm>

namespace corvane {

const QString StatusLabelPresenter::rollUpId = QStringLiteral("roll-up");
const QString StatusLabelPresenter::noVerifiedAccounts = QStringLiteral("No verified accounts");

namespace {

QList<BrokerSettings> allBrokers(const CVNSettings& settings)
{
    QList<BrokerSettings> brokers;
    for (const AccountSettings& account : settings.accountSettings())
        brokers.append(account.brokerSettings);
    return brokers;
}

QSet<QString> watchedNumbers(const QList<BrokerSettings>& brokers)
{
    QSet<QString> watched;
    for (const BrokerSettings& broker : brokers) {
        if (broker.enabled && broker.watch)
            watched.insert(broker.brokerNumber);
    }
    return watched;
}

QString nicknameFor(const QList<BrokerSettings>& brokers, const QString& number)
{
    const auto found = std::find_if(brokers.cbegin(), brokers.cend(),
                                    [&](const auto& b) { return b.brokerNumber == number; });
    if (found == brokers.cend())
        return QStringLiteral("OF");
    return found->nickname.isEmpty() ? found->brokerName : found->nickname;
}

// Broker numbers are digits: "9" must come before "10", so runs of digits compare by value.
bool naturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype startA = i;
            const qsizetype startB = j;
            while (i < a.size() && a.at(i).isDigit())
                ++i;
            while (j < b.size() && b.at(j).isDigit())
                ++j;
            auto digits = [](const QString& s, qsizetype from, qsizetype to) {
                while (from + 1 < to && s.at(from) == QLatin1Char('0'))
                    ++from;
                return QStringView(s).mid(from, to - from);
            };
            const QStringView runA = digits(a, startA, i);
            const QStringView runB = digits(b, startB, j);
            if (runA.size() != runB.size())
                return runA.size() < runB.size();
            if (const int order = runA.compare(runB); order != 0)
                return order < 0;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b; // "01" and "1" still need a fixed order
}

} // namespace

StatusLabelPresenter::StatusLabelPresenter(const ProcessedDataManager& store,
                                           const CVNSettings& settings,
                                           const StockExchangeStatus& market, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_market(market)
{
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &StatusLabelPresenter::refresh);

    connect(&store, &ProcessedDataManager::processedDataArrayChanged, this, [this] {
        watchEntries();
        scheduleRefresh();
    });
    connect(&settings, &CVNSettings::accountSettingsChanged, this,
            &StatusLabelPresenter::scheduleRefresh);
    connect(&settings, &CVNSettings::rollUpChanged, this, &StatusLabelPresenter::scheduleRefresh);
    connect(&settings, &CVNSettings::rollUpTaskBarLabelChanged, this,
            &StatusLabelPresenter::scheduleRefresh);
    connect(&market, &StockExchangeStatus::statusStateChanged, this,
            &StatusLabelPresenter::scheduleRefresh);
    watchEntries();
    m_labels = computeLabels();
}

QString StatusLabelPresenter::formatTotal(std::optional<double> total, MarketState market)
{
    return text::totalText(total, market == MarketState::closed);
}

QString StatusLabelPresenter::summary() const
{
    if (m_labels.isEmpty())
        return noVerifiedAccounts;
    QStringList parts;
    for (const StatusLabel& label : m_labels)
        parts.append(label.nickname + QLatin1Char(' ') + label.value);
    return parts.join(QStringLiteral("  "));
}

QString StatusLabelPresenter::toolTip(const QList<StatusLabel>& labels, const QString& summary)
{
    QStringList lines;
    for (const StatusLabel& label : labels) {
        QString line = label.nickname + QLatin1Char(' ') + label.value;
        if (label.dayHigh && label.dayLow)
            line += QStringLiteral(" · ") + text::dayRangeText(*label.dayHigh, *label.dayLow);
        lines.append(line);
    }
    return lines.isEmpty() ? summary : lines.join(QLatin1Char('\n'));
}

void StatusLabelPresenter::setHistory(const HistoryFeed& history)
{
    m_history = &history;
    connect(&history, &HistoryFeed::changed, this, &StatusLabelPresenter::scheduleRefresh);
    scheduleRefresh();
}

void StatusLabelPresenter::setHasError(bool hasError)
{
    if (m_hasError == hasError)
        return;
    m_hasError = hasError;
    Q_EMIT hasErrorChanged(hasError);
}

void StatusLabelPresenter::scheduleRefresh()
{
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void StatusLabelPresenter::refresh()
{
    m_refreshTimer.stop();
    QList<StatusLabel> labels = computeLabels();
    if (labels == m_labels)
        return;
    QStringList turned;
    for (const StatusLabel& label : labels) {
        const auto before = std::find_if(m_labels.cbegin(), m_labels.cend(),
                                         [&](const auto& old) { return old.id == label.id; });
        if (before != m_labels.cend() && before->total != label.total)
            turned.append(label.id);
    }
    m_labels = std::move(labels);
    Q_EMIT labelsChanged();
    for (const QString& id : turned)
        Q_EMIT totalChanged(id);
}

// Totals are set on the store's shared objects, not on the list, so each entry is watched.
void StatusLabelPresenter::watchEntries()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_entryConnections))
        disconnect(connection);
    m_entryConnections.clear();
    for (const ProcessedDataWrapper& entry : m_store.processedDataArray()) {
        if (entry.processedData)
            m_entryConnections.append(connect(entry.processedData.get(),
                                              &ProcessedData::totalChanged, this,
                                              &StatusLabelPresenter::scheduleRefresh));
    }
}

QList<StatusLabel> StatusLabelPresenter::computeLabels() const
{
    const QList<BrokerSettings> brokers = allBrokers(m_settings);
    const QSet<QString> watched = watchedNumbers(brokers);
    const QList<ProcessedDataWrapper>& entries = m_store.processedDataArray();
    const MarketState market = m_market.currentState();
    const QDate today = m_market.now().toTimeZone(newYorkTimeZone()).date();
    auto labelFor = [&](const QString& id, const QString& nickname, std::optional<double> total,
                        const QStringList& summed) {
        StatusLabel label{id, nickname, formatTotal(total, market), total, text::isGain(total),
                          {}, {}};
        if (const auto range = m_history ? m_history->range(summed, today) : std::nullopt) {
            label.dayHigh = range->high;
            label.dayLow = range->low;
        }
        return label;
    };

    if (m_settings.rollUp()) {
        // Only the brokers that would have a label of their own: a broker the user switched
        // off, or a stale entry, must not move the sum.
        double sum = 0;
        for (const ProcessedDataWrapper& entry : entries) {
            if (entry.processedData && watched.contains(entry.id))
                sum += entry.processedData->total().value_or(0);
        }
        return {labelFor(rollUpId, m_settings.rollUpTaskBarLabel(), sum, watched.values())};
    }

    QList<ProcessedDataWrapper> sorted = entries;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return naturalLess(a.id, b.id); });
    QList<StatusLabel> labels;
    for (const ProcessedDataWrapper& entry : sorted) {
        const std::optional<double> total =
            entry.processedData ? entry.processedData->total() : std::nullopt;
        if (watched.contains(entry.id))
            labels.append(labelFor(entry.id, nicknameFor(brokers, entry.id), total, {entry.id}));
        else if (entries.size() == 1)
            labels.append(labelFor(entry.id, noVerifiedAccounts, total, {}));
    }
    return labels;
}

} // namespace corvane
