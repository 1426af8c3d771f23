#include "notificationservice.h"

namespace corvane {

QCoro::Task<NotificationAuthorisation> AbsentNotificationService::authorisationStatus()
{
    co_return NotificationAuthorisation::denied;
}

QCoro::Task<PermissionAnswer> AbsentNotificationService::requestAuthorisation()
{
    co_return PermissionAnswer{false,
                               QStringLiteral("no desktop notification service is available")};
}

QCoro::Task<DeliveryOutcome> AbsentNotificationService::deliver(LocalNotification)
{
    co_return DeliveryOutcome{false, true, QString()};
}

} // namespace corvane
