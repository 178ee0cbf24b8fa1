#include "platform/autostart.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

namespace zolvantek::platform {
namespace {

std::string DefaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/autostart";
}

// A desktop entry's string value: only the backslash needs an escape of its own.
std::string StringValue(std::string_view text) {
    std::string value;
    for (const char c : text) value += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return value;
}

// One argument of the Exec key: quoted when it holds a reserved character, '%' doubled.
std::string ExecArgument(std::string_view argument) {
    const bool quote = argument.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string_view::npos;
    std::string text;
    for (const char c : argument) {
        if (c == '%') {
            text += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) text += '\\';
        text += c;
    }
    return StringValue(quote ? "\"" + text + "\"" : text);
}

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// The whole entry or nothing: written beside it, then renamed over it.
std::string WriteAtomically(const std::string& file, const std::string& text) {
    std::string temporary = file + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return Errno(file);
    std::string_view rest = text;
    bool written = fchmod(fd, 0644) == 0;
    while (written && !rest.empty()) {
        const ssize_t n = write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) rest.remove_prefix(static_cast<std::size_t>(n));
    }
    written = written && fsync(fd) == 0;
    const std::string error = written ? std::string() : Errno(temporary);
    close(fd);
    if (written && rename(temporary.c_str(), file.c_str()) == 0) return {};
    std::string failure = written ? Errno(file) : error;
    unlink(temporary.c_str());
    return failure;
}

}  // namespace

Autostart::Autostart(std::string appId) : Autostart(std::move(appId), DefaultFolder()) {}
Autostart::Autostart(std::string appId, std::string place)
    : appId_(std::move(appId)), place_(std::move(place)) {}

std::string Autostart::Location() const { return place_ + "/" + appId_ + ".desktop"; }

bool Autostart::Enabled() const {
    struct stat info {};
    return stat(Location().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The program's absolute path, not its name: the session's PATH at login need not be the
// shell's, and TryExec lets the session skip the entry once that program is gone.
std::string Autostart::Enable(const std::string& programPath) const {
    if (programPath.empty() || programPath[0] != '/') return "the program's own path is unknown";
    for (const char c : programPath) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return "the program's path holds a control character: " + programPath;
        }
    }
    std::error_code failed;
    std::filesystem::create_directories(place_, failed);
    if (failed) return place_ + ": " + failed.message();
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=ZOLVANTEK\n"
        "Comment=Tray launcher for your directories and programs\n"
        "Exec=" +
        ExecArgument(programPath) +
        "\n"
        "TryExec=" +
        StringValue(programPath) +
        "\n"
        "Icon=" +
        appId_ +
        "\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    return WriteAtomically(Location(), entry);
}

std::string Autostart::Disable() const {
    if (unlink(Location().c_str()) == 0 || errno == ENOENT) return {};
    return Errno(Location());
}

}  // namespace zolvantek::platform
