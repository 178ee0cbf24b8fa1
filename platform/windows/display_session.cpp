#include "platform/display_session.h"

namespace zolvantek::platform {

// Every interactive Windows session has a desktop and a notification area.
bool GraphicalSessionAvailable() { return true; }

// There is one window system to choose.
void PreferPlaceablePopups() {}

}  // namespace zolvantek::platform
