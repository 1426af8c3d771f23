#pragma once

#include "statusitem.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QTimer>

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

class SniStatusItem;

// The org.kde.StatusNotifierItem interface of our item, as hosts read it.
class SniAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SniAdaptor)
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(corvane::SniPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(corvane::SniPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(corvane::SniPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(corvane::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ label)

public:
    explicit SniAdaptor(SniStatusItem& item);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("corvane"); }
    QString title() const { return QStringLiteral("Corvane"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconName() const;
    SniPixmaps iconPixmap() const;
    QString emptyText() const { return {}; }
    SniPixmaps noPixmaps() const { return {}; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }
    QString label() const;

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
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
// XFCE, Wayland desktops): our own object on the session bus, registered with the watcher.
// The host draws the picture at its aspect ratio, so the label keeps its width.
class SniStatusItem final : public StatusItem {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SniStatusItem)

public:
    static QString watcherService();
    static QString objectPath();
    // Whether a watcher with at least one host is on the bus.
    static bool hostAvailable(const QDBusConnection& bus);

    SniStatusItem(const QIcon& logo, QDBusConnection bus, QObject* parent = nullptr);
    ~SniStatusItem() override;

    void setContent(const QImage& label, const QString& text) override;
    void resizeStatusItem() override;
    QRect geometry() const override { return {}; }
    bool isRegistered() const override { return m_registered; }
    QString kind() const override { return QStringLiteral("StatusNotifierItem"); }

    // The label, or the logo while there is none (drawn only when a host asks for it).
    QImage picture() const;
    const QString& text() const { return m_text; }
    QString serviceName() const { return m_serviceName; }

private:
    friend class SniAdaptor;
    void announce();

    QDBusConnection m_bus;
    QString m_serviceName;
    QIcon m_logo;
    QImage m_label;
    QString m_text;
    bool m_registered = false;
    SniAdaptor* m_adaptor = nullptr;
    // Hosts fetch the whole picture on each NewIcon; a turning label is announced at most at
    // this pace.
    QTimer m_announce;
};

} // namespace corvane
