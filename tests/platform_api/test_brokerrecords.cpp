#include "platform_api/brokerrecords.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace corvane;

class BrokerRecordsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        QCOMPARE(r.message, QStringLiteral("OK"));
        QCOMPARE(r.data.size(), 2);
        BrokerAccount onlyTwo;
        onlyTwo.broker = QStringLiteral("Tradier");
        onlyTwo.number = QStringLiteral("bc_1");
        QCOMPARE(r.data.at(0), onlyTwo); // the other five fields empty
        QVERIFY(!r.data.at(1).accountNumber.has_value());
        QCOMPARE(r.data.at(1).netLiquidationValue, QStringLiteral("10250.75")); // stays text
        QCOMPARE(r.data.at(1).status, QStringLiteral("Active"));
    }

    void envelopeRules_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error"); // empty: decodes
        QTest::newRow("empty list")
            << QByteArray(R"({"success":false,"message":"","data":[]})") << QString();
        QTest::newRow("message missing") << QByteArray(R"({"success":true,"data":[]})")
                                         << QStringLiteral("missing required key \"message\"");
        QTest::newRow("data missing") << QByteArray(R"({"success":true,"message":""})")
                                      << QStringLiteral("missing required key \"data\"");
    }

    void envelopeRules()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto result = decodeBrokerResponse(json);
        QCOMPARE(result.ok(), error.isEmpty());
        QCOMPARE(result.error(), error);
    }

    void encodesOnlyPresentAccountKeys()
    {
        BrokerAccount account;
        account.name = QStringLiteral("Main IRA");
        account.accountNumber = QStringLiteral("6YA12345");
        const BrokerResponse response{true, QString(), {account, BrokerAccount()}};

        const QByteArray bytes = encodeBrokerResponse(response);
        const QJsonObject root = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(root.keys(), (QStringList{QStringLiteral("data"), QStringLiteral("message"),
                                           QStringLiteral("success")}));
        const QJsonObject first = root.value(QStringLiteral("data")).toArray().at(0).toObject();
        QCOMPARE(first.keys(),
                 (QStringList{QStringLiteral("account_number"), QStringLiteral("name")}));
        QVERIFY(root.value(QStringLiteral("data")).toArray().at(1).toObject().isEmpty());

        const auto back = decodeBrokerResponse(bytes);
        QVERIFY2(back.ok(), qPrintable(back.error()));
        QCOMPARE(back.value(), response);
    }
};

CORVANE_TEST(BrokerRecordsTest)

#include "test_brokerrecords.moc"
