#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zolvantek::platform {

// The mount points in a mount table (the text of /proc/self/mounts) that hold a person's
// files: disks, removable media, network and FUSE shares; never the kernel's pseudo file
// systems, memory-backed ones or package images. In table order, each once, "/" excepted.
std::vector<std::string> UserMountPoints(std::string_view table);

// Of the drive roots, the one a path lies on: the longest that contains it, compared by
// whole names after "." and ".." are resolved. Empty for a relative path.
std::string DriveOfPathAmong(const std::string& path, const std::vector<std::string>& roots);

}  // namespace zolvantek::platform
