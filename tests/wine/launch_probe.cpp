// Started by the launch tests: writes down which file it is, the command line it got and the
// show-window request it was started with, into the file named by ZOLVANTEK_PROBE_REPORT.
#include <windows.h>

#include <string>

int main() {
    char report[MAX_PATH * 4] = {};
    if (GetEnvironmentVariableA("ZOLVANTEK_PROBE_REPORT", report, sizeof(report)) == 0) return 2;

    char module[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, module, sizeof(module));
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);

    const std::string text =
        std::string("module=") + module + "\n" + "commandLine=" + GetCommandLineA() + "\n" +
        "useShowWindow=" + ((startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? "1" : "0") + "\n" +
        "showWindow=" + std::to_string(startup.wShowWindow) + "\n";

    // Written aside and renamed, so the test never reads half a report.
    const std::string partial = std::string(report) + ".partial";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(partial.c_str(), report, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
