#include "botconditions.h"

#include "recordfields.h"

namespace corvane {

namespace {

using records::field;

constexpr std::array entryConditionFields{
    field<&EntryCondition::allocationType>("allocation_type"),
    field<&EntryCondition::contractQuantity>("contract_quantity"),
    field<&EntryCondition::percentOfPortfolio>("percent_of_portfolio"),
    field<&EntryCondition::leverageAmount>("leverage_amount"),
    field<&EntryCondition::entrySpeed>("entry_speed"),
    field<&EntryCondition::maximumEntriesPerDay>("maximum_entries_per_day"),
    field<&EntryCondition::earliestTimeOfDay>("earliest_time_of_day"),
    field<&EntryCondition::latestTimeOfDay>("latest_time_of_day"),
    field<&EntryCondition::daysOfWeek>("days_of_week"),
    field<&EntryCondition::minutesBetweenPositions>("minutes_between_positions"),
    field<&EntryCondition::minimumStartingPremium>("minimum_starting_premium"),
    field<&EntryCondition::maximumStartingPremium>("maximum_starting_premium"),
    field<&EntryCondition::minimumDaysToExpiration>("minimum_days_to_expiration"),
    field<&EntryCondition::targetDaysToExpiration>("target_days_to_expiration"),
    field<&EntryCondition::maximumDaysToExpiration>("maximum_days_to_expiration"),
    field<&EntryCondition::minimumUnderlyingPercentMoveFromClose>(
        "minimum_underlying_percent_move_from_close"),
    field<&EntryCondition::maximumUnderlyingPercentMoveFromClose>(
        "maximum_underlying_percent_move_from_close"),
    field<&EntryCondition::sameDayReEntry>("same_day_re_entry"),
    field<&EntryCondition::avoidFOMC>("avoid_fomc"),
    field<&EntryCondition::moveStrikeSelectionWithConflict>("move_strike_selection_with_conflict"),
    field<&EntryCondition::variables>("variables"),
    field<&EntryCondition::callShortStrikeType>("call_short_strike_type"),
    field<&EntryCondition::callShortStrikeMinimumDelta>("call_short_strike_minimum_delta"),
    field<&EntryCondition::callShortStrikeTargetDelta>("call_short_strike_target_delta"),
    field<&EntryCondition::callShortStrikeMaximumDelta>("call_short_strike_maximum_delta"),
    field<&EntryCondition::callShortStrikeMinimumPremium>("call_short_strike_minimum_premium"),
    field<&EntryCondition::callShortStrikeTargetPremium>("call_short_strike_target_premium"),
    field<&EntryCondition::callShortStrikeMaximumPremium>("call_short_strike_maximum_premium"),
    field<&EntryCondition::callLongStrikeType>("call_long_strike_type"),
    field<&EntryCondition::callLongStrikeMinimumDelta>("call_long_strike_minimum_delta"),
    field<&EntryCondition::callLongStrikeTargetDelta>("call_long_strike_target_delta"),
    field<&EntryCondition::callLongStrikeMaximumDelta>("call_long_strike_maximum_delta"),
    field<&EntryCondition::callLongStrikeMinimumPremium>("call_long_strike_minimum_premium"),
    field<&EntryCondition::callLongStrikeTargetPremium>("call_long_strike_target_premium"),
    field<&EntryCondition::callLongStrikeMaximumPremium>("call_long_strike_maximum_premium"),
    field<&EntryCondition::callSpreadMinimumWidthPoints>("call_spread_minimum_width_points"),
    field<&EntryCondition::callSpreadTargetWidthPoints>("call_spread_target_width_points"),
    field<&EntryCondition::callSpreadMaximumWidthPoints>("call_spread_maximum_width_points"),
    field<&EntryCondition::callSpreadMinimumWidthPercent>("call_spread_minimum_width_percent"),
    field<&EntryCondition::callSpreadTargetWidthPercent>("call_spread_target_width_percent"),
    field<&EntryCondition::callSpreadMaximumWidthPercent>("call_spread_maximum_width_percent"),
    field<&EntryCondition::callSpreadStrikeTargetDelta>("call_spread_strike_target_delta"),
    field<&EntryCondition::callSpreadStrikeTargetPremium>("call_spread_strike_target_premium"),
    field<&EntryCondition::restrictCallSpreadWidthBy>("restrict_call_spread_width_by"),
    field<&EntryCondition::callSpreadSmartWidth>("call_spread_smart_width"),
    field<&EntryCondition::putShortStrikeType>("put_short_strike_type"),
    field<&EntryCondition::putShortStrikeMinimumDelta>("put_short_strike_minimum_delta"),
    field<&EntryCondition::putShortStrikeTargetDelta>("put_short_strike_target_delta"),
    field<&EntryCondition::putShortStrikeMaximumDelta>("put_short_strike_maximum_delta"),
    field<&EntryCondition::putShortStrikeMinimumPremium>("put_short_strike_minimum_premium"),
    field<&EntryCondition::putShortStrikeTargetPremium>("put_short_strike_target_premium"),
    field<&EntryCondition::putShortStrikeMaximumPremium>("put_short_strike_maximum_premium"),
    field<&EntryCondition::putLongStrikeType>("put_long_strike_type"),
    field<&EntryCondition::putLongStrikeMinimumDelta>("put_long_strike_minimum_delta"),
    field<&EntryCondition::putLongStrikeTargetDelta>("put_long_strike_target_delta"),
    field<&EntryCondition::putLongStrikeMaximumDelta>("put_long_strike_maximum_delta"),
    field<&EntryCondition::putLongStrikeMinimumPremium>("put_long_strike_minimum_premium"),
    field<&EntryCondition::putLongStrikeTargetPremium>("put_long_strike_target_premium"),
    field<&EntryCondition::putLongStrikeMaximumPremium>("put_long_strike_maximum_premium"),
    field<&EntryCondition::putSpreadMinimumWidthPoints>("put_spread_minimum_width_points"),
    field<&EntryCondition::putSpreadTargetWidthPoints>("put_spread_target_width_points"),
    field<&EntryCondition::putSpreadMaximumWidthPoints>("put_spread_maximum_width_points"),
    field<&EntryCondition::putSpreadMinimumWidthPercent>("put_spread_minimum_width_percent"),
    field<&EntryCondition::putSpreadTargetWidthPercent>("put_spread_target_width_percent"),
    field<&EntryCondition::putSpreadMaximumWidthPercent>("put_spread_maximum_width_percent"),
    field<&EntryCondition::putSpreadStrikeTargetDelta>("put_spread_strike_target_delta"),
    field<&EntryCondition::putSpreadStrikeTargetPremium>("put_spread_strike_target_premium"),
    field<&EntryCondition::restrictPutSpreadWidthBy>("restrict_put_spread_width_by"),
    field<&EntryCondition::putSpreadSmartWidth>("put_spread_smart_width"),
};

constexpr std::array exitConditionFields{
    field<&ExitCondition::exitSpeed>("exit_speed"),
    field<&ExitCondition::profitPremiumValue>("profit_premium_value"),
    field<&ExitCondition::profitTargetPercent>("profit_target_percent"),
    field<&ExitCondition::stopLossPercent>("stop_loss_percent"),
    field<&ExitCondition::lossPremiumValue>("loss_premium_value"),
    field<&ExitCondition::itmPercentStop>("itm_percent_stop"),
    field<&ExitCondition::deltaStop>("delta_stop"),
    field<&ExitCondition::monitoredStopSensitivity>("monitored_stop_sensitivity"),
    field<&ExitCondition::trailProfitPercentTrigger>("trail_profit_percent_trigger"),
    field<&ExitCondition::trailProfitPercentAmount>("trail_profit_percent_amount"),
    field<&ExitCondition::trailProfitPremiumTrigger>("trail_profit_premium_trigger"),
    field<&ExitCondition::trailProfitPremiumAmount>("trail_profit_premium_amount"),
    field<&ExitCondition::variables>("variables"),
    field<&ExitCondition::closeShortStrikeOnly>("close_short_strike_only"),
    field<&ExitCondition::sellAbandonedLongStrike>("sell_abandoned_long_strike"),
};

} // namespace

void readValue(wire::Value& v, EntryCondition& out)
{
    records::readFields(v, out, entryConditionFields);
}

void readValue(wire::Value& v, ExitCondition& out)
{
    records::readFields(v, out, exitConditionFields);
}

QJsonValue toJsonValue(const EntryCondition& condition)
{
    return records::writeFields(condition, entryConditionFields);
}

QJsonValue toJsonValue(const ExitCondition& condition)
{
    return records::writeFields(condition, exitConditionFields);
}

} // namespace corvane
