#include "settingstabview.h"

#include "aboutview.h"
#include "customtabview.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvane {

namespace {

QWidget* titlePage(const QString& title)
{
    auto* label = new QLabel(title);
    label->setObjectName(QStringLiteral("pageTitle"));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

SettingsTabView::SettingsTabView(const QString& version, const QString& build, const QUrl& website,
                                 Appearance appearance, QWidget* parent)
    : QWidget(parent)
    , m_tabs(new CustomTabView(TabBarPosition::top, appearance))
    , m_about(new AboutView(version, build, website, appearance))
{
    setObjectName(QStringLiteral("settingsTabView"));
    setWindowTitle(QStringLiteral("Corvane Settings"));
    setAutoFillBackground(true);
    setPalette(paletteFor(appearance));
    m_tabs->setTabItems({
        {QUuid::createUuid(), QStringLiteral("Account"), QStringLiteral("list.bullet.circle"),
         titlePage(QStringLiteral("Account"))},
        {QUuid::createUuid(), QStringLiteral("Settings"), QStringLiteral("gear"),
         titlePage(QStringLiteral("Settings"))},
        {QUuid::createUuid(), QStringLiteral("Notifications"), QStringLiteral("info.bubble"),
         titlePage(QStringLiteral("Notifications"))},
        {QUuid::createUuid(), QStringLiteral("About"), QStringLiteral("info.circle"), m_about},
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(m_tabs);
}

SettingsTabView::Tab SettingsTabView::selectedTab() const
{
    return static_cast<Tab>(m_tabs->selection());
}

void SettingsTabView::setSelectedTab(Tab tab)
{
    m_tabs->setSelection(static_cast<int>(tab));
}

void SettingsTabView::setPage(Tab tab, QWidget* view)
{
    QList<TabItem> items = m_tabs->tabItems();
    items[static_cast<int>(tab)].view = view;
    if (tab == Tab::about)
        m_about = nullptr;
    m_tabs->setTabItems(items);
}

void SettingsTabView::setAppearance(Appearance appearance)
{
    setPalette(paletteFor(appearance));
    m_tabs->setAppearance(appearance);
    if (m_about)
        m_about->setAppearance(appearance);
}

} // namespace corvane
