#pragma once

namespace zolvantek::platform {

// Whether there is a graphical session for the tray icon and the windows, judged from the
// environment alone: asking the window system without one ends the process.
bool GraphicalSessionAvailable();

}  // namespace zolvantek::platform
