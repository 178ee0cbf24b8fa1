#pragma once

#include <QStringList>
#include <optional>

#include "settings/launcher_lists.h"

namespace zolvantek {

inline constexpr const char* kAlreadyRunning = "ZOLVANTEK is already running.";
inline constexpr const char* kNoDisplay =
    "ZOLVANTEK needs a graphical desktop session (no display found).";
// Exit code for a command line the program does not understand.
inline constexpr int kUsageError = 2;

// What the command line asks of this start.
struct StartRequest {
    // The program ends here with this code.
    std::optional<int> exitCode;
    // --show: the menu to open, in the running instance or once this one is in the tray.
    std::optional<ListKind> show;
};

// The word of a menu on the command line and between instances: "programs", "directories".
const char* MenuWord(ListKind kind);
std::optional<ListKind> MenuOfWord(const QString& word);

// Handles what needs no display (--help, --version, --autostart on|off) and refuses what
// it does not know, with the usage on stderr. Needs a QCoreApplication.
StartRequest RunCommandLine(const QStringList& arguments);

}  // namespace zolvantek
