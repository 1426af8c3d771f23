#include "platform_api/brokerrecords.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace corvane;
using namespace Qt::StringLiterals;

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

    void encodesOnlyPresentAccountKeys()
    {
        BrokerAccount account;
        account.name = u"Main IRA"_s;
        account.accountNumber = u"6YA12345"_s;
        const BrokerResponse response{true, QString(), {account, BrokerAccount()}};

        const QByteArray bytes = encodeBrokerResponse(response);
        const QJsonObject root = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(root.keys(), (QStringList{u"data"_s, u"message"_s, u"success"_s}));
        const QJsonObject first = root.value(u"data"_s).toArray().at(0).toObject();
        QCOMPARE(first.keys(), (QStringList{u"account_number"_s, u"name"_s}));
        QVERIFY(root.value(u"data"_s).toArray().at(1).toObject().isEmpty());

        const auto back = decodeBrokerResponse(bytes);
        QVERIFY2(back.ok(), qPrintable(back.error()));
        QCOMPARE(back.value(), response);
    }
};

CORVANE_TEST(BrokerRecordsTest)

#include "test_brokerrecords.moc"
