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

namespace {

QJsonObject parseObject(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

QJsonArray parseArray(const QByteArray& json)
{
    const QJsonArray array = QJsonDocument::fromJson(json).array();
    Q_ASSERT(!array.isEmpty());
    return array;
}

BrokerSettings broker(const QString& number, bool enabled)
{
    BrokerSettings b;
    b.brokerName = QStringLiteral("Tradier");
    b.brokerNumber = number;
    b.brokerAccountNumber = QStringLiteral("6YA0") + number;
    b.nickname = QStringLiteral("Main \"IRA\" ü");
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
        account.apiKey = QStringLiteral("key/with\"quotes\"\n\\");
        account.brokerSettings = {broker(QStringLiteral("17"), true),
                                  broker(QStringLiteral(""), false)};
        const QByteArray botJson = R"({"botName":"Iron","botNumber":"12","botStatus":"on",
            "botIsPaper":true,"alertOnOpen":false,"alertOnClose":true})";
        account.bots = {BotSettings::fromJson(parseObject(botJson), temp.suite())};

        AccountMap map{{account.accountName, account}};
        const QByteArray stored = encodeAccountMap(map);
        const auto decoded = decodeAccountMap(stored, temp.suite());
        QVERIFY2(decoded.ok(), qPrintable(decoded.error()));
        QCOMPARE(decoded.value(), map);
        QCOMPARE(decoded.value().first().bots.first()->botName(), QStringLiteral("Iron"));
        QCOMPARE(encodeAccountMap(decoded.value()), stored);

        // The map is an array alternating the upper-case UUID text and the account.
        const QJsonArray array = QJsonDocument::fromJson(stored).array();
        QCOMPARE(array.size(), 2);
        const QString uuidText = account.accountName.toString(QUuid::WithoutBraces).toUpper();
        QCOMPARE(array.at(0).toString(), uuidText);
        QCOMPARE(array.at(1).toObject().keys().size(), 10);
        QCOMPARE(array.at(1)[QStringLiteral("accountName")].toString(), uuidText);
        QCOMPARE(array.at(1)[QStringLiteral("brokerSettings")][0][QStringLiteral("id")].toString(),
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
        QCOMPARE(account.accountName,
                 QUuid(QStringLiteral("3f2504e0-4f89-11d3-9a0c-0305e82c3301")));
        const QJsonObject written = toJson(account);
        QCOMPARE(written[QStringLiteral("filterBrokers")], QJsonValue(false));
        QCOMPARE(written[QStringLiteral("brokerSettings")], QJsonValue(QJsonArray()));
    }

    void badAccountFailsNamingTheKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("replacement"); // undefined removes the key
        const QJsonValue absent(QJsonValue::Undefined);
        for (const char* key : {"apiKey", "nickName", "bots", "accountName", "watchAccount",
                                "keyVerified", "allBots", "paperLiveBoth"})
            QTest::addRow("%s absent", key) << QString::fromLatin1(key) << absent;
        QTest::newRow("uuid braces")
            << QStringLiteral("accountName")
            << QJsonValue(QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"));
        QTest::newRow("uuid short") << QStringLiteral("accountName")
                                    << QJsonValue(QStringLiteral("3F2504E0-4F89-11D3-9A0C"));
        QTest::newRow("brokers not an array")
            << QStringLiteral("brokerSettings") << QJsonValue(QJsonObject());
        QTest::newRow("broker without watch")
            << QStringLiteral("brokerSettings")
            << QJsonValue(parseArray(R"([{"id":"3F2504E0-4F89-11D3-9A0C-0305E82C3301",
                "brokerName":"","brokerNumber":"","brokerAccountNumber":"","nickname":"",
                "enabled":true}])"));
        QTest::newRow("bot without alertOnClose")
            << QStringLiteral("bots") << QJsonValue(parseArray(R"([{"botName":"","botNumber":"",
                "botStatus":"","botIsPaper":true,"alertOnOpen":true}])"));
    }

    void badAccountFailsNamingTheKey()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, replacement);
        test::TempSuite temp;
        QJsonObject object = parseObject(oldAccount);
        if (replacement.isUndefined())
            object.remove(key);
        else
            object.insert(key, replacement);
        const QByteArray stored =
            QJsonDocument(
                QJsonArray{QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301"), object})
                .toJson(QJsonDocument::Compact);
        const auto decoded = decodeAccountMap(stored, temp.suite());
        QVERIFY(!decoded.ok());
        QVERIFY2(decoded.error().contains(key), qPrintable(decoded.error()));
    }

    void malformedAccountMapsFail_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("odd length") << QByteArray(R"(["3F2504E0-4F89-11D3-9A0C-0305E82C3301"])");
        QTest::newRow("key not a uuid") << (QByteArray(R"(["x",)") + oldAccount + "]");
        QTest::newRow("value not an object")
            << QByteArray(R"(["3F2504E0-4F89-11D3-9A0C-0305E82C3301",3])");
    }

    void malformedAccountMapsFail()
    {
        QFETCH(QByteArray, stored);
        test::TempSuite temp;
        QVERIFY(!decodeAccountMap(stored, temp.suite()).ok());
    }

    void brokerFromConnection_data()
    {
        QTest::addColumn<std::optional<QString>>("status");
        QTest::addColumn<bool>("active");
        QTest::newRow("Active") << std::optional(QStringLiteral("Active")) << true;
        QTest::newRow("lower case") << std::optional(QStringLiteral("active")) << false;
        QTest::newRow("expired") << std::optional(QStringLiteral("Expired")) << false;
        QTest::newRow("absent") << std::optional<QString>() << false;
    }

    // Names and numbers, and an inactive broker's missing tab, come through the verification in
    // the fixture tests; here: what the status alone decides, and fields the platform leaves out.
    void brokerFromConnection()
    {
        QFETCH(std::optional<QString>, status);
        QFETCH(bool, active);
        BrokerAccount sparse;
        sparse.number = QStringLiteral("10");
        sparse.accountNumber = QStringLiteral("A-1");
        sparse.status = status;
        const auto brokers = brokerSettingsFrom(QList<BrokerAccount>{sparse, sparse});
        QCOMPARE(brokers[0].brokerNumber, QStringLiteral("10"));
        QCOMPARE(brokers[0].brokerAccountNumber, QStringLiteral("A-1"));
        QVERIFY(brokers[0].brokerName.isEmpty() && brokers[0].nickname.isEmpty());
        QCOMPARE(brokers[0].enabled, active);
        QCOMPARE(brokers[0].watch, active);
        QVERIFY(!brokers[0].id.isNull() && brokers[0].id != brokers[1].id);
    }

    void frequencySelectionStoredForm_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("ok");
        QTest::newRow("ordinary") << QByteArray(R"({"minuteValue":5,"hourValue":2})") << true;
        QTest::newRow("missing hour") << QByteArray(R"({"minuteValue":5})") << false;
        QTest::newRow("fraction") << QByteArray(R"({"hourValue":1.5,"minuteValue":5})") << false;
        QTest::newRow("array") << QByteArray("[2,5]") << false;
    }

    void frequencySelectionStoredForm()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, ok);
        const auto decoded = decodeFrequencySelection(stored);
        QCOMPARE(decoded.ok(), ok);
        if (ok) {
            QCOMPARE(decoded.value(), (FrequencySelection{2, 5}));
            QCOMPARE(decodeFrequencySelection(encodeFrequencySelection(decoded.value())).value(),
                     decoded.value());
        }
    }

    void botSettingsWriteFlatKeysOnlyWhenAssigned()
    {
        test::TempSuite temp;
        const QByteArray stored = R"([{"botName":"A","botNumber":"1","botStatus":"on",
            "botIsPaper":false,"alertOnOpen":false,"alertOnClose":false}])";
        const auto bots = decodeBots(stored, temp.suite());
        QVERIFY(bots.ok());
        QVERIFY(!temp.suite().contains(QStringLiteral("botName")));

        BotSettings& bot = *bots.value().first();
        QCOMPARE(&bot.defaults(), &temp.suite());
        QSignalSpy spy(&bot, &BotSettings::alertOnOpenChanged);
        bot.setAlertOnOpen(true);
        bot.setBotName(QStringLiteral("B"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(temp.reopen().boolean(QStringLiteral("alertOnOpen")), true);
        QCOMPARE(temp.suite().text(QStringLiteral("botName")), QStringLiteral("B"));
    }
};

CORVANE_TEST(RecordsTest)
#include "test_records.moc"
