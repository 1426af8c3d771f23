#include "platformrequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

namespace corvane {

namespace {

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const
    {
        if (reply)
            reply->deleteLater();
    }
};

TransportFailure::Kind kindOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        return TransportFailure::Kind::noInternet;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
        return TransportFailure::Kind::cannotConnect;
    case QNetworkReply::TimeoutError:
        return TransportFailure::Kind::timedOut;
    default:
        return TransportFailure::Kind::other;
    }
}

// Errors that only say what the HTTP status said; the body still arrived and is decoded.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProtocolInvalidOperationError;
}

// The JSON decoder reads a little past the end of its input; with this much spare capacity it
// reads the body in place instead of copying it.
constexpr qint64 decoderPadding = 64;

QString tooLargeText(qint64 limit)
{
    return QStringLiteral("The answer from Orrisfield is larger than %1 MiB and was not read.")
        .arg(limit / (1024 * 1024));
}

// Reads the body as it arrives, so that an oversized answer is abandoned as soon as it passes
// the limit, and aborts a reply that stays silent longer than the time-out.
class BodyReader final : public QObject {
    static constexpr qint64 readAhead = 4 * 1024 * 1024;

public:
    BodyReader(QNetworkReply* reply, qint64 limit, std::chrono::milliseconds timeout)
        : m_reply(reply)
        , m_limit(limit)
        , m_readAhead(qMin<qint64>(limit + 1, readAhead))
    {
        // Without a bound the network thread keeps reading ahead of us, so an endless answer
        // would pile up far past the limit before take() gets to refuse it. The bound is lifted
        // while the headers promise a length within the limit (see checkDeclaredLength()).
        reply->setReadBufferSize(m_readAhead);
        m_idle.setSingleShot(true);
        m_idle.setInterval(timeout);
        connect(&m_idle, &QTimer::timeout, this, [this] {
            m_timedOut = true;
            m_reply->abort();
        });
        connect(reply, &QNetworkReply::metaDataChanged, this, [this] { checkDeclaredLength(); });
        connect(reply, &QNetworkReply::readyRead, this, [this] { take(); });
        connect(reply, &QNetworkReply::downloadProgress, this, [this] { m_idle.start(); });
        connect(reply, &QNetworkReply::uploadProgress, this, [this] { m_idle.start(); });
        m_idle.start();
    }

    void finish()
    {
        m_idle.stop();
        if (m_tooLarge)
            return;
        take();
        if (body.capacity() < body.size() + decoderPadding)
            body.reserve(body.size() + decoderPadding);
    }

    QByteArray body;
    bool m_timedOut = false;
    bool m_tooLarge = false;

private:
    void checkDeclaredLength()
    {
        const QVariant header = m_reply->header(QNetworkRequest::ContentLengthHeader);
        const qint64 length = header.isValid() ? header.toLongLong() : -1;
        if (length > m_limit) {
            refuse();
            return;
        }
        if (length > 0)
            body.reserve(length + decoderPadding); // one buffer, read straight by the decoder
        // A declared length ends the body, unless the body is decoded on the way (the length is
        // then the encoded one). Unbounded, the network thread hands the body over in fewer,
        // larger pieces and needs no word back after each read: bounded, a large answer cost
        // the network thread twice the system calls and the main thread a third more. A later
        // answer on the same reply (after a redirect) is judged afresh.
        const QByteArray encoding = m_reply->rawHeader(QByteArrayLiteral("Content-Encoding"));
        const bool ends = length >= 0 && (encoding.isEmpty() ||
                                          encoding.compare("identity", Qt::CaseInsensitive) == 0);
        m_reply->setReadBufferSize(ends ? 0 : m_readAhead);
    }

    void take()
    {
        if (m_tooLarge)
            return;
        const qint64 available = m_reply->bytesAvailable();
        if (body.size() + available > m_limit) {
            refuse();
            return;
        }
        if (available <= 0)
            return;
        // Straight into the body: read() returning a new array would copy every byte twice.
        const qsizetype at = body.size();
        body.resize(at + available);
        const qint64 got = m_reply->read(body.data() + at, available);
        body.resize(at + qMax<qint64>(got, 0));
    }

    void refuse()
    {
        m_tooLarge = true;
        body.clear();
        body.squeeze();
        m_reply->abort();
    }

    QNetworkReply* m_reply;
    qint64 m_limit;
    qint64 m_readAhead;
    QTimer m_idle;
};

} // namespace

QUrl platformUrl(const QUrl& baseUrl, const QString& path)
{
    QUrl url = baseUrl;
    QString basePath = url.path();
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    url.setPath(basePath + path);
    return url;
}

QCoro::Task<PlatformReply> sendPlatformRequest(PlatformConnection connection, QUrl url,
                                               QString apiKey, const QObject* owner)
{
    QNetworkRequest request(url);
    request.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("application/json"));
    request.setRawHeader(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json"));
    request.setRawHeader(QByteArrayLiteral("Authorization"),
                         QByteArrayLiteral("Bearer ") + apiKey.toUtf8());
    // The key goes to the platform's host only, never along a redirect to another one.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);

    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(connection.network->get(request));
    BodyReader reader(reply.get(), connection.maxBodyBytes, connection.timeout);
    QObject::connect(owner, &QObject::destroyed, reply.get(), &QNetworkReply::abort);
    if (!reply->isFinished())
        co_await reply.get();
    reader.finish();

    PlatformReply result;
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reader.m_tooLarge) {
        result.failure = TransportFailure{TransportFailure::Kind::tooLarge,
                                          tooLargeText(connection.maxBodyBytes)};
        co_return result;
    }
    if (reader.m_timedOut) {
        result.failure = TransportFailure{TransportFailure::Kind::timedOut,
                                          QStringLiteral("The request timed out.")};
        co_return result;
    }
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError && !isHttpStatusError(error)) {
        result.failure = TransportFailure{kindOf(error), reply->errorString()};
        co_return result;
    }
    result.body = std::move(reader.body);
    co_return result;
}

} // namespace corvane
