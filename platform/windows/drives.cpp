#include "platform/drives.h"

#include <windows.h>

#include <cctype>

namespace zolvantek::platform {

std::vector<std::string> ListDrives() {
    std::vector<std::string> drives;
    const DWORD present = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (present & (DWORD{1} << letter))
            drives.push_back({static_cast<char>('A' + letter), ':'});
    }
    return drives;
}

std::string MainDrive() { return "C:"; }

std::string DriveOfPath(const std::string& path) {
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) {
        return {};
    }
    return {static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))), ':'};
}

std::string DriveCurrentDirectory(const std::string& drive) {
    // "C:" alone is the drive's own current directory, which the system keeps per drive.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(drive.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return drive + "\\";
    std::string directory(full, length);
    // Wine answers with a trailing separator where Windows writes none; a root keeps its own.
    if (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
    return directory;
}

}  // namespace zolvantek::platform
