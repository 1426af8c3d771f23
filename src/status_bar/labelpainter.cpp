#include "labelpainter.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr qreal nicknamePoints = 10.5;
constexpr qreal valuePoints = 10.6;
constexpr qreal valueKerning = 0.45;
constexpr qreal lineSpacing = -1.9;
constexpr qreal leadingPadding = 5;
constexpr qreal minimumSide = 20;
constexpr qreal triangleSide = 16;
constexpr qreal trianglePadding = 2;
// How strongly the far edge shrinks while the label turns: the eye sits two label sizes away.
constexpr qreal perspective = 0.5;

// Fonts are sized in points and drawn on images of 72 dots per inch, so one point is one
// logical pixel whatever the screen's DPI setting, as on the desktops the sizes come from.
constexpr int dotsPerMeterAt72Dpi = 2835;

const QImage& measuringDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(dotsPerMeterAt72Dpi);
        image.setDotsPerMeterY(dotsPerMeterAt72Dpi);
        return image;
    }();
    return device;
}

QFontMetricsF metrics(const QFont& font)
{
    return QFontMetricsF(font, &measuringDevice());
}

struct LabelLayout {
    QSizeF size;
    qreal nicknameBaseline;
    qreal valueBaseline;
};

LabelLayout layoutOf(const StatusLabel& label)
{
    const QFontMetricsF top = metrics(LabelPainter::nicknameFont());
    const QFontMetricsF bottom = metrics(LabelPainter::valueFont());
    const qreal textWidth =
        std::max(top.horizontalAdvance(label.nickname), bottom.horizontalAdvance(label.value));
    const qreal textHeight = top.height() + lineSpacing + bottom.height();
    // The fraction of a pixel below the last descender is dropped, so that the label fits a
    // 22-pixel tray at its own size instead of being scaled (and blurred) to fit.
    const qreal height = std::max(std::floor(textHeight), minimumSide);
    const qreal topOffset = (height - textHeight) / 2;
    return {QSizeF(std::max(textWidth, minimumSide) + leadingPadding, height),
            topOffset + top.ascent(), topOffset + top.height() + lineSpacing + bottom.ascent()};
}

// A turn about the horizontal axis through the label's centre, seen from `distance` away,
// straight in front of that centre. The perspective divides by the distance from the point
// the eye faces, so that point must be the label's own centre: taken at the row's left edge,
// every label right of the first would drift right while it turns.
QTransform flipAboutHorizontalAxis(qreal degrees, const QPointF& centre, qreal distance)
{
    const qreal radians = qDegreesToRadians(degrees);
    const QTransform turn(1, 0, 0, 0, std::cos(radians), -std::sin(radians) / distance, 0, 0, 1);
    return QTransform::fromTranslate(-centre.x(), -centre.y()) * turn *
           QTransform::fromTranslate(centre.x(), centre.y());
}

void paintTriangle(QPainter& painter, const QPointF& origin, const QColor& color)
{
    const qreal s = triangleSide;
    const QRectF box(origin + QPointF(trianglePadding, 0), QSizeF(s, s));
    QPainterPath outline;
    outline.moveTo(box.center().x(), box.top() + 1.5);
    outline.lineTo(box.right() - 0.75, box.bottom() - 1.5);
    outline.lineTo(box.left() + 0.75, box.bottom() - 1.5);
    outline.closeSubpath();
    painter.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    const qreal x = box.center().x();
    painter.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(x, box.top() + 6), QPointF(x, box.bottom() - 6.5));
    painter.drawPoint(QPointF(x, box.bottom() - 4));
}

} // namespace

LabelPainter::Colors LabelPainter::colors(Appearance appearance)
{
    const bool dark = appearance == Appearance::dark;
    return {
        dark ? QColor(Qt::white) : QColor(Qt::black),
        dark ? QColor(48, 209, 88) : QColor(52, 199, 89),
        dark ? QColor::fromHsvF(0.0f, 0.5f, 1.0f) : QColor::fromHsvF(0.0f, 0.6f, 0.75f),
        dark ? QColor(255, 69, 58) : QColor(255, 59, 48),
    };
}

QFont LabelPainter::nicknameFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(nicknamePoints);
    return font;
}

QFont LabelPainter::valueFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(valuePoints);
    font.setLetterSpacing(QFont::AbsoluteSpacing, valueKerning);
    return font;
}

QSizeF LabelPainter::labelSize(const StatusLabel& label)
{
    return layoutOf(label).size;
}

QSizeF LabelPainter::rowSize(const QList<StatusLabel>& labels, bool hasError)
{
    qreal width = hasError ? triangleSide + 2 * trianglePadding : 0;
    qreal height = hasError ? triangleSide + 2 * trianglePadding : 0;
    for (const StatusLabel& label : labels) {
        const QSizeF size = labelSize(label);
        width += size.width();
        height = std::max(height, size.height());
    }
    return {width, height};
}

QImage LabelPainter::paintRow(const QList<StatusLabel>& labels, bool hasError,
                              Appearance appearance, qreal devicePixelRatio,
                              const QHash<QString, qreal>& angles)
{
    const QSizeF logical = rowSize(labels, hasError);
    if (logical.isEmpty())
        return {};
    QImage image((logical * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.setDotsPerMeterX(dotsPerMeterAt72Dpi);
    image.setDotsPerMeterY(dotsPerMeterAt72Dpi);
    image.fill(Qt::transparent);

    const Colors palette = colors(appearance);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    qreal x = 0;
    if (hasError) {
        const qreal side = triangleSide + 2 * trianglePadding;
        paintTriangle(painter, QPointF(0, (logical.height() - triangleSide) / 2), palette.warning);
        x += side;
    }
    for (const StatusLabel& label : labels) {
        const LabelLayout layout = layoutOf(label);
        const qreal top = (logical.height() - layout.size.height()) / 2;
        const qreal textWidth = layout.size.width() - leadingPadding;
        const qreal left = x + leadingPadding;
        const QPointF centre(left + textWidth / 2, top + layout.size.height() / 2);

        painter.save();
        const qreal angle = angles.value(label.id, 0);
        if (std::fmod(angle, 360.0) != 0) {
            const qreal distance =
                std::max(layout.size.width(), layout.size.height()) / perspective;
            painter.setTransform(flipAboutHorizontalAxis(angle, centre, distance), true);
        }
        const QFont topFont = nicknameFont();
        const QFont bottomFont = valueFont();
        painter.setFont(topFont);
        painter.setPen(palette.nickname);
        const qreal nicknameWidth = metrics(topFont).horizontalAdvance(label.nickname);
        painter.drawText(
            QPointF(left + (textWidth - nicknameWidth) / 2, top + layout.nicknameBaseline),
            label.nickname);
        painter.setFont(bottomFont);
        painter.setPen(label.positive ? palette.positive : palette.negative);
        const qreal valueWidth = metrics(bottomFont).horizontalAdvance(label.value);
        painter.drawText(QPointF(left + (textWidth - valueWidth) / 2, top + layout.valueBaseline),
                         label.value);
        painter.restore();
        x += layout.size.width();
    }
    return image;
}

} // namespace corvane
