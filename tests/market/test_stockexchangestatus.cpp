#include "market/stockexchangestatus.h"
#include "pushover/livesocket.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

using namespace corvane;
using namespace Qt::StringLiterals;
using test::newYork;

namespace {

const QString closingLine = u"Market is closed. Closing Pushover socket."_s;
const QString openingLine = u"Market is open. Attempting to connect to Pushover socket."_s;

// Stands in for the Pushover socket, which talks to an internet service: records what the
// clock asks of it and follows the requests like the real one.
class RecordingSocket final : public LiveSocket {
public:
    bool isSocketRunning() const override { return running; }
    void openSocket() override
    {
        ++connects;
        running = true;
    }
    void closeSocket() override
    {
        ++closes;
        running = false;
    }

    bool running = false;
    int connects = 0;
    int closes = 0;
};

// The clock as the root wires it, with the root's socket swapped for the recording one.
struct Rig {
    explicit Rig(const QDateTime& start)
        : clock(start)
    {
        core->marketSocket().setSocket(&socket);
        QObject::connect(&market, &StockExchangeStatus::ticked, &market,
                         [this] { evaluatedStates.append(market.statusState()); });
    }

    void notify(bool enabled, bool registered)
    {
        core->settings().setEnableNotifications(enabled);
        core->pushoverSettings().setPoSessionSecret(registered ? u"secret"_s : QString());
        core->pushoverSettings().setPoDeviceUID(registered ? u"device"_s : QString());
    }

    // A tick at a New York minute of 2024-06-18, a trading Tuesday, with the queued socket
    // branch let through.
    void tickAt(int hour, int minute)
    {
        clock.set(test::newYork(2024, 6, 18, hour, minute));
        market.updateStatus();
        QCoreApplication::processEvents();
    }

    int activeTimers() const
    {
        int active = 0;
        for (const QTimer* timer : market.findChildren<QTimer*>())
            active += timer->isActive() ? 1 : 0;
        return active;
    }

    test::TestClock clock;
    RecordingSocket socket;
    test::TestCore core{clock.clock()};
    StockExchangeStatus& market = core->market();
    QList<MarketState> evaluatedStates;
};

QDateTime inZone(const char* zone, int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone(QByteArray(zone)));
}

} // namespace

// The state, the closure test and the last trading day, asked at instants given in New York
// and in other zones (the same executable also runs under several TZ values); and the clock that
// ticks the state and asks for the Pushover socket.
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

    // Starting again replaces the one-minute timer, and each firing is a tick.
    void restartReplacesTheTimerWhoseFiringsAreTicks()
    {
        Rig rig(test::newYork(2024, 6, 18, 16, 10));
        QCOMPARE(rig.market.isTimerRunning(), std::nullopt);
        QVERIFY(rig.market.updateInterval() == std::chrono::minutes(1));

        rig.market.startTimer();
        rig.market.startTimer();
        QCOMPARE(rig.activeTimers(), 1);
        QCOMPARE(rig.market.findChildren<QTimer*>().front()->interval(), 60'000);
        QCOMPARE(rig.market.isTimerRunning(), std::optional<bool>(true));

        rig.market.setUpdateInterval(std::chrono::milliseconds(5));
        QSignalSpy stored(&rig.market, &StockExchangeStatus::statusStateChanged);
        rig.market.startTimer();
        QVERIFY(stored.wait());
        QCOMPARE(rig.market.statusState(), MarketState::afterMarket);
        QVERIFY(!rig.evaluatedStates.isEmpty());
    }

    // The state is stored and announced before the evaluator runs, on every tick, even when
    // it did not change.
    void everyTickStoresThenEvaluates()
    {
        Rig rig(test::newYork(2024, 6, 18, 9, 29));
        QCOMPARE(rig.market.statusState(), MarketState::closed);
        QSignalSpy stored(&rig.market, &StockExchangeStatus::statusStateChanged);

        rig.tickAt(9, 29);
        rig.tickAt(9, 30);
        rig.tickAt(9, 31);
        QCOMPARE(stored.count(), 3);
        QCOMPARE(rig.evaluatedStates,
                 (QList<MarketState>{MarketState::closed, MarketState::open, MarketState::open}));
        QCOMPARE(rig.market.statusState(), MarketState::open);
    }

    void socketIsLeftAloneUnlessNotifyingToARegisteredDevice_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<int>("hour"); // closed with the socket running, or open without it
        for (bool enabled : {false, true})
            for (bool registered : {false, true})
                for (int hour : {8, 12})
                    if (!(enabled && registered))
                        QTest::addRow("notify=%d registered=%d %02d:00", enabled, registered, hour)
                            << enabled << registered << hour;
    }

    void socketIsLeftAloneUnlessNotifyingToARegisteredDevice()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, registered);
        QFETCH(int, hour);
        Rig rig(test::newYork(2024, 6, 18, hour, 0));
        rig.notify(enabled, registered);
        rig.socket.running = hour < 9;
        test::LogCapture log;

        rig.market.startTimer();
        rig.tickAt(hour, 0);
        rig.tickAt(hour, 1);
        QCOMPARE(rig.socket.connects, 0);
        QCOMPARE(rig.socket.closes, 0);
        QVERIFY(!log.contains(openingLine) && !log.contains(closingLine));
    }

    // The socket is asked for behind the start and the tick, not inside them: starting the
    // clock asks whatever the market does, quietly; the bell asks with a log line.
    void theSocketIsAskedForBehindTheStartAndTheTick()
    {
        Rig rig(test::newYork(2024, 6, 22, 12, 0)); // a Saturday
        rig.notify(true, true);
        test::LogCapture log;
        rig.market.startTimer();
        QCOMPARE(rig.socket.connects, 0);
        QCoreApplication::processEvents();
        QCOMPARE(rig.socket.connects, 1);
        QVERIFY(log.lines().isEmpty());

        rig.socket.running = false;
        rig.tickAt(9, 29);
        rig.clock.set(test::newYork(2024, 6, 18, 9, 30));
        rig.market.updateStatus();
        QCOMPARE(rig.socket.connects, 1);
        QCoreApplication::processEvents();
        QCOMPARE(rig.socket.connects, 2);
        QCOMPARE(log.count(openingLine), 1);
    }
};

CORVANE_TEST(StockExchangeStatusTest)
#include "test_stockexchangestatus.moc"
