#include "engine/recordconversions.h"
#include "settings/accountsettings.h"
#include "settings/frequency.h"
#include "support/tempsuite.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

namespace {

QJsonObject parseObject(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

BrokerSettings broker(const QString& number, bool enabled)
{
    BrokerSettings b;
    b.brokerName = u"Tradier"_s;
    b.brokerNumber = number;
    b.brokerAccountNumber = u"6YA0"_s + number;
    b.nickname = u"Main \"IRA\" ü"_s;
    b.enabled = enabled;
    b.watch = !enabled;
    return b;
}

const QByteArray oldAccount = R"({"apiKey":"k-1","nickName":"Old","bots":[],
    "accountName":"3F2504E0-4F89-11D3-9A0C-0305E82C3301","watchAccount":true,
    "keyVerified":true,"allBots":false,"paperLiveBoth":"paper"})";

} // namespace

class RecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void accountRoundTripIsExact()
    {
        test::TempSuite temp;
        AccountSettings account = AccountSettings::newAccount();
        account.apiKey = u"key/with\"quotes\"\n\\"_s;
        account.brokerSettings = {broker(u"17"_s, true), broker(u""_s, false)};
        const QByteArray botJson = R"({"botName":"Iron","botNumber":"12","botStatus":"on",
            "botIsPaper":true,"alertOnOpen":false,"alertOnClose":true})";
        account.bots = {BotSettings::fromJson(parseObject(botJson), temp.suite())};

        AccountMap map{{account.accountName, account}};
        const QByteArray stored = encodeAccountMap(map);
        const auto decoded = decodeAccountMap(stored, temp.suite());
        QVERIFY2(decoded.ok(), qPrintable(decoded.error()));
        QCOMPARE(decoded.value(), map);
        QCOMPARE(decoded.value().first().bots.first()->botName(), u"Iron"_s);
        QCOMPARE(encodeAccountMap(decoded.value()), stored);

        // The map is an array alternating the upper-case UUID text and the account.
        const QJsonArray array = QJsonDocument::fromJson(stored).array();
        QCOMPARE(array.size(), 2);
        const QString uuidText = account.accountName.toString(QUuid::WithoutBraces).toUpper();
        QCOMPARE(array.at(0).toString(), uuidText);
        QCOMPARE(array.at(1).toObject().keys().size(), 10);
        QCOMPARE(array.at(1)[u"accountName"_s].toString(), uuidText);
        QCOMPARE(array.at(1)[u"brokerSettings"_s][0][u"id"_s].toString(),
                 account.brokerSettings.first().id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(encodeAccountMap({}), QByteArray("[]"));
    }

    void dataWrittenBeforeTheOptionalKeysLoads()
    {
        test::TempSuite temp;
        const AccountSettings account =
            accountSettingsFromJson(parseObject(oldAccount), temp.suite());
        QCOMPARE(account.filterBrokers, false);
        QVERIFY(account.brokerSettings.isEmpty());
        QCOMPARE(account.accountName, QUuid(u"3f2504e0-4f89-11d3-9a0c-0305e82c3301"_s));
        const QJsonObject written = toJson(account);
        QCOMPARE(written[u"filterBrokers"_s], QJsonValue(false));
        QCOMPARE(written[u"brokerSettings"_s], QJsonValue(QJsonArray()));
    }

    // A bad account fails naming its key; a malformed map fails as a whole.
    void badAccountMapsFail_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("key"); // empty: any description
        const QString uuid = u"3F2504E0-4F89-11D3-9A0C-0305E82C3301"_s;
        const auto with = [&](const QString& key, const QJsonValue& value) {
            QJsonObject object = parseObject(oldAccount);
            if (value.isUndefined())
                object.remove(key);
            else
                object.insert(key, value);
            return QJsonDocument(QJsonArray{uuid, object}).toJson(QJsonDocument::Compact);
        };
        for (const char* key : {"apiKey", "nickName", "bots", "accountName", "watchAccount",
                                "keyVerified", "allBots", "paperLiveBoth"})
            QTest::addRow("%s absent", key)
                << with(QString::fromLatin1(key), QJsonValue(QJsonValue::Undefined))
                << QString::fromLatin1(key);
        QTest::newRow("uuid braces")
            << with(u"accountName"_s, QString(u'{' + uuid + u'}')) << u"accountName"_s;
        QTest::newRow("uuid short") << with(u"accountName"_s, uuid.left(23)) << u"accountName"_s;
        QTest::newRow("brokers not an array")
            << with(u"brokerSettings"_s, QJsonObject()) << u"brokerSettings"_s;
        QTest::newRow("broker without watch")
            << with(u"brokerSettings"_s,
                    QJsonDocument::fromJson(R"([{"id":"3F2504E0-4F89-11D3-9A0C-0305E82C3301",
                "brokerName":"","brokerNumber":"","brokerAccountNumber":"","nickname":"",
                "enabled":true}])")
                        .array())
            << u"brokerSettings"_s;
        QTest::newRow("bot without alertOnClose")
            << with(u"bots"_s, QJsonDocument::fromJson(R"([{"botName":"","botNumber":"",
                "botStatus":"","botIsPaper":true,"alertOnOpen":true}])")
                                   .array())
            << u"bots"_s;
        QTest::newRow("odd length") << ("[\"" + uuid.toLatin1() + "\"]") << QString();
        QTest::newRow("key not a uuid") << (QByteArray(R"(["x",)") + oldAccount + "]") << QString();
        QTest::newRow("value not an object") << ("[\"" + uuid.toLatin1() + "\",3]") << QString();
    }

    void badAccountMapsFail()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, key);
        test::TempSuite temp;
        const auto decoded = decodeAccountMap(stored, temp.suite());
        QVERIFY(!decoded.ok());
        QVERIFY2(decoded.error().contains(key), qPrintable(decoded.error()));
    }

    // Names and numbers, and an inactive broker's missing tab, come through the verification in
    // the fixture tests; here: what the status alone decides, and fields the platform leaves out.
    void brokerFromConnection()
    {
        BrokerAccount sparse;
        sparse.number = u"10"_s;
        sparse.accountNumber = u"A-1"_s;
        for (const std::optional<QString>& status :
             {std::optional(u"Active"_s), std::optional(u"active"_s), std::optional<QString>()}) {
            sparse.status = status;
            const auto brokers = brokerSettingsFrom(QList<BrokerAccount>{sparse, sparse});
            QCOMPARE(brokers[0].brokerNumber, u"10"_s);
            QCOMPARE(brokers[0].brokerAccountNumber, u"A-1"_s);
            QVERIFY(brokers[0].brokerName.isEmpty() && brokers[0].nickname.isEmpty());
            const bool active = status == u"Active"_s; // exactly the platform's spelling
            QCOMPARE(brokers[0].enabled, active);
            QCOMPARE(brokers[0].watch, active);
            QVERIFY(!brokers[0].id.isNull() && brokers[0].id != brokers[1].id);
        }
    }

    // The choices the general settings offer; only they have a case.
    void frequencyChoices()
    {
        QList<int> hours, minutes;
        for (FrequencyHour hour : allFrequencyHours())
            hours.append(static_cast<int>(hour));
        for (FrequencyMinute minute : allFrequencyMinutes())
            minutes.append(static_cast<int>(minute));
        QCOMPARE(hours, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(minutes, (QList<int>{1, 5, 10, 20, 30, 40, 50}));
        for (int value = -1; value <= 60; ++value) {
            QCOMPARE(frequencyHourFrom(value).has_value(), hours.contains(value));
            QCOMPARE(frequencyMinuteFrom(value).has_value(), minutes.contains(value));
        }
    }

    void frequencySelectionStoredForm()
    {
        const auto decoded = decodeFrequencySelection(R"({"minuteValue":5,"hourValue":2})");
        QVERIFY(decoded.ok());
        QCOMPARE(decoded.value(), (FrequencySelection{2, 5}));
        QCOMPARE(decodeFrequencySelection(encodeFrequencySelection(decoded.value())).value(),
                 decoded.value());
        for (const QByteArray& stored :
             {QByteArray(R"({"minuteValue":5})"),
              QByteArray(R"({"hourValue":1.5,"minuteValue":5})"), QByteArray("[2,5]")})
            QVERIFY2(!decodeFrequencySelection(stored).ok(), stored.constData());
    }

    void botSettingsWriteFlatKeysOnlyWhenAssigned()
    {
        test::TempSuite temp;
        const QByteArray stored = R"([{"botName":"A","botNumber":"1","botStatus":"on",
            "botIsPaper":false,"alertOnOpen":false,"alertOnClose":false}])";
        const auto bots = decodeBots(stored, temp.suite());
        QVERIFY(bots.ok());
        QVERIFY(!temp.suite().contains(u"botName"_s));

        BotSettings& bot = *bots.value().first();
        QSignalSpy spy(&bot, &BotSettings::alertOnOpenChanged);
        bot.setAlertOnOpen(true);
        bot.setBotName(u"B"_s);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(temp.reopen().boolean(u"alertOnOpen"_s), true);
        QCOMPARE(temp.suite().text(u"botName"_s), u"B"_s);
    }
};

CORVANE_TEST(RecordsTest)
#include "test_records.moc"
