#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace corvane::test {

// A desktop notification service of our own on the session bus: it owns
// org.freedesktop.Notifications from a connection separate from the one under test, and
// records every Notify call. The benchmark uses it too.
class NotificationRecorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationRecorder)
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        QString appIcon;
        QString title;
        QString body;
        QVariantMap hints;
        qint64 receivedNs = 0; // std::chrono::steady_clock
        QStringList actions;   // key, label, key, label...
        uint id = 0;
    };

    NotificationRecorder();
    ~NotificationRecorder() override;

    // Takes the well-known name; false when the bus is missing or the name is taken.
    bool start();
    // Releases the name, so the desktop has no notification service any more.
    void stop();

    // What GetCapabilities answers; "body" and "sound" unless set.
    void setCapabilities(const QStringList& capabilities) { m_capabilities = capabilities; }
    const QList<Call>& calls() const { return m_calls; }
    // As the server does when the user clicks an action of a notification it shows.
    void invokeAction(uint id, const QString& actionKey);

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    QStringList GetCapabilities();
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);

private:
    QDBusConnection m_bus;
    QList<Call> m_calls;
    QStringList m_capabilities{QStringLiteral("body"), QStringLiteral("sound")};
    bool m_started = false;
    uint m_nextId = 1;
};

} // namespace corvane::test
