// The lookup and process start of systems other than Windows, against the real file system
// and real processes. Started programs are small scripts that write down their arguments.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_lookup.h"
#include "platform/help_page.h"
#include "platform/process_start.h"
#include "tests/unit/test_support.h"
#include "tray/launch_readers.h"

namespace zolvantek {
namespace {

namespace fs = std::filesystem;
using platform::FindFirstEntry;
using platform::LookupStatus;

class PosixLaunchTest : public test_support::LaunchTest {
protected:
    // A script that writes its $0 and arguments to the log.
    std::string MakeScript(const std::string& name) {
        test_support::Spit(scratch_ / name,
                           "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > \"$ZOLVANTEK_ARGV_LOG.$$\"\n"
                           "mv \"$ZOLVANTEK_ARGV_LOG.$$\" \"$ZOLVANTEK_ARGV_LOG\"\n");
        fs::permissions(scratch_ / name, fs::perms::owner_exec, fs::perm_options::add);
        return Missing(name);
    }
    // The words of the last script run, $0 first, waiting up to 10 s for one.
    std::optional<std::vector<std::string>> TakeLog() {
        for (int waited = 0; waited < 10000 && !fs::exists(log_); waited += 10) usleep(10000);
        std::ifstream in(log_, std::ios::binary);
        if (!in) return std::nullopt;
        std::vector<std::string> words;
        for (std::string word; std::getline(in, word, '\0');) words.push_back(word);
        fs::remove(log_);
        return words;
    }
    // Runs `start` in `folder` as the current directory.
    template <typename F>
    bool In(const fs::path& folder, F start) {
        const fs::path before = fs::current_path();
        fs::current_path(folder);
        const bool started = start();
        fs::current_path(before);
        return started;
    }

    fs::path log_ = scratch_ / "argv.log";
    test_support::ScopedEnv env_{{"PATH", getenv("PATH")}, {"ZOLVANTEK_ARGV_LOG", log_.c_str()}};
};

TEST_F(PosixLaunchTest, LookupCountsDotNamesAsHiddenOnlyStarAndQuestionAsWildcardsAndCanFail) {
    MakeFile(".hidden");
    MakeDir(".hidden-dir");
    MakeDir("visible dir");
    MakeFile("a[1]");
    MakeFile("back\\slash");
    for (const char* hidden : {".hidden", ".hidden-dir", ".hidden-dir/", ".hid*", "nothing"}) {
        EXPECT_EQ(FindFirstEntry(Missing(hidden)).status, LookupStatus::NotFound) << hidden;
    }
    EXPECT_EQ(FindFirstEntry("").status, LookupStatus::NotFound);
    for (const char* visible : {"visible dir/", "vis?ble*"}) {
        const auto found = FindFirstEntry(Missing(visible));
        EXPECT_EQ(found.status, LookupStatus::Found) << visible;
        EXPECT_EQ(found.name, "visible dir");
    }
    // Brackets and backslashes are ordinary characters of a name.
    EXPECT_EQ(FindFirstEntry(Missing("a[1]")).name, "a[1]");
    EXPECT_EQ(FindFirstEntry(Missing("back\\slash")).name, "back\\slash");
    MakeFile("a1");
    fs::remove(scratch_ / "a[1]");
    EXPECT_EQ(FindFirstEntry(Missing("a[1]")).status, LookupStatus::NotFound);
    // A loop of links, or a name with a NUL in it, gets no answer at all.
    fs::create_directory_symlink("loop", scratch_ / "loop");
    EXPECT_EQ(FindFirstEntry(Missing("loop/*")).status, LookupStatus::Failed);
    EXPECT_EQ(FindFirstEntry(std::string("/tmp\0/x", 7)).status, LookupStatus::Failed);
}

TEST_F(PosixLaunchTest, ProgramsGetTheirArgumentsWithoutAShellOrFailToStart) {
    for (const std::string& program :
         {MakeFile("plain.txt", "just text\n"), MakeDir("folder"), Missing("absent")}) {
        EXPECT_FALSE(platform::StartProgram(program, "", {})) << program;
    }
    EXPECT_FALSE(platform::StartProgram(MakeScript("rec"), std::string("a\0b", 3), {}));
    const std::string program = MakeScript("my programs; $(x)/rec 'prog'");
    const std::string shellMade = Missing("made-by-a-shell");
    const std::string touch = "touch " + shellMade;
    Store("DirP1", "Rec | " + program + " | plain \"two words\" ';' $(" + touch + ") `" + touch +
                       "` \"\"\"q\"\"\" && x | Maximized");
    // A bar ends the argument text: what follows is no command for anyone.
    Store("DirP2", "Piped | " + program + " | first | " + touch + " | Normal");
    ASSERT_EQ(LaunchProgram(state_, 1, SystemProcessStarter()), "");
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{program, "plain", "two words", "';'", "$(touch",
                                                   shellMade + ")", "`touch", shellMade + "`",
                                                   "\"q\"", "&&", "x"}));
    ASSERT_EQ(LaunchProgram(state_, 2, SystemProcessStarter()), "");
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{program, "first"}));
    EXPECT_FALSE(fs::exists(shellMade));

    // Without a folder the path names the file in the current folder, not one on PATH.
    MakeScript("on-path/zolvantek-probe");
    const std::string inCwd = MakeScript("cwd/zolvantek-probe");
    setenv("PATH", (Missing("on-path") + ":/usr/bin:/bin").c_str(), 1);
    ASSERT_TRUE(
        In(scratch_ / "cwd", [] { return platform::StartProgram("zolvantek-probe", "", {}); }));
    const auto argv = TakeLog();
    ASSERT_TRUE(argv);
    EXPECT_EQ(fs::canonical(scratch_ / "cwd" / argv->front()), fs::canonical(inCwd));
}

