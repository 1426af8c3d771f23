#include "positionrules.h"

#include "base/newyork.h"

#include <QHash>
#include <QTimeZone>
#include <charconv>
#include <cmath>

namespace corvane {

namespace {

// Reads exactly `count` digits at `pos`; -1 when any is not a digit.
int digits(QStringView text, qsizetype pos, int count)
{
    if (pos + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

constexpr qint64 msecsPerHour = 3'600'000;
constexpr qint64 msecsPerDay = 86'400'000;
constexpr qint64 unixEpochJulianDay = 2'440'588;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool charAt(QStringView text, qsizetype pos, char16_t expected)
{
    return pos < text.size() && text[pos].unicode() == expected;
}

} // namespace

std::optional<double> parseDecimal(QStringView text)
{
    if (text.isEmpty() || text.size() > 64)
        return std::nullopt;
    char buffer[65];
    qsizetype length = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= u'0' && u <= u'9') || u == u'.' || u == u'-' || u == u'+' ||
                             u == u'e' || u == u'E';
        if (!allowed)
            return std::nullopt;
        buffer[length++] = static_cast<char>(u);
    }
    const char* begin = buffer;
    const char* end = buffer + length;
    // from_chars takes no leading '+', the C library does: accept it, once.
    if (*begin == '+' && length > 1 && begin[1] != '-')
        ++begin;
    double value = 0;
    const auto [ptr, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (error != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString shortestDecimalText(double value)
{
    char buffer[64];
    const double magnitude = std::fabs(value);
    const bool plain = value == 0 || (magnitude >= 1e-4 && magnitude < 9007199254740992.0);
    const auto result =
        plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (plain && !text.contains(u'.'))
        text += QStringLiteral(".0");
    return text;
}

std::optional<qint64> parseEnteredAtMsecs(QStringView text)
{
    // yyyy-MM-ddTHH:mm:ss.S+ then the zone.
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 ||
        !charAt(text, 4, u'-') || !charAt(text, 7, u'-') || !charAt(text, 10, u'T') ||
        !charAt(text, 13, u':') || !charAt(text, 16, u':') || !charAt(text, 19, u'.'))
        return std::nullopt;
    qsizetype pos = 20;
    int fraction = 0;
    int fractionDigits = 0;
    while (pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128) {
        if (fractionDigits < 3)
            fraction = fraction * 10 + (text[pos].unicode() - u'0');
        ++fractionDigits;
        ++pos;
    }
    if (fractionDigits == 0 || fractionDigits > 9)
        return std::nullopt;
    for (int i = fractionDigits; i < 3; ++i)
        fraction *= 10;

    int offsetSeconds = 0;
    if (charAt(text, pos, u'Z') && pos + 1 == text.size()) {
        offsetSeconds = 0;
    } else if (charAt(text, pos, u'+') || charAt(text, pos, u'-')) {
        const int sign = text[pos].unicode() == u'-' ? -1 : 1;
        const int offsetHours = digits(text, pos + 1, 2);
        qsizetype minutesAt = pos + 3;
        if (charAt(text, minutesAt, u':'))
            ++minutesAt;
        const int offsetMinutes = digits(text, minutesAt, 2);
        if (offsetHours < 0 || offsetMinutes < 0 || minutesAt + 2 != text.size() ||
            offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
    } else {
        return std::nullopt;
    }

    const QDate date(year, month, day);
    const QTime time(hour, minute, second, fraction);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return (date.toJulianDay() - unixEpochJulianDay) * msecsPerDay + time.msecsSinceStartOfDay() -
           qint64(offsetSeconds) * 1000;
}

std::optional<QDateTime> parseEnteredAt(QStringView text)
{
    const std::optional<qint64> msecs = parseEnteredAtMsecs(text);
    if (!msecs)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*msecs, Qt::UTC);
}

QDate newYorkDay(qint64 utcMsecs)
{
    // The zone's offset changes only on whole UTC hours, so it is looked up once per hour
    // instead of once per position.
    static thread_local QHash<qint64, int> offsetOfHour;
    const qint64 hour = floorDiv(utcMsecs, msecsPerHour);
    auto found = offsetOfHour.constFind(hour);
    if (found == offsetOfHour.constEnd()) {
        if (offsetOfHour.size() > 1024)
            offsetOfHour.clear();
        const QDateTime start = QDateTime::fromMSecsSinceEpoch(hour * msecsPerHour, Qt::UTC);
        found = offsetOfHour.insert(hour, newYorkTimeZone().offsetFromUtc(start));
    }
    const qint64 localMsecs = utcMsecs + qint64(*found) * 1000;
    return QDate::fromJulianDay(floorDiv(localMsecs, msecsPerDay) + unixEpochJulianDay);
}

QDate newYorkDay(const QDateTime& instant)
{
    return newYorkDay(instant.toMSecsSinceEpoch());
}

QString updateTimeText(const QDateTime& now)
{
    const QDateTime local = now.toTimeZone(newYorkTimeZone());
    const QDate date = local.date();
    const QTime time = local.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    QString text = QStringLiteral("%1-%2 @ %3:%4%5")
                       .arg(date.month())
                       .arg(date.day())
                       .arg(hour12)
                       .arg(time.minute(), 2, 10, QLatin1Char('0'))
                       .arg(QChar(time.hour() < 12 ? u'a' : u'p'));
    const qsizetype at = text.lastIndexOf(QStringLiteral(":00"));
    if (at >= 0)
        text.remove(at, 3);
    return text;
}

bool positionCounts(const PositionData& position, QDate referenceDay, QDate today)
{
    std::optional<qint64> entered;
    if (position.entered_at)
        entered = parseEnteredAtMsecs(*position.entered_at);
    const QDate day = entered ? newYorkDay(*entered) : today;
    const bool hasDays = !position.legs.isEmpty() && position.legs.first().days_to_expiration;
    const qint64 daysLeft = hasDays ? *position.legs.first().days_to_expiration : 0;
    if (day == referenceDay)
        return !hasDays || daysLeft <= 0;
    return hasDays && daysLeft != 0;
}

std::optional<double> positionProfit(const PositionData& position)
{
    if (!position.status)
        return std::nullopt;
    const std::optional<QString>* text = nullptr;
    if (*position.status == QStringLiteral("CLOSED"))
        text = &position.profit_dollars;
    else if (*position.status == QStringLiteral("OPEN"))
        text = &position.current_profit;
    else
        return std::nullopt;
    if (!text->has_value())
        return 0.0;
    return parseDecimal(**text).value_or(0.0);
}

} // namespace corvane
