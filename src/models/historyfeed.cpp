#include "models/historyfeed.h"

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
