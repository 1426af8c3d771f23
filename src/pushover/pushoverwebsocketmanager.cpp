#include "pushoverwebsocketmanager.h"

#include "base/endpoints.h"
#include "base/log.h"
#include "notificationmanager.h"
#include "settings/posettings.h"

#include <QNetworkAccessManager>
#include <QWebSocket>
#include <chrono>

namespace corvane {

namespace {

// Pushover's frames are one byte; anything much larger is not Pushover talking.
constexpr qint64 maxFrameBytes = 4 * 1024;
// Distinct frames that may wait while one is handled; repeats of a waiting frame are dropped.
constexpr qsizetype maxWaitingFrames = 16;

std::chrono::milliseconds steadyNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

QString describe(const QByteArray& bytes)
{
    return QStringLiteral("%1 bytes [%2]")
        .arg(bytes.size())
        .arg(QString::fromLatin1(bytes.left(64).toHex(' ')) +
             (bytes.size() > 64 ? QStringLiteral(" ...") : QString()));
}

QString closeDescription(QWebSocket* socket)
{
    if (socket->error() != QAbstractSocket::UnknownSocketError && !socket->errorString().isEmpty())
        return socket->errorString();
    return QStringLiteral("The connection was closed by the server (close code %1)")
        .arg(static_cast<int>(socket->closeCode()));
}

} // namespace

PushoverWebSocketManager::PushoverWebSocketManager(
    QNetworkAccessManager& network, POSettings& settings, PushoverEndpoints endpoints,
    std::shared_ptr<NotificationService> notifications, SocketTiming timing, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_socketUrl(std::move(endpoints.socket))
    , m_timing(timing)
    , m_poApi(network, settings, std::move(endpoints.api), this)
    , m_notificationMgr(
          new NotificationManager(std::move(notifications), timing.notificationDelay, this))
{
    m_keepAliveTimer.setSingleShot(true);
    m_keepAliveTimer.setInterval(m_timing.keepAliveInterval);
    QObject::connect(&m_keepAliveTimer, &QTimer::timeout, this,
                     &PushoverWebSocketManager::onKeepAliveExpired);
    m_reconnectTimer.setSingleShot(true);
    m_reconnectTimer.setInterval(m_timing.reconnectDelay);
    QObject::connect(&m_reconnectTimer, &QTimer::timeout, this,
                     &PushoverWebSocketManager::openSocket);
    m_openTimer.setSingleShot(true);
    m_openTimer.setInterval(m_timing.openTimeout);
    QObject::connect(&m_openTimer, &QTimer::timeout, this,
                     &PushoverWebSocketManager::onOpenTimedOut);
    m_backOffTimer.setSingleShot(true);
    m_backOffTimer.setInterval(m_timing.reloadBackOff);
    QObject::connect(&m_backOffTimer, &QTimer::timeout, this,
                     &PushoverWebSocketManager::openSocket);
}

PushoverWebSocketManager::~PushoverWebSocketManager()
{
    // The API member outlives this body and aborts its requests when it goes; the coroutines
    // that awaited them resume then, and must see this object as gone already.
    m_lifetime.reset();
    if (m_socket)
        QObject::disconnect(m_socket, nullptr, this, nullptr);
}

QString PushoverWebSocketManager::platformAppId()
{
    return QStringLiteral("731904466205518390");
}

bool PushoverWebSocketManager::isSocketRunning() const
{
    if (!m_socket)
        return false;
    const auto state = m_socket->state();
    return state == QAbstractSocket::ConnectingState || state == QAbstractSocket::ConnectedState ||
           state == QAbstractSocket::HostLookupState;
}

void PushoverWebSocketManager::openSocket()
{
    logLine(QStringLiteral("Entered Pushover connect"));
    m_meantOpen = true;
    // A server looping on reload requests waits out its pause, whoever asks to open.
    if (m_backOffTimer.isActive())
        return;
    m_reconnectTimer.stop();
    // A close that comes before the loop runs this (going offline, sleep, quit) wins.
    QTimer::singleShot(0, this, [this] {
        if (m_meantOpen)
            open();
    });
}

void PushoverWebSocketManager::open()
{
    const bool connected = isSocketRunning();
    logLine(QStringLiteral("WebSocket is connected: ") +
            (connected ? QStringLiteral("true") : QStringLiteral("false")));
    // A running socket already delivers its frames to the one handler; nothing to add.
    if (connected)
        return;
    const QUrl& url = m_socketUrl;
    if (!url.isValid() || url.host().isEmpty())
        return;

    installExtraCertificateAuthorities();
    dropSocket();
    auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    m_socket = socket;
    socket->setMaxAllowedIncomingFrameSize(maxFrameBytes);
    socket->setMaxAllowedIncomingMessageSize(maxFrameBytes);
    QObject::connect(socket, &QWebSocket::stateChanged, this,
                     &PushoverWebSocketManager::socketRunningChanged);
    QObject::connect(socket, &QWebSocket::connected, this, [this, socket] {
        if (socket == m_socket)
            m_openTimer.stop();
    });
    socket->open(url);
    m_openTimer.start();
    Q_EMIT socketRunningChanged();

    if (const auto missing = loginCheck()) {
        logLine(QStringLiteral("An error occurred during login: ") + missing->description);
        return;
    }
    QObject::connect(socket, &QWebSocket::connected, this, [this, socket] { sendLogin(socket); });
    QObject::connect(socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
                     [this, socket] { onSocketError(socket); });
}

void PushoverWebSocketManager::sendLogin(QWebSocket* socket)
{
    if (socket != m_socket)
        return;
    // Read again now: the store may have changed while the socket was opening.
    if (const auto missing = loginCheck()) {
        logLine(QStringLiteral("An error occurred during login: ") + missing->description);
        return;
    }
    const QString frame = QStringLiteral("login:") + m_settings.poDeviceUID() + u':' +
                          m_settings.poSessionSecret() + u'\n';
    if (socket->sendTextMessage(frame) != frame.toUtf8().size()) {
        logLine(QStringLiteral("An error occurred during login: ") + socket->errorString());
        return;
    }
    m_loggedIn = socket;
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, this,
                     &PushoverWebSocketManager::onBinaryFrame);
    QObject::connect(socket, &QWebSocket::textMessageReceived, this, [](const QString& text) {
        logLine(QStringLiteral("Received text message: ") + text);
    });
    QObject::connect(socket, &QWebSocket::disconnected, this,
                     [this, socket] { onSocketClosed(socket); });
    // Pushover signals only what arrives while the socket is open; what came while it was
    // closed (overnight, asleep, offline) would otherwise wait for the next new message.
    m_downloadDue = true;
    if (!m_handling)
        drainFrames();
}

void PushoverWebSocketManager::onSocketError(QWebSocket* socket)
{
    // Failures after the login are the receive loop's to report, when the socket closes.
    if (socket != m_socket || m_loggedIn == socket)
        return;
    logLine(QStringLiteral("An error occurred during login: ") + socket->errorString());
}

std::optional<PushoverError> PushoverWebSocketManager::loginCheck()
{
    if (m_settings.poDeviceUID().isEmpty() || m_settings.poSessionSecret().isEmpty()) {
        logLine(QStringLiteral("Device ID or User Secret is empty"));
        return PushoverError::of(PushoverError::Kind::loginCredentialsMissing);
    }
    return std::nullopt;
}

void PushoverWebSocketManager::onSocketClosed(QWebSocket* socket)
{
    if (socket != m_socket)
        return;
    const QString text =
        QStringLiteral("An error occurred while receiving: ") + closeDescription(socket);
    m_poApi.setErrorMessage(text);
    logLine(text);
    m_frames.clear();
    m_downloadDue = false;
    Q_EMIT socketRunningChanged();
}

void PushoverWebSocketManager::onOpenTimedOut()
{
    if (!m_socket || m_socket->state() == QAbstractSocket::ConnectedState)
        return;
    const QString text = QStringLiteral("An error occurred while receiving: The Pushover socket "
                                        "did not open within %1 seconds.")
                             .arg(double(m_timing.openTimeout.count()) / 1000.0);
    m_poApi.setErrorMessage(text);
    logLine(text);
    dropSocket();
}

void PushoverWebSocketManager::dropSocket()
{
    m_frames.clear();
    m_downloadDue = false;
    m_openTimer.stop();
    if (!m_socket)
        return;
    QWebSocket* socket = m_socket;
    m_socket = nullptr;
    // A deliberate close is not a receive failure: the old socket reports nothing more.
    QObject::disconnect(socket, nullptr, this, nullptr);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        // Nothing to say goodbye to: a socket still opening has no close handshake.
        socket->abort();
        socket->deleteLater();
    } else {
        QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
    }
    Q_EMIT socketRunningChanged();
}

