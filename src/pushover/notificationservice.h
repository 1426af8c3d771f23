#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <functional>
#include <optional>

namespace corvane {

// One desktop notification as Corvane posts it.
struct LocalNotification {
    QString identifier; // a fresh upper-case UUID per notification
    QString title;
    QString body;
    // Optional: a button (and a click on the notification) that runs onAction.
    QString actionLabel;
    std::function<void()> onAction;
};

enum class NotificationAuthorisation { notDetermined, denied, authorised };

struct PermissionAnswer {
    bool granted = false;
    std::optional<QString> error; // why it was refused, when the service says
};

struct DeliveryOutcome {
    bool delivered = false;
    bool serviceAbsent = false; // nobody on the desktop shows notifications
    QString error;
};

// The desktop's notification service. The real one speaks org.freedesktop.Notifications;
// the fallback stands in where there is no such service. Calls never block the caller.
class NotificationService {
public:
    virtual ~NotificationService() = default;

    virtual QCoro::Task<NotificationAuthorisation> authorisationStatus() = 0;
    virtual QCoro::Task<PermissionAnswer> requestAuthorisation() = 0;
    virtual QCoro::Task<DeliveryOutcome> deliver(LocalNotification notification) = 0;
};

// Where no notification service exists: permission is denied and nothing is delivered, so
// the notification goes to the fallback hook.
class AbsentNotificationService final : public NotificationService {
public:
    QCoro::Task<NotificationAuthorisation> authorisationStatus() override;
    QCoro::Task<PermissionAnswer> requestAuthorisation() override;
    QCoro::Task<DeliveryOutcome> deliver(LocalNotification notification) override;
};

} // namespace corvane
