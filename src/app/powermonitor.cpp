#include "powermonitor.h"

#include "base/log.h"

#include <QDBusAbstractInterface>
#include <QDBusConnectionInterface>

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
        if (sleeping)
            Q_EMIT willSleep();
        else
            Q_EMIT didWake();
    });
    m_watching = true;
}

} // namespace corvane

#include "powermonitor.moc"
