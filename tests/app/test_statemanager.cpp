#include "support/logcapture.h"
#include "support/testclock.h"
#include "support/testcore.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace corvane;

namespace {

// The evaluator over the real settings store, calendar and watch cycle. The one account is
// not watched, so a pass ends without a request.
struct Rig {
    explicit Rig(const QDateTime& start)
        : clock(start)
        , core(clock.clock())
        , passes(&watch, &RunWatch::passStarted)
    {
        test::addVerifiedAccount(settings, QString(), false);
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

    // The user's settings reach the decision: a switched-off watch neither stops an open
    // market's timer nor fetches at launch; manual syncing fetches at every evaluation, the
    // watch on or off, and keeps the timer stopped.
    void theUsersSettingsReachTheDecision()
    {
        Rig rig(tuesday(15, 0));
        QCOMPARE(rig.evaluateAt(tuesday(15, 0), false), 0);
        rig.settings.setWatchRunning(false);
        QCOMPARE(rig.evaluateAt(tuesday(15, 1), false), 0);
        QCOMPARE(rig.evaluateAt(tuesday(16, 40), true), 0);
        QVERIFY(rig.watch.isTimerActive());

        rig.settings.setFrequencyManual(true);
        QCOMPARE(rig.evaluateAt(tuesday(16, 41), false), 1);
        QVERIFY(!rig.watch.isTimerActive());
        rig.settings.setWatchRunning(true);
        QCOMPARE(rig.evaluateAt(tuesday(12, 0), false), 1);
        QCOMPARE(rig.evaluateAt(test::newYork(2024, 6, 22, 12, 0), false), 1);
        QVERIFY(!rig.watch.isTimerActive());
    }
};

CORVANE_TEST(StateManagerTest)
#include "test_statemanager.moc"
