#include "platform/drives.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/posix/mount_table.h"

namespace zolvantek::platform {
namespace {

std::string ReadMountTable() {
    for (const char* source : {"/proc/self/mounts", "/etc/mtab"}) {
        std::ifstream file(source);
        if (file) return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    return {};
}

std::string CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::string() : current.string();
}

}  // namespace

std::vector<std::string> ListDrives() {
    std::vector<std::string> drives{MainDrive()};
    for (std::string& point : UserMountPoints(ReadMountTable())) {
        // Single files bound over others (containers do that with /etc/hosts) are no drive.
        std::error_code error;
        if (std::filesystem::is_directory(point, error)) drives.push_back(std::move(point));
    }
    std::sort(drives.begin() + 1, drives.end());
    return drives;
}

std::string MainDrive() { return "/"; }

std::string DriveOfPath(const std::string& path) { return DriveOfPathAmong(path, ListDrives()); }

std::string DriveCurrentDirectory(const std::string& drive) {
    std::string current = CurrentDirectory();
    if (!current.empty() && !drive.empty() && DriveOfPath(current) == drive) return current;
    return drive;
}

}  // namespace zolvantek::platform
