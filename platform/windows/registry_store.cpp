#include <windows.h>

#include "platform/settings_store.h"
#include "platform/windows/open_key.h"

namespace zolvantek::platform {
namespace {

// Full access even for reading and deleting, as existing installs have always opened it.
bool OpenForAll(const std::string& keyPath, OpenKey& key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) ==
           ERROR_SUCCESS;
}

bool SetString(HKEY key, const char* valueName, const std::string& text) {
    // c_str() is never null, so an empty text goes out as "" with size 0. The size leaves
    // out the NUL; the registry adds it when it sees one right after the data.
    return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

bool CreateForAll(const std::string& keyPath, OpenKey& key) {
    DWORD disposition = 0;
    return RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, key.Receive(), &disposition) == ERROR_SUCCESS;
}

// A value as it stands, type and bytes, so that it can be put back exactly; or its absence.
struct StoredValue {
    bool existed = false;
    DWORD type = REG_NONE;
    std::string bytes;
};

StoredValue ReadStored(HKEY key, const char* valueName) {
    StoredValue previous;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &previous.type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return previous;
    }
    previous.bytes.resize(size);
    previous.existed =
        RegQueryValueExA(key, valueName, nullptr, &previous.type,
                         reinterpret_cast<BYTE*>(previous.bytes.data()), &size) == ERROR_SUCCESS;
    previous.bytes.resize(size);
    return previous;
}

void PutBack(HKEY key, const char* valueName, const StoredValue& previous) {
    if (!previous.existed) {
        RegDeleteValueA(key, valueName);
        return;
    }
    RegSetValueExA(key, valueName, 0, previous.type,
                   reinterpret_cast<const BYTE*>(previous.bytes.data()),
                   static_cast<DWORD>(previous.bytes.size()));
}

class RegistryStore final : public SettingsStore {
public:
    std::optional<std::string> ReadValue(const std::string& keyPath,
                                         const char* valueName) override {
        OpenKey key;
        if (!OpenForAll(keyPath, key)) return std::nullopt;
        StoredValue value = ReadStored(key.Get(), valueName);
        if (!value.existed || value.bytes.empty()) return std::nullopt;
        // The size counts the terminating NUL; whatever the type, the last byte is dropped.
        value.bytes.pop_back();
        return value.bytes;
    }

    bool WriteValue(const std::string& keyPath, const char* valueName,
                    const std::string& text) override {
        OpenKey key;
        return CreateForAll(keyPath, key) && SetString(key.Get(), valueName, text);
    }

    // All or nothing: when one value is refused, those written before it get back what
    // they held, so a failed save leaves the list as it was.
    bool WriteValues(const std::string& keyPath,
                     const std::vector<std::pair<std::string, std::string>>& values) override {
        OpenKey key;
        if (!CreateForAll(keyPath, key)) return false;
        std::vector<StoredValue> previous;
        previous.reserve(values.size());
        for (const auto& [name, text] : values) {
            previous.push_back(ReadStored(key.Get(), name.c_str()));
            if (SetString(key.Get(), name.c_str(), text)) continue;
            for (std::size_t i = 0; i < previous.size(); ++i) {
                PutBack(key.Get(), values[i].first.c_str(), previous[i]);
            }
            return false;
        }
        return true;
    }

    bool DeleteValue(const std::string& keyPath, const char* valueName) override {
        OpenKey key;
        if (!OpenForAll(keyPath, key)) return false;
        return RegDeleteValueA(key.Get(), valueName) == ERROR_SUCCESS;
    }

    bool DeleteKey(const std::string& parentKeyPath, const std::string& subkeyName) override {
        OpenKey parent;
        if (!OpenForAll(parentKeyPath, parent)) return false;
        return RegDeleteKeyA(parent.Get(), subkeyName.c_str()) == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    return std::make_unique<RegistryStore>();
}

}  // namespace zolvantek::platform
