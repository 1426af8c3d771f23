#include "app/commandline.h"
#include "base/log.h"

#include <QCoreApplication>

// The application shell arrives with its own change; until then the program starts, says
// what it is and leaves, so the build always yields a runnable binary.
int main(int argc, char* argv[])
{
    if (const auto code = corvane::runCommandLine(argc, argv, QStringLiteral(CORVANE_VERSION)))
        return *code;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    corvane::logLine(QStringLiteral("Corvane %1: the desktop shell is not built yet.")
                         .arg(QStringLiteral(CORVANE_VERSION)));
    return 0;
}
