#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolvantek::platform {

// What this program needs of an XDG desktop entry (a .desktop file): the application's
// name, its icon and its command line.
struct DesktopEntry {
    std::string name;
    std::string icon;  // a theme icon name or an absolute file
    // Exec split into the program and its arguments; field codes (%f, %U, ...) are left
    // out, since nothing is handed to the program here.
    std::vector<std::string> exec;
    // Hidden=true or NoDisplay=true: the entry hides itself from menus.
    bool hidden = false;
};

// The [Desktop Entry] group of an application entry; nothing for a file that cannot be read,
// is not of Type=Application, or has no Exec.
std::optional<DesktopEntry> ReadDesktopEntry(const std::string& file);

// An Exec value split by the entry format's quoting rules, field codes dropped ("%%" is a
// "%"); nothing when its quotes do not close.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);

}  // namespace zolvantek::platform
