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

class RegistryStore final : public SettingsStore {
public:
    std::optional<std::string> ReadValue(const std::string& keyPath,
                                         const char* valueName) override {
        OpenKey key;
        if (!OpenForAll(keyPath, key)) return std::nullopt;

        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        if (size == 0) return std::nullopt;

        std::string buffer(size, ' ');
        DWORD length = size;
        if (RegQueryValueExA(key.Get(), valueName, nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &length) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        // The size asked for first counts the terminating NUL; whatever the type, the last
        // byte is dropped.
        buffer.resize(size - 1);
        return buffer;
    }

    bool WriteValue(const std::string& keyPath, const char* valueName,
                    const std::string& text) override {
        OpenKey key;
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, key.Receive(),
                            &disposition) != ERROR_SUCCESS) {
            return false;
        }
        // c_str() is never null, so an empty text goes out as "" with size 0. The size leaves
        // out the NUL; the registry adds it when it sees one right after the data.
        return RegSetValueExA(key.Get(), valueName, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
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
