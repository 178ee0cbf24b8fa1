#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zolvantek::platform {

// The per-user store behind the settings class, addressed the way the Windows registry is:
// a key path such as "Software\Company\App\Section" (backslash separated, under the
// current user) and a value name. Every call opens, works and closes, so nothing is
// cached between calls. Text is bytes: the ANSI code page on Windows, UTF-8 elsewhere.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // nullptr as value name means the key's unnamed (default) value.
    // Returns nothing when the key or value is missing, the read fails, or the stored
    // value holds 0 bytes.
    virtual std::optional<std::string> ReadValue(const std::string& keyPath,
                                                 const char* valueName) = 0;

    // Several values of one key at once, as ReadValue gives each; a store may answer them
    // from one look at its data.
    virtual std::vector<std::optional<std::string>> ReadValues(
        const std::string& keyPath, const std::vector<std::string>& valueNames) {
        std::vector<std::optional<std::string>> values;
        values.reserve(valueNames.size());
        for (const std::string& name : valueNames)
            values.push_back(ReadValue(keyPath, name.c_str()));
        return values;
    }

    // Creates every missing key of the path, then writes the text as a string value.
    // True only when the text is safely stored.
    virtual bool WriteValue(const std::string& keyPath, const char* valueName,
                            const std::string& text) = 0;

    // Several values of one key written in one go, as (name, text): one save of the store
    // for all of them. True only when every text is safely stored.
    virtual bool WriteValues(const std::string& keyPath,
                             const std::vector<std::pair<std::string, std::string>>& values) {
        bool all = true;
        for (const auto& [name, text] : values) {
            all = WriteValue(keyPath, name.c_str(), text) && all;
        }
        return all;
    }

    // True only when the key exists and the value existed and was removed.
    virtual bool DeleteValue(const std::string& keyPath, const char* valueName) = 0;

    // Removes the subkey named subkeyName below parentKeyPath.
    virtual bool DeleteKey(const std::string& parentKeyPath, const std::string& subkeyName) = 0;
};

// The current user's store of this platform: the registry below HKEY_CURRENT_USER on
// Windows, INI files below $XDG_CONFIG_HOME elsewhere.
std::unique_ptr<SettingsStore> CreateUserSettingsStore();

}  // namespace zolvantek::platform
