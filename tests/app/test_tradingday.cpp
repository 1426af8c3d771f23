#include "fakeservices.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>
#include <map>

using namespace corvane;

namespace {

const QString positionsPath = QStringLiteral("/v1/bots/positions/");
const QString brokersPath = QStringLiteral("/v1/broker_connections");
const QString alphaKey = QStringLiteral("test-key-alpha");
const QString bravoKey = QStringLiteral("test-key-bravo");

// A position as the platform sends it; `day` is the New York day it was entered.
QByteArray position(const char* status, const char* profit, const char* broker, QDate day,
                    int daysToExpiration)
{
    const QByteArray profitKey =
        qstrcmp(status, "OPEN") == 0 ? QByteArray("current_profit") : QByteArray("profit_dollars");
    return QByteArrayLiteral(R"({"number":"pos","status":")") + status +
           R"(","bot":{"name":"SPX 0DTE","number":"11"},"broker_connection":{"number":")" + broker +
           R"("},")" + profitKey + R"(":")" + profit + R"(","entered_at":")" +
           day.toString(Qt::ISODate).toUtf8() +
           R"(T10:02:11.250114-04:00","legs":[{"quantity":2,"days_to_expiration":)" +
           QByteArray::number(daysToExpiration) + "}]}";
}

QByteArray envelope(const QList<QByteArray>& items)
{
    return R"({"success":true,"message":"","data":[)" + items.join(',') + "]}";
}

QByteArray brokers(const QList<QByteArray>& numbers)
{
    QList<QByteArray> items;
    for (const QByteArray& number : numbers)
        items << R"({"broker":"Tradier","number":")" + number +
                     R"(","status":"Active","net_liquidation_value":"25000.00","expires_at":null})";
    return envelope(items);
}

// The composition root against the fake Orrisfield over TLS: settings, calendar with its
// clock, evaluator, watch cycle, fetchers and store, wired as the application wires them.
struct Day {
    explicit Day(fake::FakeServices& service)
        : fake(service)
        , clock(test::newYork(2024, 6, 18, 9, 25))
        , core(clock.clock(), [&service](CoreConfig& config) {
            config.platformApiUrl = service.apiUrl();
            // Stands in for the frequency's one minute: each simulated minute lets one timer
            // pass through. Well above a pass over loopback, so that passes do not queue up
            // behind each other and every minute's requests are that minute's.
            config.watchInterval = std::chrono::milliseconds(50);
        })
    {
        for (const QString& key : {alphaKey, bravoKey}) {
            AccountSettings account = AccountSettings::newAccount();
            account.apiKey = key;
            account.keyVerified = true;
            settings.setAccount(account);
        }
    }

    // Lets a running pass end, and the store registrations queued behind it land.
    void settle()
    {
        QCoreApplication::processEvents();
        while (watch.isPassRunning())
            QSignalSpy(&watch, &RunWatch::passRunningChanged).wait(20'000);
        QCoreApplication::processEvents();
    }

    // One market tick at a New York minute of the day; while the watch timer runs, at least
    // one of its passes is let through before the clock moves on.
    void minute(QTime time)
    {
        clock.set(test::newYork(2024, 6, 18, time.hour(), time.minute()));
        const auto before = fake.requests().size();
        market.updateStatus();
        if (watch.isTimerActive())
            QSignalSpy(&watch, &RunWatch::passStarted).wait(20'000);
        else
            QTest::qWait(5); // a stray pass would have its chance to show itself
        settle();
        requestsAt[time] = fake.requests().mid(before);
    }

    double total(const char* broker) const
    {
        const auto entry = store.find(QString::fromLatin1(broker));
        return entry && entry->total() ? *entry->total() : qQNaN();
    }

    fake::FakeServices& fake;
    test::TestClock clock;
    test::TestCore core;
    CVNSettings& settings = core->settings();
    ProcessedDataManager& store = core->store();
    StockExchangeStatus& market = core->market();
    GlobalData& globalData = core->globalData();
    RunWatch& watch = core->watch();
    std::map<QTime, QList<fake::HttpRequest>> requestsAt;
};

int countPath(const QList<fake::HttpRequest>& requests, const QString& path)
{
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [&](const auto& r) { return r.path == path; }));
}

} // namespace

class TradingDayTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_fake.start(), qPrintable(m_fake.errorString()));
        m_fake.trustInProcess();
    }

    // Launch at 09:25 on a trading Tuesday, then one tick a minute until 16:40: the launch
    // pass, quiet until the bell, passes every minute through the after-market window, then
    // silence; a change of the positions at noon and a lost connection at 13:00 show up.
    void aWholeTradingDay()
    {
        Day day(m_fake);
        const QDate today(2024, 6, 18);
        const QDate monday(2024, 6, 17);
        const QList<QByteArray> alphaMorning{
            position("CLOSED", "120.50", "bc-a1", today, 0),
            position("OPEN", "-20", "bc-a1", today, 0),
            position("CLOSED", "999", "bc-a1", monday, 0), // yesterday's 0DTE: not today's
            position("OPEN", "55.25", "bc-a2", monday, 3), // still running from yesterday
        };
        day.fake.setAnswer(positionsPath, alphaKey, 200, envelope(alphaMorning));
        day.fake.setAnswer(brokersPath, alphaKey, 200, brokers({"bc-a1", "bc-a2"}));
        day.fake.setAnswer(positionsPath, bravoKey, 200,
                           envelope({position("CLOSED", "10", "bc-b1", today, 0),
                                     position("OPEN", "n/a", "bc-b1", today, 0)}));
        day.fake.setAnswer(brokersPath, bravoKey, 200, brokers({"bc-b1"}));

        // Start-up: one market tick, then the launch evaluation.
        day.minute(QTime(9, 25));
        day.core->stateManager().evaluateWatchState(true);
        day.settle();
        const auto launch = day.fake.requests();
        QCOMPARE(countPath(launch, positionsPath), 2);
        QCOMPARE(countPath(launch, brokersPath), 3);
        QStringList keys;
        for (const auto& request : launch) {
            QCOMPARE(request.method, QByteArray("GET"));
            keys << QString::fromUtf8(request.header("Authorization"));
            if (request.path == positionsPath) {
                QCOMPARE(request.rawQuery, QByteArray("from_date=2024-06-17&to_date=2024-06-18"));
            }
        }
        QVERIFY(keys.contains(QStringLiteral("Bearer test-key-alpha")));
        QVERIFY(keys.contains(QStringLiteral("Bearer test-key-bravo")));
        QCOMPARE(day.total("bc-a1"), 100.5);
        QCOMPARE(day.total("bc-a2"), 55.25);
        QCOMPARE(day.total("bc-b1"), 10.0);
        QCOMPARE(day.store.rolledUpTotal(), 165.75);
        QVERIFY(!day.watch.isTimerActive());

        for (QTime t(9, 26); t <= QTime(16, 40); t = t.addSecs(60)) {
            if (t == QTime(12, 0)) {
                QList<QByteArray> noon = alphaMorning;
                noon << position("CLOSED", "100", "bc-a1", today, 0);
                day.fake.setAnswer(positionsPath, alphaKey, 200, envelope(noon));
            }
            if (t == QTime(13, 0))
                day.fake.injectFault({positionsPath, fake::Fault::Kind::drop, 0, 0, true});
            if (t == QTime(13, 1))
                day.fake.clearFaults();
            day.minute(t);

            const auto& seen = day.requestsAt[t];
            const bool watching = t >= QTime(9, 30) && t <= QTime(16, 30);
            QVERIFY2(watching ? countPath(seen, positionsPath) >= 2 : seen.isEmpty(),
                     qPrintable(t.toString() + QStringLiteral(": %1 requests").arg(seen.size())));
            QCOMPARE(day.watch.isTimerActive(), watching);

            if (t == QTime(12, 0))
                QCOMPARE(day.total("bc-a1"), 200.5);
            if (t == QTime(13, 0)) {
                QVERIFY(day.globalData.hasError());
                QVERIFY(day.globalData.internetError().has_value());
                QCOMPARE(day.total("bc-a1"), 200.5); // the last good tally stays
                QCOMPARE(day.store.rolledUpTotal(), 0.0);
            }
            if (t == QTime(13, 1))
                QVERIFY(!day.globalData.hasError());
        }

        QCOMPARE(day.total("bc-a1"), 200.5);
        QCOMPARE(day.total("bc-a2"), 55.25);
        QCOMPARE(day.total("bc-b1"), 10.0);
        QCOMPARE(day.store.rolledUpTotal(), 265.75);
        QCOMPARE(day.store.lastupdated(), QStringLiteral("6-18 @ 4:30p"));
        QVERIFY(!day.globalData.hasError());
    }

private:
    fake::FakeServices m_fake;
};

CORVANE_TEST(TradingDayTest)
#include "test_tradingday.moc"
