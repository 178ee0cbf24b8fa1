// Launching as Windows does it, against Wine's CreateProcessA, FindFirstFileA and the
// shell's file classes. The started program is launch_probe.exe, which writes down what it
// received. (A program path with a blank: the Windows smoke, whose probe has a decoy.)
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "platform/file_lookup.h"
#include "platform/help_page.h"
#include "platform/process_start.h"
#include "platform/program_folder.h"
#include "tests/unit/test_support.h"
#include "tray/launch_readers.h"

namespace zolvantek {
namespace {

using platform::FindFirstEntry;
using platform::LookupStatus;
using Report = std::map<std::string, std::string>;

std::string OwnFolder() {
    char path[MAX_PATH * 4] = {};
    const std::string file(path, GetModuleFileNameA(nullptr, path, sizeof(path)));
    return file.substr(0, file.find_last_of('\\'));
}

class WineLaunchTest : public test_support::LaunchTest {
protected:
    WineLaunchTest() { SetEnvironmentVariableA("ZOLVANTEK_PROBE_REPORT", report_.c_str()); }
    ~WineLaunchTest() override { SetEnvironmentVariableA("ZOLVANTEK_PROBE_REPORT", nullptr); }

    // What the probe wrote down on its last run, or nothing when it did not run.
    std::optional<Report> TakeReport() {
        for (int i = 0; i < 1500 && GetFileAttributesA(report_.c_str()) == INVALID_FILE_ATTRIBUTES;
             ++i) {
            Sleep(20);
        }
        std::ifstream in(report_, std::ios::binary);
        if (!in) return std::nullopt;
        Report report;
        for (std::string line; std::getline(in, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
        }
        in.close();
        DeleteFileA(report_.c_str());
        return report;
    }

    std::string report_ = Missing("probe.report");
};

TEST_F(WineLaunchTest, LookupSkipsHiddenAndSystemEntriesAndAMalformedPathFails) {
    for (const auto& [path, attribute] :
         {std::pair(MakeFile("a-hidden.txt"), FILE_ATTRIBUTE_HIDDEN),
          {MakeFile("b-system.txt"), FILE_ATTRIBUTE_SYSTEM},
          {MakeDir("hidden folder"), FILE_ATTRIBUTE_HIDDEN}}) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attribute));
        EXPECT_EQ(FindFirstEntry(path).status, LookupStatus::NotFound) << path;
    }
    MakeFile("c-plain.txt");
    // The first entry of a pattern that counts, past those that do not.
    EXPECT_EQ(FindFirstEntry(Missing("?-*.txt")).name, "c-plain.txt");
    // A folder written with its trailing backslash, a drive root above all, is found.
    EXPECT_EQ(FindFirstEntry(MakeDir("folder") + "\\").status, LookupStatus::Found);
    EXPECT_EQ(FindFirstEntry("C:\\").status, LookupStatus::Found);
    EXPECT_EQ(FindFirstEntry("Q:\\not\\there").status, LookupStatus::NotFound);
    EXPECT_EQ(FindFirstEntry("\\\\?\\bad").status, LookupStatus::Failed);
}

TEST_F(WineLaunchTest, ProgramThatExistsButCannotStartGivesTheProgramMessage) {
    Store("DirP1", "Text | " + MakeFile("notes.exe", "not a program\r\n") + " |  | Normal");
    Store("DirP2", "Folder | " + MakeDir("folder") + " |  | Normal");
    EXPECT_EQ(LaunchProgram(state_, 1, SystemProcessStarter()), kProgramMissing);
    EXPECT_EQ(LaunchProgram(state_, 2, SystemProcessStarter()), kProgramMissing);
}

// Makes the probe the shell's program for .html files until the test ends (in the classes
// root: Wine does not merge the user's own classes into it); the help file made beside the
// test program goes with it.
struct ProbeBrowser {
    std::string helpFile = HelpFilePath(platform::ProgramFolder());
    explicit ProbeBrowser(const std::string& probe) {
        SetClass(".html", "ZolvantekTestPage");
        SetClass("ZolvantekTestPage\\shell\\open\\command", "\"" + probe + "\" \"%1\"");
    }
    ~ProbeBrowser() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "ZolvantekTestPage");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".html");
        DeleteFileA(helpFile.c_str());
    }
    static void SetClass(const std::string& key, const std::string& value) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                                  static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
    }
};

TEST_F(WineLaunchTest, HelpOpensThePageInTheBrowserAndWinHelpOnlyForAnExistingInstall) {
    const std::string probe = Missing("browser.exe");
    ASSERT_TRUE(CopyFileA((OwnFolder() + "\\launch_probe.exe").c_str(), probe.c_str(), FALSE));
    ProbeBrowser browser(probe);
    const std::string page = MakeFile("help page.html", "<html></html>");
    std::string url = "file:///" + page;
    for (char& c : url) c = c == '\\' ? '/' : c;
    url.replace(url.find(' '), 1, "%20");

    // A section goes to the browser as a URL with its anchor.
    ASSERT_TRUE(platform::OpenHelpPage(page, "programs"));
    const auto report = TakeReport();
    ASSERT_TRUE(report) << "no browser started";
    EXPECT_EQ(report->at("commandLine"), "\"" + probe + "\" \"" + url + "#programs\"");
    // (The page alone, through the shell's own opening of the file: the Windows smoke's Help.)
    EXPECT_FALSE(platform::OpenHelpPage(Missing("none.html"), "programs"));

    // Help itself: the old viewer when the old help file lies beside the program (without
    // one, the page: the unit tests' LaunchHelp, also under Wine).
    test_support::RecordingStarter starter;
    ASSERT_TRUE(std::ofstream(browser.helpFile) << "x");
    EXPECT_EQ(StartHelp(starter), "");
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].kind, "open");
    const std::string viewer = GetWindowsDir() + "\\winhlp32.exe";
    EXPECT_EQ(starter.calls[0].windows.application, viewer);
    EXPECT_EQ(starter.calls[0].windows.commandLine, viewer + " " + browser.helpFile);
    EXPECT_EQ(starter.calls[0].windows.showWindow, 2);
}

}  // namespace
}  // namespace zolvantek
