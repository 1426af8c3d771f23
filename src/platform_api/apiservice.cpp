#include "apiservice.h"

#include "base/log.h"
#include "base/newyork.h"

#include <QPointer>
#include <QUrlQuery>
#include <QtConcurrentRun>
#include <qcoro/qcorofuture.h>

namespace corvane {

namespace {

QDate newYorkDay(const QDateTime& instant)
{
    return instant.toTimeZone(newYorkTimeZone()).date();
}

QString dayText(QDate day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

QUrl positionsUrl(const QUrl& baseUrl, const std::optional<QDateTime>& lastOpenDate,
                  const QDateTime& now)
{
    QUrl url = platformUrl(baseUrl, QStringLiteral("/v1/bots/positions/"));
    if (!lastOpenDate || !lastOpenDate->isValid())
        return url;
    const QDate today = newYorkDay(now);
    const QDate lastOpen = newYorkDay(*lastOpenDate);
    const QDate to = lastOpen == today ? today : lastOpen;
    const QDate from = to.addDays(-1);
    if (!from.isValid())
        return url;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("from_date"), dayText(from));
    query.addQueryItem(QStringLiteral("to_date"), dayText(to));
    url.setQuery(query);
    return url;
}

APIService::APIService(PlatformConnection connection, Clock clock, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_clock(std::move(clock))
{}

QCoro::Task<std::optional<ApiResponse>>
APIService::fetchPositions(QString apiKey, std::optional<QDateTime> lastOpenDate)
{
    const QDateTime now = m_clock();
    const QUrl url = positionsUrl(m_connection.baseUrl, lastOpenDate, now);
    if (!url.isValid()) {
        logLine(QStringLiteral("Invalid URL"));
        co_return std::nullopt;
    }

    QPointer<APIService> self(this);
    const PlatformReply reply = co_await sendPlatformRequest(m_connection, url, apiKey, this);
    if (!self)
        co_return std::nullopt;
    if (reply.failure) {
        reportTransportFailure(*reply.failure);
        co_return std::nullopt;
    }
    // A day's answer takes milliseconds to decode; the main thread keeps serving the views.
    wire::Result<ApiResponse> decoded =
        co_await QtConcurrent::run(&decodeApiResponse, std::move(reply.body));
    if (!decoded.ok()) {
        reportCriticalError(decoded.error());
        co_return std::nullopt;
    }
    ApiResponse response = std::move(decoded).value();
    if (!response.success) {
        Q_EMIT criticalErrorReported(QStringLiteral("Error: ") + response.message);
        co_return std::nullopt;
    }
    Q_EMIT criticalErrorReported(std::nullopt);
    Q_EMIT internetErrorReported(std::nullopt);
    co_return response;
}

void APIService::reportTransportFailure(const TransportFailure& failure)
{
    QString text;
    switch (failure.kind) {
    case TransportFailure::Kind::noInternet:
        text = QStringLiteral("Cannot connect to the internet. Check your connection.");
        break;
    case TransportFailure::Kind::cannotConnect:
        text = QStringLiteral("Cannot connect to the Orrisfield.");
        break;
    case TransportFailure::Kind::timedOut:
        text = QStringLiteral("The request to Orrisfield timed out. Will retry based on your "
                              "frequency setting.");
        break;
    case TransportFailure::Kind::other:
        text = QStringLiteral("Connection error: ") + failure.description;
        break;
    case TransportFailure::Kind::tooLarge:
        // Not a connection problem: the service answered, with something unusable.
        reportCriticalError(failure.description);
        return;
    }
    Q_EMIT internetErrorReported(text);
}

void APIService::reportCriticalError(const QString& description)
{
    logLine(QStringLiteral("Error fetching data: ") + description);
    Q_EMIT criticalErrorReported(description);
}

} // namespace corvane
