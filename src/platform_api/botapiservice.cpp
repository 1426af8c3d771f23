#include "botapiservice.h"

#include "platformrequest.h"

#include <QPointer>

namespace corvane {

BotAPIService::BotAPIService(PlatformConnection connection, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{}

QCoro::Task<std::optional<BotModel>> BotAPIService::fetchBots(QString apiKey)
{
    const QUrl url = platformUrl(m_connection.baseUrl, QStringLiteral("/v1/bots"));
    QPointer<BotAPIService> self(this);
    const PlatformReply reply = co_await sendPlatformRequest(m_connection, url, apiKey, this);
    if (!self)
        co_return std::nullopt;
    if (reply.failure) {
        fail(reply.failure->description);
        co_return std::nullopt;
    }
    wire::Result<BotModel> decoded = decodeBotModel(reply.body);
    if (!decoded.ok()) {
        fail(decoded.error());
        co_return std::nullopt;
    }
    co_return std::move(decoded).value();
}

void BotAPIService::fail(const QString& description)
{
    Q_EMIT criticalErrorReported(QStringLiteral("Error fetching data: ") + description);
}

} // namespace corvane
