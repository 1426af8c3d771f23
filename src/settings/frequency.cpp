#include "frequency.h"

#include "storedjson.h"

#include <algorithm>

namespace corvane {

const std::array<FrequencyHour, 8>& allFrequencyHours()
{
    static const std::array<FrequencyHour, 8> hours{
        FrequencyHour::zeroHour,   FrequencyHour::oneHour,   FrequencyHour::twoHours,
        FrequencyHour::threeHours, FrequencyHour::fourHours, FrequencyHour::fiveHours,
        FrequencyHour::sixHours,   FrequencyHour::sevenHours};
    return hours;
}

const std::array<FrequencyMinute, 7>& allFrequencyMinutes()
{
    static const std::array<FrequencyMinute, 7> minutes{
        FrequencyMinute::oneMinute,     FrequencyMinute::fiveMinutes,
        FrequencyMinute::tenMinutes,    FrequencyMinute::twentyMinutes,
        FrequencyMinute::thirtyMinutes, FrequencyMinute::fortyMinutes,
        FrequencyMinute::fiftyMinutes};
    return minutes;
}

std::optional<FrequencyHour> frequencyHourFrom(int rawValue)
{
    const auto& hours = allFrequencyHours();
    const auto it = std::find_if(hours.begin(), hours.end(),
                                 [rawValue](FrequencyHour h) { return int(h) == rawValue; });
    return it == hours.end() ? std::nullopt : std::optional(*it);
}

std::optional<FrequencyMinute> frequencyMinuteFrom(int rawValue)
{
    const auto& minutes = allFrequencyMinutes();
    const auto it = std::find_if(minutes.begin(), minutes.end(),
                                 [rawValue](FrequencyMinute m) { return int(m) == rawValue; });
    return it == minutes.end() ? std::nullopt : std::optional(*it);
}

QJsonObject toJson(const FrequencySelection& selection)
{
    return QJsonObject{{QStringLiteral("hourValue"), selection.hourValue},
                       {QStringLiteral("minuteValue"), selection.minuteValue}};
}

FrequencySelection frequencySelectionFromJson(const QJsonValue& value)
{
    const QJsonObject object = stored::object(value);
    FrequencySelection selection;
    selection.hourValue = stored::integer(object, QStringLiteral("hourValue"));
    selection.minuteValue = stored::integer(object, QStringLiteral("minuteValue"));
    return selection;
}

QByteArray encodeFrequencySelection(const FrequencySelection& selection)
{
    return stored::serialise(toJson(selection));
}

wire::Result<FrequencySelection> decodeFrequencySelection(const QByteArray& stored)
{
    return stored::decode(stored, frequencySelectionFromJson);
}

} // namespace corvane
