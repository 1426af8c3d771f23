#include "settingspages.h"

#include "accountsview.h"
#include "notificationsettingsview.h"
#include "settingstabview.h"

namespace corvane {

SettingsPages installSettingsPages(SettingsTabView& tabs, const SettingsPageServices& services)
{
    // Made inside the tab view, so that they take its light or dark palette from the start.
    SettingsPages pages;
    pages.accounts = new AccountsView(services.settings, services.verifier, false, &tabs);
    pages.general = new GeneralSettingsView(services.settings, services.stateManager,
                                            services.loginItem, &tabs);
    pages.notifications =
        new NotificationSettingsView(services.settings, services.poSettings, services.poApi, &tabs);
    tabs.setPage(SettingsTabView::Tab::account, pages.accounts);
    tabs.setPage(SettingsTabView::Tab::general, pages.general);
    tabs.setPage(SettingsTabView::Tab::bots, pages.notifications);
    return pages;
}

} // namespace corvane
