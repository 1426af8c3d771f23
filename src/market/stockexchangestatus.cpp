#include "stockexchangestatus.h"

#include "base/newyork.h"
#include "exchangecalendar.h"

namespace corvane {

namespace {

bool isWeekend(QDate day)
{
    return day.dayOfWeek() == Qt::Saturday || day.dayOfWeek() == Qt::Sunday;
}

} // namespace

StockExchangeStatus::StockExchangeStatus(Clock clock, QObject* parent)
    : QObject(parent)
    , m_clock(std::move(clock))
{
    updateLastOpenDate();
    m_previousState = currentState();
}

MarketState StockExchangeStatus::currentState() const
{
    const QDateTime local = now().toTimeZone(newYorkTimeZone());
    const std::optional<MarketSession> today = session(local.date());
    if (!today)
        return MarketState::closed;

    const QTime time = local.time();
    const QTime close = today->close.time();
    if (time < exchange::openingTime)
        return MarketState::closed;
    if (time < close)
        return MarketState::open;
    if (time < close.addSecs(std::chrono::seconds(exchange::afterMarket).count()))
        return MarketState::afterMarket;
    return MarketState::closed;
}

bool StockExchangeStatus::isHoliday(const QDateTime& date) const
{
    return date.isValid() && isHoliday(date.toTimeZone(newYorkTimeZone()).date());
}

bool StockExchangeStatus::isHoliday(QDate newYorkDay) const
{
    if (!newYorkDay.isValid())
        return false;
    const QDateTime midnight(newYorkDay, QTime(0, 0), newYorkTimeZone());
    return nyseHolidays(newYorkDay.year()).contains(midnight);
}

std::optional<MarketSession> StockExchangeStatus::session(QDate newYorkDay) const
{
    if (!newYorkDay.isValid() || isWeekend(newYorkDay) || isHoliday(newYorkDay))
        return std::nullopt;
    const QTime close =
        exchange::isEarlyClose(newYorkDay) ? exchange::earlyClosingTime : exchange::closingTime;
    return MarketSession{QDateTime(newYorkDay, exchange::openingTime, newYorkTimeZone()),
                         QDateTime(newYorkDay, close, newYorkTimeZone())};
}

void StockExchangeStatus::updateLastOpenDate()
{
    // The weekday is the New York one: read in the user's zone, an evening in Tokyo or a
    // morning in Honolulu would already (or still) be another day than the exchange's.
    const QDateTime start = now().toTimeZone(newYorkTimeZone());
    QDate day = start.date();
    while (day.isValid() && (isWeekend(day) || isHoliday(day))) {
        const QDate earlier = day.addDays(-1);
        if (!earlier.isValid())
            break;
        day = earlier;
    }
    m_lastOpenDate = day == start.date() ? start : QDateTime(day, start.time(), newYorkTimeZone());
}

const QList<QDateTime>& StockExchangeStatus::nyseHolidays(int year) const
{
    auto found = m_nyseHolidays.find(year);
    if (found == m_nyseHolidays.end()) {
        QList<QDateTime> closures;
        for (const QDate& day : exchange::fullDayClosures(year))
            closures.append(QDateTime(day, QTime(0, 0), newYorkTimeZone()));
        found = m_nyseHolidays.emplace(year, std::move(closures)).first;
    }
    return found->second;
}

} // namespace corvane
