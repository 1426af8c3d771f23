#include "positionlistmodel.h"

#include "engine/positionrules.h"
#include "engine/processeddata.h"
#include "resulttext.h"

#include <algorithm>
#include <limits>

namespace corvane {

namespace {

QString orNotAvailable(const QString& text)
{
    return text.isEmpty() ? text::notAvailable() : text;
}

} // namespace

PositionListModel::PositionListModel(std::shared_ptr<ProcessedData> data, QObject* parent)
    : QAbstractListModel(parent)
    , m_data(std::move(data))
{
    // A pass replaces the four maps one after the other; the rows follow once, after the last.
    m_rebuildTimer.setSingleShot(true);
    m_rebuildTimer.setInterval(0);
    connect(&m_rebuildTimer, &QTimer::timeout, this, &PositionListModel::rebuild);
    for (auto signal : {&ProcessedData::botsChanged, &ProcessedData::statusesChanged,
                        &ProcessedData::nameChanged, &ProcessedData::tradeInfoChanged})
        connect(m_data.get(), signal, &m_rebuildTimer, qOverload<>(&QTimer::start));
    m_keys = sortedKeys();
}

QStringList PositionListModel::sortedKeys() const
{
    QStringList keys = m_data->bots().keys();
    const auto entered = [this](const QString& key) {
        const auto info = m_data->tradeInfo().constFind(key);
        if (info == m_data->tradeInfo().cend())
            return std::numeric_limits<qint64>::min();
        return parseEnteredAtMsecs(info->enteredAt).value_or(std::numeric_limits<qint64>::min());
    };
    std::stable_sort(keys.begin(), keys.end(), [&entered](const QString& a, const QString& b) {
        return entered(a) < entered(b);
    });
    return keys;
}

void PositionListModel::rebuild()
{
    QStringList keys = sortedKeys();
    // The same positions in the same order keep their rows, so a view keeps its widgets (and
    // the one under the pointer); any field of any row may have changed with the new tally.
    if (keys == m_keys) {
        if (!m_keys.isEmpty())
            Q_EMIT dataChanged(index(0), index(int(m_keys.size()) - 1));
        return;
    }
    beginResetModel();
    m_keys = std::move(keys);
    endResetModel();
}

int PositionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

QVariant PositionListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QString& key = m_keys.at(index.row());
    const double profit = m_data->bots().value(key);
    // The sign the row's text shows.
    const bool loss = text::toCents(profit) < 0;
    const QString status = m_data->statuses().value(key);
    const auto info = m_data->tradeInfo().constFind(key);
    const bool hasInfo = info != m_data->tradeInfo().cend();
    const auto detail = [&](QString TradeInfo::*field) {
        return QVariant(hasInfo ? orNotAvailable((*info).*field) : text::notAvailable());
    };
    switch (role) {
    case keyRole:
        return key;
    case statusRole:
    case Qt::DisplayRole:
        return status;
    case nameRole:
        return m_data->name().value(key);
    case profitRole:
        return profit;
    case profitTextRole:
        return text::profitText(profit);
    case gainRole:
        return !loss;
    case badgeRole:
        if (status == QLatin1String("OPEN"))
            return QVariant::fromValue(Badge::open);
        if (status == QLatin1String("CLOSED"))
            return QVariant::fromValue(loss ? Badge::closedLoss : Badge::closedGain);
        return QVariant::fromValue(Badge::none);
    case contractCountRole:
        return detail(&TradeInfo::contractCount);
    case entryValueRole:
        return detail(&TradeInfo::entryValue);
    case currentDeltaRole:
        return detail(&TradeInfo::currentDelta);
    case maxRiskRole:
        return detail(&TradeInfo::maxRisk);
    case percentageTextRole:
        return text::percentageText(hasInfo ? info->entryValue : QString(), profit);
    default:
        return {};
    }
}

QHash<int, QByteArray> PositionListModel::roleNames() const
{
    return {{keyRole, "key"},
            {statusRole, "status"},
            {nameRole, "name"},
            {profitRole, "profit"},
            {profitTextRole, "profitText"},
            {gainRole, "gain"},
            {badgeRole, "badge"},
            {contractCountRole, "contractCount"},
            {entryValueRole, "entryValue"},
            {currentDeltaRole, "currentDelta"},
            {maxRiskRole, "maxRisk"},
            {percentageTextRole, "percentageText"}};
}

} // namespace corvane
