#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

namespace corvane {

// What the command line asks of this run.
struct CommandLine {
    enum class Action { runApp, help, version, status, invalid };
    Action action = Action::runApp;
    bool json = false;
    bool follow = false;
    QString text; // help, version or the error, ready to print
};

CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

// Handles everything but starting the application: help, version, the status client and
// errors. Returns the exit code, or nothing when the application should start. Creates its
// own QCoreApplication when it needs one, so `corvane --status` runs without a display.
std::optional<int> runCommandLine(int& argc, char** argv, const QString& version);

// `corvane --status` against the session bus: prints and returns the exit code; with
// `follow` it keeps printing until the process is stopped.
int runStatusCommand(const CommandLine& command, QTextStream& out, QTextStream& err);

} // namespace corvane
