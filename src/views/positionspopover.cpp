#include "positionspopover.h"

#include "app/globaldata.h"
#include "brokerpage.h"
#include "customtabview.h"
#include "daychart.h"
#include "logo.h"
#include "models/brokerresultsmodel.h"
#include "models/feedstatuspresenter.h"
#include "symbols.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace corvane {

namespace {

QLabel* errorLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setContentsMargins(5, 5, 5, 5);
    label->hide();
    return label;
}

void tint(QWidget* widget, const QColor& color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    widget->setPalette(p);
}

} // namespace

PositionsPopover::PositionsPopover(BrokerResultsModel& brokers, FeedStatusPresenter& feed,
                                   GlobalData& globalData, HistoryFeed& history,
                                   Appearance appearance, QWidget* parent)
    : QWidget(parent, Qt::Popup)
    , m_brokers(brokers)
    , m_feed(feed)
    , m_globalData(globalData)
    , m_history(history)
    , m_appearance(appearance)
{
    setObjectName(QStringLiteral("positionsPopover"));
    setFixedWidth(popoverWidth);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);
    buildHeader();
    m_tabs = new CustomTabView(TabBarPosition::top, appearance);
    layout->addWidget(m_tabs, 1);
    buildFooter();

    connect(&m_brokers, &QAbstractItemModel::modelReset, this, &PositionsPopover::rebuildTabs);
    connect(&m_brokers, &QAbstractItemModel::dataChanged, this, &PositionsPopover::refreshPages);
    connect(&m_globalData, &GlobalData::criticalErrorChanged, this, &PositionsPopover::showErrors);
    connect(&m_globalData, &GlobalData::internetErrorChanged, this, &PositionsPopover::showErrors);
    connect(&m_feed, &FeedStatusPresenter::marketStateChanged, this,
            &PositionsPopover::showMarketState);
    connect(&m_feed, &FeedStatusPresenter::lastUpdatedChanged, this,
            &PositionsPopover::showLastUpdated);
    connect(&m_feed, &FeedStatusPresenter::watchRunningChanged, m_watchSwitch,
            &QCheckBox::setChecked);
    rebuildTabs();
    applyAppearance();
}

void PositionsPopover::buildHeader()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    m_criticalError = errorLabel(QStringLiteral("criticalError"));
    m_internetError = errorLabel(QStringLiteral("internetError"));
    layout->addWidget(m_criticalError);
    layout->addWidget(m_internetError);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(5, 5, 5, 5);
    auto* logo = new QWidget;
    logo->setObjectName(QStringLiteral("logo"));
    logo->setFixedWidth(175);
    auto* logoLayout = new QHBoxLayout(logo);
    logoLayout->setContentsMargins(0, 0, 0, 0);
    logoLayout->setSpacing(8);
    m_logo = new QLabel;
    m_logo->setObjectName(QStringLiteral("logoMark"));
    auto* name = new QLabel(QStringLiteral("Corvane"));
    name->setObjectName(QStringLiteral("productName"));
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    name->setFont(large);
    logoLayout->addWidget(m_logo);
    logoLayout->addWidget(name);
    logoLayout->addStretch();
    header->addWidget(logo);
    header->addStretch();
    m_marketState = new QLabel;
    m_marketState->setObjectName(QStringLiteral("marketState"));
    m_marketState->setFixedWidth(100);
    m_marketState->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    header->addWidget(m_marketState);
    layout->addLayout(header);
}

void PositionsPopover::buildFooter()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setObjectName(QStringLiteral("divider"));
    layout->addWidget(divider);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(10);
    auto* settings = new QToolButton;
    settings->setObjectName(QStringLiteral("settingsButton"));
    settings->setToolTip(QStringLiteral("Settings"));
    settings->setAutoRaise(true);
    settings->setFixedWidth(40);
    settings->setIconSize(QSize(20, 20));
    connect(settings, &QToolButton::clicked, this, &PositionsPopover::settingsRequested);
    m_settingsButton = settings;
    controls->addWidget(settings);

    m_watchSwitch = new QCheckBox(QStringLiteral("Watch trades"));
    m_watchSwitch->setObjectName(QStringLiteral("watchSwitch"));
    m_watchSwitch->setToolTip(QStringLiteral("Corvane on/off"));
    m_watchSwitch->setFixedWidth(150);
    m_watchSwitch->setChecked(m_feed.watchRunning());
    connect(m_watchSwitch, &QCheckBox::clicked, this, [this](bool running) {
        m_feed.setWatchRunning(running);
        Q_EMIT watchSwitchChanged(running);
    });
    controls->addWidget(m_watchSwitch);

    m_lastUpdated = new QLabel;
    m_lastUpdated->setObjectName(QStringLiteral("lastUpdated"));
    m_lastUpdated->setTextFormat(Qt::RichText);
    controls->addWidget(m_lastUpdated, 1);
    layout->addLayout(controls);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(10);
    auto* sync = new QPushButton(QStringLiteral("Sync now"));
    sync->setObjectName(QStringLiteral("syncButton"));
    connect(sync, &QPushButton::clicked, this, &PositionsPopover::syncRequested);
    auto* open = new QPushButton(QStringLiteral("Open Orrisfield"));
    open->setObjectName(QStringLiteral("openPlatformButton"));
    connect(open, &QPushButton::clicked, this, &PositionsPopover::openPlatformRequested);
    actions->addWidget(sync);
    actions->addWidget(open);
    actions->addStretch();
    layout->addLayout(actions);
}

