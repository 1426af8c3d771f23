#include "enginerig.h"
#include "support/logcapture.h"
#include "support/testregistry.h"

#include <QTest>
#include <QThread>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::StringLiterals;

namespace {

const QString bravo = u"test-key-bravo"_s;

const QString today = u"2024-06-18T10:15:00.250114-04:00"_s;
const QString yesterday = u"2024-06-17T15:40:00.000000-04:00"_s;

} // namespace

class ProcessingTest final : public FakeServicesTest {
    Q_OBJECT

private Q_SLOTS:
    void talliesEachBrokerOfTheDay()
    {
        EngineRig rig(m_fake, {alpha});
        m_fake.setAnswer(
            positionsPath, alpha, 200,
            positionsAnswer({
                positionJson("12", "CLOSED", "-35.5", today),     // 12_0
                positionJson("12", "OPEN", "12", today),          // 12_1
                positionJson("7", "OPEN", "not a number", today), // 7_2: counts as 0
                positionJson("9", "EXPIRED", "40", today),        // 9_3: no profit
                positionJson("12", "OPEN", "900", today, 3),      // 12_4: runs on
                positionJson("12", "OPEN", "5", yesterday, 3),    // 12_5: still open
                positionJson("12", "CLOSED", "77", yesterday, 0), // 12_6: earlier day
                positionJson("30", "CLOSED", "100", today, 0, u"bc_2"_s),
                positionJson("31", "CLOSED", "1000", today, 0, QString()), // no broker
                // 8_7: not the platform's spelling, so no profit; 6_8: none given, so 0.
                positionJson("8", "open", "70", today),
                positionJson("6", "CLOSED", nullptr, today),
            }));
        m_fake.setAnswer(brokersPath, alpha, 200, brokersAnswer({u"bc_2"_s, u"bc_1"_s}));
        // Decoding and tallying run on a worker; what the views observe changes on the main
        // thread only. Direct connections report the emitting thread, whatever it is.
        int changes = 0;
        int offMain = 0;
        const auto note = [&] {
            ++changes;
            offMain += QThread::currentThread() != QCoreApplication::instance()->thread();
        };
        const auto watch = [&](const std::shared_ptr<ProcessedData>& entry) {
            for (auto signal : {&ProcessedData::totalChanged, &ProcessedData::botsChanged,
                                &ProcessedData::statusesChanged, &ProcessedData::tradeInfoChanged})
                connect(entry.get(), signal, entry.get(), note, Qt::DirectConnection);
        };
        connect(&rig.store, &ProcessedDataManager::rolledUpTotalChanged, &rig.store, note,
                Qt::DirectConnection);
        connect(&rig.store, &ProcessedDataManager::lastupdatedChanged, &rig.store, note,
                Qt::DirectConnection);
        QVERIFY(rig.runPass());
        for (const QString& broker : {u"bc_1"_s, u"bc_2"_s})
            watch(rig.store.find(broker));
        QVERIFY(rig.runPass());
        QVERIFY(changes > 10);
        QCOMPARE(offMain, 0);

        const std::shared_ptr<ProcessedData> first = rig.store.find(u"bc_1"_s);
        QVERIFY(first);
        QCOMPARE(first->total(), std::optional<double>(-18.5));
        const ProcessedData::Profits bots{{u"12_0"_s, -35.5},
                                          {u"12_1"_s, 12.0},
                                          {u"7_2"_s, 0.0},
                                          {u"12_5"_s, 5.0},
                                          {u"6_8"_s, 0.0}};
        QCOMPARE(first->bots(), bots);
        const ProcessedData::Texts statuses{{u"12_0"_s, u"CLOSED"_s}, {u"12_1"_s, u"OPEN"_s},
                                            {u"7_2"_s, u"OPEN"_s},    {u"9_3"_s, u"EXPIRED"_s},
                                            {u"12_5"_s, u"OPEN"_s},   {u"8_7"_s, u"open"_s},
                                            {u"6_8"_s, u"CLOSED"_s}};
        QCOMPARE(first->statuses(), statuses);
        QCOMPARE(first->name().keys(), statuses.keys());
        QCOMPARE(first->tradeInfo().keys(), statuses.keys());
        QCOMPARE(first->name().value(u"9_3"_s), u"SPX Iron Condor"_s);
        QCOMPARE(first->NLV(), std::optional<QString>(u"NLV bc_1"_s));
        QCOMPARE(first->brokerExpiration(), std::optional<QString>(u"exp bc_1"_s));

        QCOMPARE(rig.total(u"bc_2"_s), 100.0);
        QVERIFY2(!rig.store.find(QString()), "positions without a broker are dropped");
        QCOMPARE(rig.store.rolledUpTotal(), 81.5);
        QCOMPARE(rig.store.processedDataCount(), 2);
        QCOMPARE(rig.store.lastupdated(), u"6-18 @ 2:07p"_s);
        QCOMPARE(requestCount(brokersPath), 4); // one per broker group and pass
        QVERIFY(!rig.globalData.hasError());
    }

