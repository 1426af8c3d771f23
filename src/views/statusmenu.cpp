#include "statusmenu.h"

#include "symbols.h"

#include <QEvent>

namespace corvane {

StatusMenu::StatusMenu(Appearance appearance, QWidget* parent)
    : QMenu(parent)
    , m_positions(addAction(QStringLiteral("Show positions")))
    , m_settings(addAction(QStringLiteral("Settings")))
    , m_quit(addAction(QStringLiteral("Close Corvane")))
    , m_appearance(appearance)
{
    setObjectName(QStringLiteral("statusMenu"));
    m_positions->setObjectName(QStringLiteral("positionsAction"));
    m_settings->setObjectName(QStringLiteral("settingsAction"));
    m_quit->setObjectName(QStringLiteral("quitAction"));
    // Queued, so the menu has closed before the popover or the settings window takes the focus.
    connect(m_positions, &QAction::triggered, this, &StatusMenu::popoverRequested,
            Qt::QueuedConnection);
    connect(m_settings, &QAction::triggered, this, &StatusMenu::settingsRequested,
            Qt::QueuedConnection);
    connect(m_quit, &QAction::triggered, this, &StatusMenu::quitRequested);
    setAppearance(appearance);
}

void StatusMenu::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    const QColor ink = colors::text(appearance);
    m_positions->setIcon(symbols::icon(QStringLiteral("chart.xyaxis.line"), ink));
    m_settings->setIcon(symbols::icon(QStringLiteral("gear"), ink));
    m_quit->setIcon(symbols::icon(QStringLiteral("power"), ink));
    if (testAttribute(Qt::WA_WState_Polished))
        applyStyleSheet();
}

bool StatusMenu::event(QEvent* event)
{
    switch (event->type()) {
    // Qt polishes a new widget at the next turn of the event loop, and the style sheet brings in
    // its whole style-sheet engine. A desktop that draws the menu itself (over D-Bus) never shows
    // this one, so it is polished and takes its look only when it is first laid out.
    case QEvent::PolishRequest:
        return true;
    case QEvent::Polish:
        if (styleSheet().isEmpty())
            applyStyleSheet();
        break;
    default:
        break;
    }
    return QMenu::event(event);
}

void StatusMenu::applyStyleSheet()
{
    const QColor ink = colors::text(m_appearance);
    QColor hover = colors::accent(m_appearance);
    hover.setAlphaF(0.2f);
    QColor pressed = colors::accent(m_appearance);
    pressed.setAlphaF(0.5f);
    const QPalette p = paletteFor(m_appearance);
    setStyleSheet(
        QStringLiteral("QMenu { background: %1; padding: 4px; border: 1px solid %2; }"
                       "QMenu::item { color: %3; padding: 5px 12px 5px 8px; border-radius: 5px; }"
                       "QMenu::icon { padding-left: 6px; }"
                       "QMenu::item:selected { background: %4; }"
                       "QMenu::item:pressed { background: %5; }")
            .arg(p.color(QPalette::Window).name(), p.color(QPalette::Mid).name(), ink.name(),
                 hover.name(QColor::HexArgb), pressed.name(QColor::HexArgb)));
}

} // namespace corvane
