#pragma once

#include "network.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <qcoro/qcorotask.h>

class QObject;

namespace corvane {

// Why a request to the platform produced no body to decode.
struct TransportFailure {
    enum class Kind {
        noInternet,    // the machine has no usable network
        cannotConnect, // the host refused or could not be reached
        timedOut,      // nothing arrived within the time-out
        other,         // any other connection-level failure (TLS, dropped connection, ...)
        tooLarge,      // the body passed the size limit and was abandoned
    };
    Kind kind = Kind::other;
    QString description;
};

// The result of one request: the body (whatever the HTTP status), or why there is none.
struct PlatformReply {
    QByteArray body;
    int httpStatus = 0;
    std::optional<TransportFailure> failure;
};

// The request every fetcher makes: GET baseUrl + path (+ query) with "Accept" and
// "Content-Type" "application/json" and "Authorization" "Bearer <key>", no body, the
// connection's time-out and size limit. The HTTP status is reported but not judged: an
// error status with a body is a reply like any other. The request is aborted when owner is
// destroyed, so the caller resumes (with its QPointer guards already cleared) and its frame
// is freed instead of waiting on a reply nobody reads.
QCoro::Task<PlatformReply> sendPlatformRequest(PlatformConnection connection, QUrl url,
                                               QString apiKey, const QObject* owner);

// baseUrl + path, keeping any path the base URL already has.
QUrl platformUrl(const QUrl& baseUrl, const QString& path);

} // namespace corvane
