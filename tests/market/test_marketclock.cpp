#include "pushover/livesocket.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace corvane;
using namespace Qt::StringLiterals;

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

} // namespace

class MarketClockTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

CORVANE_TEST(MarketClockTest)
#include "test_marketclock.moc"
