#include "positionrecords.h"

#include "recordfields.h"

namespace corvane {

// Nested records are found by argument-dependent lookup from the generic readers.
static void readValue(wire::Value& v, Bot& out);
static void readValue(wire::Value& v, BrokerConnection& out);
static void readValue(wire::Value& v, Leg& out);
static void readValue(wire::Value& v, PositionData& out);

namespace {

using records::checked;
using records::decoded;
using Text = wire::Text;

constexpr std::array botFields{
    decoded<&Bot::name>("name"),
    decoded<&Bot::number>("number"),
};

constexpr std::array brokerConnectionFields{
    checked<BrokerConnection, Text>("broker"),
    checked<BrokerConnection, Text>("name"),
    decoded<&BrokerConnection::number>("number"),
    checked<BrokerConnection, Text>("account_number"),
};

// In the order the platform sends them, which readFields tries first.
constexpr std::array legFields{
    checked<Leg, Text>("status"),
    checked<Leg, Text>("type"),
    checked<Leg, Text>("action"),
    checked<Leg, Text>("instrument"),
    checked<Leg, Text>("symbol"),
    checked<Leg, Text>("expiration_date"),
    decoded<&Leg::days_to_expiration>("days_to_expiration"),
    checked<Leg, qint64>("daysToExpirationAtExit"),
    checked<Leg, Text>("strikePrice"),
    decoded<&Leg::quantity>("quantity"),
    checked<Leg, qint64>("quantityOpen"),
    decoded<&Leg::entered_at>("entered_at"),
    checked<Leg, Text>("exitedAt"),
    checked<Leg, Text>("entryBid"),
    checked<Leg, Text>("entryAsk"),
    checked<Leg, Text>("entryPrice"), // text on a leg, a number on a position
    checked<Leg, Text>("exitBid"),
    checked<Leg, Text>("exitAsk"),
    checked<Leg, double>("exitPrice"),
    checked<Leg, Text>("currentBid"),
    checked<Leg, Text>("currentMid"),
    checked<Leg, Text>("currentAsk"),
    checked<Leg, double>("currentProfit"),
    checked<Leg, Text>("currentDelta"),
    checked<Leg, double>("profitDollars"), // a number on a leg, text on a position
    checked<Leg, Text>("deltaAtEntry"),
    checked<Leg, Text>("deltaAtExit"),
    checked<Leg, Text>("ivAtEntry"),
    checked<Leg, Text>("ivAtExit"),
    checked<Leg, bool>("heldToExpiration"),
    checked<Leg, bool>("assigned"),
    checked<Leg, bool>("exercised"),
};

constexpr std::array positionFields{
    checked<PositionData, Text>("number"),
    decoded<&PositionData::status>("status"),
    decoded<&PositionData::bot>("bot"),
    decoded<&PositionData::brokerConnection>("broker_connection"),
    checked<PositionData, bool>("is_paper"),
    checked<PositionData, Text>("tags"),
    checked<PositionData, Text>("symbol"),
    checked<PositionData, Text>("type"),
    decoded<&PositionData::entered_at>("entered_at"),
    checked<PositionData, Text>("exited_at"),
    checked<PositionData, Text>("entryBid"),
    checked<PositionData, Text>("entryAsk"),
    checked<PositionData, double>("entryPrice"),
    checked<PositionData, Text>("exitBid"),
    checked<PositionData, Text>("exitAsk"),
    checked<PositionData, double>("exitPrice"),
    checked<PositionData, double>("brokerFee"),
    checked<PositionData, Text>("currentBid"),
    checked<PositionData, Text>("currentMid"),
    checked<PositionData, Text>("currentAsk"),
    decoded<&PositionData::current_profit>("current_profit"),
    decoded<&PositionData::current_delta>("current_delta"),
    decoded<&PositionData::entry_value>("entry_value"),
    checked<PositionData, qint64>("exitValue"),
    decoded<&PositionData::max_risk>("max_risk"),
    decoded<&PositionData::profit_dollars>("profit_dollars"),
    checked<PositionData, Text>("startingBalance"),
    checked<PositionData, Text>("endingBalance"),
    checked<PositionData, double>("underlyingAtEntry"),
    checked<PositionData, double>("underlyingAtExit"),
    checked<PositionData, Text>("vixAtEntry"),
    checked<PositionData, Text>("vixAtExit"),
    decoded<&PositionData::legs>("legs"),
};

constexpr std::array responseFields{
    decoded<&ApiResponse::success>("success"),
    decoded<&ApiResponse::message>("message"),
    decoded<&ApiResponse::data>("data"),
};

} // namespace

static void readValue(wire::Value& v, Bot& out)
{
    records::readFields(v, out, botFields);
}

static void readValue(wire::Value& v, BrokerConnection& out)
{
    records::readFields(v, out, brokerConnectionFields);
}

static void readValue(wire::Value& v, Leg& out)
{
    records::readFields(v, out, legFields);
}

static void readValue(wire::Value& v, PositionData& out)
{
    records::readFields(v, out, positionFields);
}

wire::Result<ApiResponse> decodeApiResponse(const QByteArray& body)
{
    // The texts without escapes are viewed in these bytes, so they stay with the answer.
    const QByteArray bytes = wire::padded(body);
    QByteArray texts;
    wire::Result<ApiResponse> result = [&] {
        // Unescaped, every text is shorter than it is on the wire.
        const wire::TextSink sink(texts, body.size());
        return wire::decode(bytes, [](wire::Value root) {
            ApiResponse response;
            records::readFields(root, response, responseFields);
            return response;
        });
    }();
    if (result.ok()) {
        result.value().answer = bytes;
        result.value().texts = std::move(texts);
    }
    return result;
}

} // namespace corvane
