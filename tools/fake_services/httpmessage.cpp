#include "httpmessage.h"

namespace corvane::fake {

Pairs decodeFormPairs(const QByteArray& encoded)
{
    Pairs pairs;
    const QList<QByteArray> parts = encoded.split('&');
    for (QByteArray part : parts) {
        if (part.isEmpty())
            continue;
        part.replace('+', ' ');
        const qsizetype equals = part.indexOf('=');
        const QByteArray name = equals < 0 ? part : part.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : part.mid(equals + 1);
        pairs.append({QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value))});
    }
    return pairs;
}

std::optional<QString> valueOf(const Pairs& pairs, const QString& name)
{
    for (const auto& [key, value] : pairs) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

QByteArray HttpRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool HttpRequest::wantsClose() const
{
    return header("Connection").toLower().contains("close");
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 412:
        return "Precondition Failed";
    case 413:
        return "Content Too Large";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray statusAndHeaders(int status, const QByteArray& contentType, qint64 contentLength,
                            bool close)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                      "\r\nServer: corvane-fake-services\r\nContent-Type: " + contentType +
                      "\r\nContent-Length: " + QByteArray::number(contentLength) + "\r\n";
    head += close ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    return head + "\r\n";
}

std::optional<HttpRequest> RequestParser::fail(int status)
{
    failedStatus_ = status;
    buffer_.clear();
    return std::nullopt;
}

std::optional<HttpRequest> RequestParser::next()
{
    if (failedStatus_ != 0)
        return std::nullopt;
    const qsizetype headEnd = buffer_.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer_.size() > maxHeaderBytes)
            return fail(431);
        return std::nullopt;
    }
    if (headEnd > maxHeaderBytes)
        return fail(431);

    const QList<QByteArray> lines = buffer_.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1."))
        return fail(400);

    HttpRequest request;
    request.method = requestLine[0];
    const QByteArray target = requestLine[1];
    const qsizetype question = target.indexOf('?');
    request.path = QString::fromUtf8(
        QByteArray::fromPercentEncoding(question < 0 ? target : target.left(question)));
    request.rawQuery = question < 0 ? QByteArray() : target.mid(question + 1);
    request.query = decodeFormPairs(request.rawQuery);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return fail(400);
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    if (!request.header("Transfer-Encoding").isEmpty())
        return fail(501); // our clients always send a Content-Length

    bool ok = true;
    const QByteArray lengthText = request.header("Content-Length");
    const qint64 length = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&ok);
    if (!ok || length < 0)
        return fail(400);
    if (length > maxBodyBytes)
        return fail(413);
    const qsizetype bodyStart = headEnd + 4;
    if (buffer_.size() - bodyStart < length)
        return std::nullopt;

    request.body = buffer_.mid(bodyStart, length);
    buffer_.remove(0, bodyStart + length);
    if (request.header("Content-Type").startsWith("application/x-www-form-urlencoded"))
        request.form = decodeFormPairs(request.body);
    return request;
}

} // namespace corvane::fake
