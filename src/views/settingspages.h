#pragma once

#include "generalsettingsview.h"

namespace corvane {

class AccountVerifier;
class AccountsView;
class CVNSettings;
class NotificationSettingsView;
class POApiManager;
class POSettings;
class SettingsTabView;
class StateManager;

// What the settings pages work with; the composition root owns all of it.
struct SettingsPageServices {
    CVNSettings& settings;
    POSettings& poSettings;
    AccountVerifier& verifier;
    StateManager& stateManager;
    POApiManager& poApi;
    GeneralSettingsView::LoginItemSwitch loginItem;
};

// The pages put into the settings window. Their statusItemRefreshRequested signals are for
// the shell, which owns the status item.
struct SettingsPages {
    AccountsView* accounts = nullptr;
    GeneralSettingsView* general = nullptr;
    NotificationSettingsView* notifications = nullptr;
};

// Fills the "Account", "Settings" and "Notifications" tabs; the tab view owns the pages.
SettingsPages installSettingsPages(SettingsTabView& tabs, const SettingsPageServices& services);

} // namespace corvane
