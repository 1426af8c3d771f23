#include "httpsserver.h"

#include <QHostAddress>
#include <QSslSocket>
#include <QTimer>

namespace corvane::fake {

namespace {
constexpr qint64 chunkBytes = 64 * 1024;
constexpr qint64 highWaterBytes = 4 * chunkBytes;
// Not JSON by any reading: markup, a NUL and bytes that are not UTF-8.
const QByteArray garbageBody("<html><body>Bad gateway</body></html>\x00\xff\xfe{{", 43);
} // namespace

HttpsServer::HttpsServer(const QSslConfiguration& tls, Handler handler, QObject* parent)
    : QObject(parent)
    , handler_(std::move(handler))
{
    server_.setSslConfiguration(tls);
    server_.setHandshakeTimeout(10000);
    connect(&server_, &QSslServer::pendingConnectionAvailable, this, &HttpsServer::accept);
}

HttpsServer::~HttpsServer()
{
    // Open sockets die with the server; they must not call back into a half-destroyed one.
    const QList<QSslSocket*> sockets = connections_.keys();
    for (QSslSocket* socket : sockets)
        socket->disconnect(this);
}

bool HttpsServer::listen(quint16 port)
{
    if (!server_.listen(QHostAddress::LocalHost, port))
        return false;
    port_ = server_.serverPort();
    return true;
}

bool HttpsServer::setReachable(bool reachable)
{
    if (reachable)
        return server_.isListening() || server_.listen(QHostAddress::LocalHost, port_);
    server_.close();
    const QList<QSslSocket*> sockets = connections_.keys();
    for (QSslSocket* socket : sockets)
        socket->abort();
    return true;
}

void HttpsServer::accept()
{
    while (server_.hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(server_.nextPendingConnection());
        if (socket == nullptr)
            continue;
        connections_.insert(socket, Connection{});
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QSslSocket::encryptedBytesWritten, this,
                [this, socket] { streamOversized(socket); });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { connections_.remove(socket); });
        readFrom(socket);
    }
}

void HttpsServer::readFrom(QSslSocket* socket)
{
    auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    Connection& connection = found.value();
    connection.parser.feed(socket->readAll());
    if (connection.busy)
        return;
    if (std::optional<HttpRequest> request = connection.parser.next()) {
        connection.busy = true;
        const Reply reply = handler_(*request);
        const bool close = request->wantsClose();
        if (reply.fault.delayMs > 0) {
            QTimer::singleShot(reply.fault.delayMs, socket,
                               [this, socket, reply, close] { deliver(socket, reply, close); });
        } else {
            deliver(socket, reply, close);
        }
        return;
    }
    if (const int status = connection.parser.failedStatus(); status != 0) {
        const QByteArray body = R"({"error":"bad request"})";
        socket->write(statusAndHeaders(status, "application/json", body.size(), true) + body);
        socket->disconnectFromHost();
    }
}

void HttpsServer::deliver(QSslSocket* socket, const Reply& reply, bool close)
{
    const Fault& fault = reply.fault;
    const HttpResponse& response = reply.response;
    const int status = fault.status != 0 ? fault.status : response.status;
    switch (fault.kind) {
    case Fault::Kind::drop:
        socket->abort();
        return;
    case Fault::Kind::silent:
        return; // busy for good: later requests on this connection wait too
    case Fault::Kind::redirect: {
        QByteArray head = statusAndHeaders(307, response.contentType, 0, close);
        head.insert(head.size() - 2, "Location: " + fault.location + "\r\n");
        socket->write(head);
        break;
    }
    case Fault::Kind::garbage:
        socket->write(statusAndHeaders(status, response.contentType, garbageBody.size(), close) +
                      garbageBody);
        break;
    case Fault::Kind::truncated: {
        // Promise more than is sent, send half, then hang up.
        const QByteArray half = response.body.left(response.body.size() / 2);
        socket->write(
            statusAndHeaders(status, response.contentType, response.body.size() + 4096, true) +
            half);
        socket->disconnectFromHost();
        return;
    }
    case Fault::Kind::oversized: {
        // The normal body padded with white space: still valid JSON, so only a client that
        // caps the size can tell anything is wrong.
        const qint64 total = std::max<qint64>(fault.oversizedBytes, response.body.size());
        socket->write(statusAndHeaders(status, response.contentType, total, true) + response.body);
        connections_[socket].oversizedLeft = total - response.body.size();
        streamOversized(socket);
        return;
    }
    case Fault::Kind::none:
        socket->write(statusAndHeaders(status, response.contentType, response.body.size(), close) +
                      response.body);
        break;
    }
    finishRequest(socket, close);
}

void HttpsServer::streamOversized(QSslSocket* socket)
{
    auto found = connections_.find(socket);
    if (found == connections_.end() || found->oversizedLeft < 0)
        return;
    static const QByteArray spaces(chunkBytes, ' ');
    // Both buffers count: a TLS socket reports plain text as written once it is encrypted,
    // and an endless body would otherwise pile up encrypted in memory.
    while (found->oversizedLeft > 0 &&
           socket->bytesToWrite() + socket->encryptedBytesToWrite() < highWaterBytes) {
        const qint64 n = std::min(found->oversizedLeft, chunkBytes);
        socket->write(spaces.constData(), n);
        found->oversizedLeft -= n;
    }
    if (found->oversizedLeft == 0) {
        found->oversizedLeft = -1;
        socket->disconnectFromHost();
    }
}

void HttpsServer::finishRequest(QSslSocket* socket, bool close)
{
    if (close) {
        socket->disconnectFromHost();
        return;
    }
    auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    found->busy = false;
    // A request may already wait in the buffer (pipelining, or sent while we were delayed).
    QTimer::singleShot(0, socket, [this, socket] { readFrom(socket); });
}

} // namespace corvane::fake
