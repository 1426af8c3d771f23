#include "market/stockexchangestatus.h"
#include "pushover/pushoverwebsocketmanager.h"
#include "pushoverrig.h"
#include "settings/settings.h"
#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {
const QString opening = QStringLiteral("Market is open. Attempting to connect to Pushover socket.");
const QString closing = QStringLiteral("Market is closed. Closing Pushover socket.");
} // namespace

// The market clock's ticks drive the real live socket against the fake service.
class MarketSocketTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theSocketFollowsTheTradingDay()
    {
        PushoverRig rig;
        QVERIFY2(rig.problem().isEmpty(), qPrintable(rig.problem()));
        QVERIFY(rig.registerDevice());
        TempSuite suite;
        CVNSettings settings(suite.suite());
        settings.setEnableNotifications(true);
        // Keep-alives come often and the deadline is short, so the deadline is armed when the
        // market closes: the close must hold all the same.
        rig.socket().setKeepAliveInterval(100);
        SocketTiming timing;
        timing.keepAliveIntervalMs = 400;
        timing.reconnectDelayMs = 50;
        PushoverWebSocketManager socket(rig.network(), rig.settings(), nullptr, timing);
        // A Friday in June, a full trading day.
        TestClock clock(newYork(2024, 6, 21, 9, 29));
        StockExchangeStatus market(clock.clock());
        market.setNotificationStores(&settings, &rig.settings());
        market.setLiveSocket(&socket);
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
        QTest::qWait(3 * timing.keepAliveIntervalMs);
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
