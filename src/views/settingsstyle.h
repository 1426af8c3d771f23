#pragma once

#include "models/appearance.h"

#include <QColor>
#include <QString>
#include <QToolButton>
#include <functional>

class QLabel;

class QWidget;

namespace corvane {

// The look of the settings pages follows the palette of the window they are created in, so a
// page made inside the settings window matches its light or dark appearance.
Appearance appearanceOf(const QWidget* widget);
bool isDarkAppearance(const QWidget* widget);

// Calls apply with the widget's appearance now and again whenever its palette turns from light
// to dark or back: pages are made before they are placed, and the window changes with the
// desktop.
void followAppearance(QWidget* widget, std::function<void(Appearance)> apply);

// The information button beside a settings control, named for screen readers.
QToolButton* infoButton(const QString& text, QWidget* parent);

// Text colours that must stay readable in a light and a dark window.
QColor warningColour(const QWidget* widget);
QColor statusColour(const QWidget* widget);
// Gives the label the colour for its appearance, now and as the appearance changes.
void setTextColour(QLabel* label, QColor (*colour)(const QWidget*));

} // namespace corvane
