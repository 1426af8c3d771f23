#include "chartplot.h"

#include "base/newyork.h"
#include "models/resulttext.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace corvane {

namespace {

constexpr int axisHeight = 16;
constexpr int topMargin = 4;
// Room for half a marker at the open and the close.
constexpr int sideMargin = 5;
constexpr qsizetype barSlots = 30;
// Room above the highest and below the lowest value, as a share of their span.
constexpr double headroom = 0.12;

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

QFont smallFont(QFont font)
{
    font.setPointSizeF(8);
    return font;
}

} // namespace

ChartPlot::ChartPlot(Appearance appearance, QWidget* parent)
    : QWidget(parent)
    , m_appearance(appearance)
{
    setObjectName(QStringLiteral("chartPlot"));
    setMouseTracking(true);
    setMinimumHeight(90);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ChartPlot::setDay(const DayCurve& day)
{
    m_day = day;
    // A value that is not a number would take the scale with it; such a point is not drawn.
    m_day.points.removeIf([](const HistoryPoint& point) {
        return !std::isfinite(point.total) || !point.at.isValid();
    });
    m_hover.reset();
    update();
}

void ChartPlot::setCloses(const QList<DayClose>& closes)
{
    m_closes = closes.mid(std::max<qsizetype>(0, closes.size() - barSlots));
    m_closes.removeIf([](const DayClose& close) { return !std::isfinite(close.total); });
    m_hover.reset();
    update();
}

void ChartPlot::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    m_hover.reset();
    update();
}

QRectF ChartPlot::plotArea() const
{
    return QRectF(rect()).adjusted(sideMargin, topMargin, -sideMargin, -axisHeight);
}

QString ChartPlot::timeText(const QDateTime& at)
{
    const QTime time = at.toTimeZone(newYorkTimeZone()).time();
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2%3")
        .arg(hour)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QLatin1Char('a') : QLatin1Char('p'));
}

QString ChartPlot::dateText(QDate day)
{
    return day.toString(QStringLiteral("MMM d"));
}

QString ChartPlot::hoverText() const
{
    if (!m_hover)
        return {};
    if (m_mode == Mode::day) {
        const HistoryPoint& point = m_day.points.at(*m_hover);
        return timeText(point.at) + QStringLiteral("  ") + text::totalText(point.total, false);
    }
    const DayClose& close = m_closes.at(*m_hover);
    return dateText(close.tradingDay) + QStringLiteral("  ") + text::totalText(close.total, false);
}

ChartPlot::Range ChartPlot::valueRange() const
{
    QList<double> values;
    if (m_mode == Mode::day) {
        for (const HistoryPoint& point : m_day.points)
            values.append(point.total);
    } else {
        for (const DayClose& close : m_closes)
            values.append(close.total);
    }
    if (values.isEmpty())
        return {-1, 1};
    const auto [low, high] = std::minmax_element(values.cbegin(), values.cend());
    if (*high - *low < 0.005) {
        // A flat day (or a single value) sits in the middle, with the zero line in sight.
        const double margin = std::max(std::abs(*low) * 1.25, 1.0);
        return {*low - margin, *low + margin};
    }
    const double bottom = std::min(0.0, *low);
    const double top = std::max(0.0, *high);
    const double pad = (top - bottom) * headroom;
    return {bottom - pad, top + pad};
}

double ChartPlot::yFor(double value, const Range& range) const
{
    const QRectF area = plotArea();
    return area.bottom() - (value - range.low) / (range.high - range.low) * area.height();
}

double ChartPlot::xForTime(const QDateTime& at) const
{
    const QRectF area = plotArea();
    QDateTime from = m_day.open;
    QDateTime to = m_day.close;
    // Without a session (never expected from the store) the points themselves span the width.
    if (!from.isValid() || !to.isValid() || from >= to) {
        if (m_day.points.size() < 2 || m_day.points.first().at >= m_day.points.last().at)
            return area.center().x();
        from = m_day.points.first().at;
        to = m_day.points.last().at;
    }
    const double share = double(from.msecsTo(at)) / double(from.msecsTo(to));
    return area.left() + std::clamp(share, 0.0, 1.0) * area.width();
}

QRectF ChartPlot::barRect(qsizetype index, const Range& range) const
{
    const QRectF area = plotArea();
    const double slot = area.width() / barSlots;
    const qsizetype position = barSlots - m_closes.size() + index;
    const double zero = yFor(0, range);
    const double value = yFor(m_closes.at(index).total, range);
    QRectF bar(area.left() + position * slot + slot * 0.15, std::min(zero, value), slot * 0.7,
               std::abs(zero - value));
    // A day that closed at zero still shows a sliver, so the day is seen to exist.
    if (bar.height() < 1)
        bar.setHeight(1);
    return bar;
}

