#pragma once

#include "status_bar/labelpainter.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <qcoro/qcorotask.h>

class QMenu;
class QScreen;
class QWidget;

namespace corvane {

class AppearanceWatcher;
class FirstRunWindow;
class Core;
class StatusItem;
class StatusLabelPresenter;
class StatusLabelView;
class SwayIpc;

// The application's owner of everything visible: it runs start-up and shutdown in their
// order, keeps the status item fitted to the label, and opens the popover, the menu and the
// settings window. The services themselves belong to the core.
class AppDelegate final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppDelegate)

public:
    using WindowFactory = std::function<QWidget*()>;
    using MenuFactory = std::function<QMenu*()>;

    AppDelegate(Core& core, QIcon logo, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The views are made by the caller, each when it is first opened; the delegate shows and
    // hides them.
    void setPopoverFactory(WindowFactory factory);
    void setMenuFactory(MenuFactory factory);
    void setSettingsWindowFactory(WindowFactory factory);

    // Start-up, in its order. Returns false when it stopped early for a preview run.
    bool applicationDidFinishLaunching();
    // Closes the Pushover socket as "going away"; runs before the process ends.
    void applicationWillTerminate();

    void togglePopover(const QPoint& at = {});
    // Shows the popover unless it is shown; from a menu row, which no click outside precedes.
    void openPopover();
    void showContextMenu(const QPoint& at);
    void showSettings();
    bool isPopoverShown() const;

    // Re-primes the store and fits the status item to the label 0.1 s later.
    void refreshStatusItem();
    void resizeStatusItem();

    StatusItem* statusItem() const { return m_statusItem.get(); }
    StatusLabelPresenter& presenter() const { return *m_presenter; }
    StatusLabelView& labelView() const { return *m_labelView; }
    AppearanceWatcher* appearance() const { return m_appearance; }

Q_SIGNALS:
    void popoverShown();
    void appearanceChanged(bool dark);

private:
    void decideFirstRun();
    QCoro::Task<> launchBrokerRefresh();
    void showFirstRunWindow();
    void setupStatusBar();
    void showStatusContent();
    Appearance labelAppearance() const;
    void fitLabelToPanel();
    void followScreen();
    void tellItemUnseen();
    void showPopover(const QPoint& at);
    QPoint besideItem(const QSize& size, const QPoint& at);
    QWidget* popover();
    QMenu* menu();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Core& m_core;
    QIcon m_logo;
    std::unique_ptr<StatusLabelPresenter> m_presenter;
    std::unique_ptr<StatusLabelView> m_labelView;
    std::unique_ptr<StatusItem> m_statusItem;
    AppearanceWatcher* m_appearance = nullptr;
    QPointer<QScreen> m_screen;
    QPointer<QWidget> m_popover;
    QPointer<QMenu> m_menu;
    QPointer<QWidget> m_settingsWindow;
    QPointer<FirstRunWindow> m_firstRunWindow;
    WindowFactory m_popoverFactory;
    MenuFactory m_menuFactory;
    WindowFactory m_settingsFactory;
    bool m_terminated = false;
    // A click on the item while the popover is open first closes it (a click outside a
    // popup), then arrives as an activation; that one must not open it again.
    QElapsedTimer m_popoverHidden;
    QPoint m_lastClick;
    SwayIpc* m_sway = nullptr; // under sway, which places the popover only when asked
};

} // namespace corvane
