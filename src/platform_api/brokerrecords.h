#pragma once

#include "base/wire.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace corvane {

// One broker connection of an Orrisfield account ("/v1/broker_connections"). Every field
// stays text as the platform sends it; nothing is parsed.
struct BrokerAccount {
    std::optional<QString> broker;
    std::optional<QString> name;
    std::optional<QString> number;
    std::optional<QString> status;
    std::optional<QString> accountNumber;       // "account_number"
    std::optional<QString> netLiquidationValue; // "net_liquidation_value"
    std::optional<QString> expiresAt;           // "expires_at"

    bool operator==(const BrokerAccount&) const = default;
};

struct BrokerResponse {
    bool success = false;
    QString message;
    QList<BrokerAccount> data;

    bool operator==(const BrokerResponse&) const = default;
};

wire::Result<BrokerResponse> decodeBrokerResponse(const QByteArray& body);

} // namespace corvane
