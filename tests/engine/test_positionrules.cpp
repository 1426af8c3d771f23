#include "engine/positionrules.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;
using corvane::test::newYork;

Q_DECLARE_METATYPE(corvane::PositionData)

namespace {

// Texts view string literals here, which outlive every record built from them.
PositionData position(std::optional<wire::Text> enteredAt, std::optional<qint64> daysLeft,
                      bool withLeg = true)
{
    PositionData p;
    p.bot = Bot{"Iron Condor", "12"};
    p.entered_at = std::move(enteredAt);
    if (withLeg) {
        Leg leg;
        leg.days_to_expiration = daysLeft;
        p.legs.append(leg);
    }
    return p;
}

} // namespace

class PositionRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each text as typed by a user (UTF-16) and as viewed in an answer (UTF-8).
    void numberRule()
    {
        const std::pair<QString, double> readable[] = {{u"12"_s, 12.0},
                                                       {u"-35.5"_s, -35.5},
                                                       {u"+4.25"_s, 4.25},
                                                       {u"1.5e3"_s, 1500.0},
                                                       {u".5"_s, 0.5}};
        for (const auto& [text, value] : readable) {
            QCOMPARE(parseDecimal(text), std::optional(value));
            QCOMPARE(parseDecimal(wire::Text(text.toUtf8())), std::optional(value));
        }
        for (const QString& text : {u" 12"_s, u"1,000.00"_s, u"$12"_s, u"12abc"_s, QString(),
                                    u"nan"_s, u"1e999"_s, u"+-3"_s, u"\u0661\u0662"_s}) {
            QVERIFY2(!parseDecimal(text), qPrintable(text));
            QVERIFY2(!parseDecimal(wire::Text(text.toUtf8())), qPrintable(text));
        }
    }

    void shortestDecimal()
    {
        const std::pair<double, QString> cases[] = {
            {-1250.0, u"-1250.0"_s},
            {312.5, u"312.5"_s},
            {0.0, u"0.0"_s},
            {0.1 + 0.2, u"0.30000000000000004"_s}, // the shortest text that reads back the same
            {0.00001, u"1e-05"_s},
            {1e16, u"1e+16"_s}};
        for (const auto& [value, text] : cases)
            QCOMPARE(shortestDecimalText(value), text);
    }

    void enteredAtParsing()
    {
        const QDateTime ten(QDate(2024, 6, 18), QTime(14, 15, 0, 123), Qt::UTC);
        const std::pair<QString, QDateTime> cases[] = {
            {u"2024-06-18T10:15:00.123456-0400"_s, ten},
            {u"2024-06-18T10:15:00.123456-04:00"_s, ten},
            {u"2024-06-18T14:15:00.123456Z"_s, ten},
            {u"2024-06-18T10:15:00-0400"_s, {}},    // no fraction
            {u"2024-06-18T10:15:00.123456"_s, {}},  // no zone
            {u"2024-13-18T10:15:00.123456Z"_s, {}}, // no such month
            {u"2024-06-18T10:15:00.1Zx"_s, {}},
            {QString(), {}}};
        for (const auto& [text, expected] : cases) {
            const std::optional<QDateTime> parsed = parseEnteredAt(text);
            QVERIFY(parseEnteredAt(wire::Text(text.toUtf8())) == parsed);
            QCOMPARE(parsed.has_value(), expected.isValid());
            if (parsed)
                QCOMPARE(parsed->toUTC(), expected);
        }
    }

    // Either side of midnight in summer and winter, across both changes of the clocks.
    void newYorkDays()
    {
        const auto utc = [](int y, int m, int d, int h, int min, int s = 0) {
            return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
        };
        const std::pair<QDateTime, QDate> cases[] = {
            {utc(2024, 6, 19, 3, 59, 59), QDate(2024, 6, 18)},
            {utc(2024, 6, 19, 4, 0), QDate(2024, 6, 19)},
            {utc(2024, 1, 10, 4, 59, 59), QDate(2024, 1, 9)},
            {utc(2024, 1, 10, 5, 0), QDate(2024, 1, 10)},
            {utc(2024, 3, 10, 7, 30), QDate(2024, 3, 10)},
            {utc(2024, 11, 3, 5, 30), QDate(2024, 11, 3)}, // the repeated hour
            {utc(2024, 11, 3, 3, 59), QDate(2024, 11, 2)},
            {utc(1969, 12, 31, 23, 0), QDate(1969, 12, 31)}};
        for (const auto& [instant, day] : cases) {
            QCOMPARE(newYorkDay(instant), day);
            QCOMPARE(newYorkDay(instant.toMSecsSinceEpoch()), day);
        }
    }

    // The instant is shown in New York time whatever zone it was given in.
    void updateTime()
    {
        const std::pair<QDateTime, QString> cases[] = {
            {newYork(2024, 12, 5, 10, 0), u"12-5 @ 10a"_s},
            {newYork(2024, 6, 3, 12, 0), u"6-3 @ 12p"_s},
            {newYork(2024, 6, 3, 0, 30), u"6-3 @ 12:30a"_s},
            {newYork(2024, 6, 3, 16, 10), u"6-3 @ 4:10p"_s},
            {newYork(2024, 1, 9, 9, 45).toUTC(), u"1-9 @ 9:45a"_s}};
        for (const auto& [now, text] : cases)
            QCOMPARE(updateTimeText(now), text);
    }

    void dayRule_data()
    {
        QTest::addColumn<PositionData>("position");
        QTest::addColumn<bool>("counts");
        const wire::Text today = "2024-06-18T10:15:00.000000-0400";
        const wire::Text yesterday = "2024-06-17T15:55:00.000000-0400";
        // 23:30 New York on the reference day is already the next day in UTC.
        const wire::Text lateToday = "2024-06-19T03:30:00.000000+0000";
        QTest::newRow("today, 0 days left") << position(today, 0) << true;
        QTest::newRow("today, no days") << position(today, std::nullopt) << true;
        QTest::newRow("today, 3 days left") << position(today, 3) << false;
        QTest::newRow("today late, in utc") << position(lateToday, 0) << true;
        QTest::newRow("earlier, 3 days left") << position(yesterday, 3) << true;
        QTest::newRow("earlier, expired") << position(yesterday, -2) << true;
        QTest::newRow("earlier, 0 days left") << position(yesterday, 0) << false;
        QTest::newRow("earlier, no days") << position(yesterday, std::nullopt) << false;
        QTest::newRow("unreadable, judged as now") << position("18/06/2024", 0) << true;
        QTest::newRow("absent, judged as now") << position(std::nullopt, 0) << true;
        QTest::newRow("no legs, today") << position(today, std::nullopt, false) << true;
        QTest::newRow("no legs, earlier") << position(yesterday, std::nullopt, false) << false;
    }
    void dayRule()
    {
        QFETCH(PositionData, position);
        QFETCH(bool, counts);
        QCOMPARE(positionCounts(position, QDate(2024, 6, 18), QDate(2024, 6, 18)), counts);
    }
};

CORVANE_TEST(PositionRulesTest)
#include "test_positionrules.moc"
