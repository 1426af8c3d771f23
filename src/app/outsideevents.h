#pragma once

#include <QObject>
#include <optional>

namespace corvane {

class CVNSettings;
class GlobalData;
class LiveSocket;
class POSettings;
class PowerEventSource;
class ReachabilitySource;
class RunWatch;

// What Corvane does when the network goes or comes back and when the machine sleeps or wakes.
// A lost connection shows an error and drops the Pushover socket; a regained one clears it,
// reconnects the socket when notifications are on and asks for a sync at once. Sleep drops
// the socket and waking reconnects it. The market clock and the watch timer are left alone.
// Everything runs on the main thread, in the order the user-facing state needs: the error
// text first, then the socket, then the sync.
class OutsideEventHandler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutsideEventHandler)

public:
    struct Services {
        GlobalData* globalData = nullptr;
        LiveSocket* socket = nullptr;
        const CVNSettings* settings = nullptr;
        const POSettings* poSettings = nullptr;
        RunWatch* watch = nullptr;
    };

    explicit OutsideEventHandler(Services services, QObject* parent = nullptr);

    // Connects the sources' signals to the handlers below; the sources are started by the
    // caller, at the point of start-up where their first update may arrive.
    void listenTo(ReachabilitySource& reachability, PowerEventSource& power);

    // The first status is only remembered; each later change acts.
    void reachabilityUpdated(bool available);
    void systemWillSleep();
    void systemDidWake();

Q_SIGNALS:
    // The socket is closed: the machine may sleep now.
    void readyToSleep();

private:
    bool notificationsWanted() const;

    Services m_services;
    std::optional<bool> m_previousStatus;
};

} // namespace corvane
