#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QUuid>

namespace corvane {

class CVNSettings;

// The user's Orrisfield accounts, one row per account in the settings' order, for the
// accounts table and the account editor. Edits go through setData and are stored at once;
// the columns show "Nickname", "Watch Account", "Verified" ("true"/"false") and "Trade Type".
class AccountTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccountTableModel)

public:
    enum Column { nicknameColumn, watchAccountColumn, keyVerifiedColumn, tradeTypeColumn };
    enum Role {
        accountIdRole = Qt::UserRole + 1, // QUuid, any column
        apiKeyRole,                       // QString, any column; editable
    };

    explicit AccountTableModel(CVNSettings& settings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Text columns and the API key take a QString; the two switches take a bool (EditRole) or
    // a check state. The trade type takes "live", "paper" or "both". Anything else is refused.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The row of an account, or -1.
    int rowOf(const QUuid& accountId) const;

private:
    void reload();

    CVNSettings& m_settings;
    QList<QUuid> m_ids;
};

} // namespace corvane
