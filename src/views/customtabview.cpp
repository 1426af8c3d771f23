#include "customtabview.h"

#include "symbols.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStackedLayout>

namespace corvane {

namespace {

constexpr int padding = 5;
constexpr int symbolSize = 14;

// One entry of the tab bar.
class TabButton final : public QAbstractButton {
public:
    TabButton(const TabItem& item, bool selected, Appearance appearance, QWidget* parent)
        : QAbstractButton(parent)
        , m_symbol(item.iconName)
        , m_selected(selected)
        , m_appearance(appearance)
    {
        setText(item.text);
        setObjectName(QStringLiteral("tabButton"));
        setAccessibleName(item.text);
        setCursor(Qt::PointingHandCursor);
        setProperty("selected", selected);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {symbolSize + 3 * padding + metrics.horizontalAdvance(text()) + padding,
                std::max(metrics.height(), symbolSize) + 2 * padding};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath shape;
        shape.addRoundedRect(box, 5, 5);
        QColor fill(128, 128, 128);
        fill.setAlphaF(0.1f);
        painter.fillPath(shape, fill);
        if (m_selected) {
            painter.setPen(QPen(colors::outline(m_appearance), 1));
            painter.drawPath(shape);
        }
        const QColor ink =
            m_selected ? colors::text(m_appearance) : colors::secondaryText(m_appearance);
        symbols::paint(painter,
                       QRectF(padding * 1.5, (height() - symbolSize) / 2.0, symbolSize, symbolSize),
                       m_symbol, ink);
        painter.setPen(ink);
        const QRect label = rect().adjusted(symbolSize + 2 * padding + padding / 2, 0, -padding, 0);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, label.width()));
    }

private:
    QString m_symbol;
    bool m_selected;
    Appearance m_appearance;
};

} // namespace

CustomTabView::CustomTabView(TabBarPosition position, Appearance appearance, QWidget* parent)
    : QWidget(parent)
    , m_position(position)
    , m_appearance(appearance)
    , m_bar(new QWidget(this))
    , m_barLayout(new QHBoxLayout(m_bar))
    , m_pages(new QStackedLayout)
    , m_placeholder(new QLabel(QStringLiteral("No verified accounts")))
{
    setObjectName(QStringLiteral("customTabView"));
    m_bar->setObjectName(QStringLiteral("tabBar"));
    m_barLayout->setContentsMargins(0, 0, 0, 0);
    m_barLayout->setSpacing(6);
    m_barLayout->addStretch();
    m_placeholder->setObjectName(QStringLiteral("noTabsText"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_pages->addWidget(m_placeholder);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    if (m_position == TabBarPosition::top)
        layout->addWidget(m_bar);
    layout->addLayout(m_pages, 1);
    if (m_position == TabBarPosition::bottom)
        layout->addWidget(m_bar);
    showSelection();
}

void CustomTabView::setTabItems(const QList<TabItem>& items)
{
    for (const TabItem& old : std::as_const(m_items)) {
        const bool kept = std::any_of(items.cbegin(), items.cend(), [&old](const TabItem& item) {
            return item.view == old.view;
        });
        if (!kept && old.view) {
            m_pages->removeWidget(old.view);
            old.view->deleteLater();
        }
    }
    const qsizetype oldCount = m_items.size();
    m_items = items;
    for (const TabItem& item : std::as_const(m_items)) {
        if (item.view && m_pages->indexOf(item.view) < 0)
            m_pages->addWidget(item.view);
    }
    if (m_items.size() != oldCount && m_selection >= m_items.size())
        m_selection = m_items.size() < 2 ? 0 : int(m_items.size()) - 1;
    rebuildBar();
    showSelection();
}

void CustomTabView::setSelection(int index)
{
    if (index == m_selection)
        return;
    m_selection = index;
    rebuildBar();
    showSelection();
    Q_EMIT selectionChanged(index);
}

void CustomTabView::select(const QUuid& id)
{
    const auto found = std::find_if(m_items.cbegin(), m_items.cend(),
                                    [&id](const TabItem& item) { return item.id == id; });
    setSelection(found == m_items.cend() ? 0 : int(found - m_items.cbegin()));
}

QWidget* CustomTabView::tabButton(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index).data() : nullptr;
}

void CustomTabView::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    rebuildBar();
}

void CustomTabView::rebuildBar()
{
    // The bar is rebuilt from a button's own clicked handler, which the button still runs:
    // the old buttons leave the bar now and are deleted once control is back in the loop.
    for (const auto& button : std::as_const(m_buttons)) {
        if (!button)
            continue;
        m_barLayout->removeWidget(button);
        button->hide();
        button->disconnect(this);
        button->deleteLater();
    }
    m_buttons.clear();
    for (qsizetype at = 0; at < m_items.size(); ++at) {
        const TabItem& item = m_items.at(at);
        auto* button = new TabButton(item, at == m_selection, m_appearance, m_bar);
        const QUuid id = item.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { select(id); });
        m_barLayout->insertWidget(int(at), button);
        // A child added to a shown window stays hidden until told otherwise.
        button->show();
        m_buttons.append(button);
    }
}

void CustomTabView::showSelection()
{
    const bool valid = m_selection >= 0 && m_selection < m_items.size();
    m_pages->setCurrentWidget(valid && m_items.at(m_selection).view ? m_items.at(m_selection).view
                                                                    : m_placeholder);
}

} // namespace corvane
