#include "exchangecalendar.h"

#include <algorithm>
#include <array>

namespace corvane::exchange {

namespace {

// Closures the exchange called at short notice (national days of mourning, the September 2001
// attacks, a hurricane). No rule produces them, so they are listed.
const std::array<QDate, 11>& unscheduledClosures()
{
    static const std::array<QDate, 11> days{
        QDate(1994, 4, 27),  QDate(2001, 9, 11), QDate(2001, 9, 12), QDate(2001, 9, 13),
        QDate(2001, 9, 14),  QDate(2004, 6, 11), QDate(2007, 1, 2),  QDate(2012, 10, 29),
        QDate(2012, 10, 30), QDate(2018, 12, 5), QDate(2025, 1, 9),
    };
    return days;
}

// Early closes that no rule produces.
const std::array<QDate, 3>& irregularEarlyCloses()
{
    static const std::array<QDate, 3> days{QDate(1997, 12, 26), QDate(1999, 12, 31),
                                           QDate(2003, 12, 26)};
    return days;
}

// The n-th given weekday (Qt::Monday ... Qt::Sunday) of a month, n counting from 1.
QDate nthWeekday(int year, int month, int weekday, int n)
{
    const QDate first(year, month, 1);
    const int offset = (weekday - first.dayOfWeek() + 7) % 7;
    return first.addDays(offset + 7 * (n - 1));
}

QDate lastWeekday(int year, int month, int weekday)
{
    const QDate first(year, month, 1);
    const QDate last(year, month, first.daysInMonth());
    return last.addDays(-((last.dayOfWeek() - weekday + 7) % 7));
}

// A fixed-date holiday on a Saturday is taken on the Friday before, on a Sunday on the Monday
// after.
QDate observed(QDate holiday)
{
    switch (holiday.dayOfWeek()) {
    case Qt::Saturday:
        return holiday.addDays(-1);
    case Qt::Sunday:
        return holiday.addDays(1);
    default:
        return holiday;
    }
}

QDate thanksgiving(int year)
{
    return nthWeekday(year, 11, Qt::Thursday, 4);
}

} // namespace

QDate easterSunday(int year)
{
    // The anonymous Gregorian computus (Meeus, Jones, Butcher).
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

QList<QDate> fullDayClosures(int year)
{
    QList<QDate> days;
    const QDate newYear(year, 1, 1);
    if (!newYear.isValid())
        return days;
    days.reserve(12);

    // New Year's Day on a Saturday would fall on the last trading day of the old year, which
    // the exchange keeps open; on a Sunday it moves to Monday as usual.
    if (newYear.dayOfWeek() != Qt::Saturday)
        days.append(observed(newYear));
    if (year >= 1998)
        days.append(nthWeekday(year, 1, Qt::Monday, 3)); // Martin Luther King Jr. Day
    days.append(nthWeekday(year, 2, Qt::Monday, 3));     // Washington's Birthday
    days.append(easterSunday(year).addDays(-2));         // Good Friday
    days.append(lastWeekday(year, 5, Qt::Monday));       // Memorial Day
    if (year >= 2022)
        days.append(observed(QDate(year, 6, 19))); // Juneteenth
    days.append(observed(QDate(year, 7, 4)));
    days.append(nthWeekday(year, 9, Qt::Monday, 1)); // Labor Day
    days.append(thanksgiving(year));
    days.append(observed(QDate(year, 12, 25)));

    for (const QDate& day : unscheduledClosures()) {
        if (day.year() == year)
            days.append(day);
    }
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    return days;
}

bool isEarlyClose(QDate day)
{
    if (!day.isValid())
        return false;
    const auto& irregular = irregularEarlyCloses();
    if (std::find(irregular.begin(), irregular.end(), day) != irregular.end())
        return true;

    const int weekday = day.dayOfWeek();
    const int year = day.year();
    if (day.month() == 7 && day.day() == 3) {
        // A Friday July 3 is the observed Independence Day itself, a full closure. Until 2013
        // the exchange kept a Wednesday July 3 a full day.
        return weekday == Qt::Monday || weekday == Qt::Tuesday || weekday == Qt::Thursday ||
               (weekday == Qt::Wednesday && year >= 2013);
    }
    if (day.month() == 7 && day.day() == 5) {
        // Before 2013 a Thursday Independence Day shortened the Friday after it instead.
        return weekday == Qt::Friday && year < 2013;
    }
    if (day.month() == 11)
        return day == thanksgiving(year).addDays(1);
    if (day.month() == 12 && day.day() == 24)
        return weekday >= Qt::Monday && weekday <= Qt::Thursday;
    return false;
}

} // namespace corvane::exchange
