#include "support/testregistry.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The command-line calendar, run as a user would run it.
class MarketCalendarToolTest final : public QObject {
    Q_OBJECT

    static QProcess* run(QProcess& process, const QStringList& arguments)
    {
        process.start(QStringLiteral(CORVANE_MARKET_CALENDAR_TOOL), arguments);
        if (!process.waitForFinished(60000))
            return nullptr;
        return &process;
    }

private Q_SLOTS:
    void printsOneLinePerDay()
    {
        QProcess process;
        QVERIFY(run(process, {u"2026-12-23"_s, u"2026-12-28"_s}));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("2026-12-23 09:30-16:00\n"
                                                             "2026-12-24 09:30-13:00\n"
                                                             "2026-12-25 closed\n"
                                                             "2026-12-26 closed\n"
                                                             "2026-12-27 closed\n"
                                                             "2026-12-28 09:30-16:00\n"));
        QVERIFY(process.readAllStandardError().isEmpty());
    }

    void badArgumentsGiveUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList();
        QTest::newRow("three") << QStringList{u"2026-12-01"_s, u"2026-12-02"_s, u"2026-12-03"_s};
        QTest::newRow("February 30") << QStringList{u"2026-02-01"_s, u"2026-02-30"_s};
        QTest::newRow("trailing space") << QStringList{u"2026-12-01 "_s, u"2026-12-31"_s};
        QTest::newRow("reversed") << QStringList{u"2026-12-31"_s, u"2026-12-01"_s};
    }

    void badArgumentsGiveUsage()
    {
        QFETCH(QStringList, arguments);
        QProcess process;
        QVERIFY(run(process, arguments));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(process.readAllStandardError().contains("usage: corvane-market-calendar FROM TO"));
    }
};

CORVANE_TEST(MarketCalendarToolTest)
#include "test_marketcalendartool.moc"
