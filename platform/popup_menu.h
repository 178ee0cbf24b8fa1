#pragma once

class QMenu;
class QPoint;

namespace zolvantek::platform {

// Opens one of the tray's own popup menus at `at` (screen coordinates) and returns at once.
// Where the window system lets a program place no popup of its own (Wayland, where a popup
// needs a window of the program's that was just pressed, and the tray icon is the panel's),
// it opens as a small window that the compositor floats and focuses, and closes itself once
// the focus has left the program.
void PopUpMenu(QMenu* menu, const QPoint& at);

}  // namespace zolvantek::platform
