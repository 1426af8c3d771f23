#pragma once

#include <QString>

namespace corvane {

// The build number the build was given (CORVANE_BUILD_NUMBER): a whole number that grows with
// every release, as an appcast's sparkle:version counts them.
QString buildNumber();

} // namespace corvane
