#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

namespace corvane {

// Tells when the machine is about to sleep and when it has woken up. Whoever acts on
// willSleep() calls allowSleep() once done, so a source that can hold the sleep back lets go.
class PowerEventSource : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PowerEventSource)

public:
    using QObject::QObject;
    virtual void start() = 0;
    virtual void allowSleep() = 0;

Q_SIGNALS:
    void willSleep();
    void didWake();
};

// logind's PrepareForSleep(bool) on the system bus: true before sleeping, false after waking.
// While awake it holds a "delay" inhibitor lock, so logind waits (a few seconds at most) until
// the Pushover socket has said goodbye before the machine sleeps. Without a system bus or
// without logind it says so once and reports nothing.
class PowerMonitor final : public PowerEventSource {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PowerMonitor)

public:
    // Tests hand in a private bus that plays logind.
    explicit PowerMonitor(QDBusConnection bus = QDBusConnection::systemBus(),
                          QObject* parent = nullptr);
    void start() override;
    // Closes the lock's file descriptor, which is how logind learns that we are ready.
    void allowSleep() override;
    bool isWatching() const { return m_watching; }
    bool holdsSleepLock() const { return m_sleepLock.isValid(); }

private:
    void takeSleepLock();

    QDBusConnection m_bus;
    bool m_watching = false;
    bool m_sleeping = false;
    QDBusUnixFileDescriptor m_sleepLock;
};

} // namespace corvane
