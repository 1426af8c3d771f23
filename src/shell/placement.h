#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace corvane {

// Where a popup of `size` opens for a status item: below the item's rectangle, centred on it,
// or above it when the item sits at the bottom of the screen; at `click` when the host only
// tells the pointer's position (anchor empty); kept inside `screen` either way.
QPoint popupPosition(const QSize& size, const QRect& anchor, const QPoint& click,
                     const QRect& screen);

} // namespace corvane
