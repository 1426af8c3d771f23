#include "infopopoverbutton.h"

#include "symbols.h"

#include <QLabel>
#include <QMouseEvent>

namespace corvane {

InfoPopoverButton::InfoPopoverButton(const QString& popoverText, Appearance appearance,
                                     QWidget* parent)
    : QToolButton(parent)
    , m_text(popoverText)
    , m_appearance(appearance)
{
    setAutoRaise(true);
    setObjectName(QStringLiteral("infoButton"));
    setAppearance(appearance);
    connect(this, &QToolButton::clicked, this, &InfoPopoverButton::showPopover);
}

InfoPopoverButton::~InfoPopoverButton()
{
    delete m_popover;
}

bool InfoPopoverButton::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

QWidget* InfoPopoverButton::popover() const
{
    return m_popover;
}

void InfoPopoverButton::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    setIcon(symbols::icon(QStringLiteral("info.circle"), colors::secondaryText(appearance)));
    if (m_popover)
        m_popover->setPalette(paletteFor(appearance));
}

void InfoPopoverButton::showPopover()
{
    if (!m_popover) {
        // A top-level popup, so the text is not clipped by the window the button sits in.
        m_popover = new QLabel(m_text);
        m_popover->setObjectName(QStringLiteral("infoPopover"));
        m_popover->setWindowFlags(Qt::Popup);
        m_popover->setAttribute(Qt::WA_DeleteOnClose);
        m_popover->setWordWrap(true);
        m_popover->setTextInteractionFlags(Qt::TextBrowserInteraction);
        m_popover->setOpenExternalLinks(true);
        m_popover->setMargin(10);
        m_popover->setMaximumWidth(320);
        m_popover->setAutoFillBackground(true);
        m_popover->setPalette(paletteFor(m_appearance));
        m_popover->installEventFilter(this);
        m_watched = m_popover;
    }
    if (m_popover->isVisible())
        return;
    m_popover->adjustSize();
    m_popover->move(mapToGlobal(QPoint(width(), height() / 2)));
    m_popover->show();
}

// A popup gets every press while it is open. A label keeps presses for its text and never
// closes itself, so one that lands outside it is taken as dismissing it, as a menu would.
bool InfoPopoverButton::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched == m_watched && m_popover &&
        !m_popover->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        m_popover->close();
        return true;
    }
    return QToolButton::eventFilter(watched, event);
}

} // namespace corvane
