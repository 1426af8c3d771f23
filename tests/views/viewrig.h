#pragma once

#include "models/historyfeed.h"
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
// Saves what the widget shows as <name>-<light|dark>.png there (-2x at a pixel ratio of 2);
// false when it could not.
bool saveScreenshot(QWidget& widget, const QString& name, Appearance appearance, qreal ratio = 1);

// The day after Thanksgiving 2026, closing at 1 p.m.: the total climbs to $260.40 at 10:30,
// falls through zero to -$149.60 at 12:15 and is -$20 at 12:50, the last reading before the close.
DayCurve earlyCloseDay();
// Thirty closes on the weekdays from Oct 26 to Dec 4 2026, gains and losses, one at zero.
QList<DayClose> monthOfCloses();

// Sends the pointer into or out of a widget, as the window system would on a real screen.
void pointerEnters(QWidget& widget);
void pointerLeaves(QWidget& widget);

// The tab buttons' names, as a screen reader reads them.
QStringList tabTexts(const CustomTabView& view);

// Text of a label with its markup removed.
QString plainText(const QString& richText);

} // namespace corvane::test
