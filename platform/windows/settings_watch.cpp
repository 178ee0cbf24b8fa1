#include "platform/settings_watch.h"

#include <windows.h>

#include <QWinEventNotifier>

#include "platform/windows/open_key.h"

namespace zolvantek::platform {
namespace {

// Watches the deepest key of the path that exists, with everything below it: a change made
// in the registry editor shows in the menus. Each notice is good for one change, so the
// watch is set again each time, on the key that exists then.
class RegistrySettingsWatch final : public SettingsWatch {
public:
    explicit RegistrySettingsWatch(std::string keyPath)
        : keyPath_(std::move(keyPath)),
          event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          notifier_(event_) {
        connect(&notifier_, &QWinEventNotifier::activated, this, [this] {
            Arm();
            emit changed();
        });
        Arm();
    }
    ~RegistrySettingsWatch() override {
        // Closing a watched key signals the event: nobody may be listening by then.
        notifier_.setEnabled(false);
        key_.reset();
        CloseHandle(event_);
    }

private:
    void Arm() {
        std::string path = keyPath_;
        auto key = std::make_unique<OpenKey>();
        while (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_NOTIFY, key->Receive()) !=
               ERROR_SUCCESS) {
            const auto cut = path.rfind('\\');
            if (cut == std::string::npos) return;
            path.resize(cut);
        }
        // The same key keeps its handle (closing one that is still watched signals again),
        // unless it was deleted and made anew meanwhile.
        if (path == watchedPath_ && Watch(path)) return;
        key_ = std::move(key);
        watchedPath_ = path;
        Watch(path);
    }

    bool Watch(const std::string& path) {
        // Above the program's own keys only a new or removed key matters, not other
        // programs' values.
        const bool ownKeys = path.find('\\') != std::string::npos;
        return RegNotifyChangeKeyValue(key_->Get(), ownKeys ? TRUE : FALSE,
                                       REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event_,
                                       TRUE) == ERROR_SUCCESS;
    }

    const std::string keyPath_;
    const HANDLE event_;
    QWinEventNotifier notifier_;
    std::unique_ptr<OpenKey> key_;
    std::string watchedPath_;
};

}  // namespace

std::unique_ptr<SettingsWatch> WatchUserSettings(const std::string& keyPath) {
    return std::make_unique<RegistrySettingsWatch>(keyPath);
}

}  // namespace zolvantek::platform
