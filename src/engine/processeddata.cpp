#include "processeddata.h"

namespace corvane {

ProcessedData::ProcessedData(QObject* parent)
    : QObject(parent)
    , m_NLV(QString())
    , m_brokerExpiration(QString())
{}

ProcessedData::ProcessedData(std::optional<double> total, Profits bots, Texts statuses, Texts name,
                             std::optional<QString> NLV, std::optional<QString> brokerExpiration,
                             TradeInfos tradeInfo, QObject* parent)
    : QObject(parent)
    , m_total(total)
    , m_bots(std::move(bots))
    , m_statuses(std::move(statuses))
    , m_name(std::move(name))
    , m_NLV(std::move(NLV))
    , m_brokerExpiration(std::move(brokerExpiration))
    , m_tradeInfo(std::move(tradeInfo))
{}

void ProcessedData::setTotal(std::optional<double> total)
{
    m_total = total;
    Q_EMIT totalChanged();
}

void ProcessedData::setBots(const Profits& bots)
{
    m_bots = bots;
    Q_EMIT botsChanged();
}

void ProcessedData::setStatuses(const Texts& statuses)
{
    m_statuses = statuses;
    Q_EMIT statusesChanged();
}

void ProcessedData::setName(const Texts& name)
{
    m_name = name;
    Q_EMIT nameChanged();
}

void ProcessedData::setNLV(const std::optional<QString>& NLV)
{
    m_NLV = NLV;
    Q_EMIT NLVChanged();
}

void ProcessedData::setBrokerExpiration(const std::optional<QString>& brokerExpiration)
{
    m_brokerExpiration = brokerExpiration;
    Q_EMIT brokerExpirationChanged();
}

void ProcessedData::setTradeInfo(const TradeInfos& tradeInfo)
{
    m_tradeInfo = tradeInfo;
    Q_EMIT tradeInfoChanged();
}

} // namespace corvane
