#include "app/core.h"
#include "base/log.h"
#include "shell/appdelegate.h"
#include "shell/quitsignals.h"
#include "shell/singleinstance.h"

#include <QApplication>
#include <QIcon>

using namespace corvane;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.corvane.Corvane"));
    // A status-area program: closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.claim()) {
        instance.askOwnerToShowPopover();
        return 0;
    }

    const QIcon logo(QStringLiteral(":/corvane/corvane.svg"));
    QApplication::setWindowIcon(logo);
    Core core(CoreConfig::fromEnvironment());
    AppDelegate delegate(core, logo);
    instance.setDelegate(&delegate);
    QObject::connect(&instance, &SingleInstance::showPopoverRequested, &delegate, [&delegate] {
        if (!delegate.isPopoverShown())
            delegate.togglePopover();
    });
    QuitSignals quitSignals;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &AppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
