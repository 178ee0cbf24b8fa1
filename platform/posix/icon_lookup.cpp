#include "platform/posix/icon_lookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/file_lookup.h"
#include "platform/posix/desktop_entry.h"

namespace zolvantek::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExtensions[] = {".png", ".svg", ".xpm"};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> SplitList(std::string_view text, char separator) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const auto end = text.find(separator);
        if (auto item = Trimmed(text.substr(0, end)); !item.empty()) items.emplace_back(item);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return items;
}

// The groups of an index.theme file, key by key.
using Groups = std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>>;

Groups ReadGroups(const std::string& file) {
    Groups groups;
    std::ifstream in(file);
    std::map<std::string, std::string, std::less<>>* group = nullptr;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        if (text.front() == '[' && text.back() == ']') {
            group = &groups[std::string(text.substr(1, text.size() - 2))];
        } else if (const auto equals = text.find('='); group && equals != std::string_view::npos) {
            (*group)[std::string(Trimmed(text.substr(0, equals)))] =
                std::string(Trimmed(text.substr(equals + 1)));
        }
    }
    return groups;
}

int Number(const std::map<std::string, std::string, std::less<>>& group, const char* key,
           int otherwise) {
    const auto found = group.find(key);
    return found == group.end() ? otherwise : std::atoi(found->second.c_str());
}

std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? resolved : "";
}

IconChoice Named(EntryIconKind kind, const std::string& name, const IconThemes& themes) {
    return {kind, name, themes.Find(name)};
}

}  // namespace

std::vector<std::string> XdgDataDirs() {
    std::vector<std::string> dirs;
    std::string own = Environment("XDG_DATA_HOME");
    if (own.empty() && !Environment("HOME").empty()) own = Environment("HOME") + "/.local/share";
    if (!own.empty()) dirs.push_back(own);
    std::string shared = Environment("XDG_DATA_DIRS");
    if (shared.empty()) shared = "/usr/local/share:/usr/share";
    for (std::string& dir : SplitList(shared, ':')) dirs.push_back(std::move(dir));
    return dirs;
}

IconThemes::IconThemes(const std::vector<std::string>& dataDirs, const std::string& home,
                       const std::string& theme) {
    if (!home.empty()) iconDirs_.push_back(home + "/.icons");
    for (const std::string& dir : dataDirs) {
        iconDirs_.push_back(dir + "/icons");
        pixmapDirs_.push_back(dir + "/pixmaps");
    }
    AddTheme(theme);
    // Every theme falls back on hicolor, where applications install their icons.
    AddTheme("hicolor");
}

void IconThemes::AddTheme(const std::string& name) {
    // A theme is looked at once, also where inheritance goes round in a circle.
    if (name.empty() || name.find('/') != std::string::npos ||
        std::find(added_.begin(), added_.end(), name) != added_.end()) {
        return;
    }
    added_.push_back(name);
    const auto index = std::find_if(iconDirs_.begin(), iconDirs_.end(), [&](const auto& dir) {
        return IsFile((fs::path(dir) / name / "index.theme").string());
    });
    if (index == iconDirs_.end()) return;
    Groups groups = ReadGroups((fs::path(*index) / name / "index.theme").string());
    const auto& head = groups["Icon Theme"];
    std::vector<IconFile> folders;
    const auto listed = head.find("Directories");
    for (const std::string& folder : SplitList(listed == head.end() ? "" : listed->second, ',')) {
        const auto& group = groups[folder];
        const int size = Number(group, "Size", 0) * Number(group, "Scale", 1);
        const auto type = group.find("Type");
        const bool scalable = type != group.end() && type->second == "Scalable";
        if (size <= 0) continue;
        // A theme may be spread over several of the icon folders.
        for (const std::string& dir : iconDirs_) {
            if (std::string path = (fs::path(dir) / name / folder).string(); IsFolder(path)) {
                folders.push_back({std::move(path), size, scalable});
            }
        }
    }
    themes_.push_back(std::move(folders));
    const auto inherits = head.find("Inherits");
    for (const std::string& parent :
         SplitList(inherits == head.end() ? "" : inherits->second, ',')) {
        if (parent != "hicolor") AddTheme(parent);
    }
}

