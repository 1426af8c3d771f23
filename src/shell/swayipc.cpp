#include "swayipc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <cstring>
#include <utility>

namespace corvane {

namespace {

constexpr char magic[] = "i3-ipc";
constexpr qsizetype magicSize = sizeof(magic) - 1;
constexpr qsizetype headerSize = magicSize + 8; // then the payload's length and the type
constexpr quint32 runCommand = 0;
constexpr quint32 maxReplyBytes = 64 * 1024;
constexpr std::chrono::milliseconds retryDelay{40};

} // namespace

QString SwayIpc::socketPath(const QProcessEnvironment& environment)
{
    return environment.value(QStringLiteral("SWAYSOCK"));
}

SwayIpc::SwayIpc(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_path(std::move(socketPath))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryDelay);
    connect(&m_retry, &QTimer::timeout, this, &SwayIpc::send);
    connect(&m_socket, &QLocalSocket::connected, this, &SwayIpc::send);
    connect(&m_socket, &QLocalSocket::readyRead, this, &SwayIpc::readReply);
    connect(&m_socket, &QLocalSocket::errorOccurred, this, [this] {
        // Nothing to move it with: the window stays where sway put it.
        m_sent.clear();
        if (!m_command.isEmpty()) {
            m_command.clear();
            Q_EMIT moved(false);
        }
    });
}

void SwayIpc::moveWindow(quint64 windowId, const QPoint& topLeft)
{
    m_command = QStringLiteral("[id=%1] move absolute position %2 %3")
                    .arg(windowId)
                    .arg(topLeft.x())
                    .arg(topLeft.y())
                    .toUtf8();
    m_attempts = 0;
    m_retry.stop();
    if (m_sent.isEmpty())
        send(); // else once the answer to the one on its way is in
}

void SwayIpc::send()
{
    if (m_command.isEmpty())
        return;
    if (m_socket.state() == QLocalSocket::UnconnectedState) {
        m_reply.clear();
        m_sent.clear();
        m_socket.connectToServer(m_path);
        return;
    }
    if (m_socket.state() != QLocalSocket::ConnectedState)
        return; // sent once connected
    ++m_attempts;
    // i3's framing: the magic, then the payload's length and the message type in the host's
    // byte order.
    QByteArray message(magic, magicSize);
    const quint32 length = quint32(m_command.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&runCommand), sizeof runCommand);
    message.append(m_command);
    m_socket.write(message);
    m_sent = m_command;
}

void SwayIpc::readReply()
{
    m_reply.append(m_socket.readAll());
    while (m_reply.size() >= headerSize) {
        quint32 length = 0;
        std::memcpy(&length, m_reply.constData() + magicSize, sizeof length);
        // An answer to "move" is a few bytes; anything else, or a huge length, is not sway.
        if (std::memcmp(m_reply.constData(), magic, magicSize) != 0 || length > maxReplyBytes) {
            m_socket.abort();
            m_sent.clear();
            m_command.clear();
            Q_EMIT moved(false);
            return;
        }
        if (m_reply.size() < headerSize + qsizetype(length))
            return;
        const QJsonArray results = QJsonDocument::fromJson(m_reply.mid(headerSize, length)).array();
        m_reply.remove(0, headerSize + length);
        const QByteArray answered = std::exchange(m_sent, {});
        if (m_command.isEmpty())
            continue;
        if (answered != m_command) {
            send(); // a newer command waited for this answer
            continue;
        }
        const bool success = !results.isEmpty() &&
                             results.first().toObject().value(QStringLiteral("success")) == true;
        if (success || m_attempts >= maxAttempts) {
            m_command.clear();
            Q_EMIT moved(success);
        } else {
            m_retry.start();
        }
    }
}

} // namespace corvane
