#include "brokersettings.h"

#include "storedjson.h"

namespace corvane {

size_t qHash(const BrokerSettings& broker, size_t seed)
{
    return qHashMulti(seed, broker.id, broker.brokerName, broker.brokerNumber,
                      broker.brokerAccountNumber, broker.nickname, broker.enabled, broker.watch);
}

QJsonObject toJson(const BrokerSettings& broker)
{
    return QJsonObject{{QStringLiteral("id"), stored::uuidText(broker.id)},
                       {QStringLiteral("brokerName"), broker.brokerName},
                       {QStringLiteral("brokerNumber"), broker.brokerNumber},
                       {QStringLiteral("brokerAccountNumber"), broker.brokerAccountNumber},
                       {QStringLiteral("nickname"), broker.nickname},
                       {QStringLiteral("enabled"), broker.enabled},
                       {QStringLiteral("watch"), broker.watch}};
}

BrokerSettings brokerSettingsFromJson(const QJsonValue& value)
{
    const QJsonObject object = stored::object(value);
    BrokerSettings broker;
    broker.id = stored::uuid(object, QStringLiteral("id"));
    broker.brokerName = stored::text(object, QStringLiteral("brokerName"));
    broker.brokerNumber = stored::text(object, QStringLiteral("brokerNumber"));
    broker.brokerAccountNumber = stored::text(object, QStringLiteral("brokerAccountNumber"));
    broker.nickname = stored::text(object, QStringLiteral("nickname"));
    broker.enabled = stored::boolean(object, QStringLiteral("enabled"));
    broker.watch = stored::boolean(object, QStringLiteral("watch"));
    return broker;
}
} // namespace corvane
