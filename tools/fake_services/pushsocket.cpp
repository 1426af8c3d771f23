#include "pushsocket.h"

#include "pushover.h"

#include <QHostAddress>
#include <QTimer>
#include <QWebSocket>

namespace corvane::fake {

PushSocket::PushSocket(const QSslConfiguration& tls, Pushover& pushover, QObject* parent)
    : QObject(parent)
    , server_(QStringLiteral("corvane-fake-pushover"), QWebSocketServer::SecureMode)
    , pushover_(pushover)
{
    server_.setSslConfiguration(tls);
    connect(&server_, &QWebSocketServer::newConnection, this, &PushSocket::accept);
    connect(&pushover_, &Pushover::messageQueued, this, &PushSocket::announce);
}

PushSocket::~PushSocket()
{
    // The server hands its sockets over without a parent; those still open are ours to free.
    const QList<QWebSocket*> sockets = clients_.keys();
    for (QWebSocket* socket : sockets) {
        socket->disconnect(this);
        delete socket;
    }
}

bool PushSocket::listen(quint16 port)
{
    if (!server_.listen(QHostAddress::LocalHost, port))
        return false;
    port_ = server_.serverPort();
    return true;
}

bool PushSocket::setReachable(bool reachable)
{
    if (reachable)
        return server_.isListening() || server_.listen(QHostAddress::LocalHost, port_);
    server_.close();
    // Cut, not closed: a network that goes away sends no close frame.
    const QList<QWebSocket*> sockets = clients_.keys();
    for (QWebSocket* socket : sockets)
        socket->abort();
    return true;
}

void PushSocket::setKeepAliveInterval(int ms)
{
    keepAliveMs_ = ms;
    for (const Client& client : std::as_const(clients_)) {
        if (client.keepAlive != nullptr)
            startKeepAlive(client.keepAlive);
    }
}

void PushSocket::startKeepAlive(QTimer* timer) const
{
    if (keepAliveMs_ <= 0) {
        timer->stop();
        return;
    }
    timer->setInterval(keepAliveMs_);
    timer->start();
}

void PushSocket::sendFrame(const QByteArray& data, bool binary, bool loggedInOnly)
{
    const QList<QWebSocket*> sockets = clients_.keys();
    for (QWebSocket* socket : sockets) {
        if (!loggedInOnly || !clients_.value(socket).deviceId.isEmpty())
            send(socket, data, binary);
    }
}

void PushSocket::closeAll(int closeCode)
{
    const QList<QWebSocket*> sockets = clients_.keys();
    for (QWebSocket* socket : sockets)
        socket->close(static_cast<QWebSocketProtocol::CloseCode>(closeCode));
}

int PushSocket::loggedInCount() const
{
    int count = 0;
    for (const Client& client : clients_)
        count += client.deviceId.isEmpty() ? 0 : 1;
    return count;
}

void PushSocket::accept()
{
    while (QWebSocket* socket = server_.nextPendingConnection()) {
        if (socket->requestUrl().path() != QStringLiteral("/push")) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
            socket->deleteLater();
            continue;
        }
        clients_.insert(socket, Client{});
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString& text) { received(socket, text.toUtf8(), false); });
        connect(socket, &QWebSocket::binaryMessageReceived, this,
                [this, socket](const QByteArray& data) { received(socket, data, true); });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            closeCodes_.append(socket->closeCode());
            clients_.remove(socket);
            socket->deleteLater();
        });
    }
}

void PushSocket::received(QWebSocket* socket, const QByteArray& data, bool binary)
{
    record({false, binary, data});
    auto found = clients_.find(socket);
    if (found == clients_.end() || !found->deviceId.isEmpty())
        return; // after the login the service ignores what clients send
    // "login:<device id>:<secret>\n"; the secret is all that follows the second colon.
    const QList<QByteArray> parts = data.split(':');
    const bool wellFormed = data.startsWith("login:") && data.endsWith('\n') && parts.size() >= 3;
    const QString device = wellFormed ? QString::fromUtf8(parts[1]) : QString();
    const QString secret =
        wellFormed ? QString::fromUtf8(data.mid(7 + parts[1].size()).chopped(1)) : QString();
    if (!wellFormed || !pushover_.isValidLogin(device, secret)) {
        send(socket, "E", true);
        return;
    }
    // The service keeps one session per device: an older one is told "A" and dropped.
    const QList<QWebSocket*> sockets = clients_.keys();
    for (QWebSocket* other : sockets) {
        if (other != socket && clients_.value(other).deviceId == device) {
            send(other, "A", true);
            clients_[other].deviceId.clear();
            other->close();
        }
    }
    Client& client = clients_[socket];
    client.deviceId = device;
    client.keepAlive = new QTimer(socket);
    connect(client.keepAlive, &QTimer::timeout, this, [this, socket] { send(socket, "#", true); });
    startKeepAlive(client.keepAlive);
    Q_EMIT loggedIn(device);
}

void PushSocket::announce()
{
    const QList<QWebSocket*> sockets = clients_.keys();
    for (QWebSocket* socket : sockets) {
        const QString device = clients_.value(socket).deviceId;
        if (!device.isEmpty() && pushover_.hasPending(device))
            send(socket, "!", true);
    }
}

void PushSocket::send(QWebSocket* socket, const QByteArray& data, bool binary)
{
    if (binary)
        socket->sendBinaryMessage(data);
    else
        socket->sendTextMessage(QString::fromUtf8(data));
    record({true, binary, data});
}

void PushSocket::record(const Frame& frame)
{
    frames_.append(frame);
    Q_EMIT frameRecorded(frame);
}

} // namespace corvane::fake
