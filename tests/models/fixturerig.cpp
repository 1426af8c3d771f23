#include "fixturerig.h"

#include "engine/apiresponseprocessor.h"
#include "engine/recordconversions.h"
#include "orrisfield.h"
#include "platform_api/brokerrecords.h"
#include "platform_api/positionrecords.h"

#include <QCoreApplication>
#include <QTest>

namespace corvane::test {

namespace {

const QDate tradingDay(2026, 12, 1);

QByteArray fixtureAnswer(const QString& path, const QString& apiKey)
{
    static const fake::Orrisfield orrisfield;
    fake::HttpRequest request;
    request.method = "GET";
    request.path = path;
    request.query = {{QStringLiteral("from_date"), tradingDay.addDays(-1).toString(Qt::ISODate)},
                     {QStringLiteral("to_date"), tradingDay.toString(Qt::ISODate)}};
    request.headers = {{"Authorization", "Bearer " + apiKey.toUtf8()}};
    return orrisfield.answer(request).body;
}

} // namespace

FixtureRig::FixtureRig()
    : clock(newYork(2026, 12, 1, 14, 7))
{}

QUuid FixtureRig::addFixtureAccount(const QString& apiKey)
{
    auto positions =
        decodeApiResponse(fixtureAnswer(QStringLiteral("/v1/bots/positions/"), apiKey));
    auto brokers =
        decodeBrokerResponse(fixtureAnswer(QStringLiteral("/v1/broker_connections"), apiKey));
    if (!positions.ok() || !brokers.ok())
        qFatal("Fixture of %s does not decode: %s %s", qPrintable(apiKey),
               qPrintable(positions.error()), qPrintable(brokers.error()));

    for (const auto& [number, group] : groupByBroker(positions.value())) {
        const BrokerTally tally = tallyGroup(group, tradingDay, tradingDay);
        auto result = std::make_shared<ProcessedData>();
        result->setTotal(tally.total);
        result->setBots(tally.bots);
        result->setStatuses(tally.statuses);
        result->setName(tally.name);
        result->setTradeInfo(tally.tradeInfo);
        for (const BrokerAccount& broker : brokers.value().data) {
            if (broker.number == number) {
                result->setNLV(broker.netLiquidationValue);
                result->setBrokerExpiration(broker.expiresAt);
            }
        }
        store.addProcessedData(number, result);
    }

    AccountSettings account = AccountSettings::newAccount();
    account.apiKey = apiKey;
    account.nickName = apiKey;
    account.keyVerified = true;
    account.brokerSettings = brokerSettingsFrom(brokers.value().data);
    settings.setAccount(account);
    QCoreApplication::processEvents();
    return account.accountName;
}

} // namespace corvane::test
