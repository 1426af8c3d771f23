#include "base/newyork.h"
#include "models/resulttext.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QTest>
#include <limits>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {
const double infinity = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();
} // namespace

// The texts are checked against the literals users see, not against QLocale's output.
class ResultTextTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void amounts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("profit");
        QTest::addColumn<QString>("currency");
        QTest::newRow("zero") << 0.0 << u"$0"_s << u"$0"_s << u"$0"_s;
        QTest::newRow("small loss") << -0.4 << u"($1)"_s << u"($0)"_s << u"-$1"_s;
        QTest::newRow("grouping") << 12345.2 << u"$12346"_s << u"$12345"_s << u"$12,346"_s;
        QTest::newRow("millions") << -1234567.0 << u"($1234567)"_s << u"($1234567)"_s
                                  << u"-$1,234,567"_s;
        QTest::newRow("truncation") << -7.6 << u"($8)"_s << u"($7)"_s << u"-$8"_s;
        // Sums of cents carry binary noise, which must not become a dollar.
        QTest::newRow("noise above zero") << 0.1 + 0.2 - 0.3 << u"$0"_s << u"$0"_s << u"$0"_s;
        QTest::newRow("noise below zero") << 0.3 - 0.1 - 0.2 << u"$0"_s << u"$0"_s << u"$0"_s;
        QTest::newRow("noise above a whole") << 1.1 + 2.2 - 0.3 << u"$3"_s << u"$3"_s << u"$3"_s;
        QTest::newRow("a cent above a whole") << 3.01 << u"$4"_s << u"$3"_s << u"$4"_s;
        QTest::newRow("beyond int64") << 1e19 << u"n/a"_s << u"n/a"_s << u"n/a"_s;
        QTest::newRow("infinite") << -infinity << u"n/a"_s << u"n/a"_s << u"n/a"_s;
        QTest::newRow("nan") << notANumber << u"n/a"_s << u"n/a"_s << u"n/a"_s;
    }
    void amounts()
    {
        QFETCH(double, value);
        QTEST(text::totalText(value, false), "total");
        QTEST(text::profitText(value), "profit");
        QTEST(text::currencyText(value), "currency");
    }

    void netLiquidationValue()
    {
        QCOMPARE(text::nlvText(QString()), u"$0"_s);
        LogCapture log;
        QCOMPARE(text::nlvText(u" 12"_s), u"n/a"_s);
        QCOMPARE(log.lines(), QStringList{u"Invalid number:  12"_s});
    }

    void expiry()
    {
        const std::pair<QString, std::optional<QString>> cases[] = {
            {u"2027-03-01T00:00:00.000000+00:00"_s, u"2027-03-01 12:00a"_s},
            {u"2026-12-31T12:05:00.5Z"_s, u"2026-12-31 12:05p"_s},
            {u"2026-12-31T21:00:00Z"_s, u"n/a"_s}, // no fraction
            {u"soon"_s, u"n/a"_s},
            {QString(), std::nullopt}};
        for (const auto& [expiration, shown] : cases)
            QCOMPARE(text::expiryText(expiration, QTimeZone::utc()), shown);
    }

    void percentage()
    {
        QCOMPARE(text::percentageText(u"400"_s, 50.0), u"12.50%"_s);
        QCOMPARE(text::percentageText(u"400"_s, -100.0), u"-25.00%"_s);
        for (const QString& entry : {u"0.0"_s, u"n/a"_s})
            QCOMPARE(text::percentageText(entry, 10.0), u"n/a"_s);
        QCOMPARE(text::percentageText(u"100"_s, infinity), u"n/a"_s);
    }

    void newYorkTimes()
    {
        const QDateTime winter = newYork(2026, 12, 5, 14, 7);
        const QDateTime summer = newYork(2026, 7, 6, 10, 0);
        QCOMPARE(text::zoneOffsetText(winter, newYorkTimeZone()), u"GMT-05"_s);
        QCOMPARE(text::zoneOffsetText(summer, newYorkTimeZone()), u"GMT-04"_s);
        QCOMPARE(text::zoneOffsetText(winter, QTimeZone("Asia/Kolkata")), u"GMT+05:30"_s);
        QCOMPARE(text::zoneOffsetText(winter, QTimeZone::utc()), u"GMT"_s);
    }
};

CORVANE_TEST(ResultTextTest)
#include "test_resulttext.moc"
