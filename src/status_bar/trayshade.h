#pragma once

#include "models/appearance.h"

#include <optional>

struct xcb_connection_t;

namespace corvane {

// Whether the XEmbed tray on an X screen is light or dark, as the label's text must contrast
// with the tray rather than with the application's windows. The tray's own word comes first
// (_NET_SYSTEM_TRAY_COLORS, the colour it wants icons drawn in), then what its window shows.
class TrayShade final {
public:
    // Nothing when the screen has no tray or neither tells.
    static std::optional<Appearance> judge(xcb_connection_t* connection, int screen);
    // The same on the application's own X display; nothing on other platforms.
    static std::optional<Appearance> judgeOwnDisplay();
};

} // namespace corvane
