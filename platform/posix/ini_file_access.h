#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace zolvantek::platform::ini {

// Far above forty values of the longest line the program writes; a bigger file is not
// settings and is refused rather than loaded.
inline constexpr long long kMaxFileBytes = 16LL * 1024 * 1024;
// How long a save waits for another writer before it gives up.
inline constexpr int kLockWaitMs = 2000;

enum class FileStatus {
    Read,     // bytes holds the whole file
    Missing,  // there is no file (a missing file reads as an empty one)
    Refused,  // not a regular file, too big, or unreadable
};

struct FileBytes {
    FileStatus status = FileStatus::Missing;
    std::string bytes;
};

// The file's bytes, through a symbolic link to its target. Anything but a regular file is
// refused before it is read, and nothing is opened in a way that can block.
FileBytes ReadSettingsFile(const QString& path);

// One read-modify-write of the file under its lock: `edit` gets the current bytes (empty
// for a missing file) and answers the new ones, or nothing to leave the file alone and
// fail. The new bytes replace the file atomically; a symbolic link stays a link and its
// target is what changes. False, with the file as it was, whenever anything goes wrong.
using Edit = std::function<std::optional<std::string>(const std::string&)>;
bool EditSettingsFile(const QString& path, const Edit& edit, bool createMissing);

}  // namespace zolvantek::platform::ini
