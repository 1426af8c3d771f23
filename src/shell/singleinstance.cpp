#include "singleinstance.h"

#include "app/statusinterface.h"
#include "appdelegate.h"
#include "appearancewatcher.h"
#include "models/statuslabelpresenter.h"
#include "status_bar/statusitem.h"
#include "status_bar/statuslabelview.h"

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
        serviceName(), QString::fromLatin1(statusObjectPath),
        QString::fromLatin1(statusInterfaceName), QStringLiteral("OpenPopover"));
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString SingleInstance::StatusItemKind() const
{
    return m_delegate && m_delegate->statusItem() ? m_delegate->statusItem()->kind() : QString();
}

bool SingleInstance::StatusItemRegistered() const
{
    return m_delegate && m_delegate->statusItem() && m_delegate->statusItem()->isRegistered();
}

QRect SingleInstance::StatusItemGeometry() const
{
    return m_delegate && m_delegate->statusItem() ? m_delegate->statusItem()->geometry() : QRect();
}

QString SingleInstance::Label() const
{
    return m_delegate && m_delegate->statusItem() ? m_delegate->presenter().summary() : QString();
}

bool SingleInstance::PopoverVisible() const
{
    return m_delegate && m_delegate->isPopoverShown();
}

QString SingleInstance::Appearance() const
{
    if (!m_delegate || !m_delegate->appearance())
        return {};
    return m_delegate->appearance()->isDark() ? QStringLiteral("dark") : QStringLiteral("light");
}

QString SingleInstance::LabelAppearance() const
{
    if (!m_delegate || !m_delegate->statusItem())
        return {};
    return m_delegate->labelView().appearance() == corvane::Appearance::dark
               ? QStringLiteral("dark")
               : QStringLiteral("light");
}

double SingleInstance::LabelPixelRatio() const
{
    if (!m_delegate || !m_delegate->statusItem())
        return 0;
    return m_delegate->labelView().image().devicePixelRatio();
}

} // namespace corvane
