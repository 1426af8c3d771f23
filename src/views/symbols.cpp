#include "symbols.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace corvane::symbols {

namespace {

void infoMark(QPainter& painter, const QRectF& r, qreal unit)
{
    const QPointF c = r.center();
    painter.drawLine(QPointF(c.x(), c.y() - unit * 0.5), QPointF(c.x(), c.y() + unit * 2.5));
    painter.drawPoint(QPointF(c.x(), c.y() - unit * 2.3));
}

void gear(QPainter& painter, const QRectF& r, qreal unit)
{
    const QPointF c = r.center();
    const qreal outer = r.width() * 0.46;
    const qreal inner = r.width() * 0.34;
    QPainterPath teeth;
    constexpr int count = 8;
    for (int i = 0; i < count * 2; ++i) {
        const qreal angle = (i - 0.5) * M_PI / count;
        const qreal next = (i + 0.5) * M_PI / count;
        const qreal radius = i % 2 == 0 ? outer : inner;
        const QPointF a = c + QPointF(std::cos(angle), std::sin(angle)) * radius;
        const QPointF b = c + QPointF(std::cos(next), std::sin(next)) * radius;
        if (i == 0)
            teeth.moveTo(a);
        else
            teeth.lineTo(a);
        teeth.lineTo(b);
    }
    teeth.closeSubpath();
    painter.drawPath(teeth);
    painter.drawEllipse(c, unit * 1.6, unit * 1.6);
}

// Draws when asked, at the size asked: the menu's icons cost nothing until it first opens (a
// desktop that draws the menu itself never asks), and they are sharp at any scale.
class SymbolEngine final : public QIconEngine {
public:
    SymbolEngine(QString name, QColor color)
        : m_name(std::move(name))
        , m_color(std::move(color))
    {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        symbols::paint(*painter, rect, m_name, colorFor(mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SymbolEngine(m_name, m_color); }
    QString key() const override { return QStringLiteral("corvane-symbol"); }

private:
    QColor colorFor(QIcon::Mode mode) const
    {
        if (mode != QIcon::Disabled)
            return m_color;
        QColor faded = m_color;
        faded.setAlphaF(faded.alphaF() * 0.4f);
        return faded;
    }

    QString m_name;
    QColor m_color;
};

} // namespace

void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color)
{
    const qreal side = std::min(rect.width(), rect.height());
    const QRectF r(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    const qreal unit = side / 12;
    const QRectF inset = r.adjusted(unit, unit, -unit, -unit);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max<qreal>(1.0, unit * 1.1), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    if (name == QLatin1String("info.circle")) {
        painter.drawEllipse(inset);
        infoMark(painter, inset, unit);
    } else if (name == QLatin1String("gear")) {
        gear(painter, r, unit);
    } else if (name == QLatin1String("power")) {
        painter.drawArc(inset, 120 * 16, -300 * 16);
        painter.drawLine(QPointF(r.center().x(), r.top() + unit * 0.5),
                         QPointF(r.center().x(), r.center().y()));
    } else if (name == QLatin1String("chart.xyaxis.line")) {
        painter.drawLine(inset.topLeft(), inset.bottomLeft());
        painter.drawLine(inset.bottomLeft(), inset.bottomRight());
        const QPointF points[] = {
            {inset.left() + unit * 1.5, inset.bottom() - unit * 2.5},
            {inset.left() + unit * 4, inset.bottom() - unit * 5.5},
            {inset.left() + unit * 6.5, inset.bottom() - unit * 4},
            {inset.right(), inset.top() + unit * 1.5},
        };
        painter.drawPolyline(points, 4);
    } else if (name == QLatin1String("list.bullet.circle")) {
        painter.drawEllipse(inset);
        for (int line = -1; line <= 1; ++line) {
            const qreal y = r.center().y() + line * unit * 2.2;
            painter.drawPoint(QPointF(r.center().x() - unit * 2.2, y));
            painter.drawLine(QPointF(r.center().x() - unit * 0.6, y),
                             QPointF(r.center().x() + unit * 2.6, y));
        }
    } else if (name == QLatin1String("info.bubble")) {
        const QRectF bubble = inset.adjusted(0, 0, 0, -unit * 2);
        QPainterPath path;
        path.addRoundedRect(bubble, unit * 2.5, unit * 2.5);
        QPainterPath tail;
        tail.moveTo(bubble.left() + unit * 2, bubble.bottom() - unit);
        tail.lineTo(bubble.left() + unit * 1.5, inset.bottom());
        tail.lineTo(bubble.left() + unit * 4.5, bubble.bottom() - unit * 0.2);
        painter.drawPath(path.united(tail));
        infoMark(painter, bubble, unit * 0.8);
    } else if (name == QLatin1String("pencil.and.list.clipboard")) {
        const QRectF board = inset.adjusted(unit, unit * 0.5, -unit, 0);
        painter.drawRoundedRect(board, unit, unit);
        painter.drawLine(QPointF(board.center().x() - unit * 1.5, board.top()),
                         QPointF(board.center().x() + unit * 1.5, board.top()));
        for (int line = 0; line < 3; ++line) {
            const qreal y = board.top() + unit * (2.8 + line * 2.2);
            painter.drawLine(QPointF(board.left() + unit * 1.8, y),
                             QPointF(board.right() - unit * 1.8, y));
        }
    }
    painter.restore();
}

QIcon icon(const QString& name, const QColor& color)
{
    return QIcon(new SymbolEngine(name, color));
}

} // namespace corvane::symbols