    void tradeInfoTexts()
    {
        EngineRig rig(m_fake, {alpha});
        const QByteArray full =
            R"({"status":"CLOSED","profit_dollars":"1","bot":{"name":"A","number":"4"},)"
            R"("broker_connection":{"number":"bc_1"},"entered_at":"2024-06-18T10:00:00.000000-04:00",)"
            R"("current_delta":"-0.12","entry_value":-1250,"max_risk":"4510.00","legs":[)"
            R"({"quantity":2,"days_to_expiration":0,"entered_at":"2024-06-18T14:00:01.5Z"},)"
            R"({"quantity":9}]})";
        const QByteArray bare =
            R"({"status":"OPEN","bot":{"name":"B","number":"5"},"broker_connection":)"
            R"({"number":"bc_1"},"entry_value":312.5,"legs":[{}]})";
        const QByteArray legless = R"({"status":"OPEN","current_profit":"3","bot":{"name":"C",)"
                                   R"("number":"6"},"broker_connection":{"number":"bc_1"},)"
                                   R"("legs":[]})";
        m_fake.setAnswer(positionsPath, alpha, 200, positionsAnswer({full, bare, legless}));
        m_fake.setAnswer(brokersPath, alpha, 200, brokersAnswer({u"bc_1"_s}));
        QVERIFY(rig.runPass());

        const std::shared_ptr<ProcessedData> entry = rig.store.find(u"bc_1"_s);
        QVERIFY(entry);
        QCOMPARE(entry->tradeInfo().value(u"4_0"_s),
                 (TradeInfo{u"-0.12"_s, u"-1250.0"_s, u"4510.00"_s, u"2"_s,
                            u"2024-06-18T14:00:01.5Z"_s}));
        QCOMPARE(entry->tradeInfo().value(u"5_1"_s),
                 (TradeInfo{u"n/a"_s, u"312.5"_s, u"n/a"_s, u"0"_s, u"n/a"_s}));
        // Without legs a position of the day still counts, with no contracts and no entry time.
        QCOMPARE(entry->tradeInfo().value(u"6_2"_s),
                 (TradeInfo{u"n/a"_s, u"0.0"_s, u"n/a"_s, u"0"_s, u"n/a"_s}));
        QCOMPARE(entry->total(), std::optional<double>(4.0));
    }

