#include "tray/launch_readers.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/entry_line.h"
#include "tests/unit/launch_test_support.h"

namespace zolvantek {
namespace {

using test_support::LaunchTest;
using test_support::RecordingStarter;

TEST(LaunchCommandLines, AreBuiltExactlyWithoutQuotes) {
    EXPECT_EQ(ExplorerCommandLine("C:\\WINDOWS", "/n, /e,", "D:\\Work"),
              "C:\\WINDOWS\\explorer.EXE /n, /e, D:\\Work");
    // A plain folder window: no switches, so two blanks stand before the directory.
    EXPECT_EQ(ExplorerCommandLine("C:\\WINDOWS", "", "D:\\Work"),
              "C:\\WINDOWS\\explorer.EXE  D:\\Work");
    EXPECT_EQ(ExplorerPath("C:\\WINDOWS"), "C:\\WINDOWS\\explorer.EXE");

    EXPECT_EQ(ProgramCommandLine("C:\\Apps\\ed.exe", ""), "C:\\Apps\\ed.exe ");
    EXPECT_EQ(ProgramCommandLine("C:\\Program Files\\Tool\\t.exe", "-x"),
              "C:\\Program Files\\Tool\\t.exe -x");

    EXPECT_EQ(HelpCommandLine("C:\\WINDOWS", "D:\\Tools"),
              "C:\\WINDOWS\\winhlp32.exe D:\\Tools\\zolvantek.hlp");
    EXPECT_EQ(HelpCommandLine("C:\\WINDOWS", "D:\\My Tools"),
              "C:\\WINDOWS\\winhlp32.exe D:\\My Tools\\zolvantek.hlp");
    EXPECT_EQ(HelpViewerPath("C:\\WINDOWS"), "C:\\WINDOWS\\winhlp32.exe");
    EXPECT_EQ(HelpPagePath("/opt/zolvantek"), "/opt/zolvantek/help/zolvantek.html");
}

TEST_F(LaunchTest, DirectoryReaderTakesViewAndStartWordsExactlyWithCase) {
    const std::string dir = MakeDir("Work dir");
    struct Case {
        const char* view;
        const char* start;
        const char* switches;
        int show;
    };
    for (const Case& c :
         {Case{"Explorer", "Normal", "/n, /e,", 1}, Case{"Form", "Maximized", "", 3},
          Case{"Form", "Minimized", "", 2}, Case{"form", "minimized", "/n, /e,", 1},
          Case{"Anything", "MAXIMIZED", "/n, /e,", 1}, Case{"Form", "", "", 1}}) {
        Store("Dir4", std::string("Work | ") + dir + " | " + c.view + " | " + c.start);
        const LaunchRead read = ReadDirLaunch(state_, "Dir4");
        EXPECT_TRUE(read.found) << c.view << "/" << c.start;
        EXPECT_EQ(read.result, dir);
        EXPECT_EQ(state_.ExplorerSwitches, c.switches) << c.view;
        EXPECT_EQ(state_.LaunchWindowStyle, c.show) << c.start;
    }
}

TEST_F(LaunchTest, DirectoryReaderOnlyAsksWhetherTheNameExists) {
    // An ordinary file passes as a directory; the file manager deals with it.
    const std::string file = MakeFile("notes.txt");
    Store("Dir1", "Notes | " + file + " | Explorer | Normal");
    EXPECT_TRUE(ReadDirLaunch(state_, "Dir1").found);
    // Wildcards act as a pattern.
    Store("Dir1", "Notes | " + (scratch_ / "no?es.*").string() + " | Explorer | Normal");
    EXPECT_TRUE(ReadDirLaunch(state_, "Dir1").found);

    // A missing directory still sets both launch values: the entry itself was readable.
    state_.ExplorerSwitches = "stale";
    state_.LaunchWindowStyle = 0;
    Store("Dir2", "Gone | " + Missing("gone") + " | Form | Maximized");
    const LaunchRead read = ReadDirLaunch(state_, "Dir2");
    EXPECT_FALSE(read.found);
    EXPECT_EQ(read.result, kDirectoryMissing);
    EXPECT_EQ(state_.ExplorerSwitches, "");
    EXPECT_EQ(state_.LaunchWindowStyle, 3);
}

TEST_F(LaunchTest, FailingReadsLeaveBothLaunchValuesAsTheyWere) {
    const std::string dir = MakeDir("d");
    std::string tooLong = "Long | " + dir + " | Form | Maximized ";
    tooLong.append(kMaxSplittableLength + 1 - tooLong.size(), 'x');
    const std::string badLines[] = {
        "Two | " + dir + " | bars only",
        "Last | " + dir + " | Form |",
        "no bars at all " + dir,
        "| " + dir + " | Form | Maximized",
        tooLong,
    };
    for (const std::string& bad : badLines) {
        state_.ExplorerSwitches = "kept";
        state_.LaunchWindowStyle = 77;
        Store("Dir9", bad);
        Store("DirP9", bad);
        const LaunchRead dirRead = ReadDirLaunch(state_, "Dir9");
        EXPECT_FALSE(dirRead.found);
        EXPECT_EQ(dirRead.result, kDirectoryMissing) << bad.substr(0, 40);
        const LaunchRead progRead = ReadProgLaunch(state_, "DirP9");
        EXPECT_FALSE(progRead.found);
        EXPECT_EQ(progRead.result, kProgramMissing);
        EXPECT_EQ(state_.ExplorerSwitches, "kept");
        EXPECT_EQ(state_.LaunchWindowStyle, 77);
    }

    // One character less than the limit still splits, and the next good read sets both anew.
    tooLong.pop_back();
    Store("Dir9", tooLong);
    const LaunchRead longest = ReadDirLaunch(state_, "Dir9");
    EXPECT_TRUE(longest.found);
    EXPECT_EQ(longest.result, dir);
    EXPECT_EQ(state_.ExplorerSwitches, "");
    EXPECT_EQ(state_.LaunchWindowStyle, 1);  // "Maximized x...x" is no start word

    // An empty value answers with an empty text and changes nothing either.
    state_.ExplorerSwitches = "kept";
    state_.LaunchWindowStyle = 77;
    EXPECT_EQ(ReadDirLaunch(state_, "Dir19").result, "");
    EXPECT_EQ(ReadProgLaunch(state_, "DirP19").result, "");
    EXPECT_EQ(state_.ExplorerSwitches, "kept");
    EXPECT_EQ(state_.LaunchWindowStyle, 77);
}

TEST_F(LaunchTest, ProgramReaderBuildsPathBlankArguments) {
    const std::string tool = MakeFile("My Tool.exe");
    Store("DirP1", "Tool | " + tool + " | -x \"a b\" | Maximized");
    LaunchRead read = ReadProgLaunch(state_, "DirP1");
    EXPECT_TRUE(read.found);
    EXPECT_EQ(read.result, tool + " -x \"a b\"");
    EXPECT_EQ(read.path, tool);
    EXPECT_EQ(read.arguments, "-x \"a b\"");
    EXPECT_EQ(state_.LaunchWindowStyle, 3);

    // No arguments: the blank after the path stays.
    Store("DirP1", "Tool | " + tool + " |  | Minimized");
    read = ReadProgLaunch(state_, "DirP1");
    EXPECT_EQ(read.result, tool + " ");
    EXPECT_EQ(state_.LaunchWindowStyle, 2);

    // A bar in the arguments ends them; the rest becomes the start word.
    Store("DirP1", "Tool | " + tool + " | -a | b | Maximized");
    read = ReadProgLaunch(state_, "DirP1");
    EXPECT_EQ(read.arguments, "-a");
    EXPECT_EQ(state_.LaunchWindowStyle, 1);

    // The program reader never touches the Explorer switches; a folder passes its test.
    state_.ExplorerSwitches = "untouched";
    Store("DirP2", "Folder | " + MakeDir("folder") + " | x | Minimized");
    EXPECT_TRUE(ReadProgLaunch(state_, "DirP2").found);
    EXPECT_EQ(state_.ExplorerSwitches, "untouched");

    // Only the path is looked up, never the path with its arguments.
    Store("DirP3", "Missing | " + Missing("none.exe") + " | " + tool + " | Maximized");
    read = ReadProgLaunch(state_, "DirP3");
    EXPECT_FALSE(read.found);
    EXPECT_EQ(read.result, kProgramMissing);
    EXPECT_EQ(state_.LaunchWindowStyle, 3);
}

TEST_F(LaunchTest, DirectoryClickOpensTheFreshlyReadEntry) {
    const std::string dir = MakeDir("Twenty");
    Store("Dir20", "Twenty | " + dir + " | Form | Normal");
    RecordingStarter starter;
    EXPECT_EQ(LaunchDirectory(state_, 20, starter), "");
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].kind, "open");
    EXPECT_EQ(starter.calls[0].target, dir);
    const std::string windowsDir = GetWindowsDir();
    EXPECT_EQ(starter.calls[0].windows.application, windowsDir + "\\explorer.EXE");
    EXPECT_EQ(starter.calls[0].windows.commandLine, windowsDir + "\\explorer.EXE  " + dir);
    EXPECT_EQ(starter.calls[0].windows.showWindow, 1);

