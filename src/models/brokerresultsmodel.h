#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QTimeZone>
#include <memory>

namespace corvane {

class CVNSettings;
class PositionListModel;
class ProcessedData;
class ProcessedDataManager;
class StockExchangeStatus;

// One row per broker the user watches, as the popover's tabs show them: the enabled, watched
// brokers of the watched, verified accounts, sorted by their name (the nickname, or the
// broker's name when that is empty). A row shows the store's result for the broker's number,
// or an empty result of its own while the store has none.
//
// The rows are rebuilt when the accounts or the store's entries change; a changed result
// only announces its row's data.
class BrokerResultsModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrokerResultsModel)

public:
    enum Role {
        brokerNumberRole = Qt::UserRole + 1,
        nicknameRole,   // also Qt::DisplayRole
        totalRole,      // double, or an invalid QVariant without a total
        totalTextRole,  // "$125", "($36)", "No data", "Mkt closed", "n/a"
        gainRole,       // bool: a total above 0
        nlvTextRole,    // "$12,346" or "n/a"
        expiryTextRole, // "2027-02-28 7:00p", "n/a", or an invalid QVariant when not shown
        positionsRole,  // PositionListModel*, owned by this model
    };

    // Expiry times are shown in `displayZone` (the machine's own zone in the application).
    BrokerResultsModel(CVNSettings& settings, ProcessedDataManager& store,
                       StockExchangeStatus& market,
                       QTimeZone displayZone = QTimeZone::systemTimeZone(),
                       QObject* parent = nullptr);
    ~BrokerResultsModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    PositionListModel* positions(int row) const;

private:
    struct Row;
    void rebuild();
    void announceResult(const ProcessedData* data);
    void announceMarketState();

    CVNSettings& m_settings;
    ProcessedDataManager& m_store;
    StockExchangeStatus& m_market;
    QTimeZone m_displayZone;
    QList<std::shared_ptr<Row>> m_rows;
};

} // namespace corvane
