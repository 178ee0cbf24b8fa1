#include "platform/windows_directory.h"

#include <windows.h>

#include <vector>

namespace zolvantek::platform {

std::string WindowsDirectory() {
    std::vector<char> buffer(255, '\0');
    UINT length = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        // Too small: the answer is the size needed, and the buffer holds nothing usable.
        buffer.assign(length, '\0');
        length = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length >= buffer.size()) return {};
    }
    return std::string(buffer.data(), length);
}

}  // namespace zolvantek::platform
