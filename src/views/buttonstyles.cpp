#include "buttonstyles.h"

#include <QEnterEvent>
#include <QPainter>

namespace corvane {

namespace {

constexpr int verticalPadding = 5;
constexpr int horizontalPadding = 8;

} // namespace

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
