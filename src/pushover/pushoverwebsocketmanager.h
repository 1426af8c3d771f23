#pragma once

#include "livesocket.h"
#include "notificationservice.h"
#include "poapimanager.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

class QWebSocket;

namespace corvane {

class NotificationManager;

// The live socket's delays; tests shorten them so that nothing waits minutes.
struct SocketTiming {
    std::chrono::milliseconds keepAliveInterval = std::chrono::seconds(150);
    std::chrono::milliseconds reconnectDelay = std::chrono::seconds(1);
    std::chrono::milliseconds notificationDelay = std::chrono::milliseconds(500);
    std::chrono::milliseconds openTimeout = std::chrono::seconds(30);
    // Reload requests closer together than this count as a loop and slow the reopening down.
    std::chrono::milliseconds reloadWindow = std::chrono::seconds(10);
    std::chrono::milliseconds reloadBackOff = std::chrono::seconds(60);
};

// Where the Pushover client talks to: the HTTP API's base and the live socket's URL.
struct PushoverEndpoints {
    QUrl api;
    QUrl socket;
};

// Pushover's live socket. It logs in with this device's id and secret, reacts to Pushover's
// one-byte frames, turns a new-message signal into downloaded, notified and acknowledged
// messages, and reconnects when the keep-alive frames stop while the socket should be open.
class PushoverWebSocketManager final : public QObject, public LiveSocket {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PushoverWebSocketManager)
    Q_PROPERTY(bool socketRunning READ isSocketRunning NOTIFY socketRunningChanged)
    Q_PROPERTY(corvane::NotificationManager* notificationMgr READ notificationMgr CONSTANT)

public:
    // A null notification service means the session bus's desktop notifications.
    PushoverWebSocketManager(QNetworkAccessManager& network, POSettings& settings,
                             PushoverEndpoints endpoints,
                             std::shared_ptr<NotificationService> notifications,
                             SocketTiming timing = SocketTiming{}, QObject* parent = nullptr);
    ~PushoverWebSocketManager() override;

    // Opens the socket unless it runs, logs in and handles its frames. Returns at once.
    void openSocket() override;
    // A deliberate close: cancels the socket (close code 1001) and the keep-alive deadline,
    // so nothing reopens it until the next openSocket().
    void closeSocket() override;
    // Closes the socket, waits a moment and connects again.
    void reconnect();

    bool isSocketRunning() const override;

    POApiManager& poApi() { return m_poApi; }
    NotificationManager* notificationMgr() const { return m_notificationMgr; }
    bool isKeepAliveArmed() const { return m_keepAliveTimer.isActive(); }

    // The application id of Orrisfield's messages; others are not shown.
    static QString platformAppId();

Q_SIGNALS:
    void socketRunningChanged();
    // A binary frame came in (before it waits its turn to be handled); for measurements.
    void frameArrived(const QByteArray& frame);
    // A "!", or the download after a login, has been handled to its end: notified and
    // acknowledged, or failed.
    void messagesHandled();

private:
    void open();
    void sendLogin(QWebSocket* socket);
    void onSocketError(QWebSocket* socket);
    std::optional<PushoverError> loginCheck();
    void onBinaryFrame(const QByteArray& frame);
    void onSocketClosed(QWebSocket* socket);
    QCoro::Task<void> drainFrames();
    QCoro::Task<void> handleFrame(QByteArray frame);
    QCoro::Task<void> downloadAndNotify();
    QCoro::Task<void> handleDownloadedMessages(poLoginApiResponse response);
    void reportFailure(const PushoverError& error);
    void armKeepAlive();
    void onKeepAliveExpired();
    void dropSocket();
    void onOpenTimedOut();
    void reload();
    bool isFlooding(const QByteArray& frame) const;

    POSettings& m_settings;
    QUrl m_socketUrl;
    SocketTiming m_timing;
    QPointer<QWebSocket> m_socket;   // webSocketTask
    QPointer<QWebSocket> m_loggedIn; // the socket whose login frame went out
    QTimer m_keepAliveTimer;
    QTimer m_reconnectTimer;
    QTimer m_openTimer;
    QTimer m_backOffTimer; // a reload loop's pause; nothing reopens the socket before it ends
    POApiManager m_poApi;
    NotificationManager* m_notificationMgr;
    bool m_meantOpen = false; // openSocket() was the last word, not closeSocket()
    QList<QByteArray> m_frames;
    bool m_downloadDue = false; // a login went out: fetch what waited while the socket was closed
    bool m_handling = false;
    // Set while the backlog is too large to download, so that keep-alives do not hide why
    // nothing arrives; the next download that succeeds clears it.
    bool m_backlogTooLarge = false;
    std::optional<std::chrono::milliseconds> m_lastReload; // steady clock of the last "R"
    bool m_reloadLoopLogged = false;
    // Expires as this object's destruction begins, before its members go.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};

} // namespace corvane
