#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <optional>

// The texts of amounts and times as the label and the popover show them. They are formed by
// hand rather than by QLocale: its currency, AM/PM and zone texts differ between Qt versions
// and system locales, and these texts are fixed.
namespace corvane::text {

// What a text that cannot be formed shows.
QString notAvailable();

// Amounts are sums of decimal profits, which doubles carry with noise (0.1 + 0.2 - 0.3 is
// 5.6e-17); every whole-dollar text and every colour first takes the amount to the cent, so
// noise never becomes a dollar or turns a zero green. Rounds halves away from zero.
double toCents(double amount);
// Green: a total above zero to the cent.
bool isGain(std::optional<double> total);

// A day total: its magnitude rounded up to whole dollars, "$125" or "($36)". Without a total:
// "Mkt closed" while the market is closed, "No data" otherwise. Totals whose whole-dollar
// magnitude does not fit a 64-bit integer (or that are not finite) show "n/a".
QString totalText(std::optional<double> total, bool marketClosed);

// The day's extremes after a label in tooltips, as the label rounds: "high $40 · low ($12)".
QString dayRangeText(double high, double low);

// A position's profit in whole dollars truncated toward zero: "$12", "($7)"; "n/a" as above.
QString profitText(double profit);

// US-dollar currency without fraction digits, rounded away from zero, with grouping:
// 12345.2 gives "$12,346", -0.5 gives "-$1"; "n/a" as above.
QString currencyText(double value);

// A broker's net liquidation value: absent or empty reads as "0"; a text that is not a number (the
// decimal number rule) is logged and shows "n/a".
QString nlvText(const std::optional<QString>& nlv);

// A login expiry ("2027-03-01T00:00:00.000000+00:00") in `zone` as "2027-02-28 7:00p".
// Nothing when there is no expiry to show (absent or empty); "n/a" when it does not parse.
std::optional<QString> expiryText(const std::optional<QString>& expiration, const QTimeZone& zone);

// A position's profit as a share of its entry value, "12.50%". A credit (negative entry value)
// is divided by its magnitude so a gain never reads as a negative share; an entry value of 0,
// or one that is not a number, gives "n/a".
QString percentageText(const QString& entryValue, double profit);

// The zone's offset at `now` as "GMT-05" (whole hours) or "GMT+05:30"; "GMT" at offset 0.
QString zoneOffsetText(const QDateTime& now, const QTimeZone& zone);

} // namespace corvane::text
