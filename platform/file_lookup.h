#pragma once

#include <string>

namespace zolvantek::platform {

enum class LookupStatus {
    Found,     // an entry matches
    NotFound,  // the system answered: nothing that counts matches
    Failed,    // the system could not answer (drive not ready, malformed path, unreadable folder)
};

struct LookupResult {
    LookupStatus status = LookupStatus::NotFound;
    std::string name;  // the found entry's own name, without its folder
};

// The first entry that matches path, with '*' and '?' as wildcards. Ordinary files and
// directories count; hidden entries do not (on Windows also system entries; elsewhere every
// name that begins with '.'). An empty path matches nothing.
LookupResult FindFirstEntry(const std::string& path);

}  // namespace zolvantek::platform
