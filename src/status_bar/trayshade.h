#pragma once

#include "models/appearance.h"

#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace corvane {

// Whether the XEmbed tray on an X screen is light or dark, as the label's text must contrast
// with the tray rather than with the application's windows. The tray's own word comes first
// (_NET_SYSTEM_TRAY_COLORS, the colour it wants icons drawn in), then what its window shows.
class TrayShade final {
public:
    // docked: a window the tray holds, whose surroundings show the tray's background (0: none
    // yet, the tray's own window is looked at). Nothing when the screen has no tray or
    // neither tells.
    static std::optional<Appearance> judge(xcb_connection_t* connection, int screen,
                                           uint32_t docked = 0);
    // The same on the application's own X display; nothing on other platforms.
    static std::optional<Appearance> judgeOwnDisplay();
};

} // namespace corvane
