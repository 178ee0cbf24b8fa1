// Which icon an entry gets on systems other than Windows: desktop entries and icon themes
// laid out in a scratch data folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/icon_lookup.h"
#include "tests/unit/test_support.h"

namespace zolvantek::platform {
namespace {

namespace fs = std::filesystem;
using test_support::Spit;

TEST(IconLookupPosixTest, EachEntryGetsTheIconItsRuleGives) {
    const test_support::ScratchDir root;
    const std::string share = (root / "share").string(), bin = (root / "bin").string();
    Spit(share + "/icons/Plain/index.theme",
         "[Icon Theme]\nInherits=hicolor,Middle\nDirectories=16x16/places,16x16/status,"
         "scalable/apps\n[16x16/places]\nSize=16\n[16x16/status]\nSize=16\n"
         "[scalable/apps]\nSize=48\nType=Scalable\n");
    const std::string sizes = "[32x32/apps]\nSize=32\n[32x32@2/apps]\nSize=32\nScale=2\n";
    Spit(share + "/icons/Middle/index.theme",
         "[Icon Theme]\nInherits=hicolor\nDirectories=32x32/apps,32x32@2/apps\n" + sizes);
    Spit(share + "/icons/hicolor/index.theme",
         "[Icon Theme]\nDirectories=32x32/apps,32x32@2/apps\n" + sizes);
    for (const char* file :
         {"Plain/16x16/places/folder.png", "Plain/16x16/status/dialog-warning.png",
          "Plain/scalable/apps/editor.svg", "Middle/32x32/apps/tool.png",
          "Middle/32x32@2/apps/tool.png", "hicolor/32x32/apps/tool.png",
          "hicolor/32x32/apps/editor.png"}) {
        Spit(share + "/icons/" + file, "picture");
    }
    Spit(share + "/pixmaps/viewer.xpm", "picture");
    Spit(share + "/applications/editor.desktop",
         "[Desktop Entry]\nType=Application\nExec=editor-bin --new %F\nIcon=editor.svg\n");
    Spit(share + "/applications/viewer.desktop", "[Desktop Entry]\nType=Application\nExec=" + bin +
                                                     "/viewer\nIcon=" + share +
                                                     "/pixmaps/viewer.xpm\n");
    // An entry whose icon no theme has gives way to the later rules.
    Spit(share + "/applications/tool.desktop",
         "[Desktop Entry]\nType=Application\nExec=tool\nIcon=no-such-icon\n");
    Spit(share + "/applications/hidden.desktop",
         "[Desktop Entry]\nType=Application\nExec=plain\nIcon=editor\nNoDisplay=true\n");
    for (const char* program : {"editor-bin", "viewer", "tool", "plain"}) {
        Spit(bin + "/" + program, "#!/bin/sh\n");
    }

    const IconThemes themes({share}, "", "Plain");
    DesktopPrograms programs({share});
    using enum EntryIconKind;
    const std::pair<std::string, int> warning{"Plain/16x16/status/dialog-warning.png", 16};
    const struct {
        bool directory;
        std::string path;
        EntryIconKind kind;
        std::string themeName;
        std::vector<std::pair<std::string, int>> files;  // below icons/, with the size
    } cases[] = {
        {true, bin, Folder, "folder", {{"Plain/16x16/places/folder.png", 16}}},
        {true, bin + "/gone", Missing, "dialog-warning", {warning}},
        {false, bin + "/gone", Missing, "dialog-warning", {warning}},
        // A bare Exec name is the program's file name; the theme's own file beats hicolor's.
        {false, bin + "/editor-bin", Program, "editor", {{"Plain/scalable/apps/editor.svg", 48}}},
        {false, bin + "/v?ewer", Program, "", {{"../pixmaps/viewer.xpm", 0}}},
        // Named after the file, from the theme the first one inherits before hicolor; both
        // scales.
        {false,
         bin + "/tool",
         Program,
         "tool",
         {{"Middle/32x32/apps/tool.png", 32}, {"Middle/32x32@2/apps/tool.png", 64}}},
        {false, bin + "/plain", Generic, "application-x-executable", {}},
    };
    for (const auto& c : cases) {
        const IconChoice choice = ChooseEntryIcon(c.directory, c.path, themes, programs);
        EXPECT_EQ(choice.kind, c.kind) << c.path;
        EXPECT_EQ(choice.themeName, c.themeName) << c.path;
        std::vector<std::pair<std::string, int>> files;
        for (const IconFile& file : choice.files) {
            files.emplace_back(fs::relative(file.path, share + "/icons").string(), file.size);
        }
        EXPECT_EQ(files, c.files) << c.path;
    }
}

}  // namespace
}  // namespace zolvantek::platform
