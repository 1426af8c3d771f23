#pragma once

#include <QDBusConnection>
#include <QObject>

namespace corvane {

// One Corvane per user: the first instance owns a name on the session bus; a later start
// finds it taken, asks the owner to open its popover and leaves.
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

public Q_SLOTS:
    Q_SCRIPTABLE void ShowPopover();

Q_SIGNALS:
    void showPopoverRequested();

private:
    QDBusConnection m_bus;
};

} // namespace corvane
