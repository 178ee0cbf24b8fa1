#pragma once

class QMenu;
class QPoint;

namespace zolvantek::platform {

// Opens one of the tray's own popup menus at `at` (screen coordinates) and returns at once.
// In a Wayland session a popup of the program's own gets no keyboard (a popup belongs to a
// window of the program's that was just pressed, and the tray icon is the panel's; through
// XWayland, mutter and sway give its keys to the focused Wayland window): there it opens as
// a small window that the compositor focuses, and closes itself on a choice or once the
// focus has left the program.
void PopUpMenu(QMenu* menu, const QPoint& at);

}  // namespace zolvantek::platform
