#include "enginerig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;
using corvane::fake::Fault;

namespace {

const QString today = u"2024-06-18T10:15:00.000000-04:00"_s;

QByteArray twoBrokers(const char* first, const char* second)
{
    return positionsAnswer({positionJson("12", "CLOSED", first, today),
                            positionJson("12", "CLOSED", second, today, 0, u"bc_2"_s)});
}

} // namespace

class WatchCycleTest final : public FakeServicesTest {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        FakeServicesTest::init();
        m_fake.setAnswer(brokersPath, alpha, 200, brokersAnswer({u"bc_1"_s, u"bc_2"_s}));
    }

    void timerStartsOnceAndKeepsItsInterval()
    {
        EngineRig rig(m_fake);
        rig.settings.setFrequencySelection(FrequencySelection{0, 5});
        QSignalSpy active(&rig.runWatch, &RunWatch::timerActiveChanged);
        QSignalSpy started(&rig.runWatch, &RunWatch::passStarted);

        rig.runWatch.stopTimer(); // stopped already: nothing happens
        QCOMPARE(active.count(), 0);
        rig.runWatch.startTimer();
        rig.runWatch.startTimer();
        QCOMPARE(active.count(), 1);
        QVERIFY(rig.runWatch.isTimerActive());
        QCOMPARE(rig.runWatch.timerInterval(), std::chrono::milliseconds(300'000));
        QCOMPARE(rig.runWatch.findChildren<QTimer*>().size(), 1);
        QCOMPARE(started.count(), 0); // the first pass comes one interval later

        rig.settings.setFrequencySelection(FrequencySelection{7, 50});
        rig.runWatch.startTimer();
        QCOMPARE(rig.runWatch.timerInterval(), std::chrono::milliseconds(300'000));
        rig.runWatch.stopTimer();
        QVERIFY(!rig.runWatch.isTimerActive());
        QVERIFY(!rig.runWatch.timerInterval());
        rig.runWatch.startTimer();
        QCOMPARE(rig.runWatch.timerInterval(), std::chrono::milliseconds(28'200'000));
        QCOMPARE(active.count(), 3);
        rig.runWatch.stopTimer();

        // A frequency the pickers never offer is held to their range.
        const std::pair<FrequencySelection, int> unusable[] = {
            {{0, 0}, 60}, {{0, -5}, 60}, {{100'000, 1}, 28'200}};
        for (const auto& [selection, seconds] : unusable) {
            rig.settings.setFrequencySelection(selection);
            rig.runWatch.startTimer();
            QCOMPARE(rig.runWatch.timerInterval(), std::chrono::milliseconds(seconds * 1000LL));
            rig.runWatch.stopTimer();
        }
    }

    void passesNeverOverlap()
    {
        EngineRig rig(m_fake, {alpha});
        m_fake.setAnswer(positionsPath, alpha, 200, twoBrokers("10", "5"));
        // The first answer is slow, so the requests below arrive while the pass runs.
        m_fake.injectFault(Fault{positionsPath, Fault::Kind::none, 0, 300});
        QSignalSpy started(&rig.runWatch, &RunWatch::passStarted);
        QSignalSpy finished(&rig.runWatch, &RunWatch::passFinished);
        QList<double> totalsAtEnd;
        connect(&rig.runWatch, &RunWatch::passFinished, this,
                [&] { totalsAtEnd << rig.store.rolledUpTotal(); });

        rig.runWatch.manualStart();
        QVERIFY(rig.runWatch.isPassRunning());
        rig.runWatch.manualStart();
        rig.runWatch.manualStart();
        rig.runWatch.manualStart();
        QTRY_VERIFY(!rig.runWatch.isPassRunning());

        // Three requests during the first pass made one more pass, run after it.
        QCOMPARE(started.count(), 2);
        QCOMPARE(finished.count(), 2);
        QCOMPARE(totalsAtEnd, (QList<double>{15.0, 15.0}));
        QCOMPARE(requestCount(positionsPath), 2);
    }

    // No request goes out, with no account or an unwatched one; the latter is reported as a
    // failed fetch.
    void passWithoutWatchedAccounts()
    {
        for (const bool unwatched : {false, true}) {
            EngineRig rig(m_fake);
            if (unwatched)
                rig.addAccount(alpha, false);
            rig.store.setRolledUpTotal(42);
            QSignalSpy updates(&rig.runWatch, &RunWatch::runWatchDidUpdate);
            LogCapture log;
            QVERIFY(rig.runPass());
            QCOMPARE(rig.store.rolledUpTotal(), 0.0);
            QVERIFY(m_fake.requests().isEmpty());
            QCOMPARE(log.lines(),
                     unwatched ? QStringList{u"Could not get response."_s} : QStringList());
            QCOMPARE(updates.count(), unwatched ? 1 : 0);
            QVERIFY(!rig.globalData.hasError());
        }
    }

    // Which error text a failure sets is the fetcher's business; a pass keeps what it showed,
    // whether the positions or one group's brokers fail.
    void failedFetchesKeepTotalsAndRecover()
    {
        EngineRig rig(m_fake, {alpha});
        m_fake.setAnswer(positionsPath, alpha, 200, twoBrokers("10", "5"));
        QVERIFY(rig.runPass());
        QCOMPARE(rig.store.rolledUpTotal(), 15.0);

        m_fake.injectFault(Fault{positionsPath, Fault::Kind::drop, 0, 0, true});
        LogCapture log;
        QVERIFY(rig.runPass());
        QCOMPARE(log.count(u"Could not get response."_s), 1);
        QVERIFY(rig.globalData.hasError());
        // The brokers keep what they showed; only this pass's sum is empty.
        QCOMPARE(rig.total(u"bc_1"_s), 10.0);
        QCOMPARE(rig.total(u"bc_2"_s), 5.0);
        QCOMPARE(rig.store.rolledUpTotal(), 0.0);

        m_fake.clearFaults();
        m_fake.setAnswer(positionsPath, alpha, 200, twoBrokers("7", "1"));
        QVERIFY(rig.runPass());
        QVERIFY(!rig.globalData.hasError());
        QCOMPARE(rig.total(u"bc_1"_s), 7.0);
        QCOMPARE(rig.store.rolledUpTotal(), 8.0);

        // The second group's broker fetch breaks: its tally is dropped, the first one stands.
        m_fake.setAnswer(positionsPath, alpha, 200, twoBrokers("20", "50"));
        const std::shared_ptr<ProcessedData> first = rig.store.find(u"bc_1"_s);
        const QMetaObject::Connection breaker =
            connect(first.get(), &ProcessedData::totalChanged, this, [this] {
                m_fake.injectFault(Fault{brokersPath, Fault::Kind::drop, 0, 0, true});
            });
        log.clear();
        QVERIFY(rig.runPass());
        disconnect(breaker);
        QCOMPARE(rig.total(u"bc_1"_s), 20.0);
        QCOMPARE(rig.total(u"bc_2"_s), 1.0);
        QCOMPARE(rig.store.rolledUpTotal(), 20.0);
        QVERIFY2(!rig.globalData.hasError(), "a broker fetch never sets the user's error texts");
        QCOMPARE(log.count(u"Could not get response."_s), 0);

        m_fake.clearFaults();
        QVERIFY(rig.runPass());
        QCOMPARE(rig.total(u"bc_2"_s), 50.0);
        QCOMPARE(rig.store.rolledUpTotal(), 70.0);
    }

    // The root destroyed while a pass waits for an answer: the late answer ends the pass
    // without a log line, a request or a touch of what is gone.
    void aPassOutlivedByItsEngineStopsQuietly_data()
    {
        QTest::addColumn<QString>("slowPath");
        QTest::newRow("positions") << positionsPath;
        QTest::newRow("broker connections") << brokersPath;
    }

    void aPassOutlivedByItsEngineStopsQuietly()
    {
        QFETCH(QString, slowPath);
        m_fake.setAnswer(positionsPath, alpha, 200, twoBrokers("10", "20"));
        m_fake.setAnswer(brokersPath, alpha, 200, brokersAnswer({u"bc_other"_s}));
        m_fake.injectFault(Fault{slowPath, Fault::Kind::none, 0, 300});
        // Outlives the root, so that the late answer still arrives.
        QNetworkAccessManager network;
        TestClock clock(newYork(2024, 6, 18, 11, 0));
        auto core = std::make_unique<TestCore>(clock.clock(), [&](CoreConfig& config) {
            config.network = &network;
            config.platformApiUrl = m_fake.apiUrl();
        });
        addVerifiedAccount((*core)->settings(), alpha);

        (*core)->watch().manualStart();
        QTRY_COMPARE(requestCount(slowPath), 1);
        const int requests = static_cast<int>(m_fake.requests().size());
        core.reset();
        LogCapture log;
        QTest::qWait(600);
        QCOMPARE(log.lines(), QStringList());
        QCOMPARE(m_fake.requests().size(), requests);
    }
};

CORVANE_TEST(WatchCycleTest)
#include "test_watchcycle.moc"
