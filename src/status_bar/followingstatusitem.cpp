#include "followingstatusitem.h"

#include "sniitem.h"
#include "xembedstatusitem.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QMenu>

namespace corvane {

namespace {

QDBusMessage busCall(const QString& method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), method);
}

} // namespace

FollowingStatusItem::FollowingStatusItem(const QIcon& logo, QDBusConnection bus,
                                         std::chrono::milliseconds unseenDelay, QObject* parent)
    : StatusItem(parent)
    , m_logo(logo)
    , m_bus(std::move(bus))
{
    m_unseen.setSingleShot(true);
    m_unseen.setInterval(unseenDelay);
    connect(&m_unseen, &QTimer::timeout, this, &FollowingStatusItem::checkSeen);
    m_unseen.start();
    if (!m_bus.isConnected()) {
        followWatcher(false);
        return;
    }
    m_watcher = new QDBusServiceWatcher(SniStatusItem::watcherService(), m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                followWatcher(!owner.isEmpty());
            });
    // Until the bus answers there is no item; an owner change meanwhile is the newer news.
    QDBusMessage hasOwner = busCall(QStringLiteral("NameHasOwner"));
    hasOwner << SniStatusItem::watcherService();
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(hasOwner), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusPendingReply<bool> reply = *answer;
                if (!m_item)
                    followWatcher(reply.isValid() && reply.value());
            });
}

FollowingStatusItem::~FollowingStatusItem() = default;

// A new owner is a watcher that knows nothing of us yet, whether we had one before or not.
void FollowingStatusItem::followWatcher(bool present)
{
    if (present) {
        if (auto* sni = qobject_cast<SniStatusItem*>(m_item.get()))
            sni->registerWithWatcher();
        else
            use(std::make_unique<SniStatusItem>(m_logo, m_bus));
    } else if (!qobject_cast<XEmbedStatusItem*>(m_item.get())) {
        use(std::make_unique<XEmbedStatusItem>(m_logo));
    }
}

void FollowingStatusItem::use(std::unique_ptr<StatusItem> item)
{
    const bool wasRegistered = isRegistered();
    m_item = std::move(item);
    connect(m_item.get(), &StatusItem::activated, this, &StatusItem::activated);
    connect(m_item.get(), &StatusItem::contextMenuRequested, this,
            &StatusItem::contextMenuRequested);
    connect(m_item.get(), &StatusItem::menuShown, this, &StatusItem::menuShown);
    connect(m_item.get(), &StatusItem::registeredChanged, this, &StatusItem::registeredChanged);
    m_item->setMenu(m_menu);
    m_item->setContent(m_content);
    m_item->resizeStatusItem();
    if (m_item->isRegistered() != wasRegistered)
        Q_EMIT registeredChanged(m_item->isRegistered());
}

void FollowingStatusItem::setContent(const StatusContent& content)
{
    m_content = content;
    if (m_item)
        m_item->setContent(content);
}

void FollowingStatusItem::setMenu(QMenu* menu)
{
    m_menu = menu;
    if (m_item)
        m_item->setMenu(menu);
}

void FollowingStatusItem::resizeStatusItem()
{
    if (m_item)
        m_item->resizeStatusItem();
}

QRect FollowingStatusItem::geometry() const
{
    return m_item ? m_item->geometry() : QRect();
}

bool FollowingStatusItem::isRegistered() const
{
    return m_item && m_item->isRegistered();
}

QString FollowingStatusItem::kind() const
{
    return m_item ? m_item->kind() : QString();
}

// A watcher without a host (a panel that keeps the watcher but shows no items) shows
// nothing either, so that is asked too.
void FollowingStatusItem::checkSeen()
{
    if (!qobject_cast<SniStatusItem*>(m_item.get()) || !isRegistered()) {
        if (!isRegistered())
            Q_EMIT unseen();
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        SniStatusItem::watcherService(), SniStatusItem::watcherPath(),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << SniStatusItem::watcherInterface() << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *answer;
                if (!reply.isValid() || !reply.value().variant().toBool())
                    Q_EMIT unseen();
            });
}

} // namespace corvane
