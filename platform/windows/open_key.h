#pragma once

#include <windows.h>

namespace zolvantek::platform {

// A registry key handle that is closed on every way out of a function.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (handle_ != nullptr) RegCloseKey(handle_);
    }

    HKEY* Receive() { return &handle_; }
    HKEY Get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

}  // namespace zolvantek::platform
