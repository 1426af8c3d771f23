#pragma once

#include "views/appearance.h"

#include <QString>

class QWidget;

namespace corvane::test {

// Saves what the widget shows as <name>-<light|dark>.png in the test's screenshot folder, for
// a person to look at; returns false when the image could not be written.
bool saveScreenshot(QWidget& widget, const QString& name, Appearance appearance);

// Sends the pointer into or out of a widget, as the window system would on a real screen.
void pointerEnters(QWidget& widget);
void pointerLeaves(QWidget& widget);

// Text of a label with its markup removed.
QString plainText(const QString& richText);

} // namespace corvane::test
