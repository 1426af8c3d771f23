#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

class QProcessEnvironment;

namespace corvane {

// A client of sway's IPC (i3's protocol over a local socket), for the one thing we ask it:
// to put a window of ours at a point. sway floats an X11 utility window in the middle of the
// screen, and again after each of its resizes, and has no other way to be told the place.
class SwayIpc final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwayIpc)

public:
    // sway maps a new window a moment after the client shows it; until then the command
    // matches nothing and is tried again, this often at most.
    static constexpr int maxAttempts = 25;

    // The socket of the sway session we run in, or nothing.
    static QString socketPath(const QProcessEnvironment& environment);

    explicit SwayIpc(QString socketPath, QObject* parent = nullptr);

    // Moves an X11 window by its id to a point of sway's layout, once sway has mapped it. A
    // later call replaces one still being tried.
    void moveWindow(quint64 windowId, const QPoint& topLeft);

Q_SIGNALS:
    // sway's last answer to the latest command, once it is final.
    void moved(bool success);

private:
    void send();
    void readReply();

    QString m_path;
    QLocalSocket m_socket;
    QTimer m_retry;
    QByteArray m_command; // the latest, until sway has answered it for good
    QByteArray m_sent;    // on its way, until its answer is in
    QByteArray m_reply;
    int m_attempts = 0;
};

} // namespace corvane
