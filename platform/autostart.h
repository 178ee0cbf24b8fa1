#pragma once

#include <string>

namespace zolvantek::platform {

// Whether a program starts with the user's desktop session: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/<appId>.desktop), or on Windows a value named <appId> under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
class Autostart {
public:
    // The user's own autostart place.
    explicit Autostart(std::string appId);
    // Another place of the same kind, for tests: a folder, or a key below HKEY_CURRENT_USER.
    Autostart(std::string appId, std::string place);

    bool Enabled() const;
    // Both return an empty text on success, else what went wrong. Turning off what is
    // already off succeeds.
    std::string Enable(const std::string& programPath) const;
    std::string Disable() const;

    // Where the setting lives, for messages: the entry file, or the registry value.
    std::string Location() const;

private:
    std::string appId_;
    std::string place_;
};

}  // namespace zolvantek::platform
