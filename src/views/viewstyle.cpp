#include "viewstyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace corvane {

ViewStyle::ViewStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{}

void ViewStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorCheckBox ||
        option->palette.color(QPalette::Window).lightness() >= 128)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(option->palette.color(QPalette::Mid));
    painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    painter->restore();
}

void ViewStyle::install()
{
    QApplication::setStyle(new ViewStyle);
}

} // namespace corvane
