#pragma once

// The rules by which one position is read: which day it belongs to, whether it counts, what
// its profit is and how its details are written for the popover.

#include "platform_api/positionrecords.h"

#include <QAnyStringView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace corvane {

// A profit or value text as a number: only when the whole text is a finite decimal number in
// the C locale ("12", "-35.5", "1e3", "+4"); white space, group separators, "nan", "inf" or
// anything else around or inside it make it unreadable.
std::optional<double> parseDecimal(QAnyStringView text);

// The shortest decimal text that reads back as the same number, with ".0" for whole numbers
// (-1250.0, 312.5); very large and very small magnitudes use an exponent (1e+16, 1e-05).
QString shortestDecimalText(double value);

// A position's "entered_at" ("2024-06-18T10:15:00.123456-0400"): date, time with fractional
// seconds and a numeric zone offset ("-0400", "-04:00" or "Z"). Nothing when it does not parse.
std::optional<QDateTime> parseEnteredAt(QAnyStringView text);
// The same instant as milliseconds since the epoch (UTC), without building a QDateTime.
std::optional<qint64> parseEnteredAtMsecs(QAnyStringView text);

// The New York calendar day of an instant.
QDate newYorkDay(const QDateTime& instant);
QDate newYorkDay(qint64 utcMsecs);

// The last-updated text of a trading day: "12-5 @ 2:07p" in New York time, with the last
// ":00" dropped ("12-5 @ 10a").
QString updateTimeText(const QDateTime& now);

// Whether a position counts towards the tally of `referenceDay`. Its day is the New York day
// of its entered_at (`today`, the New York day of now, when that is absent or unreadable). Entered
// on the reference day it counts unless its first leg still has days to run; entered on another day
// it counts only while its first leg has days to run (or is past expiry). A position without legs
// is judged like one whose first leg has no days_to_expiration.
bool positionCounts(const PositionData& position, QDate referenceDay, QDate today);

// The profit a position adds: profit_dollars when "CLOSED", current_profit when "OPEN" (0 when
// unreadable or absent); nothing for any other status.
std::optional<double> positionProfit(const PositionData& position);

} // namespace corvane
