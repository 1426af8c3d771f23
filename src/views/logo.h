#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvane {

// The Corvane mark (the application icon's artwork) drawn at width × width logical pixels.
QPixmap logoPixmap(int width, qreal devicePixelRatio = 2);

// The mark as an icon, from renditions the build made of the artwork: the status item and the
// window icon draw it without an SVG renderer. A size is read when first asked for.
QIcon logoIcon();

// Whether this build carries the renditions.
bool hasLogo();

} // namespace corvane
