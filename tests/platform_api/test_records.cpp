#include "platform_api/botrecords.h"
#include "platform_api/brokerrecords.h"
#include "platform_api/positionrecords.h"
#include "support/testregistry.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

const QJsonValue removed = QJsonValue(QJsonValue::Undefined);

// Absent and null read as a null QString, so a comparison also tells them from "".
QString text(const std::optional<wire::Text>& t)
{
    return t ? t->toString() : QString();
}

// A realistic answer from the data folder.
QByteArray sample(const char* fileName = "positions.json")
{
    QFile file(QStringLiteral(CORVANE_SAMPLES_DIR "/") + QLatin1String(fileName));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", fileName);
    return file.readAll();
}

QJsonValue replaced(const QJsonValue& node, QStringList path, const QJsonValue& value)
{
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const qsizetype index = step.toInt();
        array[index] = path.isEmpty() ? value : replaced(array.at(index), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (!path.isEmpty())
        object.insert(step, replaced(object.value(step), path, value));
    else if (value.isUndefined())
        object.remove(step);
    else
        object.insert(step, value);
    return object;
}

// The answer with one value replaced, path separated by '/' ("data/0/legs/2/quantity"); an
// undefined value removes the key.
QByteArray edited(const QByteArray& json, const QString& path, const QJsonValue& value)
{
    const QJsonValue root = QJsonDocument::fromJson(json).object();
    return QJsonDocument(replaced(root, path.split(u'/'), value).toObject())
        .toJson(QJsonDocument::Compact);
}

std::optional<ApiResponse> decoded(const QByteArray& json)
{
    const auto result = decodeApiResponse(json);
    if (!result.ok())
        qWarning("%s", qPrintable(result.error()));
    return result.ok() ? std::optional(result.value()) : std::nullopt;
}

} // namespace

