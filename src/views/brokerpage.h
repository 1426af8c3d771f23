#pragma once

#include "appearance.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace corvane {

class DayChart;
class HistoryFeed;
class PositionCard;
class PositionListModel;

// One broker's page of the popover: the summary row (total, NLV, login expiry) and the day's
// positions under the broker's chart, each with a status badge, the bot's name, the profit and an
// info icon. Resting the pointer on an icon for a quarter of a second shows the position's detail
// card; moving on cancels it.
class BrokerPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrokerPage)

public:
    static constexpr std::chrono::milliseconds hoverDelay{250};

    // broker is a row of a BrokerResultsModel; history feeds the chart.
    BrokerPage(const QPersistentModelIndex& broker, HistoryFeed& history, Appearance appearance,
               QWidget* parent = nullptr);

    // Rereads the summary; the rows follow their own model.
    void refresh();
    // The key whose card is shown, or empty.
    QString hoveredKey() const { return m_hoveredKey; }
    PositionCard* card() const { return m_card; }
    DayChart* chart() const { return m_chart; }
    // The info icon of a position row, or null.
    QWidget* infoIcon(const QString& key) const;

    // The pointer entered or left a row's info icon.
    void hoverEntered(const QString& key);
    void hoverLeft();

private:
    QWidget* makeRow(const QString& key);
    void fillRow(QWidget* line, const QModelIndex& position) const;
    void syncRows();
    void showCard();

    QPersistentModelIndex m_broker;
    Appearance m_appearance;
    QPointer<PositionListModel> m_positions;
    QLabel* m_total;
    QLabel* m_nlv;
    QLabel* m_expiryCaption;
    QLabel* m_expiry;
    DayChart* m_chart;
    QWidget* m_rows;
    QVBoxLayout* m_rowLayout;
    QScrollArea* m_scroll;
    QTimer m_hoverTimer;
    QString m_pendingKey;
    QString m_hoveredKey;
    PositionCard* m_card = nullptr;
};

} // namespace corvane
