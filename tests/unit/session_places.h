#pragma once
// Throw-away places for the session tests, so they never touch the user's own autostart
// setting or session.

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/autostart.h"
#include "tests/unit/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zolvantek::test_support {

#ifdef _WIN32

// The named mutex lives in the session's own namespace: nothing to redirect.
class PrivateRuntimeDir {
public:
    PrivateRuntimeDir() {}
};

// An autostart place of the test's own: a registry key, removed at the end.
class AutostartPlace {
public:
    ~AutostartPlace() {
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.substr(0, path_.rfind('\\')).c_str());
    }
    const std::string& path() const { return path_; }
    // A program path with a blank in it.
    std::string program() const { return "C:\\Program Files\\My Tools\\zolvantek.exe"; }
    // The Run value's text, read as the settings read the registry.
    std::string StoredCommand(const platform::Autostart& autostart) const {
        CRegSettings run;
        run.SetCompany(word_);
        run.SetAppName("Run");
        return run.GetSetting("",
                              autostart.Location().substr(autostart.Location().rfind('\\') + 1));
    }
    // Quoted, so Windows cannot take "C:\Program" for the program.
    std::string ExpectedCommand() const { return "\"" + program() + "\""; }

private:
    std::string word_ = "ZolvantekTest-" + std::to_string(ZOLVANTEK_TEST_PID);
    std::string path_ = "Software\\" + word_ + "\\Run";
};

#else

// $XDG_RUNTIME_DIR pointed at a fresh folder while it lives.
class PrivateRuntimeDir {
public:
    std::string path() const { return dir_.string(); }

private:
    ScratchDir dir_{"-runtime"};
    ScopedEnv env_{{"XDG_RUNTIME_DIR", dir_.c_str()}};
};

// An autostart place of the test's own: a folder, removed at the end.
class AutostartPlace {
public:
    const std::string& path() const { return path_; }
    // A program path with blanks and characters that need quoting.
    std::string program() const { return "/opt/My Tools/100%/zolvantek$1"; }
    // The Exec line of the entry, as written.
    std::string StoredCommand(const platform::Autostart& autostart) const {
        std::ifstream file(autostart.Location());
        for (std::string line; std::getline(file, line);) {
            if (line.rfind("Exec=", 0) == 0) return line.substr(5);
        }
        return {};
    }
    // Quoted for the blank, '%' doubled, '$' escaped, and the escape's backslash doubled
    // again as every desktop entry string value has it.
    std::string ExpectedCommand() const { return R"("/opt/My Tools/100%%/zolvantek\\$1")"; }

private:
    ScratchDir dir_{"-autostart"};
    std::string path_ = (dir_ / "autostart").string();
};

#endif

}  // namespace zolvantek::test_support
