#include "apiservice.h"

#include "app/globaldata.h"
#include "base/log.h"
#include "market/stockexchangestatus.h"
#include "settings/accountsettings.h"

#include <QTimeZone>
#include <QUrlQuery>
#include <QtConcurrentRun>
#include <qcoro/qcorofuture.h>

namespace corvane {

namespace {

QDate newYorkDay(const QDateTime& instant)
{
    static const QTimeZone newYork(QByteArrayLiteral("America/New_York"));
    return instant.toTimeZone(newYork).date();
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

APIService::APIService(PlatformConnection connection, StockExchangeStatus& market,
                       GlobalData& globalData, Clock clock, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_market(market)
    , m_globalData(globalData)
    , m_clock(std::move(clock))
{}

QCoro::Task<std::optional<ApiResponse>> APIService::fetchPositions(AccountSettings account)
{
    if (!account.watchAccount)
        co_return std::nullopt;

    const QDateTime now = m_clock();
    m_market.updateLastOpenDate();
    const QUrl url = positionsUrl(m_connection.baseUrl, m_market.lastOpenDate(), now);
    if (!url.isValid()) {
        logLine(QStringLiteral("Invalid URL"));
        co_return std::nullopt;
    }

    const PlatformReply reply = co_await sendPlatformRequest(m_connection, url, account.apiKey);
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
        m_globalData.setCriticalError(QStringLiteral("Error: ") + response.message);
        m_globalData.updateHasError();
        co_return std::nullopt;
    }
    m_globalData.setCriticalError(std::nullopt);
    m_globalData.updateHasError();
    m_globalData.setInternetError(std::nullopt);
    m_globalData.updateHasError();
    co_return response;
}

void APIService::reportTransportFailure(const TransportFailure& failure)
{
    QString text;
    switch (failure.kind) {
    case TransportFailure::Kind::NoInternet:
        text = QStringLiteral("Cannot connect to the internet. Check your connection.");
        break;
    case TransportFailure::Kind::CannotConnect:
        text = QStringLiteral("Cannot connect to the Orrisfield.");
        break;
    case TransportFailure::Kind::TimedOut:
        text = QStringLiteral("The request to Orrisfield timed out. Will retry based on your "
                              "frequency setting.");
        break;
    case TransportFailure::Kind::Other:
        text = QStringLiteral("Connection error: ") + failure.description;
        break;
    case TransportFailure::Kind::TooLarge:
        // Not a connection problem: the service answered, with something unusable.
        reportCriticalError(failure.description);
        return;
    }
    m_globalData.setInternetError(text);
    m_globalData.updateHasError();
}

void APIService::reportCriticalError(const QString& description)
{
    logLine(QStringLiteral("Error fetching data: ") + description);
    m_globalData.setCriticalError(description);
    m_globalData.updateHasError();
}

} // namespace corvane
