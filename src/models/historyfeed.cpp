#include "models/historyfeed.h"

#include <algorithm>

namespace corvane {

HistoryFeed::HistoryFeed(QObject* parent)
    : QObject(parent)
{}

DayCurve HistoryFeed::day(const QString& brokerNumber) const
{
    return m_days.value(brokerNumber);
}

QList<DayClose> HistoryFeed::closes(const QString& brokerNumber) const
{
    return m_closes.value(brokerNumber);
}

std::optional<DayRange> HistoryFeed::range(const QStringList& brokerNumbers, QDate tradingDay) const
{
    struct Step {
        QDateTime at;
        qsizetype broker;
        double total;
    };
    QList<Step> steps;
    for (qsizetype broker = 0; broker < brokerNumbers.size(); ++broker) {
        const auto curve = m_days.constFind(brokerNumbers[broker]);
        if (curve == m_days.cend() || curve->tradingDay != tradingDay)
            continue;
        for (const HistoryPoint& point : curve->points)
            steps.append({point.at, broker, point.total});
    }
    if (steps.isEmpty())
        return std::nullopt;
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Step& a, const Step& b) { return a.at < b.at; });
    // A broker without a point yet counts as nothing, as in the rolled-up label.
    QList<double> held(brokerNumbers.size(), 0);
    double sum = 0;
    std::optional<DayRange> range;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        sum += steps[i].total - held[steps[i].broker];
        held[steps[i].broker] = steps[i].total;
        // One pass writes all its brokers at one instant; the sum counts once they all are in.
        if (i + 1 < steps.size() && steps[i + 1].at == steps[i].at)
            continue;
        range = range ? DayRange{std::min(range->low, sum), std::max(range->high, sum)}
                      : DayRange{sum, sum};
    }
    return range;
}

void HistoryFeed::setDay(const QString& brokerNumber, DayCurve curve)
{
    auto& held = m_days[brokerNumber];
    if (held == curve)
        return;
    held = std::move(curve);
    Q_EMIT changed(brokerNumber);
}

void HistoryFeed::setCloses(const QString& brokerNumber, QList<DayClose> closes)
{
    auto& held = m_closes[brokerNumber];
    if (held == closes)
        return;
    held = std::move(closes);
    Q_EMIT changed(brokerNumber);
}

} // namespace corvane
