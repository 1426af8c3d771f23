#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QWebSocketServer>

class QTimer;
class QWebSocket;

namespace corvane::fake {

class Pushover;

// One frame that crossed the socket, for tests to read back.
struct Frame {
    bool outbound = false; // sent by the fake
    bool binary = false;
    QByteArray data;
};

// Pushover's live socket at "/push" over WSS. A client logs in with
// "login:<device id>:<secret>\n"; a bad login gets "E". A logged-in client gets "#"
// keep-alives (every 30 s unless set otherwise) and "!" whenever a message for its device is
// queued; a second login of the same device sends "A" to the first. Frames from the service
// are binary, as the real service sends them.
class PushSocket final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PushSocket)

public:
    PushSocket(const QSslConfiguration& tls, Pushover& pushover, QObject* parent = nullptr);
    ~PushSocket() override;

    bool listen(quint16 port);
    quint16 port() const { return port_; }
    // As HttpsServer::setReachable: refused and cut, then back on the same port.
    bool setReachable(bool reachable);
    QString errorString() const { return server_.errorString(); }

    void setKeepAliveInterval(int ms); // 0: no keep-alives at all
    // Sends a frame to every logged-in socket (all open sockets when loggedInOnly is false).
    void sendFrame(const QByteArray& data, bool binary = true, bool loggedInOnly = false);
    void closeAll(int closeCode = 1000);

    QList<Frame> frames() const { return frames_; }
    void clearFrames() { frames_.clear(); }
    // The close code of every client that went away, in order (1005: none given).
    QList<int> closeCodes() const { return closeCodes_; }
    int loggedInCount() const;

Q_SIGNALS:
    void frameRecorded(const corvane::fake::Frame& frame);
    void loggedIn(const QString& deviceId);

private:
    struct Client {
        QString deviceId; // empty until logged in
        QTimer* keepAlive = nullptr;
    };

    void accept();
    void startKeepAlive(QTimer* timer) const;
    void received(QWebSocket* socket, const QByteArray& data, bool binary);
    void send(QWebSocket* socket, const QByteArray& data, bool binary);
    void announce();
    void record(const Frame& frame);

    QWebSocketServer server_;
    quint16 port_ = 0;
    Pushover& pushover_;
    QHash<QWebSocket*, Client> clients_;
    QList<Frame> frames_;
    QList<int> closeCodes_;
    int keepAliveMs_ = 30000;
};

} // namespace corvane::fake
