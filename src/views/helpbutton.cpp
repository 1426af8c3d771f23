#include "helpbutton.h"

#include <QFrame>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace corvane {

HelpButton::HelpButton(const QString& text, QWidget* parent)
    : QToolButton(parent)
    , m_text(text)
{
    setObjectName(QStringLiteral("helpButton"));
    setAutoRaise(true);
    setFocusPolicy(Qt::StrongFocus);
    setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    setIconSize(QSize(14, 14));
    setToolTip(text);
    setAccessibleName(QStringLiteral("Information"));
    setAccessibleDescription(text);
    connect(this, &QToolButton::clicked, this, &HelpButton::showPopup);
}

bool HelpButton::isPopupShown() const
{
    return m_popup && m_popup->isVisible();
}

void HelpButton::showPopup()
{
    if (isPopupShown())
        return;
    if (!m_popup) {
        auto* frame = new QFrame(this, Qt::Popup);
        frame->setObjectName(QStringLiteral("helpPopup"));
        frame->setFrameShape(QFrame::StyledPanel);
        auto* label = new QLabel(m_text, frame);
        label->setWordWrap(true);
        label->setTextFormat(m_text.contains(QStringLiteral("://")) ? Qt::RichText : Qt::PlainText);
        label->setOpenExternalLinks(true);
        label->setTextInteractionFlags(Qt::TextBrowserInteraction);
        label->setFixedWidth(260);
        auto* layout = new QVBoxLayout(frame);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->addWidget(label);
        m_popup = frame;
    }
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(width(), height())));
    m_popup->show();
}

bool isDarkAppearance(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window).lightness() < 128;
}

QColor warningColour(const QWidget* widget)
{
    return isDarkAppearance(widget) ? QColor(0xff, 0x6b, 0x5f) : QColor(0xc4, 0x1e, 0x12);
}

QColor statusColour(const QWidget* widget)
{
    return isDarkAppearance(widget) ? QColor(0xff, 0xc2, 0x4d) : QColor(0xe0, 0x7b, 0x00);
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace corvane
