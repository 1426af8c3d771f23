#pragma once

#include <QString>
#include <functional>

namespace corvane {

// Writes one diagnostic line to standard output and flushes it. Lines carry the product's
// exact wording and never a secret: callers pass secrets through redacted() first.
void logLine(const QString& line);

// A stand-in for a secret that tells only its length, safe to log.
QString redacted(const QString& secret);

// Tests observe the log through this hook; it sees every line after it is written.
using LogObserver = std::function<void(const QString&)>;
void setLogObserver(LogObserver observer);

} // namespace corvane
