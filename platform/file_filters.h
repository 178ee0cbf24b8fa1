#pragma once

#include <string>
#include <vector>

namespace zolvantek::platform {

// The filters of the open-file dialog, each "description (patterns)", the first one chosen
// when it opens. On Windows "Programs (*.exe)" comes first; elsewhere programs carry no
// extension and "*.*" would hide every name without a dot, so all files come first there.
std::vector<std::string> ProgramFileFilters();
// The extension the open-file dialog adds to a typed program name without one: "exe" on
// Windows, none elsewhere.
std::string ProgramDefaultSuffix();
// For a file handed to a program as its argument.
std::vector<std::string> ArgumentFileFilters();

}  // namespace zolvantek::platform
