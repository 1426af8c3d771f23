#include "brokerrecords.h"

#include "recordfields.h"

namespace corvane {

static void readValue(wire::Value& v, BrokerAccount& out);

namespace {

using records::decoded;

constexpr std::array accountFields{
    decoded<&BrokerAccount::broker>("broker"),
    decoded<&BrokerAccount::name>("name"),
    decoded<&BrokerAccount::number>("number"),
    decoded<&BrokerAccount::status>("status"),
    decoded<&BrokerAccount::accountNumber>("account_number"),
    decoded<&BrokerAccount::netLiquidationValue>("net_liquidation_value"),
    decoded<&BrokerAccount::expiresAt>("expires_at"),
};

constexpr std::array responseFields{
    decoded<&BrokerResponse::success>("success"),
    decoded<&BrokerResponse::message>("message"),
    decoded<&BrokerResponse::data>("data"),
};

} // namespace

static void readValue(wire::Value& v, BrokerAccount& out)
{
    records::readFields(v, out, accountFields);
}

wire::Result<BrokerResponse> decodeBrokerResponse(const QByteArray& body)
{
    return wire::decode(body, [](wire::Value root) {
        BrokerResponse response;
        records::readFields(root, response, responseFields);
        return response;
    });
}

} // namespace corvane
