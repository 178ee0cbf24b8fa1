#include "platform/posix/mount_table.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <sstream>

namespace zolvantek::platform {
namespace {

// The table writes blanks, tabs, newlines and backslashes in names as three octal digits.
std::string Unescape(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                                       [](char c) { return c >= '0' && c <= '7'; });
        if (octal) {
            text.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                             (field[i + 3] - '0')));
            i += 3;
        } else {
            text.push_back(field[i]);
        }
    }
    return text;
}

bool IsBelow(std::string_view dir, std::string_view top) {
    return dir == top ||
           (dir.size() > top.size() && dir.substr(0, top.size()) == top && dir[top.size()] == '/');
}

bool HoldsUserFiles(const std::string& device, const std::string& dir, const std::string& type) {
    // Removable media are mounted below /run/media; the rest of /run is the system's.
    static constexpr std::array<std::string_view, 7> kSystemTrees = {
        "/proc", "/sys", "/dev", "/var/run", "/var/lock", "/snap", "/var/lib/snapd"};
    for (const std::string_view top : kSystemTrees) {
        if (IsBelow(dir, top)) return false;
    }
    if (IsBelow(dir, "/run") && !IsBelow(dir, "/run/media")) return false;
    // Package images are mounted read-only from loop devices and are no one's drive.
    if (type == "squashfs") return false;
    static constexpr std::array<std::string_view, 9> kNetworkTypes = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "virtiofs"};
    if (std::find(kNetworkTypes.begin(), kNetworkTypes.end(), type) != kNetworkTypes.end()) {
        return true;
    }
    if (type.rfind("fuse.", 0) == 0) return true;
    // Disks and partitions: the device is a path; tmpfs, overlay and the like name none.
    return !device.empty() && device.front() == '/';
}

}  // namespace

std::vector<std::string> UserMountPoints(std::string_view table) {
    std::vector<std::string> points;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, dir, type;
        if (!(fields >> device >> dir >> type)) continue;
        device = Unescape(device);
        dir = Unescape(dir);
        if (dir.empty() || dir.front() != '/' || dir == "/") continue;
        if (!HoldsUserFiles(device, dir, type)) continue;
        if (std::find(points.begin(), points.end(), dir) == points.end()) points.push_back(dir);
    }
    return points;
}

std::string DriveOfPathAmong(const std::string& path, const std::vector<std::string>& roots) {
    if (path.empty() || path.front() != '/') return {};
    std::string normal = std::filesystem::path(path).lexically_normal().generic_string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    std::string best;
    for (const std::string& root : roots) {
        const bool contains = root == "/" || IsBelow(normal, root);
        if (contains && root.size() > best.size()) best = root;
    }
    return best;
}

}  // namespace zolvantek::platform