    void responsesWithoutBrokerGroups_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("no data") << QByteArray(R"({"success":true,"message":""})");
        QTest::newRow("empty data") << positionsAnswer({});
    }
    void responsesWithoutBrokerGroups()
    {
        QFETCH(QByteArray, answer);
        EngineRig rig(m_fake, {alpha});
        m_fake.setAnswer(positionsPath, alpha, 200, answer);
        LogCapture log;
        QVERIFY(rig.runPass());
        QCOMPARE(rig.store.lastupdated(), u"6-18 @ 2:07p"_s);
        QCOMPARE(log.lines(), QStringList{u"Last updated date: 6-18 @ 2:07p"_s});
        QCOMPARE(rig.store.processedDataCount(), 0);
        QCOMPARE(rig.store.rolledUpTotal(), 0.0);
        QCOMPARE(requestCount(brokersPath), 0);
    }

    void unknownBrokerKeepsItsFacts()
    {
        EngineRig rig(m_fake, {alpha});
        rig.store.addProcessedData(u"bc_gone"_s,
                                   std::make_shared<ProcessedData>(
                                       std::nullopt, ProcessedData::Profits{},
                                       ProcessedData::Texts{}, ProcessedData::Texts{}, u"old NLV"_s,
                                       u"old expiry"_s, ProcessedData::TradeInfos{}));
        m_fake.setAnswer(
            positionsPath, alpha, 200,
            positionsAnswer({positionJson("1", "CLOSED", "50", today, 0, u"bc_gone"_s)}));
        m_fake.setAnswer(brokersPath, alpha, 200, brokersAnswer({u"bc_other"_s}));
        LogCapture log;
        QVERIFY(rig.runPass());
        const std::shared_ptr<ProcessedData> entry = rig.store.find(u"bc_gone"_s);
        QCOMPARE(entry->total(), std::optional<double>(50.0));
        QCOMPARE(entry->NLV(), std::optional<QString>(u"old NLV"_s));
        QCOMPARE(entry->brokerExpiration(), std::optional<QString>(u"old expiry"_s));
        QVERIFY(log.contains(u"No matching broker account found."_s));
    }

    void accountsSharingABroker()
    {
        EngineRig rig(m_fake, {alpha, bravo});
        const QString shared = u"bc_shared"_s;
        m_fake.setAnswer(positionsPath, alpha, 200,
                         positionsAnswer({positionJson("1", "CLOSED", "10", today, 0, shared),
                                          positionJson("2", "OPEN", "1", today, 0, shared)}));
        m_fake.setAnswer(positionsPath, bravo, 200,
                         positionsAnswer({positionJson("3", "OPEN", "20", today, 0, shared)}));
        m_fake.setAnswer(brokersPath, QString(), 200, brokersAnswer({shared}));
        QVERIFY(rig.runPass());

        QCOMPARE(rig.store.processedDataCount(), 1);
        const QString lastKey = rig.settings.accountSettings().last().apiKey;
        const std::shared_ptr<ProcessedData> entry = rig.store.find(shared);
        // The account handled last wins the entry; both add to the rolled-up total.
        QCOMPARE(entry->total(), std::optional<double>(lastKey == alpha ? 11.0 : 20.0));
        QCOMPARE(entry->bots().size(), lastKey == alpha ? 2 : 1);
        QCOMPARE(rig.store.rolledUpTotal(), 31.0);
    }

    void saturdayJudgesAgainstFriday()
    {
        EngineRig rig(m_fake, {alpha}, newYork(2024, 6, 22, 10, 30));
        const QString friday = u"2024-06-21T11:00:00.000000-04:00"_s;
        const QString thursday = u"2024-06-20T11:00:00.000000-04:00"_s;
        m_fake.setAnswer(positionsPath, alpha, 200,
                         positionsAnswer({
                             positionJson("1", "CLOSED", "10", friday, 0),   // counts
                             positionJson("2", "CLOSED", "20", thursday, 0), // other day
                             positionJson("3", "OPEN", "30", thursday, 2),   // still open
                             positionJson("4", "OPEN", "40", u"garbled"_s, 0),
                         }));
        m_fake.setAnswer(brokersPath, alpha, 200, brokersAnswer({u"bc_1"_s}));
        LogCapture log;
        QVERIFY(rig.runPass());
        QCOMPARE(rig.store.lastupdated(), u"2024-06-21"_s);
        QVERIFY(log.contains(u"Last updated date: 2024-06-21"_s));
        // The garbled time is read as now, a Saturday, so a 0-day position is not Friday's.
        QCOMPARE(rig.total(u"bc_1"_s), 40.0);
        QCOMPARE(rig.store.find(u"bc_1"_s)->bots().keys(), (QStringList{u"1_0"_s, u"3_2"_s}));
    }
};

CORVANE_TEST(ProcessingTest)
#include "test_processing.moc"
