#pragma once

#include "notificationservice.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

namespace corvane {

// Posts Corvane's local notifications through the desktop's notification service and asks,
// once, whether it may. Instances are cheap and independent; what they post lives in the
// service. Where no service is there, notifications go to the fallback hook instead (the
// shell shows them as the tray's message balloon).
class NotificationManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationManager)

public:
    using FallbackHook = std::function<void(const LocalNotification&)>;

    // A null service means the session bus's org.freedesktop.Notifications.
    explicit NotificationManager(
        std::shared_ptr<NotificationService> service = {},
        std::chrono::milliseconds postDelay = std::chrono::milliseconds(500),
        QObject* parent = nullptr);
    ~NotificationManager() override;

    // Logs whether notifications can be shown, asking the service when it is not known.
    void requestPermission();
    // Posts one notification after the one-shot delay; returns its identifier. Never blocks.
    QString sendNotification(const QString& title, const QString& body);
    // The same with a button labelled actionLabel (a click on the notification does the same).
    QString sendNotification(const QString& title, const QString& body, const QString& actionLabel,
                             std::function<void()> onAction);

    // Process-wide, since every instance falls back to the same tray.
    static void setFallbackHook(FallbackHook hook);

private:
    QCoro::Task<void> askPermission(std::shared_ptr<NotificationService> service);
    static QCoro::Task<void> deliver(std::shared_ptr<NotificationService> service,
                                     LocalNotification notification);

    std::shared_ptr<NotificationService> m_service;
    std::chrono::milliseconds m_postDelay;
};

} // namespace corvane
