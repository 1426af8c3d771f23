#include "base/newyork.h"
#include "market/exchangecalendar.h"
#include "market/stockexchangestatus.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QProcess>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

// A year's calendar as the application sees it: the stored closures and what session() makes of
// every day, checked against the exchange's published calendars; and the command-line calendar,
// run as a user would run it.
class ExchangeCalendarTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void yearMatchesPublishedCalendar_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("closures");
        QTest::addColumn<QString>("earlyCloses");

        // No Martin Luther King Jr. Day yet; a one-off early close on December 26.
        QTest::newRow("1997") << 1997 << u"01-01 02-17 03-28 05-26 07-04 09-01 11-27 12-25"_s
                              << u"07-03 11-28 12-24 12-26"_s;
        QTest::newRow("2001")
            << 2001
            << u"01-01 01-15 02-19 04-13 05-28 07-04 09-03 09-11 09-12 09-13 09-14 11-22 12-25"_s
            << u"07-03 11-23 12-24"_s;
        // Thursday July 4 before 2013: Friday July 5 closes early, Wednesday July 3 does not.
        QTest::newRow("2002") << 2002 << u"01-01 01-21 02-18 03-29 05-27 07-04 09-02 11-28 12-25"_s
                              << u"07-05 11-29 12-24"_s;
        QTest::newRow("2012")
            << 2012 << u"01-02 01-16 02-20 04-06 05-28 07-04 09-03 10-29 10-30 11-22 12-25"_s
            << u"07-03 11-23 12-24"_s;
        // First Juneteenth (Sunday, so Monday); New Year's Day on a Saturday is not observed.
        QTest::newRow("2022") << 2022 << u"01-17 02-21 04-15 05-30 06-20 07-04 09-05 11-24 12-26"_s
                              << u"11-25"_s;
        QTest::newRow("2025")
            << 2025 << u"01-01 01-09 01-20 02-17 04-18 05-26 06-19 07-04 09-01 11-27 12-25"_s
            << u"07-03 11-28 12-24"_s;
        QTest::newRow("2026") << 2026
                              << u"01-01 01-19 02-16 04-03 05-25 06-19 07-03 09-07 11-26 12-25"_s
                              << u"11-27 12-24"_s;
        QTest::newRow("2027") << 2027
                              << u"01-01 01-18 02-15 03-26 05-31 06-18 07-05 09-06 11-25 12-24"_s
                              << u"11-26"_s;
    }

    void yearMatchesPublishedCalendar()
    {
        QFETCH(int, year);
        QFETCH(QString, closures);
        QFETCH(QString, earlyCloses);

        const test::TestClock clock(test::newYork(2026, 12, 6));
        const StockExchangeStatus status(clock.clock());

        QStringList stored;
        for (const QDateTime& closure : status.nyseHolidays(year)) {
            const QDateTime local = closure.toTimeZone(newYorkTimeZone());
            QCOMPARE(local.time(), QTime(0, 0));
            QCOMPARE(local.date().year(), year);
            stored.append(local.toString(u"MM-dd"_s));
        }
        QCOMPARE(stored.join(u' '), closures);

        QStringList closedWeekdays;
        QStringList shortDays;
        for (QDate day(year, 1, 1); day.year() == year; day = day.addDays(1)) {
            const auto session = status.session(day);
            const bool weekend = day.dayOfWeek() >= Qt::Saturday;
            if (!session) {
                if (!weekend)
                    closedWeekdays.append(day.toString(u"MM-dd"_s));
                continue;
            }
            QVERIFY(!weekend);
            QCOMPARE(session->open, QDateTime(day, QTime(9, 30), newYorkTimeZone()));
            const QTime close = session->close.toTimeZone(newYorkTimeZone()).time();
            QVERIFY2(close == QTime(16, 0) || close == QTime(13, 0), qPrintable(day.toString()));
            if (close == QTime(13, 0))
                shortDays.append(day.toString(u"MM-dd"_s));
        }
        QCOMPARE(closedWeekdays.join(u' '), closures);
        QCOMPARE(shortDays.join(u' '), earlyCloses);
    }

    // Over a long run of years the rules must never produce a closure outside its year or on
    // a weekend, nor an early close on a day that does not trade.
    void rulesHoldOverAnyYear()
    {
        for (int year = 1990; year <= 2100; ++year) {
            const QList<QDate> closures = exchange::fullDayClosures(year);
            QVERIFY2(closures.size() >= 8 && closures.size() <= 14,
                     qPrintable(QString::number(year)));
            for (qsizetype i = 0; i < closures.size(); ++i) {
                QCOMPARE(closures[i].year(), year);
                QVERIFY(closures[i].dayOfWeek() <= Qt::Friday);
                if (i > 0)
                    QVERIFY(closures[i - 1] < closures[i]);
            }
            for (QDate day(year, 1, 1); day.year() == year; day = day.addDays(1)) {
                if (exchange::isEarlyClose(day)) {
                    QVERIFY2(day.dayOfWeek() <= Qt::Friday && !closures.contains(day),
                             qPrintable(day.toString(Qt::ISODate)));
                }
            }
        }
    }

    // The earliest and latest possible dates among them.
    void easterSunday()
    {
        for (const QDate& day : {QDate(2008, 3, 23), QDate(2024, 3, 31), QDate(2025, 4, 20),
                                 QDate(1943, 4, 25), QDate(2038, 4, 25), QDate(2285, 3, 22)})
            QCOMPARE(exchange::easterSunday(day.year()), day);
    }

    void tool_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode"); // 2: the usage on standard error
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("Christmas week") << QStringList{u"2026-12-23"_s, u"2026-12-28"_s} << 0
                                        << QByteArray("2026-12-23 09:30-16:00\n"
                                                      "2026-12-24 09:30-13:00\n"
                                                      "2026-12-25 closed\n"
                                                      "2026-12-26 closed\n"
                                                      "2026-12-27 closed\n"
                                                      "2026-12-28 09:30-16:00\n");
        QTest::newRow("none") << QStringList() << 2 << QByteArray();
        QTest::newRow("three") << QStringList{u"2026-12-01"_s, u"2026-12-02"_s, u"2026-12-03"_s}
                               << 2 << QByteArray();
        QTest::newRow("February 30")
            << QStringList{u"2026-02-01"_s, u"2026-02-30"_s} << 2 << QByteArray();
        QTest::newRow("trailing space")
            << QStringList{u"2026-12-01 "_s, u"2026-12-31"_s} << 2 << QByteArray();
        QTest::newRow("reversed") << QStringList{u"2026-12-31"_s, u"2026-12-01"_s} << 2
                                  << QByteArray();
    }

    void tool()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QProcess process;
        process.start(QStringLiteral(CORVANE_MARKET_CALENDAR_TOOL), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        QCOMPARE(process.readAllStandardOutput(), output);
        const QByteArray errors = process.readAllStandardError();
        QVERIFY2(exitCode == 2 ? errors.contains("usage: corvane-market-calendar FROM TO")
                               : errors.isEmpty(),
                 errors.constData());
    }
};

CORVANE_TEST(ExchangeCalendarTest)
#include "test_exchangecalendar.moc"
