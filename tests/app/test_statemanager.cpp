#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;

namespace {

const QString fetchLine = QStringLiteral("in manualStart");

// The evaluator over the real settings store, calendar and watch cycle. The one account is
// not watched, so a pass ends without a request.
struct Rig {
    explicit Rig(const QDateTime& start)
        : clock(start)
        , core(clock.clock())
        , passes(&watch, &RunWatch::passStarted)
    {
        AccountSettings account = AccountSettings::newAccount();
        account.watchAccount = false;
        account.keyVerified = true;
        settings.setAccountSettings({{account.accountName, account}});
    }

    void setVerified(bool verified)
    {
        AccountMap accounts = settings.accountSettings();
        for (AccountSettings& account : accounts)
            account.keyVerified = verified;
        settings.setAccountSettings(accounts);
    }

    // One evaluation at a New York instant; returns how many passes it set off.
    int evaluateAt(const QDateTime& instant, bool atLaunch)
    {
        clock.set(instant);
        const auto before = passes.count();
        manager.evaluateWatchState(atLaunch);
        // Let a requested pass run to its end before the next evaluation.
        QCoreApplication::processEvents();
        while (watch.isPassRunning())
            QSignalSpy(&watch, &RunWatch::passRunningChanged).wait();
        return static_cast<int>(passes.count() - before);
    }

    test::TestClock clock;
    test::TestCore core;
    CVNSettings& settings = core->settings();
    RunWatch& watch = core->watch();
    StateManager& manager = core->stateManager();
    QSignalSpy passes;
};

QDateTime tuesday(int hour, int minute)
{
    return test::newYork(2024, 6, 18, hour, minute);
}

} // namespace

class StateManagerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A launch at noon fetches at once and starts the timer; the evening stops it; the next
    // trading morning's bell starts it again without a fetch of its own.
    void aTradingDayFromLaunchToTheNextBell()
    {
        Rig rig(tuesday(12, 0));
        test::LogCapture log;

        QCOMPARE(rig.evaluateAt(tuesday(12, 0), true), 1);
        QVERIFY(rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(tuesday(12, 1), false), 0);
        QCOMPARE(rig.evaluateAt(tuesday(16, 15), false), 0);
        QVERIFY(rig.watch.isTimerActive());

        QCOMPARE(rig.evaluateAt(tuesday(16, 31), false), 0);
        QVERIFY(!rig.watch.isTimerActive());
        // Wednesday is a holiday; Thursday trades.
        QCOMPARE(rig.evaluateAt(test::newYork(2024, 6, 19, 9, 30), false), 0);
        QVERIFY(!rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(test::newYork(2024, 6, 20, 9, 29), false), 0);
        QVERIFY(!rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(test::newYork(2024, 6, 20, 9, 30), false), 0);
        QVERIFY(rig.watch.isTimerActive());
        QCOMPARE(log.count(fetchLine), 1);
    }

    // Losing the last verified key stops a running timer, and nothing is fetched even with
    // manual syncing.
    void withoutAVerifiedKeyNothingRuns()
    {
        Rig rig(tuesday(11, 0));
        rig.evaluateAt(tuesday(11, 0), true);
        QVERIFY(rig.watch.isTimerActive());

        rig.setVerified(false);
        rig.settings.setFrequencyManual(true);
        test::LogCapture log;
        QCOMPARE(rig.evaluateAt(tuesday(11, 1), false), 0);
        QVERIFY(!rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(tuesday(11, 2), true), 0);
        QVERIFY(log.lines().isEmpty());
    }

    // Manual syncing fetches once per evaluation in every market state and keeps the timer
    // stopped, even one the launch had started.
    void manualSyncFetchesEveryMinute()
    {
        Rig rig(tuesday(16, 20));
        QCOMPARE(rig.evaluateAt(tuesday(16, 20), true), 1);
        QVERIFY(rig.watch.isTimerActive());

        rig.settings.setFrequencyManual(true);
        test::LogCapture log;
        for (const QDateTime& at : {tuesday(16, 21), tuesday(16, 45), tuesday(12, 0),
                                    test::newYork(2024, 6, 22, 12, 0)}) {
            QCOMPARE(rig.evaluateAt(at, false), 1);
            QVERIFY(!rig.watch.isTimerActive());
        }
        QCOMPARE(log.count(fetchLine), 4);
    }

    // The after-market half hour neither starts nor stops the timer, and a switched-off watch
    // leaves an open market's timer running.
    void theTimerIsLeftAsItIs()
    {
        Rig rig(tuesday(16, 5));
        QCOMPARE(rig.evaluateAt(tuesday(16, 5), false), 0);
        QVERIFY(!rig.watch.isTimerActive());

        rig.evaluateAt(tuesday(15, 0), false);
        QVERIFY(rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(tuesday(16, 5), false), 0);
        QVERIFY(rig.watch.isTimerActive());

        rig.settings.setWatchRunning(false);
        QCOMPARE(rig.evaluateAt(tuesday(15, 0), false), 0);
        QVERIFY(rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(tuesday(16, 40), true), 0);
        QVERIFY(rig.watch.isTimerActive());
        QCOMPARE(rig.evaluateAt(tuesday(16, 41), false), 0);
        QVERIFY(!rig.watch.isTimerActive());
    }
};

CORVANE_TEST(StateManagerTest)
#include "test_statemanager.moc"
