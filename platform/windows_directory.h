#pragma once

#include <string>

namespace zolvantek::platform {

// The Windows directory as the system reports it, normally without a trailing backslash.
// Empty when the system cannot say, and on systems that have none.
std::string WindowsDirectory();

}  // namespace zolvantek::platform
