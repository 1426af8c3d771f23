#pragma once

#include "base/wire.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <array>
#include <optional>

namespace corvane {

// The hour part of the sync interval; the raw value is the number of hours.
enum class FrequencyHour : int {
    zeroHour = 0,
    oneHour = 1,
    twoHours = 2,
    threeHours = 3,
    fourHours = 4,
    fiveHours = 5,
    sixHours = 6,
    sevenHours = 7,
};

// The minute part of the sync interval; the raw value is the number of minutes.
enum class FrequencyMinute : int {
    oneMinute = 1,
    fiveMinutes = 5,
    tenMinutes = 10,
    twentyMinutes = 20,
    thirtyMinutes = 30,
    fortyMinutes = 40,
    fiftyMinutes = 50,
};

// Every choice, in the order the general settings list them.
const std::array<FrequencyHour, 8>& allFrequencyHours();
const std::array<FrequencyMinute, 7>& allFrequencyMinutes();

// Only the listed raw values have a case.
std::optional<FrequencyHour> frequencyHourFrom(int rawValue);
std::optional<FrequencyMinute> frequencyMinuteFrom(int rawValue);

// The user's sync interval as the raw values of the chosen hour and minute. Stored as
// {"hourValue": 0, "minuteValue": 1}.
struct FrequencySelection {
    int hourValue = 0;
    int minuteValue = 1;

    bool operator==(const FrequencySelection&) const = default;
};

QJsonObject toJson(const FrequencySelection& selection);
// Both keys are required integers; their values are not checked against the choice lists.
FrequencySelection frequencySelectionFromJson(const QJsonValue& value);
QByteArray encodeFrequencySelection(const FrequencySelection& selection);
wire::Result<FrequencySelection> decodeFrequencySelection(const QByteArray& stored);

} // namespace corvane
