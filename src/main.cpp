#include "app/commandline.h"
#include "app/core.h"
#include "app/statusinterface.h"
#include "base/log.h"
#include "models/statuslabelpresenter.h"
#include "shell/appdelegate.h"
#include "shell/placement.h"
#include "shell/quitsignals.h"
#include "shell/shellwindows.h"
#include "shell/singleinstance.h"
#include "views/logo.h"
#include "views/viewstyle.h"

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QProcessEnvironment>
#include <QThreadPool>

using namespace corvane;

namespace {

// The logo, or a plain mark when the build carries none, so the item is never blank.
QIcon logo()
{
    if (hasLogo())
        return logoIcon();
    QPixmap mark(64, 64);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(24, 90, 120));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, 56, 56));
    painter.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(18, 18, 28, 28), 45 * 16, 270 * 16);
    return QIcon(mark);
}

// Panel bars and scripts read the labels from here, as the tray shows them.
std::unique_ptr<StatusInterface> exportStatus(Core& core, AppDelegate& delegate)
{
    const StatusLabelPresenter& presenter = delegate.presenter();
    std::unique_ptr<StatusInterface> status = makeStatusInterface(core, [&presenter] {
        QList<ShownLabel> shown;
        for (const StatusLabel& label : presenter.labels())
            shown.append({label.nickname, label.value, label.positive, label.total, label.dayHigh,
                          label.dayLow});
        return shown;
    });
    status->exportOn(QDBusConnection::sessionBus());
    QObject::connect(&presenter, &StatusLabelPresenter::labelsChanged, status.get(),
                     &StatusInterface::scheduleRefresh);
    // Panel bars' clicks and a second start of the program open the popover through here.
    QObject::connect(status.get(), &StatusInterface::openPopoverRequested, &delegate, [&delegate] {
        if (!delegate.isPopoverShown())
            delegate.togglePopover();
    });
    QObject::connect(status.get(), &StatusInterface::openSettingsRequested, &delegate,
                     &AppDelegate::showSettings);
    return status;
}

// The first pass and the Pushover socket need the secrets: when the keyring holds them, the
// launch waits for its answer (an unlock prompt, say) with the event loop running.
QCoro::Task<> launchWithSecrets(Core& core, AppDelegate& delegate,
                                std::unique_ptr<StatusInterface>& status)
{
    co_await core.secrets().load();
    if (delegate.applicationDidFinishLaunching())
        status = exportStatus(core, delegate);
}

} // namespace

int main(int argc, char* argv[])
{
    if (const auto code = runCommandLine(argc, argv, QStringLiteral(CORVANE_VERSION)))
        return *code;
    // Chosen for this process only: programs it starts (a browser) choose for themselves.
    const QByteArray platform = preferredPlatform(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    if (!platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.corvane.Corvane"));
    // A status-area program: closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Sync passes come a minute or more apart. Between them the pool's threads, with the stack
    // and the parser buffers each keeps, are let go rather than idling for Qt's default 30 s.
    QThreadPool::globalInstance()->setExpiryTimeout(2000);

    SingleInstance instance;
    if (!instance.claim()) {
        instance.askOwnerToShowPopover();
        return 0;
    }

    ViewStyle::install();
    QApplication::setWindowIcon(logo());
    Core core(CoreConfig::fromEnvironment());
    AppDelegate delegate(core, QApplication::windowIcon());
    instance.setDelegate(&delegate);
    ShellWindows windows(core, delegate);
    QuitSignals quitSignals;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &AppDelegate::applicationWillTerminate);
    std::unique_ptr<StatusInterface> status;
    launchWithSecrets(core, delegate, status);
    return QApplication::exec();
}
