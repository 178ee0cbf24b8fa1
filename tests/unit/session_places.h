#pragma once
// Throw-away places for the session tests, so they never touch the user's own autostart
// setting or session.

#include <string>

#include "platform/autostart.h"

namespace zolvantek::test_support {

// $XDG_RUNTIME_DIR pointed at a fresh folder while it lives (nothing to do on Windows).
class PrivateRuntimeDir {
public:
    PrivateRuntimeDir();
    ~PrivateRuntimeDir();
    PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
    PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;

    const std::string& path() const { return dir_; }

private:
    std::string dir_;
    std::string saved_;
    bool hadSaved_ = false;
};

// An autostart place of the test's own: a folder, or a registry key, removed at the end.
class AutostartPlace {
public:
    AutostartPlace();
    ~AutostartPlace();
    AutostartPlace(const AutostartPlace&) = delete;
    AutostartPlace& operator=(const AutostartPlace&) = delete;

    const std::string& path() const { return path_; }
    // A program path with blanks and characters that need quoting.
    std::string program() const;
    // The command the session will run, as read back from the place itself.
    std::string StoredCommand(const platform::Autostart& autostart) const;
    std::string ExpectedCommand() const;

private:
    std::string path_;
};

}  // namespace zolvantek::test_support
