#include "notificationrecorder.h"

#include <QDBusMessage>
#include <chrono>

namespace corvane::test {

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

NotificationRecorder::NotificationRecorder()
    : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("recorder")))
{}

NotificationRecorder::~NotificationRecorder()
{
    stop();
}

bool NotificationRecorder::start()
{
    if (m_started)
        return true;
    if (!m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(objectPath, this, QDBusConnection::ExportAllSlots))
        return false;
    if (!m_bus.registerService(serviceName)) {
        m_bus.unregisterObject(objectPath);
        return false;
    }
    m_started = true;
    return true;
}

void NotificationRecorder::stop()
{
    if (!m_started)
        return;
    m_bus.unregisterService(serviceName);
    m_bus.unregisterObject(objectPath);
    m_started = false;
}

uint NotificationRecorder::Notify(const QString& appName, uint, const QString& appIcon,
                                  const QString& summary, const QString& body,
                                  const QStringList& actions, const QVariantMap& hints, int)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    m_calls.append({appName, appIcon, summary, body, hints,
                    std::chrono::duration_cast<std::chrono::nanoseconds>(now).count(), actions,
                    m_nextId});
    return m_nextId++;
}

void NotificationRecorder::invokeAction(uint id, const QString& actionKey)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(objectPath, serviceName, QStringLiteral("ActionInvoked"));
    signal << id << actionKey;
    m_bus.send(signal);
}

QStringList NotificationRecorder::GetCapabilities()
{
    return m_capabilities;
}

QString NotificationRecorder::GetServerInformation(QString& vendor, QString& version,
                                                   QString& specVersion)
{
    vendor = QStringLiteral("Corvane tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("notification-recorder");
}

} // namespace corvane::test
