#include "logo.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace corvane {

namespace {

const QString artwork = QStringLiteral(":/corvane/corvane.svg");
// The renditions the build makes of the artwork (src/CMakeLists.txt).
constexpr int renderedSides[] = {16, 22, 24, 32, 44, 48, 64, 128, 256};

QString renditionPath(int side)
{
    return QStringLiteral(":/corvane/logo/%1x%1/corvane.png").arg(side);
}

} // namespace

QPixmap logoPixmap(int width, qreal devicePixelRatio)
{
    QSvgRenderer renderer(artwork);
    const QSizeF size = renderer.defaultSize();
    const int height = size.isEmpty() ? width : qRound(width * size.height() / size.width());
    QPixmap pixmap(QSize(width, height) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, width, height));
    return pixmap;
}

QIcon logoIcon()
{
    QIcon icon;
    for (const int side : renderedSides)
        icon.addFile(renditionPath(side), QSize(side, side));
    return icon;
}

bool hasLogo()
{
    return QFile::exists(renditionPath(renderedSides[0]));
}

} // namespace corvane
