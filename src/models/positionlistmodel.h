#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace corvane {

class ProcessedData;

// The counted positions of one broker result ("OPEN" and "CLOSED"), earliest entry first, with
// the texts of a position row and of its detail card. A position without a readable entry
// time sorts first. The changes a pass makes to the result are answered once, from the event
// loop: by dataChanged when the same positions remain in the same order, else by a reset.
class PositionListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PositionListModel)

public:
    // The colour a row's status badge takes.
    enum class Badge { none, open, closedGain, closedLoss };
    Q_ENUM(Badge)

    enum Role {
        keyRole = Qt::UserRole + 1,
        statusRole,
        nameRole,
        profitRole,     // double
        profitTextRole, // "$12", "($7)"
        gainRole,       // bool: the profit is not negative
        badgeRole,      // Badge
        contractCountRole,
        entryValueRole,
        currentDeltaRole,
        maxRiskRole,
        percentageTextRole,
    };

    // The result is shared with the store; the model keeps it alive while it shows it.
    explicit PositionListModel(std::shared_ptr<ProcessedData> data, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    QStringList sortedKeys() const;
    void rebuild();

    std::shared_ptr<ProcessedData> m_data;
    QStringList m_keys;
    QTimer m_rebuildTimer;
};

} // namespace corvane
