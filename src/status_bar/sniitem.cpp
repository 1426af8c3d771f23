#include "sniitem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QtEndian>
#include <chrono>

namespace corvane {

namespace {

const QString watcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr std::chrono::milliseconds announceEvery{40};
constexpr int logoSide = 22;

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
{}

QString SniAdaptor::iconName() const
{
    return {};
}

SniPixmaps SniAdaptor::iconPixmap() const
{
    return {sniPixmapFrom(m_item.picture())};
}

SniToolTip SniAdaptor::toolTip() const
{
    return {{}, {}, QStringLiteral("Corvane"), m_item.text()};
}

QString SniAdaptor::label() const
{
    return m_item.text();
}

void SniAdaptor::Activate(int x, int y)
{
    Q_EMIT m_item.activated(QPoint(x, y));
}

void SniAdaptor::SecondaryActivate(int x, int y)
{
    Q_EMIT m_item.activated(QPoint(x, y));
}

void SniAdaptor::ContextMenu(int x, int y)
{
    Q_EMIT m_item.contextMenuRequested(QPoint(x, y));
}

void SniAdaptor::Scroll(int, const QString&) {}

QString SniStatusItem::watcherService()
{
    return QStringLiteral("org.kde.StatusNotifierWatcher");
}

QString SniStatusItem::objectPath()
{
    return QStringLiteral("/StatusNotifierItem");
}

bool SniStatusItem::hostAvailable(const QDBusConnection& bus)
{
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(watcherService()))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService(), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

SniStatusItem::SniStatusItem(const QIcon& logo, QDBusConnection bus, QObject* parent)
    : StatusItem(parent)
    , m_bus(std::move(bus))
    , m_serviceName(
          QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()))
    , m_logo(logo)
{
    registerTypes();
    m_adaptor = new SniAdaptor(*this);
    m_announce.setSingleShot(true);
    m_announce.setInterval(announceEvery);
    connect(&m_announce, &QTimer::timeout, this, [this] {
        Q_EMIT m_adaptor->NewIcon();
        Q_EMIT m_adaptor->NewToolTip();
        Q_EMIT m_adaptor->XAyatanaNewLabel(m_text, m_text);
    });

    m_bus.registerService(m_serviceName);
    m_bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors);
    auto registerWithWatcher = [this] {
        QDBusMessage call = QDBusMessage::createMethodCall(
            watcherService(), QStringLiteral("/StatusNotifierWatcher"), watcherInterface,
            QStringLiteral("RegisterStatusNotifierItem"));
        call << m_serviceName;
        const bool registered =
            m_bus.call(call, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage;
        if (registered != m_registered) {
            m_registered = registered;
            Q_EMIT registeredChanged(registered);
        }
    };
    // A restarted panel brings a new watcher that knows nothing of us.
    auto* watcher = new QDBusServiceWatcher(watcherService(), m_bus,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, registerWithWatcher);
    registerWithWatcher();
}

SniStatusItem::~SniStatusItem()
{
    m_bus.unregisterObject(objectPath());
    m_bus.unregisterService(m_serviceName);
}

void SniStatusItem::setContent(const QImage& label, const QString& text)
{
    m_label = label;
    m_text = text;
    if (!m_announce.isActive())
        m_announce.start();
}

QImage SniStatusItem::picture() const
{
    return m_label.isNull() ? m_logo.pixmap(QSize(logoSide, logoSide)).toImage() : m_label;
}

// The host sizes the item from the picture itself; telling it the picture changed is all.
void SniStatusItem::resizeStatusItem()
{
    Q_EMIT m_adaptor->NewIcon();
}

} // namespace corvane
