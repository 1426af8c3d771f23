#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvane {

// The Corvane mark (the application icon's artwork) drawn at width × width logical pixels.
QPixmap logoPixmap(int width, qreal devicePixelRatio = 2);

// The mark as an icon that reads and draws the artwork only when a size of it is first asked
// for: a run that shows nothing but the label never needs it.
QIcon logoIcon();

} // namespace corvane
