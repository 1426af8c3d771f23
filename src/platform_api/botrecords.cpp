#include "botrecords.h"

#include "recordfields.h"

namespace corvane {

static void readValue(wire::Value& v, BrokerConnectionBot& out);
static void readValue(wire::Value& v, Adjustment& out);
static void readValue(wire::Value& v, NotificationBot& out);
static void readValue(wire::Value& v, Variable& out);
static void readValue(wire::Value& v, BotData& out);

namespace {

using records::decoded;

constexpr std::array brokerConnectionBotFields{
    decoded<&BrokerConnectionBot::name>("name"),
    decoded<&BrokerConnectionBot::number>("number"),
    decoded<&BrokerConnectionBot::accountNumber>("account_number"),
};

constexpr std::array adjustmentFields{
    decoded<&Adjustment::number>("number"),
    decoded<&Adjustment::status>("status"),
    decoded<&Adjustment::type>("type"),
    decoded<&Adjustment::daysOfWeek>("days_of_week"),
    decoded<&Adjustment::daysToExpiration>("days_to_expiration"),
    decoded<&Adjustment::timeOfDay>("time_of_day"),
    decoded<&Adjustment::minimumPositionDelta>("minimum_position_delta"),
    decoded<&Adjustment::maximumPositionDelta>("maximum_position_delta"),
    decoded<&Adjustment::minimumPositionProfitPercent>("minimum_position_profit_percent"),
    decoded<&Adjustment::maximumPositionProfitPercent>("maximum_position_profit_percent"),
    decoded<&Adjustment::minimumUnderlyingPercentMoveFromClose>(
        "minimum_underlying_percent_move_from_close"),
    decoded<&Adjustment::maximumUnderlyingPercentMoveFromClose>(
        "maximum_underlying_percent_move_from_close"),
    decoded<&Adjustment::variables>("variables"),
};

constexpr std::array notificationBotFields{
    decoded<&NotificationBot::number>("number"),
    decoded<&NotificationBot::event>("event"),
    decoded<&NotificationBot::type>("type"),
};

constexpr std::array variableFields{
    decoded<&Variable::number>("number"),
    decoded<&Variable::name>("name"),
    decoded<&Variable::value>("value"),
    decoded<&Variable::botValueToSet>("bot_value_to_set"),
    decoded<&Variable::freeTextValueToSet>("free_text_value_to_set"),
    decoded<&Variable::lastUpdatedAt>("last_updated_at"),
};

constexpr std::array botDataFields{
    decoded<&BotData::number>("number"),
    decoded<&BotData::name>("name"),
    decoded<&BotData::brokerConnection>("broker_connection"),
    decoded<&BotData::is_paper>("is_paper"),
    decoded<&BotData::status>("status"),
    decoded<&BotData::canEnable>("can_enable"),
    decoded<&BotData::canDisable>("can_disable"),
    decoded<&BotData::symbol>("symbol"),
    decoded<&BotData::type>("type"),
    decoded<&BotData::notes>("notes"),
    decoded<&BotData::lastActiveAt>("last_active_at"),
    decoded<&BotData::disabledAt>("disabled_at"),
    decoded<&BotData::entryCondition>("entry_condition"),
    decoded<&BotData::exitCondition>("exit_condition"),
    decoded<&BotData::adjustments>("adjustments"),
    decoded<&BotData::notifications>("notifications"),
    decoded<&BotData::variables>("variables"),
};

constexpr std::array botModelFields{
    decoded<&BotModel::success>("success"),
    decoded<&BotModel::message>("message"),
    decoded<&BotModel::data>("data"),
};

} // namespace

static void readValue(wire::Value& v, BrokerConnectionBot& out)
{
    records::readFields(v, out, brokerConnectionBotFields);
}

static void readValue(wire::Value& v, Adjustment& out)
{
    records::readFields(v, out, adjustmentFields);
}

static void readValue(wire::Value& v, NotificationBot& out)
{
    records::readFields(v, out, notificationBotFields);
}

static void readValue(wire::Value& v, Variable& out)
{
    records::readFields(v, out, variableFields);
}

static void readValue(wire::Value& v, BotData& out)
{
    records::readFields(v, out, botDataFields);
}

wire::Result<BotModel> decodeBotModel(const QByteArray& body)
{
    return wire::decode(body, [](wire::Value root) {
        BotModel model;
        records::readFields(root, model, botModelFields);
        return model;
    });
}

} // namespace corvane
