#pragma once

#include "appearance.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QStackedLayout;

namespace corvane {

// One tab: a fresh identity, its title, a symbol name and its page.
struct TabItem {
    QUuid id = QUuid::createUuid();
    QString text;
    QString iconName;
    QWidget* view = nullptr;
};

enum class TabBarPosition { top, bottom };

// Pages with a bar of tab buttons above or below them. The bar is a row of rounded entries
// (symbol and title), the selected one in the primary text colour and outlined, the others in
// the secondary colour. Without a valid selection the page area says "No verified accounts".
class CustomTabView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CustomTabView)

public:
    CustomTabView(TabBarPosition position, Appearance appearance, QWidget* parent = nullptr);

    // Replaces the tabs and takes ownership of their pages; pages no longer listed are
    // deleted. When the count changes and the selection falls outside the list, it moves to
    // the last tab (or to 0 when fewer than two remain).
    void setTabItems(const QList<TabItem>& items);
    const QList<TabItem>& tabItems() const { return m_items; }

    int selection() const { return m_selection; }
    void setSelection(int index);
    // Selects the tab with this id, or the first tab when no tab has it.
    void select(const QUuid& id);

    // The bar's entry of a tab, for tests and for placing things next to it.
    QWidget* tabButton(int index) const;
    TabBarPosition tabBarPosition() const { return m_position; }
    void setAppearance(Appearance appearance);

Q_SIGNALS:
    void selectionChanged(int index);

private:
    void rebuildBar();
    void showSelection();

    TabBarPosition m_position;
    Appearance m_appearance;
    QList<TabItem> m_items;
    int m_selection = 0;
    QWidget* m_bar;
    QHBoxLayout* m_barLayout;
    QStackedLayout* m_pages;
    QLabel* m_placeholder;
    QList<QPointer<QWidget>> m_buttons;
};

} // namespace corvane
