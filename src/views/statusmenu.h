#pragma once

#include "appearance.h"

#include <QMenu>

namespace corvane {

// The status item's right-click menu: "Show positions", "Settings" and "Close Corvane". Plain
// actions, so a desktop that draws the menu itself (over D-Bus) shows the same rows; the first
// is the way in where a host's left click is unreliable. Drawn by Qt, the
// rows take the menu-row look (text colour of the appearance, blue tint on hover and press).
class StatusMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusMenu)

public:
    explicit StatusMenu(Appearance appearance, QWidget* parent = nullptr);

    void setAppearance(Appearance appearance);
    QAction* positionsAction() const { return m_positions; }
    QAction* settingsAction() const { return m_settings; }
    QAction* quitAction() const { return m_quit; }

Q_SIGNALS:
    // The menu has closed; the popover is to be opened.
    void popoverRequested();
    // The menu has closed; the settings window is to be opened.
    void settingsRequested();
    void quitRequested();

protected:
    bool event(QEvent* event) override;

private:
    void applyStyleSheet();

    QAction* m_positions;
    QAction* m_settings;
    QAction* m_quit;
    Appearance m_appearance;
};

} // namespace corvane
