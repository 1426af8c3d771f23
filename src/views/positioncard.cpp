#include "positioncard.h"

#include "models/positionlistmodel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvane {

namespace {
constexpr int cardWidth = 240;
}

PositionCard::PositionCard(Appearance appearance, QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint)
    , m_title(new QLabel(this))
{
    setObjectName(QStringLiteral("positionCard"));
    setFixedWidth(cardWidth);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette p = paletteFor(appearance);
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    p.setColor(QPalette::WindowText, colors::text(appearance));
    p.setColor(QPalette::ToolTipText, colors::text(appearance));
    setPalette(p);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(2);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setObjectName(QStringLiteral("cardTitle"));
    m_title->setContentsMargins(2, 2, 2, 2);
    m_title->setWordWrap(true);
    layout->addWidget(m_title);
    for (int line = 0; line < 5; ++line) {
        auto* label = new QLabel(this);
        layout->addWidget(label);
        m_lines.append(label);
    }
}

void PositionCard::showPosition(const QModelIndex& position, const QPoint& globalAnchor)
{
    using P = PositionListModel;
    m_key = position.data(P::keyRole).toString();
    m_title->setText(position.data(P::nameRole).toString());
    const QStringList texts{
        QStringLiteral("Contract count: ") + position.data(P::contractCountRole).toString(),
        QStringLiteral("Entry value: ") + position.data(P::entryValueRole).toString(),
        QStringLiteral("Current delta: ") + position.data(P::currentDeltaRole).toString(),
        QStringLiteral("Max risk: ") + position.data(P::maxRiskRole).toString(),
        QStringLiteral("Percentage P/L: ") + position.data(P::percentageTextRole).toString(),
    };
    for (qsizetype at = 0; at < m_lines.size(); ++at)
        m_lines[at]->setText(texts.at(at));
    adjustSize();
    move(globalAnchor);
    QFrame::show();
}

QStringList PositionCard::lines() const
{
    QStringList texts{m_title->text()};
    for (const QLabel* label : m_lines)
        texts.append(label->text());
    return texts;
}

} // namespace corvane
