#include "tray/launch_readers.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/test_support.h"

namespace zolvantek {
namespace {

using test_support::LaunchTest;
using test_support::RecordingStarter;

TEST_F(LaunchTest, ReadersTakeTheWordsExactlyAndLookUpOnlyThePath) {
    const std::string dir = MakeDir("Work dir"), tool = MakeFile("My Tool.exe");
    const std::string explorer = "/n, /e,", untouched = "untouched";
    const struct {
        std::string path, third, start, result;
        std::string switches;
        int show;
        bool program;
    } cases[] = {
        {dir, "Explorer", "Normal", dir, explorer, 1, false},
        {dir, "Form", "Maximized", dir, "", 3, false},
        {dir, "Form", "Minimized", dir, "", 2, false},
        {dir, "form", "minimized", dir, explorer, 1, false},
        {dir, "Anything", "Maximized ", dir, explorer, 1, false},
        {dir, "Form", "", dir, "", 1, false},
        // Only the name is looked up: a file passes, and wildcards are a pattern.
        {tool, "Explorer", "Normal", tool, explorer, 1, false},
        {Missing("My?Tool.*"), "Explorer", "Normal", Missing("My?Tool.*"), explorer, 1, false},
        // A missing directory still sets both values: the entry itself was readable.
        {Missing("gone"), "Form", "Maximized", kDirectoryMissing, "", 3, false},
        // The program reader leaves the switches alone; a folder passes its test.
        {tool, "", "Minimized", tool + " ", untouched, 2, true},
        {dir, "x", "Maximized", dir + " x", untouched, 3, true},
        // Only the path is looked up, never the path with its arguments.
        {Missing("none.exe"), tool, "Normal", kProgramMissing, untouched, 1, true},
    };
    for (const auto& c : cases) {
        state_.ExplorerSwitches = untouched;
        Store(c.program ? "DirP4" : "Dir4",
              "Entry | " + c.path + " | " + c.third + " | " + c.start);
        const LaunchRead read =
            c.program ? ReadProgLaunch(state_, "DirP4") : ReadDirLaunch(state_, "Dir4");
        EXPECT_EQ(read.result, c.result) << c.path << " | " << c.third << " | " << c.start;
        EXPECT_EQ(read.found, c.result != kDirectoryMissing && c.result != kProgramMissing);
        EXPECT_EQ(state_.ExplorerSwitches, c.switches) << c.third;
        EXPECT_EQ(state_.LaunchWindowStyle, c.show) << c.start;
    }
}

TEST_F(LaunchTest, FailingReadsAndClicksLeaveTheLaunchValuesAndTheStoreAndSayWhatFailed) {
    const std::string dir = MakeDir("d"), tool = MakeFile("t.exe");
    std::vector<std::string> lines = {"Two | " + dir + " | bars only", "no bars at all " + dir, ""};
#ifndef _WIN32
    // A path whose lookup cannot be answered (a loop of links) is no entry either.
    std::filesystem::create_directory_symlink("loop", scratch_ / "loop");
    lines.push_back("Loop | " + Missing("loop/*") + " | Form | Maximized");
#endif
    RecordingStarter starter;
    for (const std::string& bad : lines) {
        state_.ExplorerSwitches = "kept";
        state_.LaunchWindowStyle = 77;
        Store("Dir9", bad);
        Store("DirP9", bad);
        // An empty value answers with an empty text, any other with its menu's message.
        const LaunchRead dirRead = ReadDirLaunch(state_, "Dir9");
        const LaunchRead progRead = ReadProgLaunch(state_, "DirP9");
        EXPECT_FALSE(dirRead.found || progRead.found);
        EXPECT_EQ(dirRead.result, bad.empty() ? "" : kDirectoryMissing) << bad.substr(0, 40);
        EXPECT_EQ(progRead.result, bad.empty() ? "" : kProgramMissing);
        EXPECT_EQ(state_.ExplorerSwitches, "kept");
        EXPECT_EQ(state_.LaunchWindowStyle, 77);
        // A click on it (an empty slot: emptied since the menu was filled) says the message.
        EXPECT_EQ(LaunchDirectory(state_, 9, starter), kDirectoryMissing);
        EXPECT_EQ(LaunchProgram(state_, 9, starter), kProgramMissing);
    }
    Store("Dir1", "Gone | " + Missing("gone") + " | Explorer | Normal");
    Store("DirP1", "Gone | " + Missing("gone.exe") + " |  | Normal");
    Store("Dir3", "Fine | " + dir + " | Explorer | Normal");
    Store("DirP3", "Fine | " + tool + " |  | Normal");
    const auto before = test_support::StoredSlots(state_.Settings);
    EXPECT_EQ(LaunchDirectory(state_, 1, starter), kDirectoryMissing);
    EXPECT_EQ(LaunchProgram(state_, 1, starter), kProgramMissing);
    EXPECT_TRUE(starter.calls.empty());
    // A start that fails: each menu says what could not be started.
    starter.succeed = false;
    EXPECT_EQ(LaunchDirectory(state_, 3, starter), kNoFileManager);
    EXPECT_EQ(LaunchProgram(state_, 3, starter), kProgramMissing);
    EXPECT_EQ(starter.calls.size(), 2u);
    EXPECT_EQ(test_support::StoredSlots(state_.Settings), before);
}

TEST_F(LaunchTest, ClicksStartTheFreshlyReadEntryWithCommandLinesWithoutQuotes) {
    const std::string dir = MakeDir("Twenty");
    const std::string other = MakeDir("Other");
    const std::string tool = MakeFile("Program Files tool.exe");
    Store("Dir20", "Twenty | " + dir + " | Form | Normal");
    Store("DirP20", "Tool | " + tool + " | -x 'a b' ; $(echo) | Maximized");
    RecordingStarter starter;
    EXPECT_EQ(LaunchDirectory(state_, 20, starter), "");
    // Changed in the store after the menus were filled: the click sees the new entry.
    Store("Dir20", "Twenty | " + other + " | Explorer | Minimized");
    EXPECT_EQ(LaunchDirectory(state_, 20, starter), "");
    EXPECT_EQ(LaunchProgram(state_, 20, starter), "");

    ASSERT_EQ(starter.calls.size(), 3u);
    const auto& [open, reopen, program] =
        std::tuple(starter.calls[0], starter.calls[1], starter.calls[2]);
    EXPECT_EQ((std::tuple(open.kind, open.target, reopen.target)), std::tuple("open", dir, other));
    // The tested path is what starts, whatever a blank in the command line suggests.
    EXPECT_EQ((std::tuple(program.kind, program.target, program.argumentText)),
              std::tuple("program", tool, "-x 'a b' ; $(echo)"));
#ifdef _WIN32
    // What Windows starts, checked where the command lines mean something.
    const std::string explorer = GetWindowsDir() + "\\explorer.EXE";
    EXPECT_EQ(
        (std::tuple(open.windows.application, open.windows.commandLine, open.windows.showWindow)),
        std::tuple(explorer, explorer + "  " + dir, 1));
    EXPECT_EQ((std::tuple(reopen.windows.commandLine, reopen.windows.showWindow)),
              std::tuple(explorer + " /n, /e, " + other, 2));
    EXPECT_EQ((std::tuple(program.windows.application, program.windows.commandLine,
                          program.windows.showWindow)),
              std::tuple(tool, tool + " -x 'a b' ; $(echo)", 3));
#endif
}

// (Help from the menus opening the page: the tray's widget tests.)
TEST(LaunchHelp, AHelpThatCannotStartSaysSoAndAnOldInstallGetsWinHelp) {
    RecordingStarter starter;
    starter.succeed = false;
    EXPECT_EQ(StartHelp(starter, [](const std::string&) {}), kHelpNotStarted);
    EXPECT_TRUE(starter.later);  // the page's opener gets the message for a late failure
    // The command line an existing install with its help file gets.
    EXPECT_EQ(HelpCommandLine("C:\\WINDOWS", "D:\\Tools"),
              "C:\\WINDOWS\\winhlp32.exe D:\\Tools\\zolvantek.hlp");
}

}  // namespace
}  // namespace zolvantek
