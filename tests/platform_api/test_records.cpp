#include "platform_api/botrecords.h"
#include "platform_api/brokerrecords.h"
#include "samples.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QTest>

using namespace corvane;
using corvane::test::edited;
using namespace Qt::StringLiterals;

namespace {

const QJsonValue removed = QJsonValue(QJsonValue::Undefined);

QByteArray sample()
{
    return corvane::test::sampleAnswer(u"bots.json"_s);
}

} // namespace

class BotAndBrokerRecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesABotWithEveryNestedRecord()
    {
        const auto result = decodeBotModel(sample());
        QVERIFY2(result.ok(), qPrintable(result.error()));
        const BotData& bot = result.value().data->first();
        QCOMPARE(bot.brokerConnection->number, u"bc_7h2k9"_s);
        QVERIFY(!bot.disabledAt.has_value());
        const EntryCondition& entry = *bot.entryCondition;
        QCOMPARE(entry.contractQuantity, Q_INT64_C(9007199254740993)); // above 2^53, exact
        QCOMPARE(entry.putShortStrikeMinimumDelta, u"0.08"_s);
        QCOMPARE(entry.callShortStrikeMinimumDelta, 0.08);
        QCOMPARE(entry.variables, QList<QString>{u"vix_floor"_s});
        QCOMPARE(bot.exitCondition->stopLossPercent, u"200"_s);
        QCOMPARE(bot.adjustments->first().variables.size(), 2);
        QCOMPARE(bot.notifications->size(), 2);
        QCOMPARE(bot.variables->first().name, u"vix_floor"_s);
        QVERIFY(!bot.variables->first().freeTextValueToSet.has_value());
    }

    // What must decode, and each violation with the key its description leads to.
    void shapes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error"); // empty: decodes
        const QByteArray s = sample();
        QTest::newRow("envelope only")
            << QByteArray(R"({"success":false,"message":"bad key"})") << QString();
        QTest::newRow("bot with every key absent")
            << QByteArray(R"({"success":true,"message":"","data":[{}]})") << QString();
        QTest::newRow("empty lists") << edited(edited(s, u"data/0/adjustments"_s, QJsonArray()),
                                               u"data/0/entry_condition/variables"_s, QJsonArray())
                                     << QString();
        QTest::newRow("allocation type missing")
            << edited(s, u"data/0/entry_condition/allocation_type"_s, removed)
            << u"\"data[0].entry_condition\": missing required key \"allocation_type\""_s;
        QTest::newRow("exit variables null")
            << edited(s, u"data/0/exit_condition/variables"_s, QJsonValue())
            << u"\"data[0].exit_condition.variables\": expected an array, found null"_s;
        QTest::newRow("variable without value")
            << edited(s, u"data/0/variables/0/value"_s, removed)
            << u"\"data[0].variables[0]\": missing required key \"value\""_s;
    }

    void shapes()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto result = decodeBotModel(json);
        QCOMPARE(result.ok(), error.isEmpty());
        QCOMPARE(result.error(), error);
    }

    void decodesPartialAccounts()
    {
        const auto result = decodeBrokerResponse(QByteArrayLiteral(
            R"({"success":true,"message":"OK","data":[)"
            R"({"broker":"Tradier","number":"bc_1"},)"
            R"({"broker":"Schwab","name":"Roth","number":"bc_2","status":"Active",)"
            R"("account_number":null,"net_liquidation_value":"10250.75",)"
            R"("expires_at":"2026-12-31T00:00:00Z","permissions":["trade"]}]})"));
        QVERIFY2(result.ok(), qPrintable(result.error()));
        const BrokerResponse& r = result.value();
        QVERIFY(r.success);
        QCOMPARE(r.message, u"OK"_s);
        QCOMPARE(r.data.size(), 2);
        BrokerAccount onlyTwo;
        onlyTwo.broker = u"Tradier"_s;
        onlyTwo.number = u"bc_1"_s;
        QCOMPARE(r.data.at(0), onlyTwo); // the other five fields empty
        QVERIFY(!r.data.at(1).accountNumber.has_value());
        QCOMPARE(r.data.at(1).netLiquidationValue, u"10250.75"_s); // stays text
        QCOMPARE(r.data.at(1).status, u"Active"_s);
    }

    void envelopeRules()
    {
        QVERIFY(decodeBrokerResponse(R"({"success":false,"message":"","data":[]})").ok());
        QCOMPARE(decodeBrokerResponse(R"({"success":true,"data":[]})").error(),
                 u"missing required key \"message\""_s);
        QCOMPARE(decodeBrokerResponse(R"({"success":true,"message":""})").error(),
                 u"missing required key \"data\""_s);
    }
};

CORVANE_TEST(BotAndBrokerRecordsTest)
#include "test_records.moc"
