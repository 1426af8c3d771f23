#include "pushoverrig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {
const QString opening = QStringLiteral("Market is open. Attempting to connect to Pushover socket.");
const QString closing = QStringLiteral("Market is closed. Closing Pushover socket.");
} // namespace

// The market clock's ticks drive the root's live socket against the fake service.
class MarketSocketTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theSocketFollowsTheTradingDay()
    {
        // Keep-alives come often and the deadline is short, so the deadline is armed when the
        // market closes: the close must hold all the same.
        SocketTiming timing;
        timing.keepAliveInterval = std::chrono::milliseconds(400);
        timing.reconnectDelay = std::chrono::milliseconds(50);
        PushoverRig rig(timing);
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        QVERIFY(rig.registerDevice());
        rig.core().settings().setEnableNotifications(true);
        rig.socket().setKeepAliveInterval(100);
        PushoverWebSocketManager& socket = rig.core().socket();
        StockExchangeStatus& market = rig.core().market();
        // The rig's clock starts on a Friday in June, a full trading day.
        TestClock& clock = rig.clock;
        QSignalSpy loggedIn(&rig.socket(), &fake::PushSocket::loggedIn);
        LogCapture log;

        // Each tick's socket branch runs after the tick returns, so let it run.
        const auto tickAt = [&](int hour, int minute) {
            clock.set(newYork(2024, 6, 21, hour, minute));
            market.updateStatus();
            QCoreApplication::processEvents();
        };

        tickAt(9, 29);
        QTest::qWait(200);
        QCOMPARE(loggedIn.count(), 0);
        QVERIFY(!log.contains(opening) && !log.contains(closing));

        tickAt(9, 30);
        QTRY_COMPARE(loggedIn.count(), 1);
        QCOMPARE(log.count(opening), 1);
        QTRY_VERIFY(socket.isSocketRunning());

        tickAt(12, 0);
        tickAt(16, 30); // the after-market half hour keeps it open
        QTest::qWait(200);
        QCOMPARE(log.count(opening), 1);
        QCOMPARE(loggedIn.count(), 1);

        QTRY_VERIFY(socket.isKeepAliveArmed());
        tickAt(16, 31);
        QTRY_COMPARE(log.count(closing), 1);
        QVERIFY(!socket.isSocketRunning());
        QTest::qWait(int(3 * timing.keepAliveInterval.count()));
        QVERIFY(
            !log.contains(QStringLiteral("Keep-alive timer expired. Attempting to reconnect.")));
        QCOMPARE(loggedIn.count(), 1);
        tickAt(16, 32);
        QTest::qWait(200);
        QCOMPARE(log.count(closing), 1);
        QCOMPARE(log.count(opening), 1);
        QVERIFY(!socket.isSocketRunning());
    }
};

CORVANE_TEST(MarketSocketTest)
#include "test_marketsocket.moc"
