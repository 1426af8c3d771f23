#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;

// Small line drawings standing in for the symbol names the views use ("gear", "info.circle",
// "power", "chart.xyaxis.line", "list.bullet.circle", "info.bubble",
// "pencil.and.list.clipboard"). Drawn rather than taken from the icon theme, which many
// desktops lack or fill with other shapes.
namespace corvane::symbols {

// Draws the symbol into rect; an unknown name draws nothing.
void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

// The symbol as an icon, drawn at whatever size it is shown.
QIcon icon(const QString& name, const QColor& color);

} // namespace corvane::symbols
