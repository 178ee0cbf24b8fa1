#include <windows.h>

#include "tests/unit/session_places.h"
#include "tests/unit/test_support.h"

namespace zolvantek::test_support {

// The named mutex lives in the session's own namespace: nothing to redirect.
PrivateRuntimeDir::PrivateRuntimeDir() = default;
PrivateRuntimeDir::~PrivateRuntimeDir() = default;

AutostartPlace::AutostartPlace()
    : path_("Software\\ZolvantekTest-" + std::to_string(ZOLVANTEK_TEST_PID) + "\\Run") {}

AutostartPlace::~AutostartPlace() {
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.substr(0, path_.rfind('\\')).c_str());
}

std::string AutostartPlace::program() const { return "C:\\Program Files\\My Tools\\zolvantek.exe"; }

// The Run value's text, without its NUL.
std::string AutostartPlace::StoredCommand(const platform::Autostart& autostart) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    const std::string name = autostart.Location().substr(autostart.Location().rfind('\\') + 1);
    char text[1024] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(text) - 1;
    const LONG code =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return code == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : std::string();
}

// Quoted, so Windows cannot take "C:\Program" for the program.
std::string AutostartPlace::ExpectedCommand() const { return "\"" + program() + "\""; }

}  // namespace zolvantek::test_support
