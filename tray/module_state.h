#pragma once

#include <cstdint>
#include <string>

#include "settings/reg_settings.h"

namespace zolvantek {

// The state every part of the running program shares, in one owner so that each run and
// each test starts from a clean slate.
struct ModuleState {
    CRegSettings Settings;
    std::int16_t MaxItems = 0;
    // 1 while the item dialog edits the selected line, 0 otherwise.
    std::int16_t EditMode = 0;
    // What the last successful read of a launch entry found: the Explorer view switches
    // ("/n, /e," or empty) and the show-window value of the next start.
    std::string ExplorerSwitches;
    std::int16_t LaunchWindowStyle = 0;
};

}  // namespace zolvantek
