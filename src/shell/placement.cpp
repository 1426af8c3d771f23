#include "placement.h"

#include <algorithm>
#include <array>

namespace corvane {

namespace {

// How far from an edge a click on a panel that reserves no space can be.
constexpr int panelReach = 64;
// Pointer and host may disagree this much about one click (rounding, scaling, a late read).
constexpr int clickTolerance = 48;
// A bar that reserves no space an X client can see (a Wayland bar seen through Xwayland) is
// taken to be this thick at the top: waybar's own default and the usual layer-shell bars.
constexpr int unseenBar = 32;

struct Strip {
    PanelSide side;
    int thickness;
    int distance; // from the point to the strip's edge of the screen
};

std::array<Strip, 4> stripsFor(const ScreenArea& screen, const QPoint& p)
{
    const QRect& g = screen.geometry;
    const QRect& a = screen.available.isValid() ? screen.available : g;
    return {{
        {PanelSide::top, a.top() - g.top(), p.y() - g.top()},
        {PanelSide::bottom, g.bottom() - a.bottom(), g.bottom() - p.y()},
        {PanelSide::left, a.left() - g.left(), p.x() - g.left()},
        {PanelSide::right, g.right() - a.right(), g.right() - p.x()},
    }};
}

} // namespace

PanelSide panelSide(const ScreenArea& screen, const QPoint& near)
{
    const auto strips = stripsFor(screen, near);
    const bool anyPanel =
        std::any_of(strips.begin(), strips.end(), [](const Strip& s) { return s.thickness > 0; });
    const Strip* best = nullptr;
    for (const Strip& strip : strips) {
        if (anyPanel && strip.thickness <= 0)
            continue;
        if (!best || strip.distance < best->distance)
            best = &strip;
    }
    return best ? best->side : PanelSide::top;
}

bool isOnPanel(const ScreenArea& screen, const QPoint& point)
{
    if (!screen.geometry.contains(point))
        return false;
    for (const Strip& strip : stripsFor(screen, point)) {
        const int reach = strip.thickness > 0 ? strip.thickness : panelReach;
        if (strip.distance < reach)
            return true;
    }
    return false;
}

QPoint clickPosition(const ScreenArea& screen, const QPoint& reported, const QPoint& pointer)
{
    if (reported.isNull())
        return pointer;
    const bool pointerOnPanel = isOnPanel(screen, pointer);
    if (isOnPanel(screen, reported) &&
        (!pointerOnPanel || (reported - pointer).manhattanLength() <= clickTolerance))
        return reported;
    if (pointerOnPanel || !screen.geometry.contains(reported))
        return pointer;
    return reported;
}

QPoint popupPosition(const QSize& size, const QRect& anchor, const QPoint& click,
                     const ScreenArea& screen)
{
    const QRect area = screen.available.isValid() ? screen.available : screen.geometry;
    // Nothing known: the trays' corner. Where no panel reserves space, the bar is one X
    // cannot see, taken to be at the top.
    if (anchor.isEmpty() && click.isNull()) {
        if (area == screen.geometry)
            return {area.right() + 1 - size.width(),
                    std::min(area.top() + unseenBar, area.bottom() + 1 - size.height())};
        const bool bottom = panelSide(screen, area.center()) == PanelSide::bottom;
        return {area.right() + 1 - size.width(),
                bottom ? area.bottom() + 1 - size.height() : area.top()};
    }
    const QRect item = anchor.isEmpty() ? QRect(click, QSize(1, 1)) : anchor;
    const PanelSide side = panelSide(screen, item.center());
    QPoint position(item.center().x() - size.width() / 2, item.center().y() - size.height() / 2);
    switch (side) {
    case PanelSide::top:
        position.setY(std::max(item.bottom() + 1, area.top()));
        break;
    case PanelSide::bottom:
        position.setY(std::min(item.top(), area.bottom() + 1) - size.height());
        break;
    case PanelSide::left:
        position.setX(std::max(item.right() + 1, area.left()));
        break;
    case PanelSide::right:
        position.setX(std::min(item.left(), area.right() + 1) - size.width());
        break;
    }
    if (area.isValid()) {
        position.setX(std::clamp(position.x(), area.left(),
                                 std::max(area.left(), area.right() + 1 - size.width())));
        position.setY(std::clamp(position.y(), area.top(),
                                 std::max(area.top(), area.bottom() + 1 - size.height())));
    }
    return position;
}

QByteArray preferredPlatform(const QProcessEnvironment& environment)
{
    if (environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        return {};
    if (environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
        environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}

} // namespace corvane