// The platform's answers: positions, bots and broker connections, decoded strictly.
class RecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesARealisticAnswer()
    {
        const auto result = decodeApiResponse(sample());
        QVERIFY2(result.ok(), qPrintable(result.error()));
        const ApiResponse& r = result.value();
        QVERIFY(r.success);
        QCOMPARE(r.data->size(), 1);
        const PositionData& p = r.data->first();
        QCOMPARE(p.bot.name.toString(), u"SPX 0DTE Iron Condor"_s);
        QCOMPARE(p.bot.number.toString(), u"bot_7hq2k"_s);
        QCOMPARE(text(p.status), u"OPEN"_s);
        QCOMPARE(text(p.brokerConnection->number), u"bc_7h2k9"_s);
        QCOMPARE(text(p.current_profit), u"170.00"_s);
        QCOMPARE(text(p.profit_dollars), u"170.00"_s);
        QCOMPARE(text(p.current_delta), u"-0.0312"_s);
        QCOMPARE(text(p.max_risk), u"780.00"_s);
        QCOMPARE(p.entry_value, 220.0);
        QCOMPARE(text(p.entered_at), u"2026-12-04T10:31:07.123456-05:00"_s);
        QCOMPARE(p.legs.size(), 4);
        const Leg& shortPut = p.legs.at(1);
        QCOMPARE(shortPut.quantity, Q_INT64_C(-2));
        QCOMPARE(shortPut.days_to_expiration, Q_INT64_C(0));
        QCOMPARE(text(shortPut.entered_at), u"2026-12-04T15:31:07.123Z"_s);
    }

    // The texts are views: escapes are undone, and a copy of the answer keeps them readable
    // after the body and the first answer are gone, whether the body had room for the parser
    // to read past its end (viewed in place) or not (viewed in a copy).
    void textsLiveAsLongAsTheAnswer()
    {
        const QString name = u"Iron \"Condor\" \u00e9\\ \n\U0001F600"_s;
        const QByteArray edit = edited(sample(), u"data/0/bot/name"_s, name);
        QVERIFY(edit.contains("\\\"Condor\\\""));
        for (const qsizetype room : {0, 64}) {
            QByteArray body = edit;
            body.squeeze();
            body.reserve(body.size() + room);
            std::optional<ApiResponse> copy;
            {
                const auto result = decodeApiResponse(body);
                QVERIFY2(result.ok(), qPrintable(result.error()));
                copy = result.value();
            }
            body.fill('x');
            body.squeeze();
            QCOMPARE(copy->data->first().bot.name.toString(), name);
            QCOMPARE(copy->data->first().status->toString(), u"OPEN"_s);
        }
    }

    // Shapes that must decode, each with what the user of the record relies on.
    void acceptedShapes()
    {
        // Skipping an ignored value is iterative, so even absurd nesting costs no stack.
        for (const QByteArray& json :
             {QByteArray(R"({"success":true,"message":""})"),
              QByteArray(QByteArray(R"({"success":true,"message":"","extra":)") +
                         QByteArray(100000, '[') + QByteArray(100000, ']') + '}')}) {
            const auto r = decoded(json);
            QVERIFY(r && r->success && r->message.isEmpty() && !r->data);
        }
        const auto nullBroker =
            decoded(edited(sample(), u"data/0/broker_connection"_s, QJsonValue()));
        QVERIFY(nullBroker && !nullBroker->data->first().brokerConnection);
        const auto noLegs = decoded(edited(sample(), u"data/0/legs"_s, QJsonArray()));
        QVERIFY(noLegs && noLegs->data->first().legs.isEmpty());
        // In its usual place, where the key expected next is "current_profit".
        const auto longerKey =
            decoded(QByteArray(sample()).replace("\"current_profit\":", "\"current_profits\":"));
        QVERIFY(longerKey && !longerKey->data->first().current_profit);
        QCOMPARE(text(longerKey->data->first().profit_dollars), u"170.00"_s);
        // Keys are compared a word (8 bytes) at a time: look-alikes that differ only past the
        // first word, in the last byte of a whole word, or by stopping one byte short are other
        // keys, skipped whatever their type, and the real key is still read where it stands.
        const auto lookAlikes =
            decoded(QByteArray(sample())
                        .replace("\"days_to_expiration\": 0", "\"days_to_expiratioN\": 0")
                        .replace("\"expiration_date\": \"2026-12-04\"", "\"expiration_datE\": 5")
                        .replace("\"quantity\": 2", "\"quantit\": 2"));
        QVERIFY(lookAlikes);
        const QList<Leg>& legs = lookAlikes->data->first().legs;
        for (const Leg& leg : legs) {
            QVERIFY(!leg.days_to_expiration);
            QCOMPARE(text(leg.entered_at), u"2026-12-04T15:31:07.123Z"_s);
        }
        QVERIFY(!legs.at(0).quantity);
        QCOMPARE(legs.at(1).quantity, Q_INT64_C(-2));
    }

    // Each violation fails the whole answer, and the description leads to the key; raw bytes a
    // server or a proxy might send fail cleanly, never with a crash.
    void rejectedShapesNameTheKey_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("mentions");
        const QByteArray s = sample();
        QTest::newRow("success missing")
            << edited(s, u"success"_s, removed) << u"missing required key \"success\""_s;
        QTest::newRow("legs missing") << edited(s, u"data/0/legs"_s, removed)
                                      << u"\"data[0]\": missing required key \"legs\""_s;
        QTest::newRow("bot without name") << edited(s, u"data/0/bot/name"_s, removed)
                                          << u"\"data[0].bot\": missing required key \"name\""_s;
        // Keys that nothing reads are still held to their type.
        QTest::newRow("unread boolean as text")
            << edited(s, u"data/0/legs/1/heldToExpiration"_s, u"no"_s)
            << QStringLiteral("\"data[0].legs[1].heldToExpiration\": expected a boolean, found a "
                              "string");
        QTest::newRow("unread text as number")
            << edited(s, u"data/0/broker_connection/account_number"_s, 12345)
            << QStringLiteral("\"data[0].broker_connection.account_number\": expected a string, "
                              "found a number");
        // A key of exactly two words with its closing quote.
        QTest::newRow("unread text as number, key of a whole word's length")
            << QByteArray(s).replace("\"expiration_date\": \"2026-12-04\"",
                                     "\"expiration_date\": 5")
            << QStringLiteral("\"data[0].legs[0].expiration_date\": expected a string, found a "
                              "number");
        QTest::newRow("unread integer with a fraction")
            << edited(s, u"data/0/exitValue"_s, 0.5)
            << QStringLiteral("\"data[0].exitValue\": expected an integer, found a number with a "
                              "fraction");
        QTest::newRow("array at the root") << QByteArray("[]") << u"object"_s;
        QTest::newRow("deep nesting where positions belong")
            << QByteArray(R"({"success":true,"message":"","data":)") + QByteArray(100000, '[') +
                   QByteArray(100000, ']') + '}'
            << u"\"data[0]\": expected an object"_s;
        QTest::newRow("unbalanced deep nesting")
            << QByteArray(R"({"success":true,"message":"","extra":)") + QByteArray(100000, '[')
            << u"JSON"_s;
        QTest::newRow("bad atom under an unknown key")
            << QByteArray(s).replace("\"success\": true", "\"junk\": tru, \"success\": true")
            << u"JSON"_s;
        QTest::newRow("bad escape in an unread text")
            << QByteArray(s).replace("\"0dte,condor\"", "\"0dte\\qcondor\"")
            << u"\"data[0].tags\""_s;
        QTest::newRow("integer beyond 64 bits")
            << QByteArray(s).replace("\"quantity\": 2",
                                     "\"quantity\": 123456789012345678901234567890")
            << u"quantity"_s;
    }

    void rejectedShapesNameTheKey()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, mentions);
        const auto result = decodeApiResponse(body);
        QVERIFY(!result.ok());
        QVERIFY2(result.error().contains(mentions), qPrintable(result.error()));
    }

    void decodesABotWithEveryNestedRecord()
    {
        const auto result = decodeBotModel(sample("bots.json"));
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
    void botShapes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error"); // empty: decodes
        const QByteArray s = sample("bots.json");
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

    void botShapes()
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

CORVANE_TEST(RecordsTest)
#include "test_records.moc"
