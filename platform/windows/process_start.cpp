#include "platform/process_start.h"

#include <windows.h>

#include <vector>

namespace zolvantek::platform {
namespace {

bool HoldsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

bool Start(const WindowsStart& start) {
    // The ANSI call would cut the texts at an embedded NUL and start something else.
    if (start.application.empty() || HoldsNul(start.application) || HoldsNul(start.commandLine)) {
        return false;
    }
    // The system may write into the command line, so it gets a copy of its own.
    std::vector<char> commandLine(start.commandLine.begin(), start.commandLine.end());
    commandLine.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(start.showWindow);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(start.application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    // Never waited for: the program runs on by itself.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

OpenResult OpenWithDesktop(const std::string& /*path*/, const WindowsStart& windows,
                           const std::function<void()>& /*failedLater*/) {
    return Start(windows) ? OpenResult::Started : OpenResult::NoOpener;
}

bool StartProgram(const std::string& /*program*/, const std::string& /*argumentText*/,
                  const WindowsStart& windows) {
    return Start(windows);
}

}  // namespace zolvantek::platform
