// The live socket's frame handling: arbitrary frames from a server on loopback, downloads
// against a port where nothing listens. The input is a list of frames, each a length byte
// (its top bit: a text frame) followed by that many bytes. One client lives across inputs,
// as it would across a trading day.
#include "pushover/pushoverwebsocketmanager.h"
#include "settings/posettings.h"
#include "settings/suite.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace corvane;

namespace {

struct World {
    World()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        const quint16 nobody = closed.serverPort();
        closed.close();
        server.listen(QHostAddress::LocalHost);
        PushoverEndpoints endpoints;
        endpoints.api = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(nobody));
        endpoints.socket = QUrl(QStringLiteral("ws://127.0.0.1:%1/push").arg(server.serverPort()));
        pushover.setPoDeviceUID(QStringLiteral("device"));
        pushover.setPoSessionSecret(QStringLiteral("secret"));
        QObject::connect(&server, &QWebSocketServer::newConnection, &server, [this] {
            // The server hands its sockets over to us: each goes once its client hangs up.
            while (QWebSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
                client = socket;
            }
        });
        SocketTiming timing;
        timing.reconnectDelay = std::chrono::milliseconds(1);
        timing.notificationDelay = std::chrono::milliseconds(0);
        timing.reloadWindow = std::chrono::milliseconds(0);
        manager = std::make_unique<PushoverWebSocketManager>(
            network, pushover, endpoints, std::make_shared<AbsentNotificationService>(), timing);
    }

    template <class Done> bool pump(Done done, int ms = 200)
    {
        const QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }

    bool ensureOpen()
    {
        if (client && client->state() == QAbstractSocket::ConnectedState &&
            manager->isSocketRunning())
            return true;
        client = nullptr;
        manager->openSocket();
        return pump([this] {
            return client && client->state() == QAbstractSocket::ConnectedState &&
                   manager->isSocketRunning();
        });
    }

    QTemporaryDir folder;
    Suite suite{folder.filePath(QStringLiteral("CVNSuite.conf"))};
    POSettings pushover{suite};
    QNetworkAccessManager network;
    QWebSocketServer server{QStringLiteral("fuzz"), QWebSocketServer::NonSecureMode};
    QPointer<QWebSocket> client;
    std::unique_ptr<PushoverWebSocketManager> manager;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_socket";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static World world;
    if (!world.ensureOpen())
        return 0;
    size_t at = 0;
    int sent = 0;
    while (at < size && world.client) {
        const bool text = data[at] & 0x80;
        const size_t length = std::min<size_t>(data[at] & 0x7f, size - at - 1);
        const QByteArray frame(reinterpret_cast<const char*>(data + at + 1), qsizetype(length));
        at += 1 + length;
        if (text)
            world.client->sendTextMessage(QString::fromUtf8(frame));
        else
            world.client->sendBinaryMessage(frame);
        ++sent;
    }
    // Let the frames land and their downloads fail.
    world.pump([] { return false; }, 20 + 2 * sent);
    return 0;
}
