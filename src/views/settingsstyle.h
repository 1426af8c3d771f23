#pragma once

#include "models/appearance.h"

#include <QColor>
#include <QString>
#include <QToolButton>

class QLabel;

class QWidget;

namespace corvane {

// The look of the settings pages follows the palette of the window they are created in, so a
// page made inside the settings window matches its light or dark appearance.
Appearance appearanceOf(const QWidget* widget);
bool isDarkAppearance(const QWidget* widget);

// The information button beside a settings control, named for screen readers.
QToolButton* infoButton(const QString& text, QWidget* parent);

// Text colours that must stay readable in a light and a dark window.
QColor warningColour(const QWidget* widget);
QColor statusColour(const QWidget* widget);
void setTextColour(QLabel* label, const QColor& colour);

} // namespace corvane
