#include "badgeicon.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr int largestSide = 64;
constexpr int panelSides[] = {16, 22, 24, 32, 48, 64};
// The badge's share of the side, and the transparent ring that parts it from the logo.
constexpr qreal badgeShare = 0.52;
constexpr qreal ringShare = 0.07;

QPainterPath triangle(const QRectF& box)
{
    QPainterPath path;
    path.moveTo(box.center().x(), box.top());
    path.lineTo(box.right(), box.bottom());
    path.lineTo(box.left(), box.bottom());
    path.closeSubpath();
    return path;
}

} // namespace

BadgeIcon::Badge BadgeIcon::badgeFor(const QList<StatusLabel>& labels, bool hasError)
{
    if (hasError)
        return Badge::warning;
    if (labels.isEmpty())
        return Badge::none;
    double sum = 0;
    for (const StatusLabel& label : labels)
        sum += label.total.value_or(0);
    return sum > 0 ? Badge::positive : Badge::negative;
}

QList<int> BadgeIcon::sides(qreal devicePixelRatio)
{
    QList<int> sides;
    for (const int side : panelSides) {
        for (const qreal ratio : {1.0, devicePixelRatio}) {
            const int scaled = int(std::lround(side * ratio));
            if (scaled <= largestSide && !sides.contains(scaled))
                sides.append(scaled);
        }
    }
    std::sort(sides.begin(), sides.end());
    return sides;
}

QImage BadgeIcon::paint(const QIcon& logo, Badge badge, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    logo.paint(&painter, QRect(0, 0, side, side));
    if (badge == Badge::none)
        return image;

    const qreal s = side * badgeShare;
    const QRectF box(side - s, side - s, s, s);
    const qreal ring = std::max(1.0, side * ringShare);
    const QPainterPath shape = badge == Badge::warning ? triangle(box) : [&] {
        QPainterPath circle;
        circle.addEllipse(box);
        return circle;
    }();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.strokePath(shape,
                       QPen(Qt::black, 2 * ring, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillPath(shape, badge == Badge::positive ? positiveColor : negativeColor);
    if (badge == Badge::warning) {
        // The exclamation mark, in the lower two thirds of the triangle.
        const qreal x = box.center().x();
        const qreal stroke = std::max(1.0, s * 0.13);
        painter.setPen(QPen(Qt::white, stroke, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(x, box.top() + s * 0.36), QPointF(x, box.top() + s * 0.7));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(x, box.top() + s * 0.84), stroke * 0.6, stroke * 0.6);
    }
    return image;
}

} // namespace corvane
