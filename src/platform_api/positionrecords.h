#pragma once

#include "base/wire.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace corvane {

// The positions answer of the platform ("/v1/bots/positions/"). It is only ever read. Field
// names follow the platform's keys; a few camelCase fields come from snake_case keys (noted).
//
// The records hold what the tally and the popover read, and nothing else: the other keys of a
// position or a leg are checked for their JSON type like these (a wrong type still fails the
// answer, naming the key) but not kept. A field that something comes to need is added here and
// moved from the checked keys to the decoded ones.
//
// An answer holds thousands of texts and the tally reads a handful of them, so the records view
// their texts (wire::Text) where they lie instead of owning a copy each: in the answer's bytes
// for a text without escapes, else in a storage of unescaped texts. A record is valid as long
// as a copy of the ApiResponse it came from lives.

struct Bot {
    wire::Text name;
    wire::Text number;

    bool operator==(const Bot&) const = default;
};

struct BrokerConnection {
    // The one identifier of a broker connection: positions are grouped and tallied by it.
    std::optional<wire::Text> number;

    bool operator==(const BrokerConnection&) const = default;
};

struct Leg {
    std::optional<qint64> days_to_expiration;
    std::optional<qint64> quantity;
    std::optional<wire::Text> entered_at;

    bool operator==(const Leg&) const = default;
};

struct PositionData {
    std::optional<wire::Text> status;
    Bot bot;
    std::optional<BrokerConnection> brokerConnection; // "broker_connection"
    std::optional<wire::Text> entered_at;             // "yyyy-MM-dd'T'HH:mm:ss.SSSSSSZ"
    std::optional<wire::Text> current_profit;         // a decimal number in text
    std::optional<wire::Text> current_delta;
    std::optional<double> entry_value;
    std::optional<wire::Text> max_risk;
    std::optional<wire::Text> profit_dollars; // a decimal number in text
    QList<Leg> legs;

    bool operator==(const PositionData&) const = default;
};

struct ApiResponse {
    bool success = false;
    QString message;
    std::optional<QList<PositionData>> data;

    // What the records' texts view; implicitly shared, so every copy keeps them valid.
    QByteArray answer; // the bytes decoded
    QByteArray texts;  // the texts that had escapes, unescaped
};

// Strict: a missing required key, null where a value is required, a value of another JSON type
// or malformed JSON fails the whole answer with a description naming the key.
wire::Result<ApiResponse> decodeApiResponse(const QByteArray& body);

} // namespace corvane
