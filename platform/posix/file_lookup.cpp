#include "platform/file_lookup.h"

#include <glob.h>

#include <string_view>

namespace zolvantek::platform {
namespace {

// Only '*' and '?' are wildcards here: every other character glob would read as a pattern
// is escaped, so a name such as "a[1]" means itself.
std::string GlobPattern(const std::string& path) {
    std::string pattern;
    pattern.reserve(path.size() * 2);
    for (const char c : path) {
        if (c == '[' || c == ']' || c == '\\') pattern.push_back('\\');
        pattern.push_back(c);
    }
    return pattern;
}

// The last name of a matched path; a folder written with a trailing '/' keeps its name.
std::string_view LastName(std::string_view match) {
    while (match.size() > 1 && match.back() == '/') match.remove_suffix(1);
    const auto slash = match.find_last_of('/');
    return slash == std::string_view::npos ? match : match.substr(slash + 1);
}

}  // namespace

LookupResult FindFirstEntry(const std::string& path) {
    if (path.empty()) return {LookupStatus::NotFound, {}};
    // The C call would stop at an embedded NUL and look up another path than the one given.
    if (path.find('\0') != std::string::npos) return {LookupStatus::Failed, {}};

    glob_t found{};
    const int status = glob(GlobPattern(path).c_str(), GLOB_ERR, nullptr, &found);
    LookupResult result{
        status == GLOB_NOMATCH || status == 0 ? LookupStatus::NotFound : LookupStatus::Failed, {}};
    if (status == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            const std::string_view name = LastName(found.gl_pathv[i]);
            if (!name.empty() && name.front() == '.') continue;  // hidden
            result = {LookupStatus::Found, std::string(name)};
            break;
        }
    }
    globfree(&found);
    return result;
}

}  // namespace zolvantek::platform
