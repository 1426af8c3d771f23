#pragma once

#include "base/wire.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace corvane {

// The positions answer of the platform ("/v1/bots/positions/"). It is only ever read. Field
// names follow the platform's keys; a few camelCase fields come from snake_case keys (noted).

struct Bot {
    QString name;
    QString number;

    bool operator==(const Bot&) const = default;
};

struct BrokerConnection {
    std::optional<QString> broker;
    std::optional<QString> name;
    // The one identifier of a broker connection: positions are grouped and tallied by it.
    std::optional<QString> number;
    std::optional<QString> accountNumber; // "account_number"

    bool operator==(const BrokerConnection&) const = default;
};

struct Leg {
    std::optional<QString> status;
    std::optional<QString> type;
    std::optional<QString> action;
    std::optional<QString> instrument;
    std::optional<QString> symbol;
    std::optional<QString> expirationDate; // "expiration_date"
    std::optional<qint64> days_to_expiration;
    std::optional<qint64> daysToExpirationAtExit;
    std::optional<QString> strikePrice;
    std::optional<qint64> quantity;
    std::optional<qint64> quantityOpen;
    std::optional<QString> entered_at;
    std::optional<QString> exitedAt;
    std::optional<QString> entryBid;
    std::optional<QString> entryAsk;
    std::optional<QString> entryPrice; // text on a leg, a number on a position
    std::optional<QString> exitBid;
    std::optional<QString> exitAsk;
    std::optional<double> exitPrice;
    std::optional<QString> currentBid;
    std::optional<QString> currentMid;
    std::optional<QString> currentAsk;
    std::optional<double> currentProfit;
    std::optional<QString> currentDelta;
    std::optional<double> profitDollars; // a number on a leg, text on a position
    std::optional<QString> deltaAtEntry;
    std::optional<QString> deltaAtExit;
    std::optional<QString> ivAtEntry;
    std::optional<QString> ivAtExit;
    std::optional<bool> heldToExpiration;
    std::optional<bool> assigned;
    std::optional<bool> exercised;

    bool operator==(const Leg&) const = default;
};

struct PositionData {
    std::optional<QString> number;
    std::optional<QString> status;
    Bot bot;
    std::optional<BrokerConnection> brokerConnection; // "broker_connection"
    std::optional<bool> is_paper;
    std::optional<QString> tags;
    std::optional<QString> symbol;
    std::optional<QString> type;
    std::optional<QString> entered_at; // "yyyy-MM-dd'T'HH:mm:ss.SSSSSSZ"
    std::optional<QString> exited_at;
    std::optional<QString> entryBid;
    std::optional<QString> entryAsk;
    std::optional<double> entryPrice;
    std::optional<QString> exitBid;
    std::optional<QString> exitAsk;
    std::optional<double> exitPrice;
    std::optional<double> brokerFee;
    std::optional<QString> currentBid;
    std::optional<QString> currentMid;
    std::optional<QString> currentAsk;
    std::optional<QString> current_profit; // a decimal number in text
    std::optional<QString> current_delta;
    std::optional<double> entry_value;
    std::optional<qint64> exitValue;
    std::optional<QString> max_risk;
    std::optional<QString> profit_dollars; // a decimal number in text
    std::optional<QString> startingBalance;
    std::optional<QString> endingBalance;
    std::optional<double> underlyingAtEntry;
    std::optional<double> underlyingAtExit;
    std::optional<QString> vixAtEntry;
    std::optional<QString> vixAtExit;
    QList<Leg> legs;

    bool operator==(const PositionData&) const = default;
};

// Paging block: kept as received, never followed.
struct PagesInfo {
    std::optional<bool> hasPages;       // "has_pages"
    std::optional<qint64> itemsPerPage; // "items_per_page"
    std::optional<qint64> currentPage;  // "current_page"
    std::optional<qint64> lastPage;     // "last_page"
    std::optional<qint64> totalItems;   // "total_items"

    bool operator==(const PagesInfo&) const = default;
};

struct ApiResponse {
    bool success = false;
    QString message;
    std::optional<QList<PositionData>> data;
    std::optional<PagesInfo> pages;

    bool operator==(const ApiResponse&) const = default;
};

// Strict: a missing required key, null where a value is required, a value of another JSON type
// or malformed JSON fails the whole answer with a description naming the key.
wire::Result<ApiResponse> decodeApiResponse(const QByteArray& body);

} // namespace corvane
