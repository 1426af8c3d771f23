#include "logo.h"

#include <QPainter>
#include <QSvgRenderer>

namespace corvane {

QPixmap logoPixmap(int width, qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/corvane/corvane.svg"));
    const QSizeF artwork = renderer.defaultSize();
    const int height =
        artwork.isEmpty() ? width : qRound(width * artwork.height() / artwork.width());
    QPixmap pixmap(QSize(width, height) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, width, height));
    return pixmap;
}

} // namespace corvane
