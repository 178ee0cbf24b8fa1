#include "platform/program_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/posix/desktop_entry.h"

namespace zolvantek::platform {
namespace {

constexpr std::string_view kDesktopSuffix = ".desktop";

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::string FileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A desktop entry names its program as a shell would find it; the launch runs the stored
// path as it stands, so the entry's word is looked up on PATH here. A word not found there
// stays as written, for the person to see in the item dialog.
std::string ProgramOnPath(const std::string& word) {
    const char* path = std::getenv("PATH");
    if (word.find('/') != std::string::npos || path == nullptr) return word;
    std::string_view folders = path;
    while (!folders.empty()) {
        const auto colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + word;
        if (IsExecutableFile(candidate)) return candidate;
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    }
    return word;
}

// The words joined as QProcess::splitCommand takes them apart at launch: blanks separate,
// double quotes group, three double quotes stand for one. An empty word cannot be written.
std::string ArgumentText(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (word.empty()) continue;
        if (!text.empty()) text += ' ';
        if (word.find_first_of(" \t\n\r\v\f\"") == std::string::npos) {
            text += word;
            continue;
        }
        text += '"';
        for (const char c : word) text += c == '"' ? std::string(3, '"') : std::string(1, c);
        text += '"';
    }
    return text;
}

}  // namespace

std::optional<ProgramFile> ReadProgramFile(const std::string& file) {
    const std::string name = FileName(file);
    if (name.size() > kDesktopSuffix.size() && name.ends_with(kDesktopSuffix)) {
        const std::optional<DesktopEntry> entry = ReadDesktopEntry(file);
        if (!entry) return std::nullopt;
        return ProgramFile{
            entry->name.empty() ? name.substr(0, name.size() - kDesktopSuffix.size()) : entry->name,
            ProgramOnPath(entry->exec.front()),
            ArgumentText({entry->exec.begin() + 1, entry->exec.end()})};
    }
    if (!IsExecutableFile(file)) return std::nullopt;
    return ProgramFile{name, file, {}};
}

}  // namespace zolvantek::platform