std::optional<qsizetype> ChartPlot::nearestTo(double x) const
{
    if (m_mode == Mode::closes) {
        const QRectF area = plotArea();
        const auto slot = qsizetype(std::floor((x - area.left()) / (area.width() / barSlots)));
        const qsizetype index = slot - (barSlots - m_closes.size());
        if (index < 0 || index >= m_closes.size())
            return std::nullopt;
        return index;
    }
    std::optional<qsizetype> best;
    double distance = 0;
    for (qsizetype at = 0; at < m_day.points.size(); ++at) {
        const double d = std::abs(xForTime(m_day.points.at(at).at) - x);
        if (!best || d < distance) {
            best = at;
            distance = d;
        }
    }
    return best;
}

void ChartPlot::paint(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const Range range = valueRange();
    if (m_mode == Mode::day) {
        paintTimeAxis(painter);
        if (m_day.points.isEmpty())
            paintEmpty(painter, QStringLiteral("No history yet"));
        else
            paintDay(painter, range);
    } else if (m_closes.isEmpty()) {
        paintEmpty(painter, QStringLiteral("No closing totals yet"));
    } else {
        paintCloses(painter, range);
    }
    painter.restore();
}

void ChartPlot::paintDay(QPainter& painter, const Range& range) const
{
    const QRectF area = plotArea();
    const double zero = yFor(0, range);
    const QColor gain = colors::gain(m_appearance);
    const QColor loss = colors::loss(m_appearance);
    painter.setPen(QPen(withAlpha(colors::outline(m_appearance), 0.6), 1, Qt::DashLine));
    painter.drawLine(QPointF(area.left(), zero), QPointF(area.right(), zero));

    QList<QPointF> points;
    bool anyGain = false;
    bool anyLoss = false;
    for (const HistoryPoint& point : m_day.points) {
        points.append({xForTime(point.at), yFor(point.total, range)});
        anyGain = anyGain || text::isGain(point.total);
        anyLoss = anyLoss || text::toCents(point.total) < 0;
    }
    // Where the line crosses zero it changes colour. A day that never rose above zero is red
    // throughout, as the label shows it; one that never went below it is green, its flat start on
    // the zero line included.
    const double split = !anyGain ? area.top() - 10 : !anyLoss ? area.bottom() + 10 : zero;
    const QRectF above(0, 0, width(), split);
    const QRectF below(0, split, width(), height() - split);

    if (points.size() == 1) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(anyGain ? gain : loss);
        painter.drawEllipse(points.first(), 3.5, 3.5);
    } else {
        QPainterPath line(points.first());
        for (qsizetype at = 1; at < points.size(); ++at)
            line.lineTo(points.at(at));
        QPainterPath fill = line;
        fill.lineTo(points.last().x(), zero);
        fill.lineTo(points.first().x(), zero);
        fill.closeSubpath();
        for (const auto& [clip, color, edge] :
             {std::tuple{above, gain, area.top()}, std::tuple{below, loss, area.bottom()}}) {
            painter.save();
            painter.setClipRect(clip);
            QLinearGradient shade(0, edge, 0, zero);
            shade.setColorAt(0, withAlpha(color, 0.30));
            shade.setColorAt(1, withAlpha(color, 0.04));
            painter.fillPath(fill, shade);
            painter.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(line);
            painter.restore();
        }
        // The day's high and low, each ringed in the window colour so it stands off the line.
        const auto [low, high] =
            std::minmax_element(m_day.points.cbegin(), m_day.points.cend(),
                                [](const auto& a, const auto& b) { return a.total < b.total; });
        if (high->total - low->total >= 0.005) {
            for (const auto extreme : {low, high}) {
                const QPointF at = points.at(extreme - m_day.points.cbegin());
                painter.setPen(QPen(paletteFor(m_appearance).color(QPalette::Window), 1.5));
                painter.setBrush(text::isGain(extreme->total) ? gain : loss);
                painter.drawEllipse(at, 3.5, 3.5);
            }
        }
    }
    if (m_hover) {
        const double total = m_day.points.at(*m_hover).total;
        paintHover(painter, points.at(*m_hover), text::isGain(total) ? gain : loss);
    }
}

void ChartPlot::paintCloses(QPainter& painter, const Range& range) const
{
    const QRectF area = plotArea();
    const double zero = yFor(0, range);
    painter.setPen(Qt::NoPen);
    for (qsizetype at = 0; at < m_closes.size(); ++at) {
        const QRectF bar = barRect(at, range);
        QColor color = text::isGain(m_closes.at(at).total) ? colors::gain(m_appearance)
                                                           : colors::loss(m_appearance);
        if (m_hover && *m_hover != at)
            color = withAlpha(color, 0.45);
        painter.setBrush(color);
        const double radius = std::min(2.0, bar.width() / 4);
        painter.drawRoundedRect(bar, radius, radius);
    }
    painter.setPen(QPen(withAlpha(colors::outline(m_appearance), 0.6), 1));
    painter.drawLine(QPointF(area.left(), zero), QPointF(area.right(), zero));

    painter.setFont(smallFont(font()));
    painter.setPen(colors::secondaryText(m_appearance));
    const QRectF axis(area.left(), area.bottom() + 2, area.width(), axisHeight - 2);
    painter.drawText(axis, Qt::AlignRight | Qt::AlignTop, dateText(m_closes.last().tradingDay));
    if (m_closes.size() > 1) {
        const QRectF first = barRect(0, range);
        const QRectF room(first.left(), axis.top(), axis.width() / 2, axis.height());
        painter.drawText(room, Qt::AlignLeft | Qt::AlignTop, dateText(m_closes.first().tradingDay));
    }
    if (m_hover) {
        const QRectF bar = barRect(*m_hover, range);
        const double total = m_closes.at(*m_hover).total;
        paintHover(painter, QPointF(bar.center().x(), yFor(total, range)),
                   text::isGain(total) ? colors::gain(m_appearance) : colors::loss(m_appearance));
    }
}

