// corvane-market-calendar FROM TO: the exchange's regular session for every calendar day from
// FROM to TO inclusive (YYYY-MM-DD), one line a day, in New York time. It asks the same
// StockExchangeStatus as the application, so what it prints is what the application believes.

#include "base/clock.h"
#include "market/stockexchangestatus.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>

namespace {

std::optional<QDate> parseDay(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return std::nullopt;
    return day;
}

int usage(const char* problem)
{
    std::fprintf(stderr, "%s\nusage: corvane-market-calendar FROM TO   (dates as YYYY-MM-DD)\n",
                 problem);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 2)
        return usage("expected two dates");
    const std::optional<QDate> from = parseDay(args.at(0));
    const std::optional<QDate> to = parseDay(args.at(1));
    if (!from || !to)
        return usage("a date is not a valid YYYY-MM-DD calendar day");
    if (*from > *to)
        return usage("FROM is after TO");

    const corvane::StockExchangeStatus status(corvane::systemClock());
    QByteArray out;
    for (QDate day = *from; day.isValid() && day <= *to; day = day.addDays(1)) {
        out += day.toString(Qt::ISODate).toLatin1();
        if (const auto session = status.session(day)) {
            out += ' ' + session->open.toString(QStringLiteral("HH:mm")).toLatin1() + '-' +
                   session->close.toString(QStringLiteral("HH:mm")).toLatin1() + '\n';
        } else {
            out += " closed\n";
        }
        if (out.size() > 64 * 1024) {
            std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
            out.clear();
        }
    }
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
