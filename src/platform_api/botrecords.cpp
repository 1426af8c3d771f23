#include "botrecords.h"

#include "recordfields.h"

#include <QJsonDocument>

namespace corvane {

static void readValue(wire::Value& v, BrokerConnectionBot& out);
static void readValue(wire::Value& v, Adjustment& out);
static void readValue(wire::Value& v, NotificationBot& out);
static void readValue(wire::Value& v, Variable& out);
static void readValue(wire::Value& v, BotData& out);
static QJsonValue toJsonValue(const BrokerConnectionBot& record);
static QJsonValue toJsonValue(const Adjustment& record);
static QJsonValue toJsonValue(const NotificationBot& record);
static QJsonValue toJsonValue(const Variable& record);
static QJsonValue toJsonValue(const BotData& record);

namespace {

using records::field;

constexpr std::array brokerConnectionBotFields{
    field<&BrokerConnectionBot::name>("name"),
    field<&BrokerConnectionBot::number>("number"),
    field<&BrokerConnectionBot::accountNumber>("account_number"),
};

constexpr std::array adjustmentFields{
    field<&Adjustment::number>("number"),
    field<&Adjustment::status>("status"),
    field<&Adjustment::type>("type"),
    field<&Adjustment::daysOfWeek>("days_of_week"),
    field<&Adjustment::daysToExpiration>("days_to_expiration"),
    field<&Adjustment::timeOfDay>("time_of_day"),
    field<&Adjustment::minimumPositionDelta>("minimum_position_delta"),
    field<&Adjustment::maximumPositionDelta>("maximum_position_delta"),
    field<&Adjustment::minimumPositionProfitPercent>("minimum_position_profit_percent"),
    field<&Adjustment::maximumPositionProfitPercent>("maximum_position_profit_percent"),
    field<&Adjustment::minimumUnderlyingPercentMoveFromClose>(
        "minimum_underlying_percent_move_from_close"),
    field<&Adjustment::maximumUnderlyingPercentMoveFromClose>(
        "maximum_underlying_percent_move_from_close"),
    field<&Adjustment::variables>("variables"),
};

constexpr std::array notificationBotFields{
    field<&NotificationBot::number>("number"),
    field<&NotificationBot::event>("event"),
    field<&NotificationBot::type>("type"),
};

constexpr std::array variableFields{
    field<&Variable::number>("number"),
    field<&Variable::name>("name"),
    field<&Variable::value>("value"),
    field<&Variable::botValueToSet>("bot_value_to_set"),
    field<&Variable::freeTextValueToSet>("free_text_value_to_set"),
    field<&Variable::lastUpdatedAt>("last_updated_at"),
};

constexpr std::array botDataFields{
    field<&BotData::number>("number"),
    field<&BotData::name>("name"),
    field<&BotData::brokerConnection>("broker_connection"),
    field<&BotData::is_paper>("is_paper"),
    field<&BotData::status>("status"),
    field<&BotData::canEnable>("can_enable"),
    field<&BotData::canDisable>("can_disable"),
    field<&BotData::symbol>("symbol"),
    field<&BotData::type>("type"),
    field<&BotData::notes>("notes"),
    field<&BotData::lastActiveAt>("last_active_at"),
    field<&BotData::disabledAt>("disabled_at"),
    field<&BotData::entryCondition>("entry_condition"),
    field<&BotData::exitCondition>("exit_condition"),
    field<&BotData::adjustments>("adjustments"),
    field<&BotData::notifications>("notifications"),
    field<&BotData::variables>("variables"),
};

constexpr std::array botModelFields{
    field<&BotModel::success>("success"),
    field<&BotModel::message>("message"),
    field<&BotModel::data>("data"),
};

} // namespace

static void readValue(wire::Value& v, BrokerConnectionBot& out)
{
    records::readFields(v, out, brokerConnectionBotFields);
}

static QJsonValue toJsonValue(const BrokerConnectionBot& record)
{
    return records::writeFields(record, brokerConnectionBotFields);
}

static void readValue(wire::Value& v, Adjustment& out)
{
    records::readFields(v, out, adjustmentFields);
}

static QJsonValue toJsonValue(const Adjustment& record)
{
    return records::writeFields(record, adjustmentFields);
}

static void readValue(wire::Value& v, NotificationBot& out)
{
    records::readFields(v, out, notificationBotFields);
}

static QJsonValue toJsonValue(const NotificationBot& record)
{
    return records::writeFields(record, notificationBotFields);
}

static void readValue(wire::Value& v, Variable& out)
{
    records::readFields(v, out, variableFields);
}

static QJsonValue toJsonValue(const Variable& record)
{
    return records::writeFields(record, variableFields);
}

static void readValue(wire::Value& v, BotData& out)
{
    records::readFields(v, out, botDataFields);
}

static QJsonValue toJsonValue(const BotData& record)
{
    return records::writeFields(record, botDataFields);
}

wire::Result<BotModel> decodeBotModel(const QByteArray& body)
{
    return wire::decode(body, [](wire::Value root) {
        BotModel model;
        records::readFields(root, model, botModelFields);
        return model;
    });
}

QByteArray encodeBotModel(const BotModel& model)
{
    return QJsonDocument(records::writeFields(model, botModelFields))
        .toJson(QJsonDocument::Compact);
}

} // namespace corvane
