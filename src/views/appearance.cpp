#include "appearance.h"

namespace corvane {

namespace colors {

QColor text(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(Qt::white) : QColor(Qt::black);
}

QColor secondaryText(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(152, 152, 157) : QColor(110, 110, 115);
}

QColor outline(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(142, 142, 147) : QColor(128, 128, 128);
}

QColor gain(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(48, 209, 88) : QColor(40, 167, 69);
}

QColor loss(Appearance appearance)
{
    // Red at 50 % saturation and full brightness on dark, 60 % and 75 % on light.
    return appearance == Appearance::dark ? QColor::fromHsvF(0.0f, 0.5f, 1.0f)
                                          : QColor::fromHsvF(0.0f, 0.6f, 0.75f);
}

QColor openBadge()
{
    return QColor::fromHsvF(0.08f, 0.7f, 1.0f);
}

QColor warning(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor accent(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
}

} // namespace colors

QPalette paletteFor(Appearance appearance)
{
    const bool dark = appearance == Appearance::dark;
    const QColor window = dark ? QColor(40, 40, 42) : QColor(246, 246, 246);
    const QColor base = dark ? QColor(30, 30, 32) : QColor(Qt::white);
    const QColor button = dark ? QColor(72, 72, 74) : QColor(255, 255, 255);
    const QColor text = colors::text(appearance);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, colors::secondaryText(appearance));
    p.setColor(QPalette::Highlight, colors::accent(appearance));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, colors::accent(appearance));
    p.setColor(QPalette::Light, dark ? QColor(90, 90, 92) : QColor(Qt::white));
    p.setColor(QPalette::Midlight, dark ? QColor(70, 70, 72) : QColor(227, 227, 227));
    p.setColor(QPalette::Mid, dark ? QColor(60, 60, 62) : QColor(200, 200, 200));
    p.setColor(QPalette::Dark, dark ? QColor(20, 20, 22) : QColor(160, 160, 160));
    p.setColor(QPalette::Shadow, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, colors::secondaryText(appearance));
    return p;
}

} // namespace corvane