void ChartPlot::paintTimeAxis(QPainter& painter) const
{
    if (!m_day.open.isValid() || !m_day.close.isValid() || m_day.open >= m_day.close)
        return;
    const QRectF area = plotArea();
    const QFont font = smallFont(this->font());
    const QFontMetricsF metrics(font, this);
    painter.setFont(font);
    const QColor grid = withAlpha(colors::outline(m_appearance), 0.18);
    const QColor label = colors::secondaryText(m_appearance);

    struct Tick {
        double x;
        QString text;
    };
    const auto hourText = [](const QDateTime& at) -> QString {
        const QString full = timeText(at);
        return full.left(full.indexOf(QLatin1Char(':'))) + full.right(1);
    };
    // The open and the close always, whole hours in between where they fit.
    QList<Tick> ticks{{area.left(), timeText(m_day.open)}, {area.right(), timeText(m_day.close)}};
    const QDateTime open = m_day.open.toTimeZone(newYorkTimeZone());
    QDateTime hour = open.addSecs(3600 - open.time().minute() * 60 - open.time().second());
    for (; hour < m_day.close; hour = hour.addSecs(3600)) {
        const double x = xForTime(hour);
        painter.setPen(QPen(grid, 1));
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        ticks.insert(ticks.size() - 1, {x, hourText(hour)});
    }
    QList<QRectF> taken;
    for (qsizetype at = 0; at < ticks.size(); ++at) {
        // Both ends first, so an hour never pushes the open or the close off the axis.
        const Tick& tick = at < 2 ? ticks.at(at == 0 ? 0 : ticks.size() - 1) : ticks.at(at - 1);
        const double width = metrics.horizontalAdvance(tick.text);
        const double left = std::clamp(tick.x - width / 2, 0.0, this->width() - width);
        const QRectF box(left, area.bottom() + 2, width, axisHeight - 2);
        if (std::any_of(taken.cbegin(), taken.cend(), [&](const QRectF& other) {
                return other.adjusted(-10, 0, 10, 0).intersects(box);
            }))
            continue;
        taken.append(box);
        painter.setPen(label);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, tick.text);
    }
}

void ChartPlot::paintHover(QPainter& painter, const QPointF& at, const QColor& color) const
{
    const QRectF area = plotArea();
    painter.setPen(QPen(withAlpha(colors::secondaryText(m_appearance), 0.7), 1));
    painter.drawLine(QPointF(at.x(), area.top()), QPointF(at.x(), area.bottom()));
    painter.setPen(QPen(paletteFor(m_appearance).color(QPalette::Window), 2));
    painter.setBrush(color);
    painter.drawEllipse(at, 4.5, 4.5);

    const QString label = hoverText();
    const QFont font = smallFont(this->font());
    const QFontMetricsF metrics(font, this);
    const QSizeF size(metrics.horizontalAdvance(label) + 12, metrics.height() + 4);
    // Beside the marker, on the side with room, at the top where the line is least likely.
    double left = at.x() + 8;
    if (left + size.width() > area.right())
        left = at.x() - 8 - size.width();
    const QRectF bubble(std::max(area.left(), left), area.top(), size.width(), size.height());
    const QPalette palette = paletteFor(m_appearance);
    painter.setPen(QPen(withAlpha(colors::outline(m_appearance), 0.5), 1));
    painter.setBrush(palette.color(QPalette::Base));
    painter.drawRoundedRect(bubble, 4, 4);
    painter.setFont(font);
    painter.setPen(colors::text(m_appearance));
    painter.drawText(bubble, Qt::AlignCenter, label);
}

void ChartPlot::paintEmpty(QPainter& painter, const QString& text) const
{
    painter.setFont(font());
    painter.setPen(colors::secondaryText(m_appearance));
    painter.drawText(plotArea(), Qt::AlignCenter, text);
}

void ChartPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter);
}

void ChartPlot::mouseMoveEvent(QMouseEvent* event)
{
    const auto hover = nearestTo(event->position().x());
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
}

void ChartPlot::leaveEvent(QEvent*)
{
    m_hover.reset();
    update();
}

} // namespace corvane
