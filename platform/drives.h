#pragma once

#include <string>
#include <vector>

namespace zolvantek::platform {

// The drives a person can choose a directory on: the drive letters ("C:") on Windows, the
// mounted file systems (their mount points, "/" first) elsewhere.
std::vector<std::string> ListDrives();

// The drive to fall back to when another cannot be read: "C:" on Windows, "/" elsewhere.
std::string MainDrive();

// The drive a path lies on, as ListDrives writes it; empty when the path names none (a
// relative path, or on Windows a path without a drive letter).
std::string DriveOfPath(const std::string& path);

// The directory that opening a drive alone shows: on Windows the drive's current directory,
// elsewhere the program's current directory when it lies on that drive, else the mount point.
std::string DriveCurrentDirectory(const std::string& drive);

}  // namespace zolvantek::platform
