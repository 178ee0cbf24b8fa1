#pragma once

namespace zolvantek::platform {

// Whether there is a graphical session for the tray icon and the windows, judged from the
// environment alone: asking the window system without one ends the process.
bool GraphicalSessionAvailable();

// Chooses the display connection before the application starts. In a Wayland session whose
// XWayland answers, X it is: there a popup of the program's own opens as a menu at the tray
// icon, while Qt 6.4 opens a Wayland popup without a parent window as a window of its own.
// Without XWayland (Debian's sway brings none) Qt keeps its own choice, Wayland. The user's
// own QT_QPA_PLATFORM stands.
void PreferPlaceablePopups();

}  // namespace zolvantek::platform
