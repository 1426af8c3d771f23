#include "appearancewatcher.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace corvane {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

// Older portals wrap the value of Read in a second variant.
QVariant unwrapped(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        QDBusVariant inner;
        value.value<QDBusArgument>() >> inner;
        value = inner.variant();
    }
    return value;
}

std::optional<uint> colorSchemeOf(const QVariant& value)
{
    bool ok = false;
    const uint scheme = unwrapped(value).toUInt(&ok);
    return ok ? std::optional(scheme) : std::nullopt;
}

} // namespace

PortalSettings::PortalSettings(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(portalService, portalPath, "org.freedesktop.portal.Settings", bus,
                             parent)
{}

AppearanceWatcher::AppearanceWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_settings(bus)
{
    std::optional<bool> fromPortal;
    if (bus.isConnected()) {
        // Qt matches the relayed signal's parameters by type name, and QDBusVariant has none
        // until it is registered: without this the relay is silently never made.
        qRegisterMetaType<QDBusVariant>();
        connect(&m_settings, &PortalSettings::SettingChanged, this,
                &AppearanceWatcher::onSettingChanged);
        QDBusMessage read = QDBusMessage::createMethodCall(
            portalService, portalPath, settingsInterface, QStringLiteral("Read"));
        read << appearanceGroup << colorSchemeKey;
        // A short wait: no portal means no answer, and start-up must not hang on it.
        const QDBusMessage reply = bus.call(read, QDBus::Block, 1000);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            if (const auto scheme = colorSchemeOf(reply.arguments().constFirst()))
                fromPortal = darkFromColorScheme(*scheme);
        }
    }
    if (qApp)
        qApp->installEventFilter(this);
    m_dark = fromPortal.value_or(paletteLooksDark());
    m_portal = fromPortal;
}

std::optional<bool> AppearanceWatcher::darkFromColorScheme(uint value)
{
    switch (value) {
    case 1:
        return true;
    case 2:
        return false;
    default:
        return std::nullopt;
    }
}

void AppearanceWatcher::onSettingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value)
{
    if (group != appearanceGroup || key != colorSchemeKey)
        return;
    const auto scheme = colorSchemeOf(value.variant());
    apply(scheme ? darkFromColorScheme(*scheme) : std::nullopt);
}

bool AppearanceWatcher::paletteLooksDark() const
{
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
}

void AppearanceWatcher::apply(std::optional<bool> fromPortal)
{
    m_portal = fromPortal;
    const bool dark = fromPortal.value_or(paletteLooksDark());
    if (dark == m_dark)
        return;
    m_dark = dark;
    Q_EMIT darkChanged(dark);
}

bool AppearanceWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_portal)
        apply(std::nullopt);
    return QObject::eventFilter(watched, event);
}

} // namespace corvane
