#pragma once

#include "statusitem.h"

#include <QDBusConnection>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <memory>

class QDBusServiceWatcher;

namespace corvane {

// The status item wherever the desktop can show it now. A StatusNotifierWatcher on the bus
// (a panel that shows such items) gets our StatusNotifierItem, registered again whenever the
// watcher restarts; without one, an XEmbed tray gets the picture, docked as soon as a tray
// is there. Panels start before or after us and restart, so this is followed all along,
// never waiting on the bus. If nothing shows the item a while after start, unseen() says so.
class FollowingStatusItem final : public StatusItem {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FollowingStatusItem)

public:
    static constexpr std::chrono::milliseconds unseenAfter{10000};

    FollowingStatusItem(const QIcon& logo, QDBusConnection bus,
                        std::chrono::milliseconds unseenDelay = unseenAfter,
                        QObject* parent = nullptr);
    ~FollowingStatusItem() override;

    void setContent(const StatusContent& content) override;
    void setMenu(QMenu* menu) override;
    void resizeStatusItem() override;
    QRect geometry() const override;
    bool isRegistered() const override;
    QString kind() const override;

private:
    void followWatcher(bool present);
    void use(std::unique_ptr<StatusItem> item);
    void checkSeen();

    QIcon m_logo;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
    std::unique_ptr<StatusItem> m_item;
    StatusContent m_content;
    QPointer<QMenu> m_menu;
    QTimer m_unseen;
};

} // namespace corvane
