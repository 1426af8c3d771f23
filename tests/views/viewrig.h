#pragma once

#include "views/appearance.h"

#include <QStringList>

class QWidget;

namespace corvane {
class CustomTabView;
}

namespace corvane::test {

// Where a test leaves a picture for a person to look at: the folder CORVANE_SCREENSHOT_DIR names,
// made when missing.
QString screenshotPath(const QString& file);
// Saves what the widget shows as <name>-<light|dark>.png there; false when it could not.
bool saveScreenshot(QWidget& widget, const QString& name, Appearance appearance);

// Sends the pointer into or out of a widget, as the window system would on a real screen.
void pointerEnters(QWidget& widget);
void pointerLeaves(QWidget& widget);

// The tab buttons' names, as a screen reader reads them.
QStringList tabTexts(const CustomTabView& view);

// Text of a label with its markup removed.
QString plainText(const QString& richText);

} // namespace corvane::test
