#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <optional>

namespace corvane {

// The detail texts of one counted position, shown on hover in the popover.
struct TradeInfo {
    QString currentDelta;
    QString entryValue;
    QString maxRisk;
    QString contractCount;
    QString enteredAt;

    bool operator==(const TradeInfo&) const = default;
};

// The result of one broker connection. One object per broker is shared by the store, the
// processor that copies each pass's tally into it and every view that shows it, so a copy
// redraws them all. The maps are keyed by position key (bot number, "_", index in the broker
// group); bots holds only the "OPEN" and "CLOSED" positions. Every assignment is announced,
// changed or not, as each copy is a fresh tally the views redraw from.
class ProcessedData final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProcessedData)
    Q_PROPERTY(std::optional<double> total READ total WRITE setTotal NOTIFY totalChanged)
    Q_PROPERTY(Profits bots READ bots WRITE setBots NOTIFY botsChanged)
    Q_PROPERTY(Texts statuses READ statuses WRITE setStatuses NOTIFY statusesChanged)
    Q_PROPERTY(Texts name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(std::optional<QString> NLV READ NLV WRITE setNLV NOTIFY NLVChanged)
    Q_PROPERTY(std::optional<QString> brokerExpiration READ brokerExpiration WRITE
                   setBrokerExpiration NOTIFY brokerExpirationChanged)
    Q_PROPERTY(TradeInfos tradeInfo READ tradeInfo WRITE setTradeInfo NOTIFY tradeInfoChanged)

public:
    using Profits = QMap<QString, double>;
    using Texts = QMap<QString, QString>;
    using TradeInfos = QMap<QString, TradeInfo>;

    // A fresh, empty result: no total, empty maps, NLV and expiry the empty text.
    explicit ProcessedData(QObject* parent = nullptr);
    ProcessedData(std::optional<double> total, Profits bots, Texts statuses, Texts name,
                  std::optional<QString> NLV, std::optional<QString> brokerExpiration,
                  TradeInfos tradeInfo, QObject* parent = nullptr);

    std::optional<double> total() const { return m_total; }
    const Profits& bots() const { return m_bots; }
    const Texts& statuses() const { return m_statuses; }
    const Texts& name() const { return m_name; }
    std::optional<QString> NLV() const { return m_NLV; }
    std::optional<QString> brokerExpiration() const { return m_brokerExpiration; }
    const TradeInfos& tradeInfo() const { return m_tradeInfo; }

    void setTotal(std::optional<double> total);
    void setBots(const Profits& bots);
    void setStatuses(const Texts& statuses);
    void setName(const Texts& name);
    void setNLV(const std::optional<QString>& NLV);
    void setBrokerExpiration(const std::optional<QString>& brokerExpiration);
    void setTradeInfo(const TradeInfos& tradeInfo);

Q_SIGNALS:
    void totalChanged();
    void botsChanged();
    void statusesChanged();
    void nameChanged();
    void NLVChanged();
    void brokerExpirationChanged();
    void tradeInfoChanged();

private:
    std::optional<double> m_total;
    Profits m_bots;
    Texts m_statuses;
    Texts m_name;
    std::optional<QString> m_NLV;
    std::optional<QString> m_brokerExpiration;
    TradeInfos m_tradeInfo;
};

} // namespace corvane
