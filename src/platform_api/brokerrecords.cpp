#include "brokerrecords.h"

#include "recordfields.h"

#include <QJsonDocument>

namespace corvane {

static void readValue(wire::Value& v, BrokerAccount& out);
static QJsonValue toJsonValue(const BrokerAccount& account);

namespace {

using records::field;

constexpr std::array accountFields{
    field<&BrokerAccount::broker>("broker"),
    field<&BrokerAccount::name>("name"),
    field<&BrokerAccount::number>("number"),
    field<&BrokerAccount::status>("status"),
    field<&BrokerAccount::accountNumber>("account_number"),
    field<&BrokerAccount::netLiquidationValue>("net_liquidation_value"),
    field<&BrokerAccount::expiresAt>("expires_at"),
};

constexpr std::array responseFields{
    field<&BrokerResponse::success>("success"),
    field<&BrokerResponse::message>("message"),
    field<&BrokerResponse::data>("data"),
};

} // namespace

static void readValue(wire::Value& v, BrokerAccount& out)
{
    records::readFields(v, out, accountFields);
}

static QJsonValue toJsonValue(const BrokerAccount& account)
{
    return records::writeFields(account, accountFields);
}

wire::Result<BrokerResponse> decodeBrokerResponse(const QByteArray& body)
{
    return wire::decode(body, [](wire::Value root) {
        BrokerResponse response;
        records::readFields(root, response, responseFields);
        return response;
    });
}

QByteArray encodeBrokerResponse(const BrokerResponse& response)
{
    return QJsonDocument(records::writeFields(response, responseFields))
        .toJson(QJsonDocument::Compact);
}

} // namespace corvane
