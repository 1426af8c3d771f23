#pragma once

#include "models/appearance.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

namespace corvane {

class AppDelegate;
class BrokerResultsModel;
class Core;
class FeedStatusPresenter;
class PositionsPopover;
class SettingsTabView;
class StatusMenu;
struct UpdateResult;

// The windows the status item opens, over the core's models: the popover, the right-click
// menu and the settings window, each made when it is first opened (none is needed to show the
// status item, and a run may never open them). Their requests are wired to the core and the
// delegate here, and they follow the desktop's light or dark look.
class ShellWindows final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShellWindows)

public:
    ShellWindows(Core& core, AppDelegate& delegate, QObject* parent = nullptr);
    ~ShellWindows() override;

    void setAppearance(Appearance appearance);

private:
    PositionsPopover* makePopover();
    StatusMenu* makeMenu();
    SettingsTabView* makeSettingsWindow();
    void syncNow();
    void openPlatform();
    void showUpdate(const UpdateResult& result, bool userAsked);

    Core& m_core;
    AppDelegate& m_delegate;
    Appearance m_appearance = Appearance::light;
    std::unique_ptr<BrokerResultsModel> m_brokers;
    std::unique_ptr<FeedStatusPresenter> m_feed;
    std::unique_ptr<PositionsPopover> m_popover;
    std::unique_ptr<StatusMenu> m_menu;
    QPointer<SettingsTabView> m_settings;
};

} // namespace corvane
