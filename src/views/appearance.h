#pragma once

#include "models/appearance.h"

#include <QColor>
#include <QPalette>

// The colours of the views in the light or dark look. The desktop decides the look (the
// shell reads the portal's colour scheme and hands it in); views never guess it from the
// widget style, because the popover must match the panel it opens from.
namespace corvane {

namespace colors {

// Primary and secondary text, the tab outline.
QColor text(Appearance appearance);
QColor secondaryText(Appearance appearance);
QColor outline(Appearance appearance);
// Totals and profits above (or, for profits, at) zero.
QColor gain(Appearance appearance);
// Losses, error texts and the value of a day without a gain.
QColor loss(Appearance appearance);
// The badge of an open position; always drawn with black text.
QColor openBadge();
// The warning triangle of the status label.
QColor warning(Appearance appearance);
// Hover and press tints of menu rows and the accent of links.
QColor accent(Appearance appearance);

} // namespace colors

// A complete palette, so that the views look the same whatever style the desktop runs.
QPalette paletteFor(Appearance appearance);

} // namespace corvane
