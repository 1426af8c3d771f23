#include "settingsstyle.h"

#include "appearance.h"
#include "infopopoverbutton.h"

#include <QLabel>

namespace corvane {

bool isDarkAppearance(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window).lightness() < 128;
}

Appearance appearanceOf(const QWidget* widget)
{
    return isDarkAppearance(widget) ? Appearance::dark : Appearance::light;
}

QToolButton* infoButton(const QString& text, QWidget* parent)
{
    auto* button = new InfoPopoverButton(text, appearanceOf(parent), parent);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setToolTip(text);
    button->setAccessibleName(QStringLiteral("Information"));
    button->setAccessibleDescription(text);
    return button;
}

QColor warningColour(const QWidget* widget)
{
    return colors::loss(appearanceOf(widget));
}

QColor statusColour(const QWidget* widget)
{
    return isDarkAppearance(widget) ? QColor(0xff, 0xc2, 0x4d) : QColor(0xe0, 0x7b, 0x00);
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace corvane
