#include "platform/display_session.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace zolvantek::platform {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// One entry of QT_QPA_PLATFORM, options ("xcb:foo") left off.
bool PluginUsable(std::string_view entry) {
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (name == "xcb") return IsSet("DISPLAY");
    if (name.substr(0, 7) == "wayland") return IsSet("WAYLAND_DISPLAY");
    // offscreen, minimal, vnc, eglfs, linuxfb: nothing to connect to beforehand.
    return !name.empty();
}

bool XDisplayAnswers() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

}  // namespace

bool GraphicalSessionAvailable() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen == nullptr || *chosen == '\0') return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
    // A list such as "wayland;xcb" is tried in order: one usable entry is enough.
    std::string_view rest(chosen);
    for (;;) {
        const auto cut = rest.find(';');
        if (PluginUsable(rest.substr(0, cut))) return true;
        if (cut == std::string_view::npos) return false;
        rest.remove_prefix(cut + 1);
    }
}

void PreferPlaceablePopups() {
    if (std::getenv("QT_QPA_PLATFORM") != nullptr || !IsSet("WAYLAND_DISPLAY") ||
        !IsSet("DISPLAY") || !XDisplayAnswers()) {
        return;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

}  // namespace zolvantek::platform
