#include "trayshade.h"

#include <QApplication>
#include <QByteArray>
#include <QWidget>
#include <array>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace corvane {

namespace {

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;
template <typename Reply> Owned<Reply> owned(Reply* reply)
{
    return Owned<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

int luminance(int red, int green, int blue)
{
    return (red * 299 + green * 587 + blue * 114) / 1000;
}

// The tray's foreground colour, 16 bits a channel: light text asks for a dark panel.
std::optional<Appearance> fromTrayColours(xcb_connection_t* connection, xcb_window_t tray)
{
    const xcb_atom_t colours = atom(connection, "_NET_SYSTEM_TRAY_COLORS");
    const auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, tray, colours, XCB_ATOM_CARDINAL, 0, 12),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 12)
        return std::nullopt;
    const auto* value = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const int text = luminance(int(value[0] >> 8), int(value[1] >> 8), int(value[2] >> 8));
    return text >= 128 ? Appearance::dark : Appearance::light;
}

// The tray's window as it shows: the median brightness of its pixels is its background's, as
// icons cover less than half of it.
std::optional<Appearance> fromPixels(xcb_connection_t* connection, xcb_window_t tray)
{
    const auto geometry =
        owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, tray), nullptr));
    if (!geometry || geometry->width == 0 || geometry->height == 0 ||
        (geometry->depth != 24 && geometry->depth != 32))
        return std::nullopt;
    const auto image =
        owned(xcb_get_image_reply(connection,
                                  xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, tray, 0, 0,
                                                geometry->width, geometry->height, ~0u),
                                  nullptr));
    const int pixels = geometry->width * geometry->height;
    if (!image || xcb_get_image_data_length(image.get()) < pixels * 4)
        return std::nullopt;
    const uint8_t* data = xcb_get_image_data(image.get());
    std::array<int, 256> histogram{};
    for (int i = 0; i < pixels; ++i) {
        const uint8_t* bgrx = data + 4 * i;
        ++histogram[size_t(luminance(bgrx[2], bgrx[1], bgrx[0]))];
    }
    int seen = 0;
    for (size_t level = 0; level < histogram.size(); ++level) {
        seen += histogram[level];
        if (2 * seen >= pixels)
            return level < 128 ? Appearance::dark : Appearance::light;
    }
    return std::nullopt;
}

// The window a docked icon sits in: the tray's, drawn with its background.
xcb_window_t parentOf(xcb_connection_t* connection, xcb_window_t window)
{
    const auto tree =
        owned(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    return tree ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
}

// The window Qt docked into the tray, once it is there.
xcb_window_t dockedWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* window : windows) {
        if (window->inherits("QSystemTrayIconSys") && window->testAttribute(Qt::WA_WState_Created))
            return xcb_window_t(window->winId());
    }
    return XCB_WINDOW_NONE;
}

} // namespace

std::optional<Appearance> TrayShade::judge(xcb_connection_t* connection, int screen,
                                           uint32_t docked)
{
    if (!connection || xcb_connection_has_error(connection))
        return std::nullopt;
    const xcb_atom_t selection =
        atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    const auto owner = owned(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return std::nullopt;
    if (const auto shade = fromTrayColours(connection, owner->owner))
        return shade;
    const xcb_window_t holder =
        docked ? parentOf(connection, docked) : xcb_window_t(XCB_WINDOW_NONE);
    return fromPixels(connection, holder != XCB_WINDOW_NONE ? holder : owner->owner);
}

std::optional<Appearance> TrayShade::judgeOwnDisplay()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return std::nullopt;
    // ":0.1" is screen 1 of display 0; without a screen number it is the first.
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const int screen = dot > display.lastIndexOf(':') ? display.mid(dot + 1).toInt() : 0;
    return judge(x11->connection(), screen, dockedWindow());
}

} // namespace corvane
