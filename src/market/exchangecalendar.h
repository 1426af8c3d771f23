#pragma once

#include <QDate>
#include <QList>
#include <QTime>
#include <chrono>

// The New York Stock Exchange's calendar as rules, so that any year is answered, not only the
// years someone typed in. Everything here is a pure function of a New York calendar day.
namespace corvane::exchange {

// Regular session in New York wall time; an early close ends it at 13:00 instead of 16:00.
inline const QTime openingTime{9, 30};
inline const QTime closingTime{16, 0};
inline const QTime earlyClosingTime{13, 0};
// The after-market window runs from the close through the whole thirtieth minute after it.
inline constexpr std::chrono::minutes afterMarket{31};

// Western (Gregorian) Easter Sunday of a year.
QDate easterSunday(int year);

// Every full-day closure of a year, in calendar order: the observed holidays and the
// unscheduled closures. An observed holiday never leaves its year (New Year's Day on a
// Saturday is not moved to the Friday before), so a year's list holds only its own days.
QList<QDate> fullDayClosures(int year);

// Whether a day's session ends at 13:00. Says nothing about whether the day trades at all.
bool isEarlyClose(QDate day);

} // namespace corvane::exchange
