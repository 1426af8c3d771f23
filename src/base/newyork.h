#pragma once

#include <QTimeZone>

namespace corvane {

// The exchange's zone. Trading days, sessions and the platform's query days are New York
// days whatever the user's own zone, so every room reads them through this one zone.
const QTimeZone& newYorkTimeZone();

} // namespace corvane
