#include "buttonstyles.h"

#include "symbols.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

namespace {

constexpr int verticalPadding = 5;
constexpr int horizontalPadding = 8;
constexpr qreal cornerRadius = 5;
constexpr int symbolSize = 16;

} // namespace

MenuButton::MenuButton(const QString& text, const QString& symbolName, Appearance appearance,
                       QWidget* parent)
    : QAbstractButton(parent)
    , m_symbolName(symbolName)
    , m_appearance(appearance)
{
    setText(text);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void MenuButton::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    update();
}

QSize MenuButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int height = std::max(metrics.height(), symbolSize) + 2 * verticalPadding;
    return {horizontalPadding * 3 + symbolSize + metrics.horizontalAdvance(text()), height};
}

void MenuButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = colors::accent(m_appearance);
    tint.setAlphaF(isDown() ? 0.5f : m_hovering ? 0.2f : 0.0f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, tint);

    const QColor ink = colors::text(m_appearance);
    const QRectF symbol(horizontalPadding, (height() - symbolSize) / 2.0, symbolSize, symbolSize);
    symbols::paint(painter, symbol, m_symbolName, ink);
    painter.setPen(ink);
    const QRect label =
        rect().adjusted(horizontalPadding * 2 + symbolSize, 0, -horizontalPadding, 0);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, text());
}

void MenuButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void MenuButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

LinkButton::LinkButton(const QString& text, Appearance appearance, QWidget* parent)
    : QAbstractButton(parent)
    , m_appearance(appearance)
{
    setText(text);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void LinkButton::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    update();
}

QColor LinkButton::labelColor() const
{
    if (isDown()) {
        QColor faded = colors::text(m_appearance);
        faded.setAlphaF(0.5f);
        return faded;
    }
    return m_hovering ? colors::accent(m_appearance) : colors::text(m_appearance);
}

QSize LinkButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

void LinkButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(labelColor());
    painter.drawText(rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

void LinkButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace corvane
