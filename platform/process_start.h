#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zolvantek::platform {

// What Windows starts: exactly the file `application` (never searched for, so a blank in an
// unquoted path cannot make it another program), given `commandLine` as its command line and
// `showWindow` (1 normal, 2 minimized, 3 maximized) as the show value of its first window.
struct WindowsStart {
    std::string application;
    std::string commandLine;
    std::int16_t showWindow = 1;
};

// Every call starts one process, does not wait for it, keeps nothing of it and answers
// whether it started. No shell is ever involved.

enum class OpenResult {
    Started,
    Missing,   // `path` is not there to be opened (nor a link that leads to something)
    NoOpener,  // nothing could be started to open it
};

// A folder or a document for the desktop to open. Windows starts `windows` (Explorer, the
// help viewer). Elsewhere xdg-open gets `path`, which must exist; window styles have no
// portable meaning there and are not applied. xdg-open that finds no handler ends with an
// error a moment later: then `failedLater` runs, from the event loop.
OpenResult OpenWithDesktop(const std::string& path, const WindowsStart& windows,
                           const std::function<void()>& failedLater = {});

// A stored program. Windows starts `windows`. Elsewhere `program` runs as it stands (a path
// without a folder names a file in the current folder, not one found on PATH), with
// `argumentText` split into arguments the way QProcess::splitCommand does: blanks separate,
// double quotes group, nothing else has a meaning.
bool StartProgram(const std::string& program, const std::string& argumentText,
                  const WindowsStart& windows);

}  // namespace zolvantek::platform
