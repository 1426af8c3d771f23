#include "market/stockexchangestatus.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QTest>
#include <QTimeZone>

using namespace corvane;
using test::newYork;

namespace {

QDateTime inZone(const char* zone, int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone(QByteArray(zone)));
}

} // namespace

// The state, the closure test and the last trading day, asked at instants given in New York
// and in other zones. The same executable also runs under several TZ values.
class StockExchangeStatusTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void currentState_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<MarketState>("expected");

        const auto closed = MarketState::closed;
        const auto open = MarketState::open;
        const auto after = MarketState::afterMarket;
        QTest::newRow("Mon 09:29:59") << newYork(2024, 6, 24, 9, 29, 59) << closed;
        QTest::newRow("Mon 09:30") << newYork(2024, 6, 24, 9, 30) << open;
        QTest::newRow("Mon 15:59:59") << newYork(2024, 6, 24, 15, 59, 59) << open;
        QTest::newRow("Mon 16:00") << newYork(2024, 6, 24, 16, 0) << after;
        QTest::newRow("Mon 16:30:59") << newYork(2024, 6, 24, 16, 30, 59) << after;
        QTest::newRow("Mon 16:31") << newYork(2024, 6, 24, 16, 31) << closed;
        QTest::newRow("Saturday noon") << newYork(2024, 6, 22) << closed;
        QTest::newRow("Good Friday 2024") << newYork(2024, 3, 29) << closed;

        // 2026-12-24 closes at 13:00.
        QTest::newRow("early 12:59:59") << newYork(2026, 12, 24, 12, 59, 59) << open;
        QTest::newRow("early 13:00") << newYork(2026, 12, 24, 13, 0) << after;
        QTest::newRow("early 13:30:59") << newYork(2026, 12, 24, 13, 30, 59) << after;
        QTest::newRow("early 13:31") << newYork(2026, 12, 24, 13, 31) << closed;

        // Instants given in other zones; the offset to New York changes with its DST.
        QTest::newRow("Tokyo Sat 05:15 = NY Fri 16:15")
            << inZone("Asia/Tokyo", 2024, 6, 22, 5, 15) << after;
        QTest::newRow("Honolulu Fri 21:00 = NY Sat 03:00")
            << inZone("Pacific/Honolulu", 2024, 6, 21, 21, 0) << closed;
        QTest::newRow("UTC 14:15 in winter = 09:15 EST")
            << inZone("UTC", 2024, 12, 2, 14, 15) << closed;
    }

    void currentState()
    {
        QFETCH(QDateTime, now);
        QFETCH(MarketState, expected);
        const test::TestClock clock(now);
        const StockExchangeStatus status(clock.clock());
        QCOMPARE(status.currentState(), expected);
    }

    void updateLastOpenDate_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected");

        const QDateTime monday = newYork(2024, 6, 24, 10, 0);
        QTest::newRow("trading day") << monday << monday;
        QTest::newRow("Saturday") << newYork(2024, 6, 22, 10, 0) << newYork(2024, 6, 21, 10, 0);
        QTest::newRow("holiday Monday") << newYork(2024, 1, 15) << newYork(2024, 1, 12);
        QTest::newRow("early close trades")
            << newYork(2026, 11, 27, 20, 0) << newYork(2026, 11, 27, 20, 0);
        QTest::newRow("New Year 2027 weekend")
            << newYork(2027, 1, 3, 9, 0) << newYork(2026, 12, 31, 9, 0);
        // Wall time is kept across the change to daylight saving time on Sunday 2024-03-10.
        QTest::newRow("across DST") << newYork(2024, 3, 10, 3, 30) << newYork(2024, 3, 8, 3, 30);
        // Already Saturday in Tokyo and still Sunday in Honolulu, but weekdays in New York.
        QTest::newRow("Friday 22:00") << newYork(2024, 6, 21, 22, 0) << newYork(2024, 6, 21, 22, 0);
        QTest::newRow("Monday 01:00") << newYork(2024, 6, 24, 1, 0) << newYork(2024, 6, 24, 1, 0);
    }

    void updateLastOpenDate()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        test::TestClock clock(newYork(2020, 5, 5));
        StockExchangeStatus status(clock.clock());
        QCOMPARE(status.lastOpenDate(), std::optional(newYork(2020, 5, 5)));

        clock.set(now);
        status.updateLastOpenDate();
        QVERIFY(status.lastOpenDate().has_value());
        QCOMPARE(*status.lastOpenDate(), expected);
    }

    void isHolidayReadsNewYorkDay()
    {
        const test::TestClock clock(newYork(2026, 12, 6));
        const StockExchangeStatus status(clock.clock());
        QVERIFY(!status.isHoliday(inZone("UTC", 2024, 12, 25, 3, 0)));              // NY Dec 24
        QVERIFY(status.isHoliday(inZone("UTC", 2024, 12, 26, 3, 0)));               // NY Dec 25
        QVERIFY(status.isHoliday(inZone("Pacific/Honolulu", 2024, 12, 24, 20, 0))); // NY Dec 25
        QVERIFY(status.isHoliday(newYork(2024, 12, 25, 23, 59, 59)));
        QVERIFY(!status.isHoliday(newYork(2024, 12, 26, 0, 0)));
        QVERIFY(!status.isHoliday(QDateTime()));
    }

    void constructionRecordsState()
    {
        test::TestClock clock(newYork(2024, 6, 24, 16, 10));
        const StockExchangeStatus status(clock.clock());
        QCOMPARE(status.previousState(), std::optional(MarketState::afterMarket));
        clock.set(newYork(2024, 6, 24, 17, 0));
        QCOMPARE(status.currentState(), MarketState::closed);
        QCOMPARE(status.previousState(), std::optional(MarketState::afterMarket));
    }
};

CORVANE_TEST(StockExchangeStatusTest)
#include "test_stockexchangestatus.moc"
