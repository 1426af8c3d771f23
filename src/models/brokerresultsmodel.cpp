#include "brokerresultsmodel.h"

#include "engine/processeddatamanager.h"
#include "market/stockexchangestatus.h"
#include "positionlistmodel.h"
#include "resulttext.h"
#include "settings/settings.h"

#include <algorithm>

namespace corvane {

struct BrokerResultsModel::Row {
    QString brokerNumber;
    QString nickname;
    std::shared_ptr<ProcessedData> data;
    std::unique_ptr<PositionListModel> positions;
};

BrokerResultsModel::BrokerResultsModel(CVNSettings& settings, ProcessedDataManager& store,
                                       StockExchangeStatus& market, QTimeZone displayZone,
                                       QObject* parent)
    : QAbstractListModel(parent)
    , m_settings(settings)
    , m_store(store)
    , m_market(market)
    , m_displayZone(std::move(displayZone))
{
    connect(&m_settings, &CVNSettings::accountSettingsChanged, this, &BrokerResultsModel::rebuild);
    connect(&m_store, &ProcessedDataManager::processedDataArrayChanged, this,
            &BrokerResultsModel::rebuild);
    connect(&m_market, &StockExchangeStatus::statusStateChanged, this,
            &BrokerResultsModel::announceMarketState);
    rebuild();
}

BrokerResultsModel::~BrokerResultsModel() = default;

void BrokerResultsModel::rebuild()
{
    QList<std::pair<QString, QString>> brokers; // number, nickname
    for (const AccountSettings& account : m_settings.accountSettings()) {
        if (!account.watchAccount || !account.keyVerified)
            continue;
        for (const BrokerSettings& broker : account.brokerSettings) {
            if (broker.enabled && broker.watch)
                brokers.append({broker.brokerNumber,
                                broker.nickname.isEmpty() ? broker.brokerName : broker.nickname});
        }
    }
    std::stable_sort(brokers.begin(), brokers.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });

    QList<std::shared_ptr<Row>> rows;
    for (const auto& [number, nickname] : brokers) {
        std::shared_ptr<ProcessedData> data = m_store.find(number);
        if (!data) {
            // Keep the stand-in of a row that already waits for this broker, so an unchanged
            // list does not reset the views.
            // Captured under a name of its own: clang before 16 cannot capture a structured
            // binding.
            const auto same =
                std::find_if(m_rows.cbegin(), m_rows.cend(), [&wanted = number](const auto& row) {
                    return row->brokerNumber == wanted;
                });
            data = same != m_rows.cend() ? (*same)->data : std::make_shared<ProcessedData>();
        }
        rows.append(std::make_shared<Row>(Row{number, nickname, std::move(data), nullptr}));
    }

    const bool unchanged = std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(), m_rows.cend(),
                                      [](const auto& a, const auto& b) {
                                          return a->brokerNumber == b->brokerNumber &&
                                                 a->nickname == b->nickname && a->data == b->data;
                                      });
    if (unchanged)
        return;

    beginResetModel();
    for (const auto& row : std::as_const(m_rows))
        disconnect(row->data.get(), nullptr, this, nullptr);
    m_rows = std::move(rows);
    for (const auto& row : std::as_const(m_rows)) {
        row->positions = std::make_unique<PositionListModel>(row->data);
        const ProcessedData* data = row->data.get();
        for (auto signal : {&ProcessedData::totalChanged, &ProcessedData::NLVChanged,
                            &ProcessedData::brokerExpirationChanged})
            connect(data, signal, this, [this, data] { announceResult(data); });
    }
    endResetModel();
}

void BrokerResultsModel::announceResult(const ProcessedData* data)
{
    for (qsizetype at = 0; at < m_rows.size(); ++at) {
        if (m_rows.at(at)->data.get() == data)
            Q_EMIT dataChanged(index(int(at)), index(int(at)),
                               {totalRole, totalTextRole, gainRole, nlvTextRole, expiryTextRole});
    }
}

void BrokerResultsModel::announceMarketState()
{
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1), {totalTextRole});
}

int BrokerResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant BrokerResultsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = *m_rows.at(index.row());
    const std::optional<double> total = row.data->total();
    switch (role) {
    case brokerNumberRole:
        return row.brokerNumber;
    case Qt::DisplayRole:
    case nicknameRole:
        return row.nickname;
    case totalRole:
        return total ? QVariant(*total) : QVariant();
    case totalTextRole:
        return text::totalText(total, m_market.statusState() == MarketState::closed);
    case gainRole:
        return text::isGain(total);
    case nlvTextRole:
        return text::nlvText(row.data->NLV());
    case expiryTextRole: {
        const std::optional<QString> expiry =
            text::expiryText(row.data->brokerExpiration(), m_displayZone);
        return expiry ? QVariant(*expiry) : QVariant();
    }
    case positionsRole:
        return QVariant::fromValue(row.positions.get());
    default:
        return {};
    }
}

QHash<int, QByteArray> BrokerResultsModel::roleNames() const
{
    return {
        {brokerNumberRole, "brokerNumber"}, {nicknameRole, "nickname"},  {totalRole, "total"},
        {totalTextRole, "totalText"},       {gainRole, "gain"},          {nlvTextRole, "nlvText"},
        {expiryTextRole, "expiryText"},     {positionsRole, "positions"}};
}

PositionListModel* BrokerResultsModel::positions(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row)->positions.get() : nullptr;
}

} // namespace corvane
