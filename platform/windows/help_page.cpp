#include "platform/help_page.h"

#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlwapi.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zolvantek::platform {
namespace {

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string BackslashPath(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// file:///C:/Program%20Files/... with the anchor: what a browser needs to open a section.
std::string FileUrl(const std::string& path, const std::string& section) {
    std::string url = "file:///";
    for (const unsigned char c : path) {
        if (c == '\\') {
            url += '/';
        } else if (std::isalnum(c) != 0 || std::strchr("/:-._~", c) != nullptr) {
            url += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof(escaped), "%%%02X", c);
            url += escaped;
        }
    }
    return section.empty() ? url : url + "#" + section;
}

// The command the shell runs to open an .html file, "%1" standing for the file; empty when
// the system names none.
std::string BrowserCommand() {
    std::vector<char> command(4096, '\0');
    DWORD size = static_cast<DWORD>(command.size());
    if (AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, ".html", "open", command.data(),
                          &size) != S_OK) {
        return {};
    }
    return std::string(command.data());
}

bool StartCommandLine(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

bool UsesWinHelp(const std::string& helpFile) { return IsFile(helpFile); }

bool OpenHelpPage(const std::string& page, const std::string& section,
                  const std::function<void()>& /*failedLater*/) {
    if (page.find('\0') != std::string::npos || section.find('\0') != std::string::npos) {
        return false;
    }
    const std::string file = BackslashPath(page);
    if (!IsFile(file)) return false;
    // Opening the file through the shell drops an anchor, so a section goes to the browser
    // that the shell would use, as a URL.
    if (!section.empty()) {
        std::string command = BrowserCommand();
        const auto marker = command.find("%1");
        if (marker != std::string::npos) {
            command.replace(marker, 2, FileUrl(file, section));
            if (StartCommandLine(command)) return true;
        }
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace zolvantek::platform
