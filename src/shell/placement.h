#pragma once

#include <QByteArray>
#include <QPoint>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>

namespace corvane {

// The screen a popup opens on: its whole area and the part the panels leave free.
struct ScreenArea {
    QRect geometry;
    QRect available;
};

enum class PanelSide { top, bottom, left, right };

// The edge the panel holding `near` sits on: the reserved strip nearest to it, or, when no
// panel reserves space, the screen edge nearest to it.
PanelSide panelSide(const ScreenArea& screen, const QPoint& near);

// Whether a host's click position can be a point on a panel at the screen's edge. Some hosts
// (waybar) send positions relative to their tray, which are not.
bool isOnPanel(const ScreenArea& screen, const QPoint& point);

// The click to place a popup at: the host's position when it is a point on a panel and the
// pointer does not contradict it; else the pointer when it is on a panel; else whichever of
// the two is on the screen.
QPoint clickPosition(const ScreenArea& screen, const QPoint& reported, const QPoint& pointer);

// Where a popup of `size` opens for a status item: beside the item's rectangle (or the click,
// when the host only tells that) on the panel's side, inside the available area, never over
// the panel. Without either, in the panel's corner where trays sit; where no panel reserves
// space, under a bar at the top that X cannot see (waybar, through Xwayland).
QPoint popupPosition(const QSize& size, const QRect& anchor, const QPoint& click,
                     const ScreenArea& screen);

// On a Wayland session with Xwayland, the platform to run on: a Wayland client cannot place
// its own popup, an X client can. Empty when the user chose one or there is no choice.
QByteArray preferredPlatform(const QProcessEnvironment& environment);

} // namespace corvane
