#include "appearancewatcher.h"

#include <QColor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QProcess>
#include <QStandardPaths>

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

QString kdeGlobalsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kdeglobals");
}

// gsettings reads the settings database itself; it starts no service to read a key.
std::optional<QString> gnomeColorScheme()
{
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                              colorSchemeKey});
    if (!process.waitForFinished(1000)) {
        process.kill();
        process.waitForFinished(200);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

PortalSettings::PortalSettings(const QDBusConnection& bus, QObject* parent)
    : QDBusAbstractInterface(portalService, portalPath, "org.freedesktop.portal.Settings", bus,
                             parent)
{}

AppearanceWatcher::AppearanceWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_settings(bus)
    , m_kdeGlobalsPath(kdeGlobalsPath())
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
    // KDE writes a new file and renames it over the old, which ends the watch on it.
    connect(&m_kdeGlobals, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        if (!m_kdeGlobals.files().contains(path) && QFile::exists(path))
            m_kdeGlobals.addPath(path);
        if (!m_portal)
            apply(std::nullopt);
    });
    if (QFile::exists(m_kdeGlobalsPath))
        m_kdeGlobals.addPath(m_kdeGlobalsPath);
    m_dark = fromPortal ? *fromPortal : desktopLooksDark();
    m_portal = fromPortal;
}

std::optional<bool> AppearanceWatcher::darkFromKdeGlobals(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QString group;
    std::optional<bool> byName;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const QString key = line.section(u'=', 0, 0).trimmed();
        const QString value = line.section(u'=', 1).trimmed();
        if (group == QLatin1String("Colors:Window") && key == QLatin1String("BackgroundNormal")) {
            const QStringList rgb = value.split(u',');
            if (rgb.size() >= 3) {
                const QColor colour(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt());
                if (colour.isValid())
                    return colour.lightness() < 128;
            }
        }
        if (group == QLatin1String("General") && key == QLatin1String("ColorScheme") &&
            !value.isEmpty())
            byName = value.contains(QLatin1String("dark"), Qt::CaseInsensitive);
    }
    return byName;
}

std::optional<bool> AppearanceWatcher::darkFromGnomeColorScheme(const QString& value)
{
    const QString scheme = value.trimmed().remove(u'\'');
    if (scheme == QLatin1String("prefer-dark"))
        return true;
    if (scheme == QLatin1String("prefer-light"))
        return false;
    return std::nullopt;
}

bool AppearanceWatcher::desktopLooksDark()
{
    if (const auto kde = darkFromKdeGlobals(m_kdeGlobalsPath))
        return *kde;
    if (const auto scheme = gnomeColorScheme()) {
        if (const auto gnome = darkFromGnomeColorScheme(*scheme))
            return *gnome;
    }
    return paletteLooksDark();
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
    const bool dark = fromPortal ? *fromPortal : desktopLooksDark();
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