BrokerPage* PositionsPopover::page(int row) const
{
    return row >= 0 && row < m_pages.size() ? m_pages.at(row) : nullptr;
}

void PositionsPopover::rebuildTabs()
{
    QList<TabItem> items;
    // The old pages are deleted later; none of them may still show a card meanwhile.
    for (BrokerPage* page : std::as_const(m_pages))
        page->hoverLeft();
    m_pages.clear();
    for (int row = 0; row < m_brokers.rowCount(); ++row) {
        const QModelIndex index = m_brokers.index(row);
        auto* page = new BrokerPage(QPersistentModelIndex(index), m_history, m_appearance);
        page->chart()->showCloses(m_showCloses);
        connect(page->chart(), &DayChart::closesShown, this, [this](bool closes) {
            m_showCloses = closes;
            for (BrokerPage* other : std::as_const(m_pages))
                other->chart()->showCloses(closes);
        });
        m_pages.append(page);
        items.append({QUuid::createUuid(), index.data(BrokerResultsModel::nicknameRole).toString(),
                      QStringLiteral("chart.xyaxis.line"), page});
    }
    m_tabs->setTabItems(items);
    // The popover is as tall as its content: another broker or position changes it.
    if (isVisible())
        adjustSize();
}

void PositionsPopover::refreshPages(const QModelIndex& first, const QModelIndex& last)
{
    for (int row = first.row(); row <= last.row(); ++row) {
        if (BrokerPage* page = this->page(row))
            page->refresh();
    }
}

void PositionsPopover::showErrors()
{
    const auto show = [](QLabel* label, const std::optional<QString>& text) {
        label->setVisible(text.has_value());
        label->setText(text.value_or(QString()));
    };
    show(m_criticalError, m_globalData.criticalError());
    show(m_internetError, m_globalData.internetError());
}

void PositionsPopover::showMarketState()
{
    m_marketState->setText(m_feed.marketStateText());
    // Open reads in the primary text colour: white on a dark panel, black on a light one.
    tint(m_marketState,
         m_feed.marketOpen() ? colors::text(m_appearance) : colors::secondaryText(m_appearance));
}

void PositionsPopover::showLastUpdated()
{
    m_lastUpdated->setText(
        QStringLiteral("Feed snapshot: <br>%1 <span style=\"color:%2; font-size:9pt\">(%3)</span>")
            .arg(m_feed.lastUpdated().toHtmlEscaped(), colors::secondaryText(m_appearance).name(),
                 m_feed.newYorkOffsetText().toHtmlEscaped()));
}

void PositionsPopover::setAppearance(Appearance appearance)
{
    if (appearance == m_appearance)
        return;
    m_appearance = appearance;
    m_tabs->setAppearance(appearance);
    rebuildTabs();
    applyAppearance();
}

void PositionsPopover::applyAppearance()
{
    setPalette(paletteFor(m_appearance));
    m_logo->setPixmap(logoPixmap(36));
    tint(m_criticalError, colors::loss(m_appearance));
    tint(m_internetError, colors::loss(m_appearance));
    static_cast<QToolButton*>(m_settingsButton)
        ->setIcon(symbols::icon(QStringLiteral("gear"), colors::text(m_appearance)));
    showErrors();
    showMarketState();
    showLastUpdated();
}

void PositionsPopover::showEvent(QShowEvent* event)
{
    // The zone offset changes twice a year; read it whenever the popover opens.
    showLastUpdated();
    QWidget::showEvent(event);
}

void PositionsPopover::hideEvent(QHideEvent* event)
{
    // A card is a window of its own: without this, a closed popover could leave one on the
    // screen, or a pending hover could show one after it closed.
    for (BrokerPage* page : std::as_const(m_pages))
        page->hoverLeft();
    QWidget::hideEvent(event);
}

} // namespace corvane
