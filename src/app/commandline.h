#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QProcessEnvironment;
class QTextStream;

namespace corvane {

// What the command line asks of this run.
struct CommandLine {
    enum class Action { runApp, help, version, status, invalid };
    // How the status is printed: the tray's row as text, everything as JSON, the line panel
    // bars read (waybar, and what --follow prints), or Xfce's Generic Monitor tags.
    enum class Format { text, json, waybar, genmon };
    Action action = Action::runApp;
    Format format = Format::text;
    bool follow = false;
    QString text; // help, version or the error, ready to print
};

CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

// Handles everything but starting the application: help, version, the status client and
// errors, and a start without a display to show anything on. Returns the exit code, or nothing
// when the application should start. Creates its own QCoreApplication when it needs one, so
// `corvane --status` runs without a display.
std::optional<int> runCommandLine(int& argc, char** argv, const QString& version);

// Whether the interface has somewhere to go: an X or Wayland display, or a Qt platform that
// needs none (offscreen, minimal, the framebuffer ones).
bool hasGraphicalSession(const QProcessEnvironment& environment);

// `corvane --status` against the session bus: prints and returns the exit code; with
// `follow` it keeps printing until the process is stopped or its reader goes away.
int runStatusCommand(const CommandLine& command, QTextStream& out, QTextStream& err);

} // namespace corvane