void PushoverWebSocketManager::closeSocket()
{
    m_meantOpen = false;
    m_keepAliveTimer.stop();
    m_reconnectTimer.stop();
    m_backOffTimer.stop();
    dropSocket();
}

void PushoverWebSocketManager::reconnect()
{
    dropSocket();
    m_reconnectTimer.start();
}

void PushoverWebSocketManager::reload()
{
    const std::chrono::milliseconds now = steadyNow();
    const bool looping = m_lastReload && now - *m_lastReload < m_timing.reloadWindow;
    closeSocket();
    if (!looping) {
        m_reloadLoopLogged = false;
        m_lastReload = now;
        openSocket();
        return;
    }
    if (!m_reloadLoopLogged) {
        logLine(QStringLiteral("Pushover keeps asking to reload; reconnecting only every %1 "
                               "seconds while it does.")
                    .arg(double(m_timing.reloadBackOff.count()) / 1000.0));
        m_reloadLoopLogged = true;
    }
    // Measured from the reopening, so a loop that resumes at once is still a loop.
    m_lastReload = now + m_timing.reloadBackOff;
    m_meantOpen = true;
    m_backOffTimer.start();
}

bool PushoverWebSocketManager::isFlooding(const QByteArray& frame) const
{
    // Each download fetches every waiting message, so one waiting signal stands for any number.
    if (m_frames.contains(frame))
        return true;
    return frame != "!" && m_frames.size() >= maxWaitingFrames;
}

