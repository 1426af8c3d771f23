#pragma once

#include "fault.h"
#include "httpmessage.h"

#include <QHash>
#include <QObject>
#include <QSslConfiguration>
#include <QSslServer>
#include <functional>

class QSslSocket;

namespace corvane::fake {

// An answer and how to spoil it.
struct Reply {
    HttpResponse response;
    Fault fault;
};

// HTTPS/1.1 on 127.0.0.1: parses requests, hands each to the handler and writes the reply,
// one request at a time per connection (a delayed reply holds back the next request on the
// same connection, as a real server's would).
class HttpsServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpsServer)

public:
    using Handler = std::function<Reply(const HttpRequest&)>;

    HttpsServer(const QSslConfiguration& tls, Handler handler, QObject* parent = nullptr);
    ~HttpsServer() override;

    bool listen(quint16 port); // 0 picks a free port
    quint16 port() const { return port_; }
    // Unreachable: the port refuses connections and every open one is cut. Reachable again,
    // it listens on the same port; false when the port cannot be had back.
    bool setReachable(bool reachable);
    QString errorString() const { return server_.errorString(); }

private:
    struct Connection {
        RequestParser parser;
        bool busy = false;         // a reply is being delayed or streamed
        qint64 oversizedLeft = -1; // bytes of an oversized body still to write; -1: none
    };

    void accept();
    void readFrom(QSslSocket* socket);
    void deliver(QSslSocket* socket, const Reply& reply, bool close);
    void streamOversized(QSslSocket* socket);
    void finishRequest(QSslSocket* socket, bool close);

    QSslServer server_;
    quint16 port_ = 0;
    Handler handler_;
    QHash<QSslSocket*, Connection> connections_;
};

} // namespace corvane::fake
