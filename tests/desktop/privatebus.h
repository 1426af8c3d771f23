#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>

namespace corvane::test {

// A bus daemon of the test's own, standing in for the system or the session bus. Its
// configuration starts no installed service, so only what the test puts there answers.
class PrivateBus final {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=" CORVANE_SESSION_BUS_CONFIG),
                        QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    bool isUp() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QDBusConnection connect(const QString& name)
    {
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// Sends logind's signal from `from`, as logind would before sleeping (true) and after waking.
inline void emitPrepareForSleep(QDBusConnection& from, bool sleeping)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    from.send(signal);
}

} // namespace corvane::test
