#pragma once

#include <QDBusConnection>
#include <QObject>

namespace corvane {

// Tells when the machine is about to sleep and when it has woken up.
class PowerEventSource : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PowerEventSource)

public:
    using QObject::QObject;
    virtual void start() = 0;

Q_SIGNALS:
    void willSleep();
    void didWake();
};

// logind's PrepareForSleep(bool) on the system bus: true before sleeping, false after waking.
// Without a system bus or without logind it says so once and reports nothing.
class PowerMonitor final : public PowerEventSource {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PowerMonitor)

public:
    // Tests hand in a private bus that plays logind.
    explicit PowerMonitor(QDBusConnection bus = QDBusConnection::systemBus(),
                          QObject* parent = nullptr);
    void start() override;
    bool isWatching() const { return m_watching; }

private:
    QDBusConnection m_bus;
    bool m_watching = false;
};

} // namespace corvane
