#include "notificationmanager.h"

#include "base/log.h"
#include "freedesktopnotifications.h"

#include <QTimer>
#include <QUuid>

namespace corvane {

namespace {
NotificationManager::FallbackHook& fallbackHook()
{
    static NotificationManager::FallbackHook hook;
    return hook;
}
} // namespace

NotificationManager::NotificationManager(std::shared_ptr<NotificationService> service,
                                         std::chrono::milliseconds postDelay, QObject* parent)
    : QObject(parent)
    , m_service(service ? std::move(service) : std::make_shared<FreedesktopNotifications>())
    , m_postDelay(postDelay)
{}

NotificationManager::~NotificationManager() = default;

void NotificationManager::setFallbackHook(FallbackHook hook)
{
    fallbackHook() = std::move(hook);
}

void NotificationManager::requestPermission()
{
    askPermission(m_service);
}

QCoro::Task<void> NotificationManager::askPermission(std::shared_ptr<NotificationService> service)
{
    // The service is held by the coroutine, so the answer is logged even if this manager
    // is gone by then.
    const NotificationAuthorisation status = co_await service->authorisationStatus();
    switch (status) {
    case NotificationAuthorisation::notDetermined:
    case NotificationAuthorisation::denied: {
        const PermissionAnswer answer = co_await service->requestAuthorisation();
        if (answer.granted)
            logLine(QStringLiteral("Notification permission granted."));
        else if (answer.error)
            logLine(QStringLiteral("Notification permission denied because: ") + *answer.error +
                    QStringLiteral("."));
        break;
    }
    case NotificationAuthorisation::authorised:
        logLine(QStringLiteral("User has already granted notification permissions."));
        break;
    }
}

QString NotificationManager::sendNotification(const QString& title, const QString& body)
{
    return sendNotification(title, body, QString(), {});
}

QString NotificationManager::sendNotification(const QString& title, const QString& body,
                                              const QString& actionLabel,
                                              std::function<void()> onAction)
{
    LocalNotification notification{QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(),
                                   title, body, actionLabel, std::move(onAction)};
    const QString identifier = notification.identifier;
    // The timer belongs to the service's lifetime, not this manager's: a notification that
    // was handed over is posted even if its manager goes away within the delay.
    QTimer::singleShot(m_postDelay, Qt::PreciseTimer,
                       [service = m_service, notification] { deliver(service, notification); });
    return identifier;
}

QCoro::Task<void> NotificationManager::deliver(std::shared_ptr<NotificationService> service,
                                               LocalNotification notification)
{
    const DeliveryOutcome outcome = co_await service->deliver(notification);
    if (outcome.delivered)
        co_return;
    if (!outcome.error.isEmpty())
        logLine(QStringLiteral("Error: ") + outcome.error);
    if (outcome.serviceAbsent && fallbackHook())
        fallbackHook()(notification);
}

} // namespace corvane
