#include "outsideevents.h"

#include "app/connectivitymonitor.h"
#include "app/globaldata.h"
#include "app/powermonitor.h"
#include "base/log.h"
#include "engine/runwatch.h"
#include "pushover/livesocket.h"
#include "settings/posettings.h"
#include "settings/settings.h"

#include <QTimer>

namespace corvane {

OutsideEventHandler::OutsideEventHandler(Services services, QObject* parent)
    : QObject(parent)
    , m_services(services)
{}

void OutsideEventHandler::listenTo(ReachabilitySource& reachability, PowerEventSource& power)
{
    connect(&reachability, &ReachabilitySource::reachabilityChanged, this,
            &OutsideEventHandler::reachabilityUpdated);
    connect(&power, &PowerEventSource::willSleep, this, &OutsideEventHandler::systemWillSleep);
    connect(&power, &PowerEventSource::didWake, this, &OutsideEventHandler::systemDidWake);
    connect(this, &OutsideEventHandler::readyToSleep, &power, &PowerEventSource::allowSleep);
}

bool OutsideEventHandler::notificationsWanted() const
{
    return m_services.settings->enableNotifications() && m_services.poSettings->poIsRegistered();
}

void OutsideEventHandler::reachabilityUpdated(bool available)
{
    const std::optional<bool> previous = m_previousStatus;
    m_previousStatus = available;
    // Starting offline shows nothing until the status changes.
    if (!previous || *previous == available)
        return;

    GlobalData& globalData = *m_services.globalData;
    if (!available) {
        logLine(QStringLiteral("Internet connection is not available."));
        globalData.setInternetError(
            QStringLiteral("Cannot connect to the internet. Check your connection."));
        globalData.updateHasError();
        m_services.socket->closeSocket();
    } else {
        logLine(QStringLiteral("Internet connection is available."));
        globalData.setInternetError(std::nullopt);
        globalData.updateHasError();
        if (notificationsWanted())
            m_services.socket->openSocket();
    }
    // Either way the user gets a fresh answer: the data, or the error a failed fetch leaves.
    logLine(QStringLiteral("in manualStart"));
    m_services.watch->manualStart();
}

void OutsideEventHandler::systemWillSleep()
{
    logLine(QStringLiteral("System will go to sleep"));
    QTimer::singleShot(0, this, [this] {
        // The close frame is flushed to the kernel by now, so the server hears it even if the
        // machine sleeps at once.
        m_services.socket->closeSocket();
        Q_EMIT readyToSleep();
    });
}

void OutsideEventHandler::systemDidWake()
{
    logLine(QStringLiteral("System did wake up"));
    if (notificationsWanted())
        QTimer::singleShot(0, this, [this] { m_services.socket->openSocket(); });
}

} // namespace corvane
