#include "statusinterface.h"

#include "base/log.h"

#include <QDBusMetaType>
#include <QTimer>

namespace corvane {

void registerStatusTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<QList<QVariantMap>>();
        return true;
    }();
    (void)done;
}

StatusInterface::StatusInterface(Reader read, QObject* parent)
    : QObject(parent)
    , m_read(std::move(read))
    , m_snapshot(m_read())
{
    registerStatusTypes();
}

bool StatusInterface::exportOn(QDBusConnection bus)
{
    const bool exported = bus.registerObject(QString::fromLatin1(statusObjectPath), this,
                                             QDBusConnection::ExportAllProperties |
                                                 QDBusConnection::ExportScriptableSlots |
                                                 QDBusConnection::ExportScriptableSignals);
    if (!exported)
        logLine(QStringLiteral("Could not publish the status on the session bus: %1")
                    .arg(bus.isConnected() ? QStringLiteral("the object path is taken")
                                           : QStringLiteral("no session bus")));
    return exported;
}

void StatusInterface::scheduleRefresh()
{
    // A sync pass touches the store, the total and the errors in one go; readers get one
    // announcement for all of it.
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, &StatusInterface::refresh);
}

void StatusInterface::refresh()
{
    m_refreshScheduled = false;
    StatusSnapshot fresh = m_read();
    if (fresh == m_snapshot)
        return;
    m_snapshot = std::move(fresh);
    Q_EMIT changed();
}

QList<QVariantMap> StatusInterface::labels() const
{
    QList<QVariantMap> list;
    for (const ShownLabel& label : m_snapshot.labels)
        list.append({{QStringLiteral("nickname"), label.nickname},
                     {QStringLiteral("value"), label.value},
                     {QStringLiteral("sign"),
                      label.positive ? QStringLiteral("positive") : QStringLiteral("negative")}});
    return list;
}

} // namespace corvane
