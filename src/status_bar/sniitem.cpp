#include "sniitem.h"

#include "badgeicon.h"
#include "dbusmenu.h"

#include <QCoreApplication>
#include <QDBusAbstractInterface>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QtEndian>

namespace corvane {

namespace {

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(registered);
}

const QString labelSeparator = QStringLiteral("  ");

QByteArray processName(uint pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return comm.readAll().trimmed();
}

// Hosts, by process name, that send a click's position relative to their tray or icon.
bool sendsTrayRelativePoints(uint pid)
{
    return processName(pid) == "waybar";
}

// GNOME Shell's AppIndicator extension follows an item registered by its service name with a
// name watch of its own, whose first answer can overtake the item's properties and make the
// extension drop the item ("Argument two may not be null" in the shell's log). An item
// registered by its object path needs no such watch.
bool registersByPath(const QDBusConnection& bus)
{
    const QDBusReply<uint> pid = bus.interface()->servicePid(SniStatusItem::watcherService());
    return pid.isValid() && processName(pid.value()) == "gnome-shell";
}

} // namespace

SniPixmap sniPixmapFrom(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{argb.width(), argb.height(), {}};
    pixmap.bytes.resize(static_cast<qsizetype>(argb.width()) * argb.height() * 4);
    auto* out = reinterpret_cast<quint32*>(pixmap.bytes.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            *out++ = qToBigEndian(line[x]);
    }
    return pixmap;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.icons << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.icons >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

SniAdaptor::SniAdaptor(SniStatusItem& item)
    : QDBusAbstractAdaptor(&item)
    , m_item(item)
{
    setAutoRelaySignals(false);
}

SniPixmaps SniAdaptor::iconPixmap() const
{
    return m_item.icons();
}

// Screen readers read this; GNOME's extension also expects it to exist.
QString SniAdaptor::accessibleDescription() const
{
    const StatusContent& content = m_item.content();
    QString description = QStringLiteral("Corvane");
    if (content.hasError)
        description += QStringLiteral(", with an error");
    return description + QStringLiteral(": ") + content.summary;
}

SniToolTip SniAdaptor::toolTip() const
{
    const StatusContent& content = m_item.content();
    return {{},
            {},
            QStringLiteral("Corvane"),
            StatusLabelPresenter::toolTip(content.labels, content.summary)};
}

QDBusObjectPath SniAdaptor::menu() const
{
    return QDBusObjectPath(DBusMenu::objectPath());
}

QString SniAdaptor::label() const
{
    return SniStatusItem::labelText(m_item.content().labels);
}

QString SniAdaptor::labelGuide() const
{
    return SniStatusItem::labelGuide(m_item.content().labels);
}

void SniAdaptor::Activate(int x, int y)
{
    m_item.forwardClick(false, QPoint(x, y));
}

void SniAdaptor::SecondaryActivate(int x, int y)
{
    m_item.forwardClick(false, QPoint(x, y));
}

// A middle click where the host gives no position.
void SniAdaptor::XAyatanaSecondaryActivate(uint)
{
    Q_EMIT m_item.activated(QPoint());
}

void SniAdaptor::ContextMenu(int x, int y)
{
    m_item.forwardClick(true, QPoint(x, y));
}

void SniAdaptor::Scroll(int, const QString&) {}

void SniStatusItem::forwardClick(bool menu, const QPoint& point)
{
    const auto pass = [this, menu](const QPoint& at) {
        if (menu)
            Q_EMIT contextMenuRequested(at);
        else
            Q_EMIT activated(at);
    };
    const QString caller = calledFromDBus() ? message().service() : QString();
    const auto known = m_trayRelativeCallers.constFind(caller);
    if (caller.isEmpty() || known != m_trayRelativeCallers.cend()) {
        pass(known != m_trayRelativeCallers.cend() && *known ? QPoint() : point);
        return;
    }
    // Asked once per host, without waiting: the bus daemon answers at once, but the click
    // must not hold the interface up if it does not. The host's call is answered only then,
    // so that it is still there to be asked about.
    setDelayedReply(true);
    const QDBusMessage click = message();
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    ask << caller;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, click, caller, point, pass] {
                watcher->deleteLater();
                m_bus.send(click.createReply());
                const QDBusPendingReply<uint> pid = *watcher;
                if (pid.isError()) {
                    pass(point);
                    return;
                }
                const bool relative = sendsTrayRelativePoints(pid.value());
                m_trayRelativeCallers.insert(caller, relative);
                pass(relative ? QPoint() : point);
            });
}

QString SniStatusItem::watcherService()
{
    return QStringLiteral("org.kde.StatusNotifierWatcher");
}

QString SniStatusItem::watcherPath()
{
    return QStringLiteral("/StatusNotifierWatcher");
}

QString SniStatusItem::watcherInterface()
{
    return QStringLiteral("org.kde.StatusNotifierWatcher");
}

QString SniStatusItem::objectPath()
{
    return QStringLiteral("/StatusNotifierItem");
}

