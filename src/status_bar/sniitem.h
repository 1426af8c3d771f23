#pragma once

#include "statusitem.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QHash>
#include <QList>

namespace corvane {

// One picture of the StatusNotifierItem protocol: ARGB32 in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using SniPixmaps = QList<SniPixmap>;

struct SniToolTip {
    QString iconName;
    SniPixmaps icons;
    QString title;
    QString description;
};

SniPixmap sniPixmapFrom(const QImage& image);

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);

} // namespace corvane

Q_DECLARE_METATYPE(corvane::SniPixmap)
Q_DECLARE_METATYPE(corvane::SniToolTip)

namespace corvane {

class DBusMenu;
class SniStatusItem;

// The org.kde.StatusNotifierItem interface of our item, as hosts read it, with the Ayatana
// extensions GNOME's AppIndicator extension reads (the label it draws as text).
class SniAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SniAdaptor)
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyText)
    Q_PROPERTY(QString IconName READ emptyText)
    Q_PROPERTY(corvane::SniPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString IconAccessibleDesc READ accessibleDescription)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(corvane::SniPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(corvane::SniPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionAccessibleDesc READ accessibleDescription)
    Q_PROPERTY(corvane::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)

public:
    explicit SniAdaptor(SniStatusItem& item);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("corvane"); }
    QString title() const { return QStringLiteral("Corvane"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyText() const { return {}; }
    SniPixmaps iconPixmap() const;
    QString accessibleDescription() const;
    SniPixmaps noPixmaps() const { return {}; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;
    QString label() const;
    QString labelGuide() const;

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void XAyatanaSecondaryActivate(uint timestamp);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewIcon();
    void NewToolTip();
    void NewTitle();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    SniStatusItem& m_item;
};

// The item on a StatusNotifierItem host (KDE Plasma, the GNOME AppIndicator extension,
// XFCE, waybar): our own object on the session bus, registered with the watcher. Hosts fit
// the icon into a square, so they get the logo with a badge, and the labels as text.
class SniStatusItem final : public StatusItem, protected QDBusContext {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SniStatusItem)

public:
    static QString watcherService();
    static QString watcherPath();
    static QString watcherInterface();
    static QString objectPath();

    // The labels as one line ("IBKR $13  IRA ($5)"); empty without labels.
    static QString labelText(const QList<StatusLabel>& labels);
    // A text at least as wide as labelText that keeps still while the amounts change: each
    // amount written as "($0000)", with more zeros only for more digits.
    static QString labelGuide(const QList<StatusLabel>& labels);

    SniStatusItem(const QIcon& logo, QDBusConnection bus, QObject* parent = nullptr);
    ~SniStatusItem() override;

    void setContent(const StatusContent& content) override;
    void setMenu(QMenu* menu) override;
    void resizeStatusItem() override {}
    QRect geometry() const override { return {}; }
    bool isRegistered() const override { return m_registered; }
    QString kind() const override { return QStringLiteral("StatusNotifierItem"); }

    // Asks the watcher to show the item (again, after the watcher restarted); never waits.
    void registerWithWatcher();

    // How often a watcher that drops the live item gets it again, until the watcher restarts.
    static constexpr int maxReregistrations = 5;

    const StatusContent& content() const { return m_content; }
    const SniPixmaps& icons() const { return m_icons; }
    QString serviceName() const { return m_serviceName; }

private:
    friend class SniAdaptor;
    class WatcherSignals;
    void setRegistered(bool registered);
    void requestRegistration();
    void onItemUnregistered(const QString& item);
    // Passes a host's click on; from a host that sends points relative to its tray rather
    // than to the screen, without the point, which would only mislead the placement.
    void forwardClick(bool menu, const QPoint& point);

    QDBusConnection m_bus;
    QString m_serviceName;
    QIcon m_logo;
    StatusContent m_content;
    SniPixmaps m_icons;
    int m_badge = -1;
    bool m_registered = false;
    SniAdaptor* m_adaptor = nullptr;
    DBusMenu* m_menu = nullptr;
    quint64 m_registration = 0; // the latest request; older answers are stale
    int m_reregistrations = 0;
    WatcherSignals* m_watcherSignals = nullptr;
    QHash<QString, bool> m_trayRelativeCallers; // by bus name, once asked
};

} // namespace corvane