    // Changed in the store after the menus were filled: the click sees the new entry.
    const std::string other = MakeDir("Other");
    Store("Dir20", "Twenty | " + other + " | Explorer | Minimized");
    EXPECT_EQ(LaunchDirectory(state_, 20, starter), "");
    ASSERT_EQ(starter.calls.size(), 2u);
    EXPECT_EQ(starter.calls[1].target, other);
    EXPECT_EQ(starter.calls[1].windows.commandLine, windowsDir + "\\explorer.EXE /n, /e, " + other);
    EXPECT_EQ(starter.calls[1].windows.showWindow, 2);
}

TEST_F(LaunchTest, ProgramClickStartsTheTestedPathWithItsArguments) {
    const std::string tool = MakeFile("Program Files tool.exe");
    Store("DirP20", "Tool | " + tool + " | -x 'a b' ; $(echo) | Maximized");
    RecordingStarter starter;
    EXPECT_EQ(LaunchProgram(state_, 20, starter), "");
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].kind, "program");
    EXPECT_EQ(starter.calls[0].target, tool);
    EXPECT_EQ(starter.calls[0].argumentText, "-x 'a b' ; $(echo)");
    EXPECT_EQ(starter.calls[0].windows.application, tool);
    EXPECT_EQ(starter.calls[0].windows.commandLine, tool + " -x 'a b' ; $(echo)");
    EXPECT_EQ(starter.calls[0].windows.showWindow, 3);
}