TEST_F(PosixLaunchTest, FoldersOpenThroughXdgOpenOnPathAndANameLikeAnOptionStaysAName) {
    MakeDir("bin");
    MakeScript("bin/xdg-open");
    setenv("PATH", (Missing("bin") + ":/usr/bin:/bin").c_str(), 1);
    MakeDir("-odd");
    ASSERT_TRUE(In(scratch_, [] {
        return platform::OpenWithDesktop("-odd", {}) == platform::OpenResult::Started;
    }));
    const auto argv = TakeLog();
    ASSERT_TRUE(argv);
    EXPECT_EQ(argv->back(), "./-odd");

    // The help page at a section goes to xdg-open as a URL with its anchor.
    const std::string page = MakeFile("help page.html");
    ASSERT_TRUE(platform::OpenHelpPage(page, "programs", {}));
    EXPECT_EQ(TakeLog()->back(), "file://" + Missing("help%20page.html") + "#programs");
    EXPECT_FALSE(platform::OpenHelpPage(Missing("none.html"), "programs", {}));

    // Nothing to open, or no opener: not started, and each says which.
    EXPECT_EQ(platform::OpenWithDesktop(Missing("absent"), {}), platform::OpenResult::Missing);
    setenv("PATH", Missing("no-opener-here").c_str(), 1);
    EXPECT_EQ(platform::OpenWithDesktop(Missing("-odd"), {}), platform::OpenResult::NoOpener);
}

TEST_F(PosixLaunchTest, DirectoryEntriesAnswerWithDirectoryMessagesWhateverFails) {
    MakeDir("bin");
    const std::string opener = MakeFile("bin/xdg-open", "#!/bin/sh\nexit 3\n");
    chmod(opener.c_str(), 0755);
    setenv("PATH", (Missing("bin") + ":/usr/bin:/bin").c_str(), 1);
    const std::string folder = MakeDir("plainfolder");
    fs::create_directory_symlink("loop", scratch_ / "loop");

    // The lookup matches these, but no folder of that name can be opened.
    Store("Dir1", "Wild | " + Missing("plain*") + " | Form | Normal");
    Store("Dir2", "Loop | " + Missing("loop") + " | Form | Normal");
    EXPECT_EQ(LaunchDirectory(state_, 1, SystemProcessStarter()), kDirectoryMissing);
    EXPECT_EQ(LaunchDirectory(state_, 2, SystemProcessStarter()), kDirectoryMissing);

    // xdg-open that finds no handler ends with an error a moment later: that is reported,
    // from the event loop, as a file manager that could not be started.
    int argc = 1;
    char name[] = "unit_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Store("Dir3", "Here | " + folder + " | Form | Normal");
    std::string late;
    EXPECT_EQ(LaunchDirectory(state_, 3, SystemProcessStarter(),
                              [&](const std::string& text) {
                                  late = text;
                                  app.quit();
                              }),
              "");
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    EXPECT_EQ(late, kNoFileManager);
}

}  // namespace
}  // namespace zolvantek
