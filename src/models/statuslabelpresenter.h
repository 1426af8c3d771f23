#pragma once

#include "market/stockexchangestatus.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

namespace corvane {

class CVNSettings;
class HistoryFeed;
class ProcessedDataManager;

// One label of the status item: a name over an amount.
struct StatusLabel {
    QString id;       // the broker connection number, or rollUpId
    QString nickname; // top line
    QString value;    // bottom line, see formatTotal
    std::optional<double> total;
    // Green only for a present total above zero; everything else takes the loss colour.
    bool positive = false;
    // The day's extremes from the history; none before today's first recorded total.
    std::optional<double> dayHigh = {};
    std::optional<double> dayLow = {};

    bool operator==(const StatusLabel&) const = default;
};

// The lines the status item shows, worked out from the processed data store and the
// settings; colours and fonts are the renderer's business. Inputs are read again after every
// change, folded into one recomputation per turn of the event loop, so that a sync pass
// copying tallies broker by broker yields one update and one flip, not one per broker.
class StatusLabelPresenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusLabelPresenter)
    Q_PROPERTY(bool hasError READ hasError WRITE setHasError NOTIFY hasErrorChanged)

public:
    static const QString rollUpId;
    static const QString noVerifiedAccounts;

    StatusLabelPresenter(const ProcessedDataManager& store, const CVNSettings& settings,
                         const StockExchangeStatus& market, QObject* parent = nullptr);

    // The value text: "$13" / "($13)" (the magnitude rounded up, no grouping), "No data" or
    // "Mkt closed" without a total, "n/a" when no whole-dollar text can be formed.
    static QString formatTotal(std::optional<double> total, MarketState market);

    // In display order; empty when there is nothing to show (the item then shows the logo).
    const QList<StatusLabel>& labels() const { return m_labels; }
    // The labels as one line of text, for tooltips and labels of text-only hosts.
    QString summary() const;
    // The labels as a tooltip, a line each with the day's range when there is one:
    // "Tasty IRA $13 · high $40 · low ($12)"; `summary` when there are no labels.
    static QString toolTip(const QList<StatusLabel>& labels, const QString& summary);

    // The labels carry the day's high and low from here from now on.
    void setHistory(const HistoryFeed& history);

    // Fed from the shared application state by whoever owns both.
    bool hasError() const { return m_hasError; }
    void setHasError(bool hasError);

    // Recomputes now instead of at the next turn of the event loop.
    void refresh();

Q_SIGNALS:
    void labelsChanged();
    // A label's total differs from the one it showed before; the label turns over once.
    void totalChanged(const QString& id);
    void hasErrorChanged(bool hasError);

private:
    void scheduleRefresh();
    void watchEntries();
    QList<StatusLabel> computeLabels() const;

    const ProcessedDataManager& m_store;
    const CVNSettings& m_settings;
    const StockExchangeStatus& m_market;
    const HistoryFeed* m_history = nullptr;
    QList<StatusLabel> m_labels;
    QList<QMetaObject::Connection> m_entryConnections;
    QTimer m_refreshTimer;
    bool m_hasError = false;
};

} // namespace corvane
