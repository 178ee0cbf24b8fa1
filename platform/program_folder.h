#pragma once

#include <string>

namespace zolvantek::platform {

// The running executable's absolute path; empty when the system cannot say.
std::string ProgramFile();

// The folder that holds the running executable, without a trailing separator; empty when
// the system cannot say.
std::string ProgramFolder();

}  // namespace zolvantek::platform
