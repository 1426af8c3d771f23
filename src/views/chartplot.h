#pragma once

#include "appearance.h"
#include "models/historyfeed.h"

#include <QWidget>
#include <optional>

namespace corvane {

// The painted part of a broker's chart: one trading day's total as a line across the whole
// session, or the recent closing totals as bars, over a zero line. Green above zero and red below,
// the line changing colour where it crosses. The pointer picks the nearest point or bar, which
// gets a marker and a small text with its time (or date) and value.
class ChartPlot final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChartPlot)

public:
    enum class Mode { day, closes };

    explicit ChartPlot(Appearance appearance, QWidget* parent = nullptr);

    void setDay(const DayCurve& day);
    void setCloses(const QList<DayClose>& closes);
    void setMode(Mode mode);
    Mode mode() const { return m_mode; }

    // The rectangle the curve and the bars fill, without the axis texts around it.
    QRectF plotArea() const;
    // What the pointer rests on, as "11:05a  $412" or "Dec 3  ($36)"; empty when nothing.
    QString hoverText() const;
    // Paints the plot at the widget's size onto any device, whatever its pixel ratio.
    void paint(QPainter& painter) const;

    QSize sizeHint() const override { return {400, 120}; }

    // A moment as New York's clock shows it, "11:05a"; a trading day as "Dec 3".
    static QString timeText(const QDateTime& at);
    static QString dateText(QDate day);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Range {
        double low = 0;
        double high = 0;
    };
    Range valueRange() const;
    double yFor(double value, const Range& range) const;
    double xForTime(const QDateTime& at) const;
    QRectF barRect(qsizetype index, const Range& range) const;
    std::optional<qsizetype> nearestTo(double x) const;

    void paintDay(QPainter& painter, const Range& range) const;
    void paintCloses(QPainter& painter, const Range& range) const;
    void paintTimeAxis(QPainter& painter) const;
    void paintHover(QPainter& painter, const QPointF& at, const QColor& color) const;
    void paintEmpty(QPainter& painter, const QString& text) const;

    Appearance m_appearance;
    Mode m_mode = Mode::day;
    DayCurve m_day;
    QList<DayClose> m_closes;
    std::optional<qsizetype> m_hover;
};

} // namespace corvane
