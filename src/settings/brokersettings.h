#pragma once

#include <QHashFunctions>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

namespace corvane {

// One broker connection inside an account, as the user configured it. brokerNumber is the
// platform's number of the connection and keys the broker's result in the processed data
// store.
struct BrokerSettings {
    QUuid id = QUuid::createUuid();
    QString brokerName;
    QString brokerNumber;
    QString brokerAccountNumber;
    QString nickname;
    bool enabled = false;
    bool watch = false;

    bool operator==(const BrokerSettings&) const = default;
};

size_t qHash(const BrokerSettings& broker, size_t seed = 0);

// Stored with all seven keys, each required when read back.
QJsonObject toJson(const BrokerSettings& broker);
BrokerSettings brokerSettingsFromJson(const QJsonValue& value);

} // namespace corvane