std::vector<IconFile> IconThemes::Find(const std::string& name) const {
    if (name.empty() || name.find('/') != std::string::npos) return {};
    for (const std::vector<IconFile>& folders : themes_) {
        std::vector<IconFile> found;
        for (const IconFile& folder : folders) {
            for (const char* extension : kExtensions) {
                const std::string file = (fs::path(folder.path) / (name + extension)).string();
                if (IsFile(file)) {
                    found.push_back({file, folder.size, folder.scalable || EndsWith(file, ".svg")});
                }
            }
        }
        if (!found.empty()) return found;
    }
    for (const std::string& dir : pixmapDirs_) {
        for (const char* extension : kExtensions) {
            const std::string file = (fs::path(dir) / (name + extension)).string();
            if (IsFile(file)) return {{file, 0, EndsWith(file, ".svg")}};
        }
    }
    return {};
}

DesktopPrograms::DesktopPrograms(std::vector<std::string> dataDirs)
    : dataDirs_(std::move(dataDirs)) {}

std::optional<std::string> DesktopPrograms::IconOf(const std::string& path,
                                                   const std::string& fileName) {
    if (!programs_) {
        programs_.emplace();
        // An entry of the same name in an earlier folder hides the later ones.
        std::set<std::string> seen;
        for (const std::string& dir : dataDirs_) {
            const std::string folder = dir + "/applications/";
            std::vector<std::string> names;
            if (DIR* listing = opendir(folder.c_str())) {
                while (const dirent* item = readdir(listing)) {
                    if (EndsWith(item->d_name, ".desktop")) names.emplace_back(item->d_name);
                }
                closedir(listing);
            }
            std::sort(names.begin(), names.end());
            for (const std::string& name : names) {
                if (!seen.insert(name).second) continue;
                const auto entry = ReadDesktopEntry(folder + name);
                if (!entry || entry->hidden || entry->icon.empty()) continue;
                const std::string& exec = entry->exec.front();
                programs_->push_back(
                    {exec, exec.find('/') != std::string::npos ? Resolved(exec) : "", entry->icon});
            }
        }
    }
    const std::string resolved = Resolved(path);
    for (const Program& program : *programs_) {
        // A bare name is the one the desktop finds on its PATH.
        if (program.exec == path ||
            (program.exec.find('/') == std::string::npos && program.exec == fileName) ||
            (!resolved.empty() && program.resolved == resolved)) {
            return program.icon;
        }
    }
    return std::nullopt;
}

IconChoice ChooseEntryIcon(bool directory, const std::string& path, const IconThemes& themes,
                           DesktopPrograms& programs) {
    const LookupResult found = FindFirstEntry(path);
    if (found.status != LookupStatus::Found) {
        return Named(EntryIconKind::Missing, "dialog-warning", themes);
    }
    if (directory) return Named(EntryIconKind::Folder, "folder", themes);
    // The file found, in the folder of a path with wildcards.
    const std::string file = path.substr(0, path.rfind('/') + 1) + found.name;
    if (std::optional<std::string> icon = programs.IconOf(file, found.name)) {
        if (icon->front() == '/') {
            if (IsFile(*icon))
                return {EntryIconKind::Program, "", {{*icon, 0, EndsWith(*icon, ".svg")}}};
        } else {
            // Older entries name the file of the icon, not the icon.
            for (const char* extension : kExtensions) {
                if (EndsWith(*icon, extension)) icon->resize(icon->size() - 4);
            }
            if (IconChoice choice = Named(EntryIconKind::Program, *icon, themes);
                !choice.files.empty()) {
                return choice;
            }
        }
    }
    if (IconChoice choice = Named(EntryIconKind::Program, found.name, themes);
        !choice.files.empty()) {
        return choice;
    }
    return Named(EntryIconKind::Generic, "application-x-executable", themes);
}

}  // namespace zolvantek::platform
