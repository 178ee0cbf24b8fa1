#include "platform/console.h"

namespace zolvantek::platform {

// A process here inherits its parent's terminal (or redirections) as it is.
void UseParentConsole() {}

}  // namespace zolvantek::platform
