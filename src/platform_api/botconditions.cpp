#include "botconditions.h"

#include "recordfields.h"

namespace corvane {

namespace {

using records::decoded;

constexpr std::array entryConditionFields{
    decoded<&EntryCondition::allocationType>("allocation_type"),
    decoded<&EntryCondition::contractQuantity>("contract_quantity"),
    decoded<&EntryCondition::percentOfPortfolio>("percent_of_portfolio"),
    decoded<&EntryCondition::leverageAmount>("leverage_amount"),
    decoded<&EntryCondition::entrySpeed>("entry_speed"),
    decoded<&EntryCondition::maximumEntriesPerDay>("maximum_entries_per_day"),
    decoded<&EntryCondition::earliestTimeOfDay>("earliest_time_of_day"),
    decoded<&EntryCondition::latestTimeOfDay>("latest_time_of_day"),
    decoded<&EntryCondition::daysOfWeek>("days_of_week"),
    decoded<&EntryCondition::minutesBetweenPositions>("minutes_between_positions"),
    decoded<&EntryCondition::minimumStartingPremium>("minimum_starting_premium"),
    decoded<&EntryCondition::maximumStartingPremium>("maximum_starting_premium"),
    decoded<&EntryCondition::minimumDaysToExpiration>("minimum_days_to_expiration"),
    decoded<&EntryCondition::targetDaysToExpiration>("target_days_to_expiration"),
    decoded<&EntryCondition::maximumDaysToExpiration>("maximum_days_to_expiration"),
    decoded<&EntryCondition::minimumUnderlyingPercentMoveFromClose>(
        "minimum_underlying_percent_move_from_close"),
    decoded<&EntryCondition::maximumUnderlyingPercentMoveFromClose>(
        "maximum_underlying_percent_move_from_close"),
    decoded<&EntryCondition::sameDayReEntry>("same_day_re_entry"),
    decoded<&EntryCondition::avoidFOMC>("avoid_fomc"),
    decoded<&EntryCondition::moveStrikeSelectionWithConflict>(
        "move_strike_selection_with_conflict"),
    decoded<&EntryCondition::variables>("variables"),
    decoded<&EntryCondition::callShortStrikeType>("call_short_strike_type"),
    decoded<&EntryCondition::callShortStrikeMinimumDelta>("call_short_strike_minimum_delta"),
    decoded<&EntryCondition::callShortStrikeTargetDelta>("call_short_strike_target_delta"),
    decoded<&EntryCondition::callShortStrikeMaximumDelta>("call_short_strike_maximum_delta"),
    decoded<&EntryCondition::callShortStrikeMinimumPremium>("call_short_strike_minimum_premium"),
    decoded<&EntryCondition::callShortStrikeTargetPremium>("call_short_strike_target_premium"),
    decoded<&EntryCondition::callShortStrikeMaximumPremium>("call_short_strike_maximum_premium"),
    decoded<&EntryCondition::callLongStrikeType>("call_long_strike_type"),
    decoded<&EntryCondition::callLongStrikeMinimumDelta>("call_long_strike_minimum_delta"),
    decoded<&EntryCondition::callLongStrikeTargetDelta>("call_long_strike_target_delta"),
    decoded<&EntryCondition::callLongStrikeMaximumDelta>("call_long_strike_maximum_delta"),
    decoded<&EntryCondition::callLongStrikeMinimumPremium>("call_long_strike_minimum_premium"),
    decoded<&EntryCondition::callLongStrikeTargetPremium>("call_long_strike_target_premium"),
    decoded<&EntryCondition::callLongStrikeMaximumPremium>("call_long_strike_maximum_premium"),
    decoded<&EntryCondition::callSpreadMinimumWidthPoints>("call_spread_minimum_width_points"),
    decoded<&EntryCondition::callSpreadTargetWidthPoints>("call_spread_target_width_points"),
    decoded<&EntryCondition::callSpreadMaximumWidthPoints>("call_spread_maximum_width_points"),
    decoded<&EntryCondition::callSpreadMinimumWidthPercent>("call_spread_minimum_width_percent"),
    decoded<&EntryCondition::callSpreadTargetWidthPercent>("call_spread_target_width_percent"),
    decoded<&EntryCondition::callSpreadMaximumWidthPercent>("call_spread_maximum_width_percent"),
    decoded<&EntryCondition::callSpreadStrikeTargetDelta>("call_spread_strike_target_delta"),
    decoded<&EntryCondition::callSpreadStrikeTargetPremium>("call_spread_strike_target_premium"),
    decoded<&EntryCondition::restrictCallSpreadWidthBy>("restrict_call_spread_width_by"),
    decoded<&EntryCondition::callSpreadSmartWidth>("call_spread_smart_width"),
    decoded<&EntryCondition::putShortStrikeType>("put_short_strike_type"),
    decoded<&EntryCondition::putShortStrikeMinimumDelta>("put_short_strike_minimum_delta"),
    decoded<&EntryCondition::putShortStrikeTargetDelta>("put_short_strike_target_delta"),
    decoded<&EntryCondition::putShortStrikeMaximumDelta>("put_short_strike_maximum_delta"),
    decoded<&EntryCondition::putShortStrikeMinimumPremium>("put_short_strike_minimum_premium"),
    decoded<&EntryCondition::putShortStrikeTargetPremium>("put_short_strike_target_premium"),
    decoded<&EntryCondition::putShortStrikeMaximumPremium>("put_short_strike_maximum_premium"),
    decoded<&EntryCondition::putLongStrikeType>("put_long_strike_type"),
    decoded<&EntryCondition::putLongStrikeMinimumDelta>("put_long_strike_minimum_delta"),
    decoded<&EntryCondition::putLongStrikeTargetDelta>("put_long_strike_target_delta"),
    decoded<&EntryCondition::putLongStrikeMaximumDelta>("put_long_strike_maximum_delta"),
    decoded<&EntryCondition::putLongStrikeMinimumPremium>("put_long_strike_minimum_premium"),
    decoded<&EntryCondition::putLongStrikeTargetPremium>("put_long_strike_target_premium"),
    decoded<&EntryCondition::putLongStrikeMaximumPremium>("put_long_strike_maximum_premium"),
    decoded<&EntryCondition::putSpreadMinimumWidthPoints>("put_spread_minimum_width_points"),
    decoded<&EntryCondition::putSpreadTargetWidthPoints>("put_spread_target_width_points"),
    decoded<&EntryCondition::putSpreadMaximumWidthPoints>("put_spread_maximum_width_points"),
    decoded<&EntryCondition::putSpreadMinimumWidthPercent>("put_spread_minimum_width_percent"),
    decoded<&EntryCondition::putSpreadTargetWidthPercent>("put_spread_target_width_percent"),
    decoded<&EntryCondition::putSpreadMaximumWidthPercent>("put_spread_maximum_width_percent"),
    decoded<&EntryCondition::putSpreadStrikeTargetDelta>("put_spread_strike_target_delta"),
    decoded<&EntryCondition::putSpreadStrikeTargetPremium>("put_spread_strike_target_premium"),
    decoded<&EntryCondition::restrictPutSpreadWidthBy>("restrict_put_spread_width_by"),
    decoded<&EntryCondition::putSpreadSmartWidth>("put_spread_smart_width"),
};

constexpr std::array exitConditionFields{
    decoded<&ExitCondition::exitSpeed>("exit_speed"),
    decoded<&ExitCondition::profitPremiumValue>("profit_premium_value"),
    decoded<&ExitCondition::profitTargetPercent>("profit_target_percent"),
    decoded<&ExitCondition::stopLossPercent>("stop_loss_percent"),
    decoded<&ExitCondition::lossPremiumValue>("loss_premium_value"),
    decoded<&ExitCondition::itmPercentStop>("itm_percent_stop"),
    decoded<&ExitCondition::deltaStop>("delta_stop"),
    decoded<&ExitCondition::monitoredStopSensitivity>("monitored_stop_sensitivity"),
    decoded<&ExitCondition::trailProfitPercentTrigger>("trail_profit_percent_trigger"),
    decoded<&ExitCondition::trailProfitPercentAmount>("trail_profit_percent_amount"),
    decoded<&ExitCondition::trailProfitPremiumTrigger>("trail_profit_premium_trigger"),
    decoded<&ExitCondition::trailProfitPremiumAmount>("trail_profit_premium_amount"),
    decoded<&ExitCondition::variables>("variables"),
    decoded<&ExitCondition::closeShortStrikeOnly>("close_short_strike_only"),
    decoded<&ExitCondition::sellAbandonedLongStrike>("sell_abandoned_long_strike"),
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

} // namespace corvane
