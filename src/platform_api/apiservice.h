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

// The "/v1/bots/positions/" URL for a watch pass: from the day before the reference day to
// the reference day, where the reference day is today when the last trading day is today and
// the last trading day otherwise. Days are New York days. Without a last trading day there is
// no query.
QUrl positionsUrl(const QUrl& baseUrl, const std::optional<QDateTime>& lastOpenDate,
                  const QDateTime& now);

// Fetches one account's positions of the day. Failures are reported as the user-facing texts
// (connection problems as the internet error, everything else as the critical error); a
// success reports both cleared. Whoever shows the errors listens to the two signals.
class APIService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(APIService)

public:
    APIService(PlatformConnection connection, Clock clock, QObject* parent = nullptr);

    // lastOpenDate is the exchange's last trading day, which picks the query's days.
    QCoro::Task<std::optional<ApiResponse>> fetchPositions(QString apiKey,
                                                           std::optional<QDateTime> lastOpenDate);

Q_SIGNALS:
    // An empty text clears the error.
    void criticalErrorReported(const std::optional<QString>& text);
    void internetErrorReported(const std::optional<QString>& text);

private:
    void reportTransportFailure(const TransportFailure& failure);
    void reportCriticalError(const QString& description);

    PlatformConnection m_connection;
    Clock m_clock;
};

} // namespace corvane
