#include "logo.h"

#include <QFile>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

namespace corvane {

namespace {

const QString artwork = QStringLiteral(":/corvane/corvane.svg");
// The renditions the build makes of the artwork, smallest first (src/CMakeLists.txt).
constexpr int renderedSides[] = {CORVANE_LOGO_SIDES};

QString renditionPath(int side)
{
    return QStringLiteral(":/corvane/logo/%1x%1/corvane.png").arg(side);
}

// Draws the smallest rendition that covers the size asked for, read only then. The reader is
// told the format and not to guess it: guessing loads every image plugin Qt has.
class RenditionEngine final : public QIconEngine {
public:
    RenditionEngine() = default;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int wanted = std::max(size.width(), size.height());
        const int* side = std::find_if(std::begin(renderedSides), std::end(renderedSides) - 1,
                                       [wanted](int rendered) { return rendered >= wanted; });
        QImageReader reader(renditionPath(*side), "png");
        reader.setAutoDetectImageFormat(false);
        QImage image = reader.read();
        if (!image.isNull() && image.size() != size)
            image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return QPixmap::fromImage(std::move(image));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int side : renderedSides)
            sizes.append(QSize(side, side));
        return sizes;
    }

    QIconEngine* clone() const override { return new RenditionEngine; }
    QString key() const override { return QStringLiteral("corvane-logo"); }
};

} // namespace

// Through Qt's SVG image plugin, loaded only when a window first shows the mark: the
// program does not link the SVG module, so a run that opens none never maps it.
QPixmap logoPixmap(int width, qreal devicePixelRatio)
{
    QImageReader reader(artwork, "svg");
    reader.setAutoDetectImageFormat(false);
    const QSize natural = reader.size();
    const int height =
        natural.isEmpty() ? width : qRound(qreal(width) * natural.height() / natural.width());
    reader.setScaledSize(
        QSize(qRound(width * devicePixelRatio), qRound(height * devicePixelRatio)));
    QPixmap pixmap = QPixmap::fromImage(reader.read());
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon logoIcon()
{
    return QIcon(new RenditionEngine);
}

bool hasLogo()
{
    return QFile::exists(renditionPath(renderedSides[0]));
}

} // namespace corvane
