#pragma once

#include <QPoint>
#include <optional>

namespace zolvantek::platform {

// Qt 6.4 reads the screen point a StatusNotifierItem host sends with Activate and
// ContextMenu, then drops it; it only logs it under "qt.qpa.tray". Listening to that log
// is the one way to learn where the icon was pressed when X cannot tell (XWayland does not
// see the pointer over a Wayland panel).
class HostPressPoint {
public:
    // Starts listening; once per process, before the icon is made.
    static void Listen();
    // The point of the host's latest press, if it sent one.
    static std::optional<QPoint> Latest();
};

}  // namespace zolvantek::platform
