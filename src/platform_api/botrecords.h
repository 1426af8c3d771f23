#pragma once

// The bots answer of the platform ("/v1/bots"). Only the envelope's success and message are
// used (to verify an API key), but the whole answer is decoded strictly, so its shape decides
// whether a key counts as good.

#include "botconditions.h"

#include <QByteArray>

namespace corvane {

struct BrokerConnectionBot {
    std::optional<QString> name;
    std::optional<QString> number;
    std::optional<QString> accountNumber;

    bool operator==(const BrokerConnectionBot&) const = default;
};

struct Adjustment {
    QString number;
    QString status;
    QString type;
    QString daysOfWeek;
    qint64 daysToExpiration = 0;
    QString timeOfDay;
    std::optional<double> minimumPositionDelta;
    std::optional<double> maximumPositionDelta;
    std::optional<double> minimumPositionProfitPercent;
    std::optional<double> maximumPositionProfitPercent;
    std::optional<double> minimumUnderlyingPercentMoveFromClose;
    std::optional<double> maximumUnderlyingPercentMoveFromClose;
    QList<QString> variables;

    bool operator==(const Adjustment&) const = default;
};

struct NotificationBot {
    QString number;
    QString event;
    QString type;

    bool operator==(const NotificationBot&) const = default;
};

struct Variable {
    QString number;
    QString name;
    QString value;
    QString botValueToSet;
    std::optional<QString> freeTextValueToSet;
    QString lastUpdatedAt;

    bool operator==(const Variable&) const = default;
};

struct BotData {
    std::optional<QString> number;
    std::optional<QString> name;
    std::optional<BrokerConnectionBot> brokerConnection;
    std::optional<bool> is_paper;
    std::optional<QString> status;
    std::optional<bool> canEnable;
    std::optional<bool> canDisable;
    std::optional<QString> symbol;
    std::optional<QString> type;
    std::optional<QString> notes;
    std::optional<QString> lastActiveAt;
    std::optional<QString> disabledAt;
    std::optional<EntryCondition> entryCondition;
    std::optional<ExitCondition> exitCondition;
    std::optional<QList<Adjustment>> adjustments;
    std::optional<QList<NotificationBot>> notifications;
    std::optional<QList<Variable>> variables;

    bool operator==(const BotData&) const = default;
};

struct BotModel {
    bool success = false;
    QString message;
    std::optional<QList<BotData>> data;

    bool operator==(const BotModel&) const = default;
};

wire::Result<BotModel> decodeBotModel(const QByteArray& body);

} // namespace corvane
