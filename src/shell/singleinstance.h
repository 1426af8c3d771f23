#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QRect>

namespace corvane {

class AppDelegate;

// One Corvane per user: the first instance owns a name on the session bus; a later start
// finds it taken, asks the owner to open its popover (through the status interface) and
// leaves. The object at the instance's own path is a diagnostics interface: it tells how the
// status item and the popover stand, for bug reports, the end-to-end tests and the desktop
// runs, and nothing on it changes anything.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
    Q_CLASSINFO("D-Bus Interface", "io.corvane.Corvane")

public:
    static QString serviceName();
    static QString objectPath();

    explicit SingleInstance(QDBusConnection bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);

    // Claims the name. False when another instance holds it; without a session bus there is
    // no way to tell, and this instance goes on alone (true).
    bool claim();
    // Asks the instance that holds the name to open its popover.
    bool askOwnerToShowPopover();
    void setDelegate(AppDelegate* delegate) { m_delegate = delegate; }

public Q_SLOTS:
    // "XEmbed", "StatusNotifierItem", or empty before the item exists.
    Q_SCRIPTABLE QString StatusItemKind() const;
    Q_SCRIPTABLE bool StatusItemRegistered() const;
    // Where the item is on screen, when the tray tells.
    Q_SCRIPTABLE QRect StatusItemGeometry() const;
    // The labels as text ("No verified accounts" when the logo stands in).
    Q_SCRIPTABLE QString Label() const;
    Q_SCRIPTABLE bool PopoverVisible() const;
    // The windows' look, "light" or "dark".
    Q_SCRIPTABLE QString Appearance() const;
    // The label's: "dark" when drawn for a dark panel.
    Q_SCRIPTABLE QString LabelAppearance() const;
    // The density the label is drawn at (2 on a screen scaled by two), 0 before the item exists.
    Q_SCRIPTABLE double LabelPixelRatio() const;

private:
    QDBusConnection m_bus;
    QPointer<AppDelegate> m_delegate;
};

} // namespace corvane
