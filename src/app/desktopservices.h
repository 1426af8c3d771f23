#pragma once

#include "app/connectivitymonitor.h"
#include "app/loginitem.h"
#include "app/outsideevents.h"
#include "app/powermonitor.h"
#include "app/updatechecker.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace corvane {

// Where the desktop services look; tests point them at private buses and folders.
struct DesktopConfig {
    QDBusConnection systemBus = QDBusConnection::systemBus();
    QString configFolder; // for autostart; empty: the user's XDG config folder
    QString executable;   // what autostart runs; empty: this program
    QUrl updateFeed;      // empty: no update checks
    QString buildNumber;  // this build's, compared with the feed's sparkle:version
    std::chrono::milliseconds updatePeriod = std::chrono::hours(24);
    bool watchReachability = true; // false: no network backend is loaded (tests)

    // The real buses and folders, and the feed of the build (or CORVANE_UPDATE_FEED_URL).
    static DesktopConfig defaults();
};

// The services that tie Corvane to the Linux desktop, created together and started at the
// points of start-up where the application expects them: sleep and wake first, the updater
// second, the network last (so its first report finds everything else running).
class DesktopServices final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopServices)

public:
    DesktopServices(DesktopConfig config, OutsideEventHandler::Services services,
                    QNetworkAccessManager& network, QObject* parent = nullptr);

    void startPowerWatch() { m_power->start(); }
    void startUpdater() { m_updater->start(); }
    void startReachability();

    LoginItem& loginItem() { return m_loginItem; }
    UpdateChecker& updater() { return *m_updater; }
    OutsideEventHandler& outsideEvents() { return *m_handler; }

private:
    bool m_watchReachability;
    LoginItem m_loginItem;
    PowerMonitor* m_power;
    ConnectivityMonitor* m_reachability;
    OutsideEventHandler* m_handler;
    UpdateChecker* m_updater;
};

} // namespace corvane
