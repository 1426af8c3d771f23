#pragma once

#include "notificationservice.h"

#include <QDBusConnection>
#include <memory>
#include <optional>

namespace corvane {

// org.freedesktop.Notifications on the session bus. Present on the bus counts as
// authorised, absent as denied; asking for permission tries to start the service.
class FreedesktopNotifications final : public NotificationService {
public:
    explicit FreedesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus());

    QCoro::Task<NotificationAuthorisation> authorisationStatus() override;
    QCoro::Task<PermissionAnswer> requestAuthorisation() override;
    QCoro::Task<DeliveryOutcome> deliver(LocalNotification notification) override;

    static QString serviceName();
    static QString objectPath();
    // The hint that carries our identifier, so a notification can be traced to its log line.
    static QString identifierHint();

private:
    class ActionRelay;
    QCoro::Task<bool> readsBodyMarkup();

    QDBusConnection m_bus;
    std::shared_ptr<ActionRelay> m_actions; // made with the first notification that has one
    std::optional<bool> m_bodyMarkup;       // asked once, on the first delivery
};

} // namespace corvane
