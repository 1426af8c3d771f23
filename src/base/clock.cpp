#include "clock.h"

namespace corvane {

Clock systemClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

} // namespace corvane
