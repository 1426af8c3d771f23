#include "shellwindows.h"

#include "app/core.h"
#include "app/loginitem.h"
#include "app/updatechecker.h"
#include "appdelegate.h"
#include "base/buildinfo.h"
#include "base/log.h"
#include "models/brokerresultsmodel.h"
#include "models/feedstatuspresenter.h"
#include "views/aboutview.h"
#include "views/accountsview.h"
#include "views/positionspopover.h"
#include "views/settingspages.h"
#include "views/settingstabview.h"
#include "views/statusmenu.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace corvane {

ShellWindows::ShellWindows(Core& core, AppDelegate& delegate, QObject* parent)
    : QObject(parent)
    , m_core(core)
    , m_delegate(delegate)
{
    connect(&delegate, &AppDelegate::appearanceChanged, this,
            [this](bool dark) { setAppearance(dark ? Appearance::dark : Appearance::light); });
    delegate.setPopoverFactory([this] { return makePopover(); });
    delegate.setMenuFactory([this] { return makeMenu(); });
    delegate.setSettingsWindowFactory([this] { return makeSettingsWindow(); });

    if (DesktopServices* desktop = core.desktop())
        connect(&desktop->updater(), &UpdateChecker::checked, this, &ShellWindows::showUpdate);
    if (UpdateNotifier* notifier = core.updateNotifier())
        connect(notifier, &UpdateNotifier::downloadRequested, this,
                [](const QUrl& page) { QDesktopServices::openUrl(page); });
}

ShellWindows::~ShellWindows()
{
    delete m_settings;
}

void ShellWindows::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    if (m_popover)
        m_popover->setAppearance(appearance);
    if (m_menu)
        m_menu->setAppearance(appearance);
    if (m_settings)
        m_settings->setAppearance(appearance);
}

PositionsPopover* ShellWindows::makePopover()
{
    m_brokers =
        std::make_unique<BrokerResultsModel>(m_core.settings(), m_core.store(), m_core.market());
    m_feed = std::make_unique<FeedStatusPresenter>(m_core.settings(), m_core.store(),
                                                   m_core.market(), m_core.config().clock);
    m_popover = std::make_unique<PositionsPopover>(*m_brokers, *m_feed, m_core.globalData(),
                                                   m_core.historyFeed(), m_appearance);
    connect(m_popover.get(), &PositionsPopover::settingsRequested, &m_delegate,
            &AppDelegate::showSettings);
    connect(m_popover.get(), &PositionsPopover::watchSwitchChanged, this,
            [this] { m_core.stateManager().evaluateWatchState(false); });
    connect(m_popover.get(), &PositionsPopover::syncRequested, this, &ShellWindows::syncNow);
    connect(m_popover.get(), &PositionsPopover::openPlatformRequested, this,
            &ShellWindows::openPlatform);
    return m_popover.get();
}

StatusMenu* ShellWindows::makeMenu()
{
    m_menu = std::make_unique<StatusMenu>(m_appearance);
    connect(m_menu.get(), &StatusMenu::popoverRequested, &m_delegate, &AppDelegate::openPopover);
    connect(m_menu.get(), &StatusMenu::settingsRequested, &m_delegate, &AppDelegate::showSettings);
    connect(m_menu.get(), &StatusMenu::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    return m_menu.get();
}

SettingsTabView* ShellWindows::makeSettingsWindow()
{
    m_settings = new SettingsTabView(QCoreApplication::applicationVersion(), buildNumber(),
                                     m_core.config().platformWebUrl, m_appearance);
    m_settings->setAttribute(Qt::WA_DeleteOnClose, false);

    DesktopServices* desktop = m_core.desktop();
    GeneralSettingsView::LoginItemSwitch loginItem;
    if (desktop)
        loginItem = [desktop](bool enabled) { return desktop->loginItem().setEnabled(enabled); };
    const SettingsPages pages = installSettingsPages(
        *m_settings, {m_core.settings(), m_core.pushoverSettings(), m_core.verifier(),
                      m_core.stateManager(), m_core.pushoverSetup(), loginItem});
    connect(pages.accounts, &AccountsView::statusItemRefreshRequested, &m_delegate,
            &AppDelegate::refreshStatusItem);
    connect(pages.general, &GeneralSettingsView::statusItemRefreshRequested, &m_delegate,
            &AppDelegate::refreshStatusItem);

    AboutView* about = m_settings->aboutView();
    connect(about, &AboutView::openUrlRequested, this,
            [](const QUrl& url) { QDesktopServices::openUrl(url); });
    about->setUpdateChecksAvailable(desktop && desktop->updater().isEnabled());
    if (desktop)
        connect(about, &AboutView::checkForUpdatesRequested, &desktop->updater(),
                &UpdateChecker::checkForUpdates);
    return m_settings;
}

// A check the user asked for always answers here. The scheduled ones never open a dialog out of
// nowhere: the core's update notifier tells of a new version with a notification.
void ShellWindows::showUpdate(const UpdateResult& result, bool userAsked)
{
    if (!userAsked)
        return;
    QMessageBox box(QMessageBox::Information, QStringLiteral("Corvane"), describeUpdate(result),
                    QMessageBox::NoButton, m_settings);
    QPushButton* download = nullptr;
    if (result.kind == UpdateResult::Kind::newer)
        download = box.addButton(QStringLiteral("Download"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Ok);
    box.exec();
    if (download && box.clickedButton() == download)
        QDesktopServices::openUrl(result.downloadPage);
}

void ShellWindows::syncNow()
{
    logLine(QStringLiteral("in manualStart"));
    m_core.watch().manualStart();
}

void ShellWindows::openPlatform()
{
    QUrl positions = m_core.config().platformWebUrl;
    positions.setPath(positions.path() + QStringLiteral("/positions"));
    QDesktopServices::openUrl(positions);
}

} // namespace corvane
