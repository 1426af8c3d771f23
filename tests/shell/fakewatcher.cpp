#include "fakewatcher.h"

#include <QDBusMessage>
#include <utility>

using namespace Qt::StringLiterals;

namespace corvane::test {

namespace {
const QString serviceName = u"org.kde.StatusNotifierWatcher"_s;
const QString path = u"/StatusNotifierWatcher"_s;
} // namespace

FakeWatcher::FakeWatcher(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    m_bus.registerObject(path, this,
                         QDBusConnection::ExportScriptableSlots |
                             QDBusConnection::ExportScriptableSignals |
                             QDBusConnection::ExportAllProperties);
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

void FakeWatcher::dropItems()
{
    const QStringList dropped = std::exchange(m_items, {});
    for (const QString& item : dropped)
        Q_EMIT StatusNotifierItemUnregistered(item);
}

} // namespace corvane::test
