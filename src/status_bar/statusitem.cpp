#include "statusitem.h"

#include "sniitem.h"
#include "xembedstatusitem.h"

namespace corvane {

std::unique_ptr<StatusItem> StatusItem::create(const QIcon& logo, QObject* parent)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (SniStatusItem::hostAvailable(bus))
        return std::make_unique<SniStatusItem>(logo, bus, parent);
    return std::make_unique<XEmbedStatusItem>(logo, parent);
}

} // namespace corvane
