#include "platform/console.h"

#include <windows.h>

#include <cstdio>

namespace zolvantek::platform {
namespace {

// A handle the system gave the program that leads somewhere: a console, a file, a pipe.
bool Usable(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
    static bool done = false;
    if (done) return;
    done = true;
    const bool out = Usable(STD_OUTPUT_HANDLE);
    const bool err = Usable(STD_ERROR_HANDLE);
    if (out && err) return;
    // Fails when the parent has no console (Explorer, the Start menu): then there is no one
    // to print to, and the text goes nowhere as before.
    if (AttachConsole(ATTACH_PARENT_PROCESS) == FALSE) return;
    // The C streams were set up at start without a destination: open them on the console.
    if (!out) static_cast<void>(std::freopen("CONOUT$", "w", stdout));
    if (!err) static_cast<void>(std::freopen("CONOUT$", "w", stderr));
}

}  // namespace zolvantek::platform
