#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace corvane::fake {

using Pairs = QList<std::pair<QString, QString>>;

// Decodes "a=1&b=x+y%26z" as browsers and HTTP clients write it ("+" is a space).
Pairs decodeFormPairs(const QByteArray& encoded);
std::optional<QString> valueOf(const Pairs& pairs, const QString& name);

// One request as it came off the wire; kept whole for the request log.
struct HttpRequest {
    QByteArray method;
    QString path; // percent-decoded, without the query
    QByteArray rawQuery;
    Pairs query;
    QList<std::pair<QByteArray, QByteArray>> headers; // names as sent
    QByteArray body;
    Pairs form; // filled for application/x-www-form-urlencoded bodies

    QByteArray header(const QByteArray& name) const; // case-insensitive; empty when absent
    bool wantsClose() const;
};

struct HttpResponse {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json; charset=utf-8";
};

QByteArray reasonPhrase(int status);
QByteArray statusAndHeaders(int status, const QByteArray& contentType, qint64 contentLength,
                            bool close);

// Cuts requests out of a byte stream. Feed bytes as they arrive, then take requests while
// next() yields one. A request over the limits, or one that cannot be parsed, puts the parser
// in the failed state with the status to answer before closing.
class RequestParser {
public:
    static constexpr qsizetype maxHeaderBytes = 64 * 1024;
    static constexpr qsizetype maxBodyBytes = 4 * 1024 * 1024;

    void feed(const QByteArray& bytes) { buffer_.append(bytes); }
    std::optional<HttpRequest> next();
    int failedStatus() const { return failedStatus_; } // 0 while all is well

private:
    std::optional<HttpRequest> fail(int status);

    QByteArray buffer_;
    int failedStatus_ = 0;
};

} // namespace corvane::fake