QString SniStatusItem::labelText(const QList<StatusLabel>& labels)
{
    QStringList parts;
    for (const StatusLabel& label : labels)
        parts.append(label.nickname + QLatin1Char(' ') + label.value);
    return parts.join(labelSeparator);
}

QString SniStatusItem::labelGuide(const QList<StatusLabel>& labels)
{
    static const QRegularExpression digits(QStringLiteral("[0-9]+"));
    QStringList parts;
    for (const StatusLabel& label : labels) {
        const QRegularExpressionMatch amount = digits.match(label.value);
        const QString value =
            amount.hasMatch()
                ? QStringLiteral("($%1)").arg(
                      QString(std::max<qsizetype>(4, amount.capturedLength()), QLatin1Char('0')))
                : label.value;
        parts.append(label.nickname + QLatin1Char(' ') + value);
    }
    return parts.join(labelSeparator);
}

// The watcher's word that an item left its list. A host that fails to read a live item (as
// GNOME's AppIndicator extension can) drops it and never asks again, so the item registers
// again rather than stay unseen. A typed proxy, so the signal connects like Qt's own.
class SniStatusItem::WatcherSignals final : public QDBusAbstractInterface {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatcherSignals)

public:
    WatcherSignals(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(SniStatusItem::watcherService(), SniStatusItem::watcherPath(),
                                 "org.kde.StatusNotifierWatcher", bus, parent)
    {}

Q_SIGNALS:
    void StatusNotifierItemUnregistered(const QString& item);
};

SniStatusItem::SniStatusItem(const QIcon& logo, QDBusConnection bus, QObject* parent)
    : StatusItem(parent)
    , m_bus(std::move(bus))
    , m_serviceName(
          QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()))
    , m_logo(logo)
{
    registerTypes();
    m_adaptor = new SniAdaptor(*this);
    m_menu = new DBusMenu(m_bus, this);
    connect(m_menu, &DBusMenu::aboutToShow, this, &StatusItem::menuShown);
    setContent({});
    m_bus.registerService(m_serviceName);
    m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors);
    m_watcherSignals = new WatcherSignals(m_bus, this);
    connect(m_watcherSignals, &WatcherSignals::StatusNotifierItemUnregistered, this,
            &SniStatusItem::onItemUnregistered);
    registerWithWatcher();
}

SniStatusItem::~SniStatusItem()
{
    m_bus.unregisterObject(objectPath());
    m_bus.unregisterService(m_serviceName);
}

void SniStatusItem::setContent(const StatusContent& content)
{
    const QString label = labelText(content.labels);
    const QString guide = labelGuide(content.labels);
    const bool textChanged = label != labelText(m_content.labels) ||
                             guide != labelGuide(m_content.labels) ||
                             StatusLabelPresenter::toolTip(content.labels, content.summary) !=
                                 StatusLabelPresenter::toolTip(m_content.labels, m_content.summary);
    const bool errorChanged = content.hasError != m_content.hasError;
    m_content = content;
    const int badge = int(BadgeIcon::badgeFor(content.labels, content.hasError));
    if (badge != m_badge) {
        m_badge = badge;
        const QScreen* screen = QGuiApplication::primaryScreen();
        m_icons.clear();
        for (const int side : BadgeIcon::sides(screen ? screen->devicePixelRatio() : 1.0))
            m_icons.append(sniPixmapFrom(BadgeIcon::paint(m_logo, BadgeIcon::Badge(badge), side)));
        Q_EMIT m_adaptor->NewIcon();
    }
    if (textChanged || errorChanged) {
        Q_EMIT m_adaptor->NewToolTip();
        Q_EMIT m_adaptor->XAyatanaNewLabel(label, guide);
    }
}

void SniStatusItem::setMenu(QMenu* menu)
{
    m_menu->setMenu(menu);
}

void SniStatusItem::registerWithWatcher()
{
    m_reregistrations = 0;
    requestRegistration();
}

// Watchers name an item by its service, alone or followed by its object path, or by our
// connection's name and the path.
void SniStatusItem::onItemUnregistered(const QString& item)
{
    const QString connection = m_bus.baseService();
    const bool ours = item == m_serviceName || item == m_serviceName + objectPath() ||
                      item == connection + objectPath() || item == connection + u'@' + objectPath();
    if (!ours || !m_registered || m_reregistrations >= maxReregistrations)
        return;
    ++m_reregistrations;
    setRegistered(false);
    requestRegistration();
}

void SniStatusItem::requestRegistration()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(watcherService(), watcherPath(), watcherInterface(),
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << (registersByPath(m_bus) ? objectPath() : m_serviceName);
    const quint64 request = ++m_registration;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                if (request == m_registration)
                    setRegistered(!answer->isError());
            });
}

void SniStatusItem::setRegistered(bool registered)
{
    if (registered == m_registered)
        return;
    m_registered = registered;
    Q_EMIT registeredChanged(registered);
}

} // namespace corvane

#include "sniitem.moc"
