#include "platform/file_lookup.h"

#include <windows.h>

namespace zolvantek::platform {

LookupResult FindFirstEntry(const std::string& path) {
    if (path.empty()) return {LookupStatus::NotFound, {}};
    // The ANSI call would stop at an embedded NUL and look up another path than the one given.
    if (path.find('\0') != std::string::npos) return {LookupStatus::Failed, {}};

    // A folder written with its trailing separator (a drive root above all) is found through
    // its entries, as the system refuses such a path for itself.
    std::string pattern = path;
    if (pattern.back() == '\\' || pattern.back() == '/') pattern.push_back('*');

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                            error == ERROR_NO_MORE_FILES;
        return {absent ? LookupStatus::NotFound : LookupStatus::Failed, {}};
    }
    LookupResult result{LookupStatus::NotFound, {}};
    do {
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0) {
            result = {LookupStatus::Found, entry.cFileName};
            break;
        }
    } while (FindNextFileA(search, &entry));
    if (result.status != LookupStatus::Found && GetLastError() != ERROR_NO_MORE_FILES) {
        result.status = LookupStatus::Failed;
    }
    FindClose(search);
    return result;
}

}  // namespace zolvantek::platform
