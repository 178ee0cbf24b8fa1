#include "platform/single_instance.h"

#include <windows.h>

namespace zolvantek::platform {

// A named mutex in the session's own namespace: Windows closes it with the process.
SingleInstance::SingleInstance(const std::string& appId) {
    const std::string name = "Local\\" + appId;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        error_ = "CreateMutexA(" + name + ") failed with error " + std::to_string(GetLastError());
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        state_ = State::AlreadyRunning;
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    state_ = State::First;
}

SingleInstance::~SingleInstance() {
    if (state_ == State::First) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace zolvantek::platform
