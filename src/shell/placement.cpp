#include "placement.h"

#include <algorithm>

namespace corvane {

QPoint popupPosition(const QSize& size, const QRect& anchor, const QPoint& click,
                     const QRect& screen)
{
    QPoint position;
    if (anchor.isValid() && !anchor.isEmpty()) {
        const bool roomBelow = anchor.bottom() + size.height() <= screen.bottom();
        position = QPoint(anchor.center().x() - size.width() / 2,
                          roomBelow ? anchor.bottom() + 1 : anchor.top() - size.height());
    } else {
        const bool lowerHalf = click.y() > screen.center().y();
        position =
            QPoint(click.x() - size.width() / 2, lowerHalf ? click.y() - size.height() : click.y());
    }
    if (screen.isValid()) {
        position.setX(std::clamp(position.x(), screen.left(),
                                 std::max(screen.left(), screen.right() + 1 - size.width())));
        position.setY(std::clamp(position.y(), screen.top(),
                                 std::max(screen.top(), screen.bottom() + 1 - size.height())));
    }
    return position;
}

} // namespace corvane
