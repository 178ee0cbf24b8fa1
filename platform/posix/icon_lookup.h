#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/entry_icon_kind.h"

namespace zolvantek::platform {

// $XDG_DATA_HOME, then each folder of $XDG_DATA_DIRS, with their defaults.
std::vector<std::string> XdgDataDirs();

// One picture file of an icon. `size` is its nominal size in pixels, 0 where none is
// stated (a file outside a theme); a scalable one is drawn at any size.
struct IconFile {
    std::string path;
    int size = 0;
    bool scalable = false;
};

// Icons by name, by the XDG icon theme rules: the theme, the themes it inherits, hicolor,
// then the unthemed pixmaps folders.
class IconThemes {
public:
    IconThemes(const std::vector<std::string>& dataDirs, const std::string& home,
               const std::string& theme);
    // Every file of `name` in the first theme that has one; empty when none has it.
    std::vector<IconFile> Find(const std::string& name) const;

private:
    void AddTheme(const std::string& name);

    std::vector<std::string> iconDirs_;
    std::vector<std::string> pixmapDirs_;
    std::vector<std::string> added_;
    // Per theme, in lookup order: its folders that exist, with the size each holds.
    std::vector<std::vector<IconFile>> themes_;
};

// The Icon of the applications' desktop entries, by the program their Exec starts; the
// entries are read once, on the first question.
class DesktopPrograms {
public:
    explicit DesktopPrograms(std::vector<std::string> dataDirs);
    // The Icon of the first entry (in the data folders' order) whose Exec names the program
    // at `path`, whose file is called `fileName`.
    std::optional<std::string> IconOf(const std::string& path, const std::string& fileName);

private:
    struct Program {
        std::string exec;      // as Exec names it
        std::string resolved;  // the file it is, where Exec names one by its path
        std::string icon;
    };
    std::vector<std::string> dataDirs_;
    std::optional<std::vector<Program>> programs_;
};

struct IconChoice {
    EntryIconKind kind = EntryIconKind::Generic;
    std::string themeName;  // empty for an icon given as a file
    std::vector<IconFile> files;
};

// A directory's folder icon; a program's icon from its desktop entry, else the theme's icon
// named after its file, else the generic executable; the warning icon for an entry the
// launch would not find.
IconChoice ChooseEntryIcon(bool directory, const std::string& path, const IconThemes& themes,
                           DesktopPrograms& programs);

}  // namespace zolvantek::platform
