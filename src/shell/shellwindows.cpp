#include "shellwindows.h"

#include "app/core.h"
#include "appdelegate.h"
#include "base/log.h"
#include "models/brokerresultsmodel.h"
#include "models/feedstatuspresenter.h"
#include "views/positionspopover.h"
#include "views/settingstabview.h"
#include "views/statusmenu.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace corvane {

ShellWindows::ShellWindows(Core& core, AppDelegate& delegate, QObject* parent)
    : QObject(parent)
    , m_core(core)
    , m_delegate(delegate)
    , m_brokers(std::make_unique<BrokerResultsModel>(core.settings(), core.store(), core.market()))
    , m_feed(std::make_unique<FeedStatusPresenter>(core.settings(), core.store(), core.market(),
                                                   core.config().clock))
    , m_popover(
          std::make_unique<PositionsPopover>(*m_brokers, *m_feed, core.globalData(), m_appearance))
    , m_menu(std::make_unique<StatusMenu>(m_appearance))
{
    connect(m_popover.get(), &PositionsPopover::settingsRequested, &delegate,
            &AppDelegate::showSettings);
    connect(m_popover.get(), &PositionsPopover::watchSwitchChanged, this,
            [this] { m_core.stateManager().evaluateWatchState(false); });
    connect(m_popover.get(), &PositionsPopover::syncRequested, this, &ShellWindows::syncNow);
    connect(m_popover.get(), &PositionsPopover::openPlatformRequested, this,
            &ShellWindows::openPlatform);
    connect(m_menu.get(), &StatusMenu::settingsRequested, &delegate, &AppDelegate::showSettings);
    connect(m_menu.get(), &StatusMenu::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);

    connect(&delegate, &AppDelegate::appearanceChanged, this,
            [this](bool dark) { setAppearance(dark ? Appearance::dark : Appearance::light); });
    delegate.setPopover(m_popover.get());
    delegate.setMenu(m_menu.get());
    delegate.setSettingsWindowFactory([this] { return makeSettingsWindow(); });
}

ShellWindows::~ShellWindows()
{
    delete m_settings;
}

SettingsTabView* ShellWindows::settingsWindow() const
{
    return m_settings;
}

void ShellWindows::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    m_popover->setAppearance(appearance);
    m_menu->setAppearance(appearance);
    if (m_settings)
        m_settings->setAppearance(appearance);
}

SettingsTabView* ShellWindows::makeSettingsWindow()
{
    m_settings = new SettingsTabView(QCoreApplication::applicationVersion(),
                                     QStringLiteral(CORVANE_BUILD_NUMBER),
                                     m_core.config().platformWebUrl, m_appearance);
    m_settings->setAttribute(Qt::WA_DeleteOnClose, false);
    return m_settings;
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
