#include "brokerpage.h"

#include "daychart.h"
#include "models/brokerresultsmodel.h"
#include "models/positionlistmodel.h"
#include "positioncard.h"
#include "symbols.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QScrollArea>

namespace corvane {

namespace {

// About seven rows: with the chart above them the popover stays within a 768-pixel screen.
constexpr int maxListHeight = 260;

// The info icon of a row; tells the page when the pointer comes and goes.
class InfoIcon final : public QLabel {
public:
    InfoIcon(const QString& key, BrokerPage* page, Appearance appearance)
        : m_key(key)
        , m_page(page)
    {
        setObjectName(QStringLiteral("positionInfo"));
        setPixmap(symbols::icon(QStringLiteral("info.circle"), colors::secondaryText(appearance))
                      .pixmap(16, 16));
        setFixedSize(20, 20);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void enterEvent(QEnterEvent*) override { m_page->hoverEntered(m_key); }
    void leaveEvent(QEvent*) override { m_page->hoverLeft(); }

private:
    QString m_key;
    BrokerPage* m_page;
};

QString colored(const QString& text, const QColor& color)
{
    return QStringLiteral("<span style=\"color:%1\">%2</span>")
        .arg(color.name(), text.toHtmlEscaped());
}

QColor badgeColor(PositionListModel::Badge badge, Appearance appearance)
{
    switch (badge) {
    case PositionListModel::Badge::open:
        return colors::openBadge();
    case PositionListModel::Badge::closedGain:
        return colors::gain(appearance);
    case PositionListModel::Badge::closedLoss:
        return colors::loss(appearance);
    case PositionListModel::Badge::none:
        break;
    }
    return Qt::transparent;
}

} // namespace

BrokerPage::BrokerPage(const QPersistentModelIndex& broker, HistoryFeed& history,
                       Appearance appearance, QWidget* parent)
    : QWidget(parent)
    , m_broker(broker)
    , m_appearance(appearance)
    , m_total(new QLabel)
    , m_nlv(new QLabel)
    , m_expiryCaption(new QLabel(QStringLiteral("Login expiry:")))
    , m_expiry(new QLabel)
    , m_chart(new DayChart(history, broker.data(BrokerResultsModel::brokerNumberRole).toString(),
                           appearance))
    , m_rows(new QWidget)
    , m_rowLayout(new QVBoxLayout(m_rows))
    , m_scroll(new QScrollArea)
{
    setObjectName(QStringLiteral("brokerPage"));
    m_total->setObjectName(QStringLiteral("totalText"));
    m_nlv->setObjectName(QStringLiteral("nlvText"));
    m_expiry->setObjectName(QStringLiteral("expiryText"));
    QFont small = font();
    small.setPointSizeF(9);
    m_expiryCaption->setFont(small);
    m_expiry->setFont(small);

    auto* summary = new QHBoxLayout;
    summary->setSpacing(10);
    auto* clipboard = new QLabel;
    clipboard->setPixmap(
        symbols::icon(QStringLiteral("pencil.and.list.clipboard"), colors::text(appearance))
            .pixmap(18, 18));
    summary->addWidget(clipboard);
    summary->addWidget(m_total);
    summary->addWidget(m_nlv);
    auto* expiry = new QVBoxLayout;
    expiry->setSpacing(0);
    expiry->addWidget(m_expiryCaption);
    expiry->addWidget(m_expiry);
    summary->addLayout(expiry);
    summary->addStretch();

    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(10);
    auto* scroll = m_scroll;
    scroll->setObjectName(QStringLiteral("positionList"));
    scroll->setWidget(m_rows);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    m_rows->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(10);
    layout->addLayout(summary);
    layout->addWidget(m_chart);
    layout->addWidget(scroll, 1);

    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(hoverDelay);
    connect(&m_hoverTimer, &QTimer::timeout, this, &BrokerPage::showCard);

    m_positions = m_broker.data(BrokerResultsModel::positionsRole).value<PositionListModel*>();
    if (m_positions) {
        connect(m_positions, &QAbstractItemModel::modelReset, this, &BrokerPage::syncRows);
        connect(m_positions, &QAbstractItemModel::dataChanged, this, &BrokerPage::syncRows);
    }
    refresh();
    syncRows();
}

void BrokerPage::refresh()
{
    if (!m_broker.isValid())
        return;
    const QString total = m_broker.data(BrokerResultsModel::totalTextRole).toString();
    const bool gain = m_broker.data(BrokerResultsModel::gainRole).toBool();
    m_total->setText(QStringLiteral("Total: ") + colored(total, gain ? colors::gain(m_appearance)
                                                                     : colors::loss(m_appearance)));
    m_nlv->setText(QStringLiteral("NLV: ") +
                   m_broker.data(BrokerResultsModel::nlvTextRole).toString().toHtmlEscaped());
    const QVariant expiry = m_broker.data(BrokerResultsModel::expiryTextRole);
    m_expiryCaption->setVisible(expiry.isValid());
    m_expiry->setVisible(expiry.isValid());
    m_expiry->setText(expiry.toString());
}

QWidget* BrokerPage::infoIcon(const QString& key) const
{
    for (QWidget* icon : m_rows->findChildren<QWidget*>(QStringLiteral("positionInfo"))) {
        if (icon->property("positionKey").toString() == key)
            return icon;
    }
    return nullptr;
}

QWidget* BrokerPage::makeRow(const QString& key)
{
    auto* line = new QWidget;
    line->setObjectName(QStringLiteral("positionRow"));
    line->setProperty("positionKey", key);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* badge = new QLabel;
    badge->setObjectName(QStringLiteral("statusBadge"));
    badge->setFixedWidth(65);
    badge->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel;
    name->setObjectName(QStringLiteral("botName"));
    name->setFixedWidth(180);
    auto* profit = new QLabel;
    profit->setObjectName(QStringLiteral("profitText"));
    auto* info = new InfoIcon(key, this, m_appearance);
    info->setProperty("positionKey", key);
    layout->addWidget(badge);
    layout->addWidget(name);
    layout->addWidget(profit, 1);
    layout->addWidget(info);
    return line;
}

void BrokerPage::fillRow(QWidget* line, const QModelIndex& position) const
{
    auto* badge = line->findChild<QLabel*>(QStringLiteral("statusBadge"));
    badge->setText(position.data(PositionListModel::statusRole).toString());
    const QColor fill =
        badgeColor(position.data(PositionListModel::badgeRole).value<PositionListModel::Badge>(),
                   m_appearance);
    badge->setStyleSheet(QStringLiteral("QLabel { background: %1; color: black; "
                                        "border-radius: 5px; padding: 5px; }")
                             .arg(fill.name(QColor::HexArgb)));

    auto* name = line->findChild<QLabel*>(QStringLiteral("botName"));
    const QString botName = position.data(PositionListModel::nameRole).toString();
    name->setText(name->fontMetrics().elidedText(botName, Qt::ElideRight, 180));
    name->setToolTip(botName);

    auto* profit = line->findChild<QLabel*>(QStringLiteral("profitText"));
    const bool gain = position.data(PositionListModel::gainRole).toBool();
    profit->setText(position.data(PositionListModel::profitTextRole).toString());
    QPalette tinted = profit->palette();
    tinted.setColor(QPalette::WindowText,
                    gain ? colors::gain(m_appearance) : colors::loss(m_appearance));
    profit->setPalette(tinted);
}

// Rows are kept by position: a pass that keeps the position under the pointer keeps its info
// icon, so the window system still tells the page when the pointer leaves it. A widget
// replaced under the pointer would never hear of it, and its card would stay.
void BrokerPage::syncRows()
{
    QHash<QString, QWidget*> previous;
    for (QWidget* line :
         m_rows->findChildren<QWidget*>(QStringLiteral("positionRow"), Qt::FindDirectChildrenOnly))
        previous.insert(line->property("positionKey").toString(), line);
    while (QLayoutItem* item = m_rowLayout->takeAt(0))
        delete item;
    if (m_positions) {
        for (int row = 0; row < m_positions->rowCount(); ++row) {
            const QModelIndex position = m_positions->index(row);
            const QString key = position.data(PositionListModel::keyRole).toString();
            QWidget* line = previous.take(key);
            if (!line)
                line = makeRow(key);
            fillRow(line, position);
            m_rowLayout->addWidget(line);
            // A row made while the page is shown stays hidden until told otherwise.
            line->show();
        }
    }
    qDeleteAll(previous);
    m_rowLayout->addStretch();
    // The list takes the height of its rows, up to maxListHeight, then scrolls.
    m_scroll->setMinimumHeight(std::min(m_rows->sizeHint().height(), maxListHeight));
    // A card of a position that is gone would describe nothing; one that stays shows the new
    // figures.
    if (!m_hoveredKey.isEmpty() && !infoIcon(m_hoveredKey))
        hoverLeft();
    else if (m_card && m_card->isVisible())
        showCard();
}

void BrokerPage::hoverEntered(const QString& key)
{
    m_pendingKey = key;
    m_hoverTimer.start();
}

void BrokerPage::hoverLeft()
{
    m_hoverTimer.stop();
    m_pendingKey.clear();
    m_hoveredKey.clear();
    if (m_card)
        m_card->hide();
}

void BrokerPage::showCard()
{
    m_hoveredKey = m_pendingKey;
    if (!m_positions)
        return;
    for (int row = 0; row < m_positions->rowCount(); ++row) {
        const QModelIndex position = m_positions->index(row);
        if (position.data(PositionListModel::keyRole).toString() != m_hoveredKey)
            continue;
        if (!m_card)
            m_card = new PositionCard(m_appearance, this);
        const QWidget* icon = infoIcon(m_hoveredKey);
        const QPoint anchor =
            icon ? icon->mapToGlobal(QPoint(-m_card->width() - 4, 0)) : mapToGlobal(QPoint());
        m_card->showPosition(position, anchor);
        return;
    }
}

} // namespace corvane
