#include "buildinfo.h"

#ifndef CORVANE_BUILD_NUMBER
#define CORVANE_BUILD_NUMBER "1"
#endif

namespace corvane {

QString buildNumber()
{
    return QStringLiteral(CORVANE_BUILD_NUMBER);
}

} // namespace corvane
