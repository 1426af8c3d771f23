#pragma once

#include <QPixmap>

namespace corvane {

// The Corvane mark (the application icon's artwork) drawn at width × width logical pixels.
QPixmap logoPixmap(int width, qreal devicePixelRatio = 2);

} // namespace corvane
