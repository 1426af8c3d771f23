#include "freedesktopnotifications.h"

#include <QCoro/QCoroDBusPendingCall>
#include <QDBusAbstractInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QStandardPaths>

namespace corvane {

namespace {

// Errors that mean "nobody is there", as opposed to a service that refused the call.
bool meansAbsent(const QDBusMessage& reply)
{
    const QString name = reply.errorName();
    return name == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
           name == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           name == QStringLiteral("org.freedesktop.DBus.Error.Disconnected") ||
           name == QStringLiteral("org.freedesktop.DBus.Error.Spawn.ServiceNotFound");
}

QString errorText(const QDBusMessage& reply)
{
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

// Quotes stay as they are: some servers read only the few entities markup needs.
QString escapedMarkup(QString text)
{
    return text.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
}

const QString desktopEntry = QStringLiteral("io.corvane.Corvane");

// The icon by the application's id; an install that has it only under its older name (or a
// desktop entry copied by hand) gets that name, since a name the desktop cannot find shows as
// a broken picture.
QString appIcon()
{
    for (const QString& name : {desktopEntry, QStringLiteral("corvane")}) {
        for (const QString& file :
             {QStringLiteral("scalable/apps/%1.svg"), QStringLiteral("48x48/apps/%1.png")}) {
            if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                        QStringLiteral("icons/hicolor/") + file.arg(name))
                     .isEmpty())
                return name;
        }
    }
    return desktopEntry;
}

} // namespace

// Runs a notification's action when the server reports it invoked, and forgets it once the
// notification is closed. A typed proxy, so the server's signals connect like Qt's own.
class FreedesktopNotifications::ActionRelay final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActionRelay)

public:
    explicit ActionRelay(const QDBusConnection& bus)
        : QDBusAbstractInterface(serviceName(), objectPath(), "org.freedesktop.Notifications", bus,
                                 nullptr)
    {
        connect(this, &ActionRelay::ActionInvoked, this, [this](uint id, const QString&) {
            if (const auto action = m_actions.value(id))
                action();
        });
        connect(this, &ActionRelay::NotificationClosed, this,
                [this](uint id, uint) { m_actions.remove(id); });
    }
    QHash<uint, std::function<void()>> m_actions;

Q_SIGNALS:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);
};

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection bus)
    : m_bus(std::move(bus))
{}

QString FreedesktopNotifications::serviceName()
{
    return QStringLiteral("org.freedesktop.Notifications");
}

QString FreedesktopNotifications::objectPath()
{
    return QStringLiteral("/org/freedesktop/Notifications");
}

QString FreedesktopNotifications::identifierHint()
{
    return QStringLiteral("x-corvane-identifier");
}

QCoro::Task<NotificationAuthorisation> FreedesktopNotifications::authorisationStatus()
{
    if (!m_bus.isConnected())
        co_return NotificationAuthorisation::denied;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    call << serviceName();
    const QDBusMessage reply = co_await m_bus.asyncCall(call);
    const bool present = reply.type() == QDBusMessage::ReplyMessage &&
                         !reply.arguments().isEmpty() && reply.arguments().first().toBool();
    co_return present ? NotificationAuthorisation::authorised : NotificationAuthorisation::denied;
}

QCoro::Task<PermissionAnswer> FreedesktopNotifications::requestAuthorisation()
{
    if (!m_bus.isConnected())
        co_return PermissionAnswer{false, QStringLiteral("the session bus is not available")};
    // Calling the service starts it when the bus knows how to; an answer means it is there.
    const QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), serviceName(), QStringLiteral("GetServerInformation"));
    const QDBusMessage reply = co_await m_bus.asyncCall(call);
    if (reply.type() == QDBusMessage::ReplyMessage)
        co_return PermissionAnswer{true, std::nullopt};
    co_return PermissionAnswer{false, errorText(reply)};
}

QCoro::Task<bool> FreedesktopNotifications::readsBodyMarkup()
{
    if (!m_bodyMarkup) {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            serviceName(), objectPath(), serviceName(), QStringLiteral("GetCapabilities"));
        const QDBusMessage reply = co_await m_bus.asyncCall(call);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            co_return false; // not remembered: the service may only be starting
        m_bodyMarkup =
            reply.arguments().first().toStringList().contains(QStringLiteral("body-markup"));
    }
    co_return *m_bodyMarkup;
}

QCoro::Task<DeliveryOutcome> FreedesktopNotifications::deliver(LocalNotification notification)
{
    if (!m_bus.isConnected())
        co_return DeliveryOutcome{false, true, QStringLiteral("the session bus is not available")};
    // A server that reads markup would take "P&L < 0" for a broken tag. The summary is plain
    // text by the protocol, so only the body is escaped.
    if (co_await readsBodyMarkup())
        notification.body = escapedMarkup(notification.body);
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName(), objectPath(), serviceName(),
                                                       QStringLiteral("Notify"));
    // The desktop names and draws the notification from our desktop entry, as it does its own.
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), desktopEntry},
        // The desktop's default sound for an incoming message.
        {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
        {identifierHint(), notification.identifier},
    };
    QStringList actions;
    if (notification.onAction) {
        // "default" is a click on the notification itself; the other key shows as a button.
        actions = QStringList{QStringLiteral("default"), notification.actionLabel,
                              QStringLiteral("action"), notification.actionLabel};
        if (!m_actions)
            m_actions = std::make_shared<ActionRelay>(m_bus);
    }
    call << QStringLiteral("Corvane") << 0u << appIcon() << notification.title << notification.body
         << actions << hints << -1;
    const std::shared_ptr<ActionRelay> relay = m_actions; // this object may be gone on resume
    const QDBusMessage reply = co_await m_bus.asyncCall(call);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (notification.onAction && !reply.arguments().isEmpty())
            relay->m_actions.insert(reply.arguments().first().toUInt(), notification.onAction);
        co_return DeliveryOutcome{true, false, QString()};
    }
    co_return DeliveryOutcome{false, meansAbsent(reply), errorText(reply)};
}

} // namespace corvane

#include "freedesktopnotifications.moc"
