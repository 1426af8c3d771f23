#include "recordconversions.h"

namespace corvane {

BrokerSettings brokerSettingsFrom(const BrokerAccount& account)
{
    BrokerSettings broker;
    broker.brokerName = account.broker.value_or(QString());
    broker.brokerNumber = account.number.value_or(QString());
    broker.brokerAccountNumber = account.accountNumber.value_or(QString());
    broker.nickname = account.name.value_or(QString());
    const bool active = account.status == QStringLiteral("Active");
    broker.enabled = active;
    broker.watch = active;
    return broker;
}

QList<BrokerSettings> brokerSettingsFrom(const QList<BrokerAccount>& accounts)
{
    QList<BrokerSettings> brokers;
    brokers.reserve(accounts.size());
    for (const BrokerAccount& account : accounts)
        brokers.append(brokerSettingsFrom(account));
    return brokers;
}

} // namespace corvane
