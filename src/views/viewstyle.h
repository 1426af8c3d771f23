#pragma once

#include <QProxyStyle>

namespace corvane {

// Fusion for every view: the views paint with Corvane's own light and dark palettes, and Fusion
// is the style that follows a palette throughout, so what the screenshots show is what every
// desktop gets. One change to it: an empty check box gets an outline in the palette's Mid
// colour, because Fusion derives the outline from the window colour, which leaves the box all
// but invisible on a dark window.
class ViewStyle final : public QProxyStyle {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewStyle)

public:
    ViewStyle();
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // Gives the application this style; call once the QApplication exists.
    static void install();
};

} // namespace corvane
