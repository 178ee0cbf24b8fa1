// The lookup and process start of systems other than Windows, against the real file system
// and real processes. Started programs are small scripts that write down their arguments.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_lookup.h"
#include "platform/process_start.h"
#include "platform/program_folder.h"
#include "tests/unit/launch_test_support.h"
#include "tray/launch_readers.h"

namespace zolvantek {
namespace {

namespace fs = std::filesystem;
using platform::FindFirstEntry;
using platform::LookupStatus;
using test_support::LaunchTest;

// Writes its own $0 and arguments, NUL-separated, to the file named by $ZOLVANTEK_ARGV_LOG.
constexpr const char* kRecorder =
    "#!/bin/sh\n"
    "tmp=\"$ZOLVANTEK_ARGV_LOG.$$\"\n"
    "printf '%s\\0' \"$0\" \"$@\" > \"$tmp\"\n"
    "mv \"$tmp\" \"$ZOLVANTEK_ARGV_LOG\"\n";

std::optional<std::vector<std::string>> WaitForLog(const fs::path& log) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (fs::exists(log)) {
            std::ifstream in(log, std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            std::vector<std::string> words;
            std::string word;
            for (const char c : bytes.str()) {
                if (c == '\0') {
                    words.push_back(word);
                    word.clear();
                } else {
                    word.push_back(c);
                }
            }
            return words;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

// Sets an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class PosixLaunchTest : public LaunchTest {
protected:
    PosixLaunchTest() : log_(scratch_ / "argv.log"), logEnv_("ZOLVANTEK_ARGV_LOG", log_.string()) {}

    std::string MakeScript(const std::string& name, const std::string& body = kRecorder) {
        const std::string path = MakeFile(name, body);
        chmod(path.c_str(), 0755);
        return path;
    }

    fs::path log_;
    ScopedEnv logEnv_;
};

TEST_F(PosixLaunchTest, LookupCountsDotNamesAsHiddenAndOnlyStarAndQuestionAsWildcards) {
    MakeFile(".hidden");
    MakeDir(".hidden-dir");
    MakeDir("visible dir");
    MakeFile("a[1]");
    MakeFile("back\\slash");

    EXPECT_EQ(FindFirstEntry(Missing(".hidden")).status, LookupStatus::NotFound);
    EXPECT_EQ(FindFirstEntry(Missing(".hidden-dir")).status, LookupStatus::NotFound);
    EXPECT_EQ(FindFirstEntry(Missing(".hidden-dir/")).status, LookupStatus::NotFound);
    EXPECT_EQ(FindFirstEntry(Missing(".hid*")).status, LookupStatus::NotFound);

    auto found = FindFirstEntry(Missing("visible dir/"));
    EXPECT_EQ(found.status, LookupStatus::Found);
    EXPECT_EQ(found.name, "visible dir");
    found = FindFirstEntry(Missing("vis?ble*"));
    EXPECT_EQ(found.status, LookupStatus::Found);
    EXPECT_EQ(found.name, "visible dir");

    // Brackets and backslashes are ordinary characters of a name.
    EXPECT_EQ(FindFirstEntry(Missing("a[1]")).name, "a[1]");
    EXPECT_EQ(FindFirstEntry(Missing("back\\slash")).name, "back\\slash");
    MakeFile("a1");
    fs::remove(scratch_ / "a[1]");
    EXPECT_EQ(FindFirstEntry(Missing("a[1]")).status, LookupStatus::NotFound);

    EXPECT_EQ(FindFirstEntry("").status, LookupStatus::NotFound);
    EXPECT_EQ(FindFirstEntry(Missing("nothing")).status, LookupStatus::NotFound);
}

TEST_F(PosixLaunchTest, LookupThatCannotBeAnsweredFailsAndLeavesTheLaunchValues) {
    fs::create_directory_symlink("loop", scratch_ / "loop");
    const std::string unanswerable = Missing("loop/*");
    EXPECT_EQ(FindFirstEntry(unanswerable).status, LookupStatus::Failed);
    EXPECT_EQ(FindFirstEntry(std::string("/tmp\0/x", 7)).status, LookupStatus::Failed);

    state_.ExplorerSwitches = "kept";
    state_.LaunchWindowStyle = 9;
    Store("Dir1", "Loop | " + unanswerable + " | Form | Maximized");
    Store("DirP1", "Loop | " + unanswerable + " |  | Maximized");
    EXPECT_EQ(ReadDirLaunch(state_, "Dir1").result, kDirectoryMissing);
    EXPECT_EQ(ReadProgLaunch(state_, "DirP1").result, kProgramMissing);
    EXPECT_EQ(state_.ExplorerSwitches, "kept");
    EXPECT_EQ(state_.LaunchWindowStyle, 9);

    // A hidden folder is not found, but the read itself worked.
    Store("Dir2", "Hidden | " + MakeDir(".secret") + " | Form | Maximized");
    EXPECT_EQ(ReadDirLaunch(state_, "Dir2").result, kDirectoryMissing);
    EXPECT_EQ(state_.ExplorerSwitches, "");
    EXPECT_EQ(state_.LaunchWindowStyle, 3);
}

TEST_F(PosixLaunchTest, ProgramsStartWithoutAShellAndWithSplitArguments) {
    MakeDir("dir with blanks");
    const std::string program = MakeScript("dir with blanks/rec 'prog'");
    const std::string marker1 = Missing("made-by-dollar");
    const std::string marker2 = Missing("made-by-backtick");
    const std::string arguments = "plain \"two words\" ';' a|b $(touch " + marker1 + ") `touch " +
                                  marker2 + "` \"\"\"quoted\"\"\" &&";

    ASSERT_TRUE(platform::StartProgram(program, arguments, {}));
    const auto argv = WaitForLog(log_);
    ASSERT_TRUE(argv) << "the program did not run";
    const std::vector<std::string> expected = {program,       "plain",      "two words",   "';'",
                                               "a|b",         "$(touch",    marker1 + ")", "`touch",
                                               marker2 + "`", "\"quoted\"", "&&"};
    EXPECT_EQ(*argv, expected);
    EXPECT_FALSE(fs::exists(marker1));
    EXPECT_FALSE(fs::exists(marker2));
}

TEST_F(PosixLaunchTest, ProgramsThatCannotStartAreReported) {
    const std::string notExecutable = MakeFile("plain.txt", "just text\n");
    EXPECT_FALSE(platform::StartProgram(notExecutable, "", {}));
    EXPECT_FALSE(platform::StartProgram(MakeDir("folder"), "", {}));
    EXPECT_FALSE(platform::StartProgram(Missing("absent"), "", {}));
    EXPECT_FALSE(platform::StartProgram(MakeScript("rec"), std::string("a\0b", 3), {}));

    // Through the click: the file exists, the start fails, the program message follows.
    Store("DirP5", "Text | " + notExecutable + " | x | Normal");
    EXPECT_EQ(LaunchProgram(state_, 5, SystemProcessStarter()), kProgramMissing);
}

TEST_F(PosixLaunchTest, ProgramWithoutFolderIsTheOneInTheCurrentFolderNotOnPath) {
    const fs::path pathDir = scratch_ / "on-path";
    MakeDir("on-path");
    MakeDir("cwd");
    MakeScript("on-path/zolvantek-probe",
               "#!/bin/sh\nprintf 'path\\0' > \"$ZOLVANTEK_ARGV_LOG\"\n");
    MakeScript("cwd/zolvantek-probe", "#!/bin/sh\nprintf 'cwd\\0' > \"$ZOLVANTEK_ARGV_LOG\"\n");
    const ScopedEnv path("PATH", pathDir.string() + ":/usr/bin:/bin");
    const fs::path before = fs::current_path();
    fs::current_path(scratch_ / "cwd");
    const bool started = platform::StartProgram("zolvantek-probe", "", {});
    fs::current_path(before);
    ASSERT_TRUE(started);
    const auto argv = WaitForLog(log_);
    ASSERT_TRUE(argv);
    EXPECT_EQ(*argv, std::vector<std::string>{"cwd"});
}

TEST_F(PosixLaunchTest, FoldersOpenThroughXdgOpenFoundOnPath) {
    MakeDir("bin");
    MakeScript("bin/xdg-open");
    const ScopedEnv path("PATH", (scratch_ / "bin").string() + ":/usr/bin:/bin");

    const std::string folder = MakeDir("my folder; $(x)");
    ASSERT_TRUE(platform::OpenWithDesktop(folder, {}));
    auto argv = WaitForLog(log_);
    ASSERT_TRUE(argv);
    EXPECT_EQ(argv->size(), 2u);
    EXPECT_EQ(argv->back(), folder);
    fs::remove(log_);

    // A relative name that starts with '-' is not taken for an option.
    MakeDir("-odd");
    const fs::path before = fs::current_path();
    fs::current_path(scratch_);
    const bool started = platform::OpenWithDesktop("-odd", {});
    fs::current_path(before);
    ASSERT_TRUE(started);
    argv = WaitForLog(log_);
    ASSERT_TRUE(argv);
    EXPECT_EQ(argv->back(), "./-odd");

    // Nothing to open, or no opener: not started.
    EXPECT_FALSE(platform::OpenWithDesktop(Missing("absent"), {}));
    const ScopedEnv noOpener("PATH", (scratch_ / "cwd-without-opener").string());
    EXPECT_FALSE(platform::OpenWithDesktop(folder, {}));
}

TEST(PosixProgramFolder, IsTheFolderOfTheRunningExecutable) {
    const std::string folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(fs::path(folder) / "unit_tests"));
}

}  // namespace
}  // namespace zolvantek
