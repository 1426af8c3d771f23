#include "platform_api/botrecords.h"
#include "samples.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace corvane;
using corvane::test::edited;

namespace {

const QJsonValue removed = QJsonValue(QJsonValue::Undefined);

QByteArray sample()
{
    return corvane::test::sampleAnswer(QStringLiteral("bots.json"));
}

} // namespace

class BotRecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesABotWithEveryNestedRecord()
    {
        const auto result = decodeBotModel(sample());
        QVERIFY2(result.ok(), qPrintable(result.error()));
        const BotData& bot = result.value().data->first();
        QCOMPARE(bot.brokerConnection->number, QStringLiteral("bc_7h2k9"));
        QVERIFY(!bot.disabledAt.has_value());
        const EntryCondition& entry = *bot.entryCondition;
        QCOMPARE(entry.contractQuantity, Q_INT64_C(9007199254740993)); // above 2^53, exact
        QCOMPARE(entry.putShortStrikeMinimumDelta, QStringLiteral("0.08"));
        QCOMPARE(entry.callShortStrikeMinimumDelta, 0.08);
        QCOMPARE(entry.variables, QList<QString>{QStringLiteral("vix_floor")});
        QCOMPARE(bot.exitCondition->stopLossPercent, QStringLiteral("200"));
        QCOMPARE(bot.adjustments->first().variables.size(), 2);
        QCOMPARE(bot.notifications->size(), 2);
        QCOMPARE(bot.variables->first().name, QStringLiteral("vix_floor"));
        QVERIFY(!bot.variables->first().freeTextValueToSet.has_value());
    }

    void acceptedShapes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("envelope only") << QByteArray(R"({"success":false,"message":"bad key"})");
        QTest::newRow("bot with every key absent")
            << QByteArray(R"({"success":true,"message":"","data":[{}]})");
        QTest::newRow("empty lists")
            << edited(edited(sample(), QStringLiteral("data/0/adjustments"), QJsonArray()),
                      QStringLiteral("data/0/entry_condition/variables"), QJsonArray());
    }

    void acceptedShapes()
    {
        QFETCH(QByteArray, json);
        const auto result = decodeBotModel(json);
        QVERIFY2(result.ok(), qPrintable(result.error()));
    }

    void rejectedShapesNameTheKey_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("allocation type missing")
            << QStringLiteral("data/0/entry_condition/allocation_type") << removed
            << QStringLiteral(
                   "\"data[0].entry_condition\": missing required key \"allocation_type\"");
        QTest::newRow("exit variables null")
            << QStringLiteral("data/0/exit_condition/variables") << QJsonValue()
            << QStringLiteral(
                   "\"data[0].exit_condition.variables\": expected an array, found null");
        QTest::newRow("variable without value")
            << QStringLiteral("data/0/variables/0/value") << removed
            << QStringLiteral("\"data[0].variables[0]\": missing required key \"value\"");
    }

    void rejectedShapesNameTheKey()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(QString, expected);
        const auto result = decodeBotModel(edited(sample(), path, value));
        QVERIFY(!result.ok());
        QCOMPARE(result.error(), expected);
    }

    void encodingRoundTrips()
    {
        const BotModel model = decodeBotModel(sample()).value();
        const QByteArray bytes = encodeBotModel(model);
        QVERIFY(bytes.contains("9007199254740993")); // written exactly, not as a double
        const auto back = decodeBotModel(bytes);
        QVERIFY2(back.ok(), qPrintable(back.error()));
        QCOMPARE(back.value(), model);
    }

    void encodingLeavesAbsentValuesOut()
    {
        BotModel model;
        model.success = true;
        model.message = QStringLiteral("ok");
        BotData bot;
        bot.name = QStringLiteral("Condor");
        bot.adjustments = QList<Adjustment>{};
        model.data = QList<BotData>{bot};
        const QJsonObject root = QJsonDocument::fromJson(encodeBotModel(model)).object();
        const QJsonObject encodedBot =
            root.value(QStringLiteral("data")).toArray().at(0).toObject();
        QCOMPARE(encodedBot.keys(),
                 (QStringList{QStringLiteral("adjustments"), QStringLiteral("name")}));

        model.data.reset();
        QCOMPARE(QJsonDocument::fromJson(encodeBotModel(model)).object().keys(),
                 (QStringList{QStringLiteral("message"), QStringLiteral("success")}));
    }
};

CORVANE_TEST(BotRecordsTest)

#include "test_botrecords.moc"
