#pragma once

#include "base/clock.h"
#include "network.h"
#include "platformrequest.h"
#include "positionrecords.h"

#include <QDateTime>
#include <QObject>
#include <optional>
#include <qcoro/qcorotask.h>

namespace corvane {

class GlobalData;
class StockExchangeStatus;
struct AccountSettings;

// The "/v1/bots/positions/" URL for a watch pass: from the day before the reference day to
// the reference day, where the reference day is today when the last trading day is today and
// the last trading day otherwise. Days are New York days. Without a last trading day there is
// no query.
QUrl positionsUrl(const QUrl& baseUrl, const std::optional<QDateTime>& lastOpenDate,
                  const QDateTime& now);

// Fetches one account's positions of the day. Failures become the user-facing texts of
// GlobalData (connection problems in internetError, everything else in criticalError); a
// success clears both.
class APIService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(APIService)
    Q_PROPERTY(QList<PositionData> data READ data NOTIFY dataChanged)

public:
    APIService(PlatformConnection connection, StockExchangeStatus& market, GlobalData& globalData,
               Clock clock, QObject* parent = nullptr);

    // Nothing, without a request, for an account that is not watched.
    QCoro::Task<std::optional<ApiResponse>> fetchPositions(AccountSettings account);

    // Published for the views; the positions fetch never fills it.
    const QList<PositionData>& data() const { return m_data; }

Q_SIGNALS:
    void dataChanged();

private:
    void reportTransportFailure(const TransportFailure& failure);
    void reportCriticalError(const QString& description);

    PlatformConnection m_connection;
    StockExchangeStatus& m_market;
    GlobalData& m_globalData;
    Clock m_clock;
    QList<PositionData> m_data;
};

} // namespace corvane