TEST_F(LaunchTest, ClicksThatCannotLaunchGiveTheirMenusMessageAndStoreNothing) {
    const std::string dir = MakeDir("d");
    const std::string tool = MakeFile("t.exe");
    Store("Dir1", "Gone | " + Missing("gone") + " | Explorer | Normal");
    Store("Dir2", "Two | " + dir + " | bars only");
    Store("Dir3", "Fine | " + dir + " | Explorer | Normal");
    Store("DirP1", "Gone | " + Missing("gone.exe") + " |  | Normal");
    Store("DirP2", "Last | " + tool + " | x |");
    Store("DirP3", "Fine | " + tool + " |  | Normal");
    const auto before = AllSlots();

    RecordingStarter starter;
    EXPECT_EQ(LaunchDirectory(state_, 1, starter), kDirectoryMissing);
    EXPECT_EQ(LaunchDirectory(state_, 2, starter), kDirectoryMissing);
    // A slot emptied since the menu was filled has nothing to open.
    EXPECT_EQ(LaunchDirectory(state_, 4, starter), kDirectoryMissing);
    EXPECT_EQ(LaunchProgram(state_, 1, starter), kProgramMissing);
    EXPECT_EQ(LaunchProgram(state_, 2, starter), kProgramMissing);
    EXPECT_EQ(LaunchProgram(state_, 4, starter), kProgramMissing);
    EXPECT_TRUE(starter.calls.empty());

    // A start that fails: both menus say the program does not exist.
    starter.succeed = false;
    EXPECT_EQ(LaunchDirectory(state_, 3, starter), kProgramMissing);
    EXPECT_EQ(LaunchProgram(state_, 3, starter), kProgramMissing);
    EXPECT_EQ(starter.calls.size(), 2u);

    EXPECT_EQ(AllSlots(), before);
}

TEST(LaunchHelp, HandsTheViewerAndThePageToTheStarter) {
    RecordingStarter starter;
    EXPECT_EQ(StartHelp(starter), "");
    ASSERT_EQ(starter.calls.size(), 1u);
    const auto& call = starter.calls[0];
    EXPECT_EQ(call.kind, "open");
    const std::string windowsDir = GetWindowsDir();
    EXPECT_EQ(call.windows.application, windowsDir + "\\winhlp32.exe");
    EXPECT_EQ(call.windows.showWindow, 2);
    // Both name the folder of the running program.
    const std::string prefix = windowsDir + "\\winhlp32.exe ";
    ASSERT_EQ(call.windows.commandLine.rfind(prefix, 0), 0u);
    const std::string folder = call.windows.commandLine.substr(prefix.size());
    ASSERT_GT(folder.size(), std::string("\\zolvantek.hlp").size());
    EXPECT_EQ(call.target, HelpPagePath(folder.substr(0, folder.size() - 14)));

    starter.succeed = false;
    EXPECT_EQ(StartHelp(starter), kHelpNotStarted);
}

}  // namespace
}  // namespace zolvantek
