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
#include "status_bar/trayshade.h"
#include "swayipc.h"
#include "views/firstrunwindow.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QProcessEnvironment>
#include <QScreen>
#include <QTimer>
#include <QWebSocket>
#include <QWidget>
#include <chrono>

namespace corvane {

namespace {

constexpr std::chrono::milliseconds closeHandshake{1000};
constexpr std::chrono::milliseconds closingClick{250};

ScreenArea screenAt(const QPoint& point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? ScreenArea{screen->geometry(), screen->availableGeometry()} : ScreenArea{};
}

// A compositor places a Wayland client's windows itself, and a popup without a parent becomes
// a titled window in mid-screen. A frameless window at least looks like a popover there.
bool placesOwnWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Through Xwayland, sway gives an override-redirect popup neither the focus nor the clicks
// around it, so a click elsewhere would never close it.
QString swaySocket()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    return SwayIpc::socketPath(QProcessEnvironment::systemEnvironment());
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
        const QString sway = swaySocket();
        if (m_popover && !placesOwnWindows()) {
            m_popover->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        } else if (m_popover && !sway.isEmpty()) {
            // A utility window instead, which sway floats and focuses, so that the focus
            // leaving it closes it; sway's IPC puts it beside the item.
            m_popover->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
            m_sway = new SwayIpc(sway, this);
        }
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
    if (watched != m_popover)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Hide:
        m_popoverHidden.start();
        break;
    // sway puts a floating window back in the middle whenever it resizes.
    case QEvent::Resize:
        if (m_sway && m_popover->isVisible())
            m_sway->moveWindow(m_popover->winId(), besideItem(m_popover->size(), {}));
        break;
    // Another window took the focus: the popover goes, as a popup does on an outside click.
    case QEvent::WindowDeactivate:
        if (m_popover->isVisible())
            QTimer::singleShot(0, m_popover, &QWidget::hide);
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            m_popover->hide();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::setSettingsWindowFactory(WindowFactory factory)
{
    m_settingsFactory = std::move(factory);
}

bool AppDelegate::applicationDidFinishLaunching()
{
    Core::ShellSteps steps;
    steps.decideFirstRun = [this] { decideFirstRun(); };
    steps.showStatusItem = [this] {
        if (qEnvironmentVariable("XCODE_RUNNING_FOR_PREVIEWS") == QLatin1String("1"))
            return false;
        setupStatusBar();
        return true;
    };
    return m_core.start(steps);
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
    const QPointer<AppDelegate> self(this);
    const AccountMap accounts = m_core.settings().accountSettings();
    for (const AccountSettings& account : accounts) {
        if (!account.keyVerified || !account.brokerSettings.isEmpty())
            continue;
        const std::optional<BrokerResponse> response =
            co_await m_core.brokerApi().fetchBrokerConnections(account.apiKey);
        if (!self)
            co_return;
        if (!response) {
            logLine(QStringLiteral("Failed to fetch broker data for apiKey: ") +
                    redacted(account.apiKey));
            continue;
        }
        // The user may have edited, unverified or removed the account while the fetch was out:
        // the answer belongs to the key that was sent, on an account that still trusts it.
        const AccountMap current = m_core.settings().accountSettings();
        const auto stored = current.constFind(account.accountName);
        if (stored == current.cend() || stored->apiKey != account.apiKey || !stored->keyVerified ||
            !stored->brokerSettings.isEmpty())
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
        // The suite kept a copy of a file it could not read before anything was written.
        const Suite& suite = m_core.settings().defaults();
        if (suite.wasUnreadable())
            m_firstRunWindow->showUnreadableSettings(suite.unreadableCopy());
    }
    m_firstRunWindow->present();
}

void AppDelegate::setupStatusBar()
{
    m_presenter =
        std::make_unique<StatusLabelPresenter>(m_core.store(), m_core.settings(), m_core.market());
    m_presenter->setHistory(m_core.historyFeed());
    GlobalData& globalData = m_core.globalData();
    m_presenter->setHasError(globalData.hasError());
    connect(&globalData, &GlobalData::hasErrorChanged, m_presenter.get(),
            [this] { m_presenter->setHasError(m_core.globalData().hasError()); });

    m_labelView = std::make_unique<StatusLabelView>(*m_presenter);
    m_appearance = new AppearanceWatcher(QDBusConnection::sessionBus(), this);
    Q_EMIT appearanceChanged(m_appearance->isDark());
    connect(m_appearance, &AppearanceWatcher::darkChanged, this, &AppDelegate::appearanceChanged);
    fitLabelToPanel();
    connect(&m_core.settings(), &CVNSettings::panelShadeChanged, this,
            &AppDelegate::fitLabelToPanel);
    followScreen();
    for (auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved,
                        &QGuiApplication::primaryScreenChanged})
        connect(qApp, signal, this, &AppDelegate::followScreen, Qt::QueuedConnection);

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

// The label's text contrasts with the panel it sits on, which has its own shade whatever the
// application's windows look like.
Appearance AppDelegate::labelAppearance() const
{
    switch (m_core.settings().panelShade()) {
    case PanelShade::light:
        return Appearance::light;
    case PanelShade::dark:
        return Appearance::dark;
    case PanelShade::automatic:
        break;
    }
    // GNOME, KDE's default, waybar, i3bar and XFCE all ship dark panels.
    return TrayShade::judgeOwnDisplay().value_or(Appearance::dark);
}

void AppDelegate::fitLabelToPanel()
{
    if (m_labelView)
        m_labelView->setAppearance(labelAppearance());
}

// The label is drawn for the density of the screen the item is on; that screen can be moved,
// rescaled, unplugged or replaced while the program runs.
void AppDelegate::followScreen()
{
    if (!m_labelView)
        return;
    const QRect item = m_statusItem ? m_statusItem->geometry() : QRect();
    QScreen* screen = item.isValid() ? QGuiApplication::screenAt(item.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen != m_screen) {
        if (m_screen)
            disconnect(m_screen, nullptr, this, nullptr);
        m_screen = screen;
        if (screen) {
            for (auto signal :
                 {&QScreen::logicalDotsPerInchChanged, &QScreen::physicalDotsPerInchChanged})
                connect(screen, signal, this, &AppDelegate::followScreen);
            connect(screen, &QScreen::geometryChanged, this, &AppDelegate::followScreen);
        }
    }
    if (screen)
        m_labelView->setDevicePixelRatio(screen->devicePixelRatio());
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
    if (!m_statusItem)
        return;
    // The tray may have been restarted or recoloured, or the item moved to another screen.
    fitLabelToPanel();
    followScreen();
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

// Beside the item when its place is known, else beside the host's click, else in the trays'
// corner. Without a position (a second start, the XEmbed tray, a host whose points are not
// the screen's) the host's last click stands; the pointer may be anywhere by then.
QPoint AppDelegate::besideItem(const QSize& size, const QPoint& at)
{
    const QRect anchor = m_statusItem ? m_statusItem->geometry() : QRect();
    if (!at.isNull())
        m_lastClick = clickPosition(screenAt(at), at, QCursor::pos());
    const ScreenArea screen = screenAt(anchor.isValid() ? anchor.center() : m_lastClick);
    return popupPosition(size, anchor, m_lastClick, screen);
}

void AppDelegate::showPopover(const QPoint& at)
{
    if (!m_statusItem || !popover())
        return;
    m_popover->adjustSize();
    const QPoint position = besideItem(m_popover->size(), at);
    m_popover->move(position);
    m_popover->show();
    if (m_sway)
        m_sway->moveWindow(m_popover->winId(), position);
    m_popover->raise();
    m_popover->activateWindow();
    if (QWidget* focused = m_popover->focusWidget())
        focused->clearFocus();
    Q_EMIT popoverShown();
}

// Like the popover, beside the panel rather than over it.
void AppDelegate::showContextMenu(const QPoint& at)
{
    if (isPopoverShown())
        m_popover->hide();
    if (!menu())
        return;
    logLine(QStringLiteral("Content view size: ") + QString::number(m_menu->width()));
    m_menu->popup(besideItem(m_menu->sizeHint(), at));
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
