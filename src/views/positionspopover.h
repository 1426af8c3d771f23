#pragma once

#include "appearance.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QLabel;

namespace corvane {

class BrokerPage;
class BrokerResultsModel;
class CustomTabView;
class FeedStatusPresenter;
class GlobalData;
class HistoryFeed;

// The window a left click on the status item opens: error texts, the logo and the market
// state; one tab per watched broker; and a footer with the settings button, the watch switch,
// the feed's last update and the "Sync now" and "Open Orrisfield" buttons. It only reads its
// models and asks for everything else through its signals, which the shell connects. The
// shell places and shows it.
class PositionsPopover final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PositionsPopover)

public:
    static constexpr int popoverWidth = 445;

    PositionsPopover(BrokerResultsModel& brokers, FeedStatusPresenter& feed, GlobalData& globalData,
                     HistoryFeed& history, Appearance appearance, QWidget* parent = nullptr);

    void setAppearance(Appearance appearance);
    Appearance appearance() const { return m_appearance; }
    CustomTabView* tabView() const { return m_tabs; }
    BrokerPage* page(int row) const;

Q_SIGNALS:
    void settingsRequested();
    // After the switch stored the new value; the watch state is to be evaluated again.
    void watchSwitchChanged(bool running);
    void syncRequested();
    void openPlatformRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildHeader();
    void buildFooter();
    void rebuildTabs();
    void refreshPages(const QModelIndex& first, const QModelIndex& last);
    void showErrors();
    void showMarketState();
    void showLastUpdated();
    void applyAppearance();

    BrokerResultsModel& m_brokers;
    FeedStatusPresenter& m_feed;
    GlobalData& m_globalData;
    HistoryFeed& m_history;
    // The chart's toggle holds for every broker and outlives rebuilt pages.
    bool m_showCloses = false;
    Appearance m_appearance;
    QLabel* m_criticalError = nullptr;
    QLabel* m_internetError = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_marketState = nullptr;
    CustomTabView* m_tabs = nullptr;
    QList<BrokerPage*> m_pages;
    QCheckBox* m_watchSwitch = nullptr;
    QLabel* m_lastUpdated = nullptr;
    QWidget* m_settingsButton = nullptr;
};

} // namespace corvane
