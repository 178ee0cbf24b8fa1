#include "platform/windows_directory.h"

namespace zolvantek::platform {

// There is no Windows directory here; only Windows command lines are built from it.
std::string WindowsDirectory() { return {}; }

}  // namespace zolvantek::platform
