#pragma once

#include <QDateTime>
#include <functional>

namespace corvane {

// Everything that asks "what time is it" asks a Clock, so tests can set the instant.
using Clock = std::function<QDateTime()>;

// The real clock: the current instant in UTC.
Clock systemClock();

} // namespace corvane
