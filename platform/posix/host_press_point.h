#pragma once

#include <QPoint>
#include <optional>

namespace zolvantek::platform {

// Qt 6.4 reads the screen point a StatusNotifierItem host sends with Activate and
// ContextMenu, then drops it; it only logs it under "qt.qpa.tray", just before it reports
// the press. Listening to that log is the one way to learn where the icon was pressed when
// X cannot tell (XWayland does not see the pointer over a Wayland panel).
class HostPressPoint {
public:
    // Starts listening; once per process, before the icon is made.
    static void Listen();
    // The point logged for the press being reported now; taken, so that a later press
    // without one never gets it.
    static std::optional<QPoint> Take();
    // Qt's tray logging was heard at all (it logs as it makes the icon): else the category
    // has changed and no point will ever come.
    static bool Heard();
};

}  // namespace zolvantek::platform
