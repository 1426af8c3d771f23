#include "appdelegate.h"

#include "app/core.h"
#include "appearancewatcher.h"
#include "base/log.h"
#include "engine/recordconversions.h"
#include "models/statuslabelpresenter.h"
#include "placement.h"
#include "pushover/notificationmanager.h"
#include "status_bar/statusitem.h"
#include "status_bar/statuslabelview.h"
#include "views/firstrunwindow.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWebSocket>
#include <QWidget>
#include <chrono>

namespace corvane {

namespace {

constexpr std::chrono::milliseconds closeHandshake{1000};
constexpr std::chrono::milliseconds closingClick{250};

QRect screenAt(const QPoint& point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

AppDelegate::AppDelegate(Core& core, QIcon logo, QObject* parent)
    : QObject(parent)
    , m_core(core)
    , m_logo(std::move(logo))
{}

AppDelegate::~AppDelegate()
{
    // It works on the core's stores, which outlive this object but not the process.
    delete m_firstRunWindow;
}

void AppDelegate::setPopoverFactory(WindowFactory factory)
{
    m_popoverFactory = std::move(factory);
}

void AppDelegate::setMenuFactory(MenuFactory factory)
{
    m_menuFactory = std::move(factory);
}

QWidget* AppDelegate::popover()
{
    if (!m_popover && m_popoverFactory) {
        m_popover = m_popoverFactory();
        if (m_popover)
            m_popover->installEventFilter(this);
    }
    return m_popover;
}

QMenu* AppDelegate::menu()
{
    if (!m_menu && m_menuFactory)
        m_menu = m_menuFactory();
    return m_menu;
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_popover && event->type() == QEvent::Hide)
        m_popoverHidden.start();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::setSettingsWindowFactory(WindowFactory factory)
{
    m_settingsFactory = std::move(factory);
}

bool AppDelegate::applicationDidFinishLaunching()
{
    if (DesktopServices* desktop = m_core.desktop()) {
        desktop->startPowerWatch();
        desktop->startUpdater();
    }
    decideFirstRun();
    m_core.store().primeProcessedData();
    if (qEnvironmentVariable("XCODE_RUNNING_FOR_PREVIEWS") == QLatin1String("1"))
        return false;
    setupStatusBar();
    // Both identify this machine to Pushover and let anyone who reads them act as it.
    logLine(redacted(m_core.pushoverSettings().poDeviceUID()));
    logLine(redacted(m_core.pushoverSettings().poSessionSecret()));
    if (m_core.settings().enableNotifications() && m_core.pushoverSettings().poIsRegistered())
        m_core.socket().openSocket();
    m_core.market().updateStatus();
    m_core.stateManager().evaluateWatchState(true);
    m_core.market().startTimer();
    if (DesktopServices* desktop = m_core.desktop())
        desktop->startReachability();
    return true;
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_core.socket().closeSocket();
    // The closing handshake needs the event loop, which is ending: give it a moment so the
    // server hears "going away" rather than a dropped connection.
    QDeadlineTimer deadline(closeHandshake);
    while (!deadline.hasExpired() && !m_core.socket().findChildren<QWebSocket*>().isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void AppDelegate::decideFirstRun()
{
    CVNSettings& settings = m_core.settings();
    if (settings.accountSettings().isEmpty()) {
        settings.addAccount();
        showFirstRunWindow();
        return;
    }
    // The task's first request sets up TLS, which takes a while; it waits for the loop so
    // that the status item appears first.
    if (settings.verifiedAccountCount() > 0)
        QTimer::singleShot(0, this, [this] { launchBrokerRefresh(); });
    else
        showFirstRunWindow();
}

// Accounts verified before their brokers were known get their broker list once per launch.
QCoro::Task<> AppDelegate::launchBrokerRefresh()
{
    const AccountMap accounts = m_core.settings().accountSettings();
    for (const AccountSettings& account : accounts) {
        if (!account.keyVerified || !account.brokerSettings.isEmpty())
            continue;
        const std::optional<BrokerResponse> response =
            co_await m_core.brokerApi().fetchBrokerConnections(account.apiKey);
        if (!response) {
            logLine(QStringLiteral("Failed to fetch broker data for apiKey: ") +
                    redacted(account.apiKey));
            continue;
        }
        // The user may have edited or removed the account while the fetch was out.
        const AccountMap current = m_core.settings().accountSettings();
        const auto stored = current.constFind(account.accountName);
        if (stored == current.cend() || !stored->brokerSettings.isEmpty())
            continue;
        AccountSettings updated = *stored;
        updated.brokerSettings = brokerSettingsFrom(response->data);
        m_core.settings().setAccount(updated);
    }
    refreshStatusItem();
}

void AppDelegate::showFirstRunWindow()
{
    if (!m_firstRunWindow) {
        m_firstRunWindow = new FirstRunWindow(m_core.settings(), m_core.verifier());
        m_firstRunWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_firstRunWindow, &FirstRunWindow::statusItemRefreshRequested, this,
                &AppDelegate::refreshStatusItem);
    }
    m_firstRunWindow->present();
}

void AppDelegate::setupStatusBar()
{
    m_presenter =
        std::make_unique<StatusLabelPresenter>(m_core.store(), m_core.settings(), m_core.market());
    GlobalData& globalData = m_core.globalData();
    m_presenter->setHasError(globalData.hasError());
    connect(&globalData, &GlobalData::hasErrorChanged, m_presenter.get(),
            [this] { m_presenter->setHasError(m_core.globalData().hasError()); });

    m_labelView = std::make_unique<StatusLabelView>(*m_presenter);
    m_appearance = new AppearanceWatcher(QDBusConnection::sessionBus(), this);
    auto applyAppearance = [this](bool dark) {
        m_labelView->setAppearance(dark ? Appearance::dark : Appearance::light);
        Q_EMIT appearanceChanged(dark);
    };
    applyAppearance(m_appearance->isDark());
    connect(m_appearance, &AppearanceWatcher::darkChanged, this, applyAppearance);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        m_labelView->setDevicePixelRatio(screen->devicePixelRatio());

    m_statusItem = StatusItem::create(m_logo);
    connect(m_labelView.get(), &StatusLabelView::imageChanged, this,
            &AppDelegate::showStatusContent);
    connect(m_labelView.get(), &StatusLabelView::resizeRequested, this,
            &AppDelegate::resizeStatusItem);
    connect(m_statusItem.get(), &StatusItem::activated, this, &AppDelegate::togglePopover);
    connect(m_statusItem.get(), &StatusItem::contextMenuRequested, this,
            &AppDelegate::showContextMenu);
    // A host that draws our menu itself opens it like ours: the popover gives way.
    connect(m_statusItem.get(), &StatusItem::menuShown, this, [this] {
        if (isPopoverShown())
            m_popover->hide();
    });
    connect(m_statusItem.get(), &StatusItem::unseen, this, &AppDelegate::tellItemUnseen);
    m_statusItem->setMenu(menu());
    showStatusContent();
    resizeStatusItem();
}

void AppDelegate::showStatusContent()
{
    if (m_statusItem)
        m_statusItem->setContent({m_labelView->image(), m_presenter->labels(),
                                  m_presenter->hasError(), m_presenter->summary()});
}

// Stock GNOME without the extension, or a compositor without a bar: the program runs on
// unseen, so the user is told once how to see it.
void AppDelegate::tellItemUnseen()
{
    logLine(QStringLiteral("Nothing on this desktop shows the status item."));
    NotificationManager(m_core.config().notifications, std::chrono::milliseconds(0))
        .sendNotification(
            QStringLiteral("Corvane is running, but your panel cannot show it"),
            QStringLiteral("On GNOME, turn on the AppIndicator extension in Extensions. "
                           "Elsewhere, add \"corvane --status\" to your panel. "
                           "Starting Corvane again opens your positions."));
}

void AppDelegate::refreshStatusItem()
{
    m_core.store().primeProcessedData();
    QTimer::singleShot(StatusLabelView::resizeDelay, this, &AppDelegate::resizeStatusItem);
}

void AppDelegate::resizeStatusItem()
{
    if (m_statusItem)
        m_statusItem->resizeStatusItem();
}

bool AppDelegate::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

void AppDelegate::togglePopover(const QPoint& at)
{
    if (isPopoverShown())
        m_popover->hide();
    else if (!m_popoverHidden.isValid() || m_popoverHidden.elapsed() > closingClick.count())
        showPopover(at);
}

void AppDelegate::openPopover()
{
    if (!isPopoverShown())
        showPopover({});
}

void AppDelegate::showPopover(const QPoint& at)
{
    if (!m_statusItem || !popover())
        return;
    m_popover->adjustSize();
    const QRect anchor = m_statusItem->geometry();
    const QPoint click = at.isNull() ? QCursor::pos() : at;
    const QRect screen = screenAt(anchor.isValid() ? anchor.center() : click);
    m_popover->move(popupPosition(m_popover->size(), anchor, click, screen));
    m_popover->show();
    m_popover->raise();
    m_popover->activateWindow();
    if (QWidget* focused = m_popover->focusWidget())
        focused->clearFocus();
    Q_EMIT popoverShown();
}

void AppDelegate::showContextMenu(const QPoint& at)
{
    if (isPopoverShown())
        m_popover->hide();
    if (!menu())
        return;
    logLine(QStringLiteral("Content view size: ") + QString::number(m_menu->width()));
    m_menu->popup(at.isNull() ? QCursor::pos() : at);
}

void AppDelegate::showSettings()
{
    if (m_popover)
        m_popover->hide();
    m_core.globalData().setSettingsVisible(false);
    QTimer::singleShot(0, this, [this] {
        if (!m_settingsWindow && m_settingsFactory)
            m_settingsWindow = m_settingsFactory();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            logLine(QStringLiteral("window classname: ") +
                    QString::fromLatin1(window->metaObject()->className()));
            if (window == m_settingsWindow) {
                window->show();
                window->raise();
                window->activateWindow();
                return;
            }
        }
    });
}

} // namespace corvane
