#include "fakewatcher.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace corvane::test {

namespace {
const QString serviceName = u"org.kde.StatusNotifierWatcher"_s;
const QString path = u"/StatusNotifierWatcher"_s;
} // namespace

FakeWatcher::FakeWatcher(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    m_up = m_bus.registerObject(path, this,
                                QDBusConnection::ExportScriptableSlots |
                                    QDBusConnection::ExportAllProperties) &&
           m_bus.registerService(serviceName);
}

FakeWatcher::~FakeWatcher()
{
    m_bus.unregisterService(serviceName);
    m_bus.unregisterObject(path);
}

void FakeWatcher::RegisterStatusNotifierItem(const QString& service)
{
    m_items.append(service);
    m_sender = message().service();
}

} // namespace corvane::test

namespace corvane::test {

namespace {
const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString appearance = u"org.freedesktop.appearance"_s;
const QString colorSchemeKey = u"color-scheme"_s;
} // namespace

FakePortal::FakePortal(QDBusConnection bus, uint colorScheme)
    : m_bus(std::move(bus))
    , m_colorScheme(colorScheme)
{
    m_up = m_bus.registerObject(portalPath, this, QDBusConnection::ExportScriptableSlots) &&
           m_bus.registerService(portalService);
}

FakePortal::~FakePortal()
{
    m_bus.unregisterService(portalService);
    m_bus.unregisterObject(portalPath);
}

void FakePortal::setColorScheme(uint colorScheme)
{
    m_colorScheme = colorScheme;
    QDBusMessage signal = QDBusMessage::createSignal(
        portalPath, u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s);
    signal << appearance << colorSchemeKey << QVariant::fromValue(QDBusVariant(colorScheme));
    m_bus.send(signal);
}

// Older portals, which Read imitates, wrap the value in a second variant.
QDBusVariant FakePortal::Read(const QString& group, const QString& key)
{
    if (group != appearance || key != colorSchemeKey)
        return QDBusVariant(QVariant::fromValue(QDBusVariant(QString())));
    return QDBusVariant(QVariant::fromValue(QDBusVariant(m_colorScheme)));
}

} // namespace corvane::test