void PushoverWebSocketManager::armKeepAlive()
{
    m_keepAliveTimer.start();
}

void PushoverWebSocketManager::onKeepAliveExpired()
{
    if (!m_meantOpen)
        return;
    logLine(QStringLiteral("Keep-alive timer expired. Attempting to reconnect."));
    QTimer::singleShot(0, this, &PushoverWebSocketManager::reconnect);
}

void PushoverWebSocketManager::onBinaryFrame(const QByteArray& frame)
{
    Q_EMIT frameArrived(frame);
    if (isFlooding(frame))
        return;
    m_frames.append(frame);
    if (!m_handling)
        drainFrames();
}

QCoro::Task<void> PushoverWebSocketManager::drainFrames()
{
    // Frames are handled one at a time, each to its end (download and acknowledgement
    // included), in the order they came.
    const std::weak_ptr<int> alive = m_lifetime;
    m_handling = true;
    while (m_downloadDue || !m_frames.isEmpty()) {
        if (m_downloadDue) {
            m_downloadDue = false;
            co_await downloadAndNotify();
            if (alive.expired())
                co_return;
            continue;
        }
        const QByteArray frame = m_frames.takeFirst();
        logLine(QStringLiteral("Received data message: ") + describe(frame));
        co_await handleFrame(frame);
        if (alive.expired())
            co_return;
    }
    m_handling = false;
}

QCoro::Task<void> PushoverWebSocketManager::handleFrame(QByteArray frame)
{
    if (frame.isEmpty())
        co_return;
    switch (frame.front()) {
    case '#':
        if (!m_backlogTooLarge)
            m_poApi.setErrorMessage(QString());
        logLine(QStringLiteral("Keep-alive packet received."));
        armKeepAlive();
        break;
    case '!':
        if (!m_backlogTooLarge)
            m_poApi.setErrorMessage(QString());
        armKeepAlive();
        co_await downloadAndNotify();
        break;
    case 'R':
        logLine(QStringLiteral("Reload request; drop connection and re-connect."));
        m_poApi.setErrorMessage(
            QStringLiteral("Pushover reload requested. Dropping connection and reconnecting."));
        reload();
        break;
    case 'A':
        m_poApi.setErrorMessage(QStringLiteral(
            "This device name logged in from another session. Disconnecting this session."));
        logLine(QStringLiteral(
            "The device logged in from another session and this session is being closed."));
        closeSocket();
        break;
    case 'E':
        logLine(QStringLiteral("Error or another session logged in; this session is closed."));
        m_poApi.setErrorMessage(QStringLiteral(
            "An error occurred communicating with Pushover. This session is being disconnected. "
            "Restart corvane to try to reconnect."));
        closeSocket();
        break;
    default:
        logLine(QStringLiteral("Unknown response: ") + describe(frame));
        break;
    }
}

QCoro::Task<void> PushoverWebSocketManager::downloadAndNotify()
{
    const std::weak_ptr<int> alive = m_lifetime;
    const auto download =
        co_await m_poApi.downloadMessages(m_settings.poSessionSecret(), m_settings.poDeviceUID());
    if (alive.expired())
        co_return;
    if (!download.ok()) {
        m_backlogTooLarge = download.error().description == POApiManager::tooLargeText();
        reportFailure(download.error());
        Q_EMIT messagesHandled();
        co_return;
    }
    if (m_backlogTooLarge) {
        m_backlogTooLarge = false;
        m_poApi.setErrorMessage(QString());
    }
    co_await handleDownloadedMessages(download.value());
    if (!alive.expired())
        Q_EMIT messagesHandled();
}

QCoro::Task<void> PushoverWebSocketManager::handleDownloadedMessages(poLoginApiResponse response)
{
    const QList<Message> messages = response.messages.value_or(QList<Message>());
    const Message* highest = highestMessage(messages);
    if (!highest) {
        logLine(QStringLiteral("No messages found."));
        logLine(QStringLiteral("No message to delete."));
        co_return;
    }
    const QString highestId = highest->id_str;
    for (const Message& message : messages) {
        if (message.aid_str == platformAppId()) {
            m_notificationMgr->sendNotification(message.title.value_or(QStringLiteral("No title")),
                                                message.message);
        } else {
            logLine(QStringLiteral("Recieved a message from another source: ") + message.message);
        }
    }
    const std::weak_ptr<int> alive = m_lifetime;
    const auto update = co_await m_poApi.updateHighestMessage(m_settings.poSessionSecret(),
                                                              m_settings.poDeviceUID(), highestId);
    if (!alive.expired() && !update.ok())
        reportFailure(update.error());
}

void PushoverWebSocketManager::reportFailure(const PushoverError& error)
{
    m_poApi.setErrorMessage(QStringLiteral("An error occurred while receiving: ") +
                            error.description);
    logLine(QStringLiteral("An error occurred: ") + error.description);
}

} // namespace corvane
