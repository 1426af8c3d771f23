#include "newyork.h"

namespace corvane {

const QTimeZone& newYorkTimeZone()
{
    static const QTimeZone zone(QByteArrayLiteral("America/New_York"));
    return zone;
}

} // namespace corvane
