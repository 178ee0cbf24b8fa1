#pragma once

#include <QStringList>
#include <optional>

namespace zolvantek {

inline constexpr const char* kAlreadyRunning = "ZOLVANTEK is already running.";
inline constexpr const char* kNoDisplay =
    "ZOLVANTEK needs a graphical desktop session (no display found).";
// Exit code for a command line the program does not understand.
inline constexpr int kUsageError = 2;

// Handles what needs no display (--help, --version, --autostart on|off) and refuses what
// it does not know, with the usage on stderr. Returns the exit code when the program ends
// here, nothing when the tray should start. Needs a QCoreApplication.
std::optional<int> RunCommandLine(const QStringList& arguments);

}  // namespace zolvantek
