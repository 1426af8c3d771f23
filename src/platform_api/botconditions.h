#pragma once

// The entry and exit rules of a bot, part of the bots answer (see botrecords.h). Fields that
// look numeric but arrive as text stay text, and the other way round: the types are the
// platform's, and an answer that swaps them does not decode.

#include "base/wire.h"

#include <QList>
#include <QString>
#include <optional>

namespace corvane {

struct EntryCondition {
    QString allocationType;
    std::optional<qint64> contractQuantity;
    std::optional<double> percentOfPortfolio;
    QString leverageAmount;
    QString entrySpeed;
    qint64 maximumEntriesPerDay = 0;
    std::optional<QString> earliestTimeOfDay;
    std::optional<QString> latestTimeOfDay;
    QString daysOfWeek;
    qint64 minutesBetweenPositions = 0;
    std::optional<double> minimumStartingPremium;
    std::optional<double> maximumStartingPremium;
    qint64 minimumDaysToExpiration = 0;
    qint64 targetDaysToExpiration = 0;
    qint64 maximumDaysToExpiration = 0;
    std::optional<double> minimumUnderlyingPercentMoveFromClose;
    std::optional<double> maximumUnderlyingPercentMoveFromClose;
    std::optional<bool> sameDayReEntry;
    std::optional<bool> avoidFOMC;
    QString moveStrikeSelectionWithConflict;
    QList<QString> variables;
    std::optional<QString> callShortStrikeType;
    std::optional<double> callShortStrikeMinimumDelta;
    std::optional<double> callShortStrikeTargetDelta;
    std::optional<double> callShortStrikeMaximumDelta;
    std::optional<double> callShortStrikeMinimumPremium;
    std::optional<double> callShortStrikeTargetPremium;
    std::optional<double> callShortStrikeMaximumPremium;
    std::optional<QString> callLongStrikeType;
    std::optional<double> callLongStrikeMinimumDelta;
    std::optional<double> callLongStrikeTargetDelta;
    std::optional<double> callLongStrikeMaximumDelta;
    std::optional<double> callLongStrikeMinimumPremium;
    std::optional<double> callLongStrikeTargetPremium;
    std::optional<double> callLongStrikeMaximumPremium;
    std::optional<qint64> callSpreadMinimumWidthPoints;
    std::optional<qint64> callSpreadTargetWidthPoints;
    std::optional<qint64> callSpreadMaximumWidthPoints;
    std::optional<double> callSpreadMinimumWidthPercent;
    std::optional<double> callSpreadTargetWidthPercent;
    std::optional<double> callSpreadMaximumWidthPercent;
    std::optional<double> callSpreadStrikeTargetDelta;
    std::optional<double> callSpreadStrikeTargetPremium;
    std::optional<QString> restrictCallSpreadWidthBy;
    bool callSpreadSmartWidth = false;
    QString putShortStrikeType;
    QString putShortStrikeMinimumDelta;
    QString putShortStrikeTargetDelta;
    QString putShortStrikeMaximumDelta;
    std::optional<double> putShortStrikeMinimumPremium;
    std::optional<double> putShortStrikeTargetPremium;
    std::optional<double> putShortStrikeMaximumPremium;
    std::optional<QString> putLongStrikeType;
    std::optional<double> putLongStrikeMinimumDelta;
    std::optional<double> putLongStrikeTargetDelta;
    std::optional<double> putLongStrikeMaximumDelta;
    std::optional<double> putLongStrikeMinimumPremium;
    std::optional<double> putLongStrikeTargetPremium;
    std::optional<double> putLongStrikeMaximumPremium;
    std::optional<qint64> putSpreadMinimumWidthPoints;
    qint64 putSpreadTargetWidthPoints = 0;
    qint64 putSpreadMaximumWidthPoints = 0;
    std::optional<double> putSpreadMinimumWidthPercent;
    std::optional<double> putSpreadTargetWidthPercent;
    std::optional<double> putSpreadMaximumWidthPercent;
    std::optional<double> putSpreadStrikeTargetDelta;
    std::optional<double> putSpreadStrikeTargetPremium;
    std::optional<QString> restrictPutSpreadWidthBy;
    bool putSpreadSmartWidth = false;

    bool operator==(const EntryCondition&) const = default;
};

struct ExitCondition {
    QString exitSpeed;
    QString profitPremiumValue;
    std::optional<double> profitTargetPercent;
    QString stopLossPercent;
    std::optional<QString> lossPremiumValue;
    std::optional<double> itmPercentStop;
    std::optional<double> deltaStop;
    QString monitoredStopSensitivity;
    std::optional<double> trailProfitPercentTrigger;
    std::optional<double> trailProfitPercentAmount;
    std::optional<QString> trailProfitPremiumTrigger;
    std::optional<QString> trailProfitPremiumAmount;
    QList<QString> variables;
    QString closeShortStrikeOnly;
    QString sellAbandonedLongStrike;

    bool operator==(const ExitCondition&) const = default;
};

// Readers and writers of the nested records, used by the bot decoder and encoder.
void readValue(wire::Value& v, EntryCondition& out);
void readValue(wire::Value& v, ExitCondition& out);

} // namespace corvane
