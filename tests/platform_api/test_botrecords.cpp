#include "platform_api/botrecords.h"
#include "samples.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

class BotRecordsTest final : public QObject {
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
        model.message = u"ok"_s;
        BotData bot;
        bot.name = u"Condor"_s;
        bot.adjustments = QList<Adjustment>{};
        model.data = QList<BotData>{bot};
        const QJsonObject root = QJsonDocument::fromJson(encodeBotModel(model)).object();
        const QJsonObject encodedBot = root.value(u"data"_s).toArray().at(0).toObject();
        QCOMPARE(encodedBot.keys(), (QStringList{u"adjustments"_s, u"name"_s}));

        model.data.reset();
        QCOMPARE(QJsonDocument::fromJson(encodeBotModel(model)).object().keys(),
                 (QStringList{u"message"_s, u"success"_s}));
    }
};

CORVANE_TEST(BotRecordsTest)

#include "test_botrecords.moc"
