#include "platform/display_session.h"

namespace zolvantek::platform {

// Every interactive Windows session has a desktop and a notification area.
bool GraphicalSessionAvailable() { return true; }

}  // namespace zolvantek::platform
