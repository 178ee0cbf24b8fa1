#include "platform/settings_watch.h"

namespace zolvantek::platform {

// The registry is changed through the program's own editor; a change made in regedit
// shows in the menus once the editor opens that list or at the next start.
std::unique_ptr<SettingsWatch> WatchUserSettings(const std::string& /*keyPath*/) {
    return std::make_unique<SettingsWatch>();
}

}  // namespace zolvantek::platform
