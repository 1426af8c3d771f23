#include "statusitem.h"

#include "followingstatusitem.h"

namespace corvane {

std::unique_ptr<StatusItem> StatusItem::create(const QIcon& logo, QObject* parent)
{
    return std::make_unique<FollowingStatusItem>(logo, QDBusConnection::sessionBus(),
                                                 FollowingStatusItem::unseenAfter, parent);
}

} // namespace corvane
