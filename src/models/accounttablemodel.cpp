#include "accounttablemodel.h"

#include "base/log.h"
#include "settings/settings.h"

namespace corvane {

namespace {

QString booleanText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<bool> switchValue(const QVariant& value, int role)
{
    if (role == Qt::CheckStateRole && value.canConvert<int>())
        return value.toInt() == Qt::Checked;
    if (role == Qt::EditRole && value.typeId() == QMetaType::Bool)
        return value.toBool();
    return std::nullopt;
}

} // namespace

AccountTableModel::AccountTableModel(CVNSettings& settings, QObject* parent)
    : QAbstractTableModel(parent)
    , m_settings(settings)
    , m_ids(settings.accountSettings().keys())
{
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, &AccountTableModel::reload);
}

void AccountTableModel::reload()
{
    const QList<QUuid> ids = m_settings.accountSettings().keys();
    if (ids == m_ids) {
        if (!m_ids.isEmpty())
            Q_EMIT dataChanged(index(0, 0), index(int(m_ids.size()) - 1, tradeTypeColumn));
        return;
    }
    beginResetModel();
    m_ids = ids;
    endResetModel();
}

int AccountTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int AccountTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : tradeTypeColumn + 1;
}

int AccountTableModel::rowOf(const QUuid& accountId) const
{
    return int(m_ids.indexOf(accountId));
}

QVariant AccountTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QUuid id = m_ids.at(index.row());
    const AccountSettings account = m_settings.accountSettings().value(id);
    if (role == accountIdRole)
        return id;
    if (role == apiKeyRole)
        return account.apiKey;
    const bool display = role == Qt::DisplayRole || role == Qt::EditRole;
    switch (index.column()) {
    case nicknameColumn:
        return display ? QVariant(account.nickName) : QVariant();
    case watchAccountColumn:
    case keyVerifiedColumn: {
        const bool value =
            index.column() == watchAccountColumn ? account.watchAccount : account.keyVerified;
        if (role == Qt::DisplayRole)
            return booleanText(value);
        if (role == Qt::EditRole)
            return value;
        if (role == Qt::CheckStateRole)
            return value ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    case tradeTypeColumn:
        return display ? QVariant(account.paperLiveBoth) : QVariant();
    default:
        return {};
    }
}

QVariant AccountTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case nicknameColumn:
        return QStringLiteral("Nickname");
    case watchAccountColumn:
        return QStringLiteral("Watch Account");
    case keyVerifiedColumn:
        return QStringLiteral("Verified");
    case tradeTypeColumn:
        return QStringLiteral("Trade Type");
    default:
        return {};
    }
}

Qt::ItemFlags AccountTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return flags;
    if (index.column() == watchAccountColumn || index.column() == keyVerifiedColumn)
        return flags | Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
    return flags | Qt::ItemIsEditable;
}

bool AccountTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    AccountSettings account = m_settings.accountSettings().value(m_ids.at(index.row()));
    const bool isText = value.typeId() == QMetaType::QString;
    if (role == apiKeyRole) {
        if (!isText)
            return false;
        account.apiKey = value.toString();
    } else if (index.column() == nicknameColumn && role == Qt::EditRole && isText) {
        account.nickName = value.toString();
    } else if (index.column() == tradeTypeColumn && role == Qt::EditRole && isText) {
        const QString trades = value.toString();
        if (rawValue(paperLiveBothFrom(trades)) != trades) {
            logLine(QStringLiteral("Refused trade type: ") + trades);
            return false;
        }
        account.paperLiveBoth = trades;
    } else if (index.column() == watchAccountColumn || index.column() == keyVerifiedColumn) {
        const std::optional<bool> on = switchValue(value, role);
        if (!on)
            return false;
        (index.column() == watchAccountColumn ? account.watchAccount : account.keyVerified) = *on;
    } else {
        return false;
    }
    // Storing the account announces the map, which announces the row (reload).
    m_settings.setAccount(account);
    return true;
}

} // namespace corvane
