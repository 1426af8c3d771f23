#include "resulttext.h"

#include "base/log.h"
#include "engine/positionrules.h"

#include <cmath>
#include <cstdint>

namespace corvane::text {

namespace {

// 2^63: the first magnitude a 64-bit integer cannot hold.
constexpr double wholeDollarLimit = 9223372036854775808.0;

std::optional<qint64> wholeDollars(double magnitude)
{
    if (!std::isfinite(magnitude) || magnitude >= wholeDollarLimit)
        return std::nullopt;
    return static_cast<qint64>(magnitude);
}

QString grouped(qint64 value)
{
    QString digits = QString::number(value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return digits;
}

QString signedDollars(double value, double magnitude)
{
    const std::optional<qint64> dollars = wholeDollars(magnitude);
    if (!dollars)
        return notAvailable();
    const QString number = QString::number(*dollars);
    if (value < 0)
        return QStringLiteral("($") + number + u')';
    return u'$' + number;
}

} // namespace

double toCents(double amount)
{
    return std::round(amount * 100) / 100;
}

bool isGain(std::optional<double> total)
{
    return total && toCents(*total) > 0;
}

QString notAvailable()
{
    return QStringLiteral("n/a");
}

QString totalText(std::optional<double> total, bool marketClosed)
{
    if (!total)
        return marketClosed ? QStringLiteral("Mkt closed") : QStringLiteral("No data");
    const double cents = toCents(*total);
    return signedDollars(cents, std::ceil(std::fabs(cents)));
}

QString dayRangeText(double high, double low)
{
    return QStringLiteral("high %1 · low %2").arg(totalText(high, false), totalText(low, false));
}

QString profitText(double profit)
{
    const double cents = toCents(profit);
    return signedDollars(cents, std::trunc(std::fabs(cents)));
}

QString currencyText(double amount)
{
    const double value = toCents(amount);
    const std::optional<qint64> dollars = wholeDollars(std::ceil(std::fabs(value)));
    if (!dollars)
        return notAvailable();
    const QString text = u'$' + grouped(*dollars);
    if (value < 0 && *dollars != 0)
        return u'-' + text;
    return text;
}

QString nlvText(const std::optional<QString>& nlv)
{
    // A result no pass has reached yet carries the empty text, and shows as $0.
    const QString raw = nlv && !nlv->isEmpty() ? *nlv : QStringLiteral("0");
    const std::optional<double> value = parseDecimal(raw);
    if (!value) {
        logLine(QStringLiteral("Invalid number: ") + raw);
        return notAvailable();
    }
    return currencyText(*value);
}

std::optional<QString> expiryText(const std::optional<QString>& expiration, const QTimeZone& zone)
{
    if (!expiration || expiration->isEmpty())
        return std::nullopt;
    const std::optional<QDateTime> instant = parseEnteredAt(*expiration);
    if (!instant)
        return notAvailable();
    const QDateTime local = instant->toTimeZone(zone);
    const QTime time = local.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1 %2:%3%4")
        .arg(local.date().toString(QStringLiteral("yyyy-MM-dd")))
        .arg(hour12)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(QChar(time.hour() < 12 ? u'a' : u'p'));
}

QString percentageText(const QString& entryValue, double profit)
{
    const std::optional<double> entry = parseDecimal(entryValue);
    if (!entry || *entry == 0)
        return notAvailable();
    const double share = profit / std::fabs(*entry) * 100;
    if (!std::isfinite(share))
        return notAvailable();
    return QString::asprintf("%.2f%%", share);
}

QString zoneOffsetText(const QDateTime& now, const QTimeZone& zone)
{
    const int offset = zone.offsetFromUtc(now);
    if (offset == 0)
        return QStringLiteral("GMT");
    const int magnitude = std::abs(offset) / 60;
    QString text = QStringLiteral("GMT%1%2:%3")
                       .arg(QChar(offset < 0 ? u'-' : u'+'))
                       .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
                       .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
    const qsizetype at = text.lastIndexOf(QStringLiteral(":00"));
    if (at >= 0)
        text.remove(at, 3);
    return text;
}

} // namespace corvane::text
