#include "brokerapiservice.h"

#include "base/log.h"
#include "platformrequest.h"

#include <QPointer>

namespace corvane {

BrokerAPIService::BrokerAPIService(PlatformConnection connection, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{}

QCoro::Task<std::optional<BrokerResponse>> BrokerAPIService::fetchBrokerConnections(QString apiKey)
{
    const QUrl url = platformUrl(m_connection.baseUrl, QStringLiteral("/v1/broker_connections"));
    QPointer<BrokerAPIService> self(this);
    const PlatformReply reply = co_await sendPlatformRequest(m_connection, url, apiKey, this);
    if (!self)
        co_return std::nullopt;
    if (reply.failure) {
        logLine(QStringLiteral("Error fetching data: ") + reply.failure->description);
        co_return std::nullopt;
    }
    wire::Result<BrokerResponse> decoded = decodeBrokerResponse(reply.body);
    if (!decoded.ok()) {
        logLine(QStringLiteral("Error fetching data: ") + decoded.error());
        co_return std::nullopt;
    }
    m_data = decoded.value().data;
    Q_EMIT dataChanged();
    co_return std::move(decoded).value();
}

} // namespace corvane
