#include "logo.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace corvane {

namespace {

const QString artwork = QStringLiteral(":/corvane/corvane.svg");

class LogoEngine final : public QIconEngine {
public:
    LogoEngine() = default;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        QSvgRenderer renderer(artwork);
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(painter, rect);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new LogoEngine; }
    QString key() const override { return QStringLiteral("corvane-logo"); }
};

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
    return QIcon(new LogoEngine);
}

} // namespace corvane
