#include "singleinstance.h"

#include "base/log.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace corvane {

QString SingleInstance::serviceName()
{
    return QStringLiteral("io.corvane.Corvane");
}

QString SingleInstance::objectPath()
{
    return QStringLiteral("/io/corvane/Corvane");
}

SingleInstance::SingleInstance(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{}

bool SingleInstance::claim()
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return true;
    const auto reply = m_bus.interface()->registerService(
        serviceName(), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return false;
    m_bus.registerObject(objectPath(), this, QDBusConnection::ExportScriptableSlots);
    return true;
}

bool SingleInstance::askOwnerToShowPopover()
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), serviceName(), QStringLiteral("ShowPopover"));
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::ShowPopover()
{
    Q_EMIT showPopoverRequested();
}

} // namespace corvane
