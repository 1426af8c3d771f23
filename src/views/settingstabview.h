#pragma once

#include "appearance.h"

#include <QUrl>
#include <QWidget>

namespace corvane {

class AboutView;
class CustomTabView;

// The settings window's content: the tabs "Account", "Settings", "Notifications" and "About",
// opening on "Account". The first three hold their title until their views replace them.
class SettingsTabView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsTabView)

public:
    enum class Tab { account, general, bots, about };

    SettingsTabView(const QString& version, const QString& build, const QUrl& website,
                    Appearance appearance, QWidget* parent = nullptr);

    Tab selectedTab() const;
    void setSelectedTab(Tab tab);
    // Puts view in the tab's place and takes ownership of it.
    void setPage(Tab tab, QWidget* view);
    AboutView* aboutView() const { return m_about; }
    CustomTabView* tabView() const { return m_tabs; }
    void setAppearance(Appearance appearance);

private:
    CustomTabView* m_tabs;
    AboutView* m_about;
};

} // namespace corvane
