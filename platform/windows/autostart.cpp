#include "platform/autostart.h"

#include <windows.h>

#include <utility>

#include "platform/windows/open_key.h"

namespace zolvantek::platform {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Failure(const char* call, LONG code) {
    return std::string(call) + " failed with error " + std::to_string(code);
}

}  // namespace

Autostart::Autostart(std::string appId) : Autostart(std::move(appId), kRunKey) {}
Autostart::Autostart(std::string appId, std::string place)
    : appId_(std::move(appId)), place_(std::move(place)) {}

std::string Autostart::Location() const { return "HKEY_CURRENT_USER\\" + place_ + "\\" + appId_; }

bool Autostart::Enabled() const {
    OpenKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, place_.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    return RegQueryValueExA(key.Get(), appId_.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string Autostart::Enable(const std::string& programPath) const {
    if (programPath.empty()) return "the program's own path is unknown";
    OpenKey key;
    LONG code = RegCreateKeyExA(HKEY_CURRENT_USER, place_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.Receive(), nullptr);
    if (code != ERROR_SUCCESS) return Failure("RegCreateKeyExA", code);
    // Quoted, so a path with blanks can never start a different program.
    const std::string command = "\"" + programPath + "\"";
    code = RegSetValueExA(key.Get(), appId_.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>(command.size() + 1));
    return code == ERROR_SUCCESS ? std::string() : Failure("RegSetValueExA", code);
}

std::string Autostart::Disable() const {
    OpenKey key;
    LONG code = RegOpenKeyExA(HKEY_CURRENT_USER, place_.c_str(), 0, KEY_SET_VALUE, key.Receive());
    if (code == ERROR_FILE_NOT_FOUND) return {};
    if (code != ERROR_SUCCESS) return Failure("RegOpenKeyExA", code);
    code = RegDeleteValueA(key.Get(), appId_.c_str());
    return code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND ? std::string()
                                                                 : Failure("RegDeleteValueA", code);
}

}  // namespace zolvantek::platform
