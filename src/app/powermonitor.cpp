#include "powermonitor.h"

#include "base/log.h"

#include <QDBusAbstractInterface>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace corvane {

namespace {

const QString logindService = QStringLiteral("org.freedesktop.login1");

// A typed proxy: Qt's D-Bus layer relays a remote signal to a Qt signal of the same name
// declared here, so it can be connected like any other signal.
class LogindManager final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogindManager)

public:
    LogindManager(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(logindService, QStringLiteral("/org/freedesktop/login1"),
                                 "org.freedesktop.login1.Manager", bus, parent)
    {}

Q_SIGNALS:
    void PrepareForSleep(bool start);
};

} // namespace

PowerMonitor::PowerMonitor(QDBusConnection bus, QObject* parent)
    : PowerEventSource(parent)
    , m_bus(std::move(bus))
{}

void PowerMonitor::start()
{
    if (m_watching)
        return;
    if (!m_bus.isConnected()) {
        logLine(QStringLiteral("No system bus; sleep and wake are not watched."));
        return;
    }
    if (!m_bus.interface() || !m_bus.interface()->isServiceRegistered(logindService).value()) {
        logLine(QStringLiteral("logind is not running; sleep and wake are not watched."));
        return;
    }
    auto* manager = new LogindManager(m_bus, this);
    connect(manager, &LogindManager::PrepareForSleep, this, [this](bool sleeping) {
        m_sleeping = sleeping;
        if (sleeping) {
            Q_EMIT willSleep();
        } else {
            takeSleepLock();
            Q_EMIT didWake();
        }
    });
    m_watching = true;
    takeSleepLock();
}

void PowerMonitor::takeSleepLock()
{
    if (m_sleepLock.isValid())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        logindService, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Corvane")
         << QStringLiteral("Closing the Pushover connection before sleep")
         << QStringLiteral("delay");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError()) {
            logLine(QStringLiteral("logind gave no sleep delay lock: ") + reply.error().message());
            return;
        }
        // A lock that arrives after the machine began to sleep would only hold it up.
        if (!m_sleeping && !m_sleepLock.isValid())
            m_sleepLock = reply.value();
    });
}

void PowerMonitor::allowSleep()
{
    m_sleepLock = QDBusUnixFileDescriptor();
}

} // namespace corvane

#include "powermonitor.moc"
