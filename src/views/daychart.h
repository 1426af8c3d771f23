#pragma once

#include "appearance.h"

#include <QWidget>

class QLabel;
class QToolButton;

namespace corvane {

class ChartPlot;
class HistoryFeed;

// A broker's chart in the popover: the trading day's date, its high and low with their times,
// and the day's curve, or, at the toggle, the recent closing totals as bars. It reads the
// history feed and repaints when the feed names its broker.
class DayChart final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DayChart)

public:
    DayChart(HistoryFeed& feed, const QString& brokerNumber, Appearance appearance,
             QWidget* parent = nullptr);

    void showCloses(bool closes);
    bool showsCloses() const;
    ChartPlot* plot() const { return m_plot; }

Q_SIGNALS:
    // The user chose at the toggle; the popover applies the choice to every broker.
    void closesShown(bool closes);

private:
    void reload();
    QString coloured(double total) const;

    HistoryFeed& m_feed;
    QString m_brokerNumber;
    Appearance m_appearance;
    QLabel* m_title;
    QLabel* m_extremes;
    QToolButton* m_dayButton;
    QToolButton* m_closesButton;
    ChartPlot* m_plot;
};

} // namespace corvane
