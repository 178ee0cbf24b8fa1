// Launching as Windows does it, against Wine's CreateProcessA, FindFirstFileA and
// GetWindowsDirectoryA. The started program is launch_probe.exe, which writes down what it
// received.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "platform/file_lookup.h"
#include "platform/process_start.h"
#include "platform/program_folder.h"
#include "tests/unit/launch_test_support.h"
#include "tray/launch_readers.h"

namespace zolvantek {
namespace {

using platform::FindFirstEntry;
using platform::LookupStatus;
using test_support::LaunchTest;

std::string OwnFolder() {
    char path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\'));
}

std::string ProbePath() { return OwnFolder() + "\\launch_probe.exe"; }

using Report = std::map<std::string, std::string>;

std::optional<Report> WaitForReport(const std::string& path) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            Report report;
            std::string line;
            while (std::getline(in, line)) {
                const auto eq = line.find('=');
                if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
            }
            return report;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

bool SameFile(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
}

class WineLaunchTest : public LaunchTest {
protected:
    WineLaunchTest() : report_((scratch_ / "probe.report").string()) {
        SetEnvironmentVariableA("ZOLVANTEK_PROBE_REPORT", report_.c_str());
    }
    ~WineLaunchTest() override { SetEnvironmentVariableA("ZOLVANTEK_PROBE_REPORT", nullptr); }

    std::optional<Report> TakeReport() {
        auto report = WaitForReport(report_);
        DeleteFileA(report_.c_str());
        return report;
    }

    std::string CopyProbe(const std::string& to) {
        EXPECT_TRUE(CopyFileA(ProbePath().c_str(), to.c_str(), FALSE)) << to;
        return to;
    }

    std::string report_;
};

TEST(WineWindowsDirectory, IsWhatTheSystemReports) {
    char buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(GetWindowsDir(), std::string(buffer, length));
    EXPECT_NE(GetWindowsDir().back(), '\\');
    EXPECT_EQ(platform::ProgramFolder(), OwnFolder());
}

TEST_F(WineLaunchTest, LookupSkipsHiddenAndSystemEntries) {
    const std::string hidden = MakeFile("a-hidden.txt");
    const std::string system = MakeFile("b-system.txt");
    MakeFile("c-plain.txt");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(FindFirstEntry(hidden).status, LookupStatus::NotFound);
    EXPECT_EQ(FindFirstEntry(system).status, LookupStatus::NotFound);
    // The first entry of a pattern that counts, past those that do not.
    const auto first = FindFirstEntry(Missing("?-*.txt"));
    EXPECT_EQ(first.status, LookupStatus::Found);
    EXPECT_EQ(first.name, "c-plain.txt");

    // A folder written with its trailing backslash, a drive root above all, is found.
    EXPECT_EQ(FindFirstEntry(MakeDir("folder") + "\\").status, LookupStatus::Found);
    EXPECT_EQ(FindFirstEntry("C:\\").status, LookupStatus::Found);

    const std::string hiddenDir = MakeDir("hidden folder");
    ASSERT_TRUE(SetFileAttributesA(hiddenDir.c_str(), FILE_ATTRIBUTE_HIDDEN));
    Store("Dir1", "Hidden | " + hiddenDir + " | Form | Maximized");
    EXPECT_EQ(ReadDirLaunch(state_, "Dir1").result, kDirectoryMissing);
    EXPECT_EQ(state_.LaunchWindowStyle, 3);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(hiddenDir.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WineLaunchTest, MalformedPathFailsTheReadAndLeavesTheLaunchValues) {
    EXPECT_EQ(FindFirstEntry("\\\\?\\bad").status, LookupStatus::Failed);
    EXPECT_EQ(FindFirstEntry("Q:\\not\\there").status, LookupStatus::NotFound);
    state_.ExplorerSwitches = "kept";
    state_.LaunchWindowStyle = 9;
    Store("Dir1", "Bad | \\\\?\\bad | Form | Maximized");
    Store("DirP1", "Bad | \\\\?\\bad |  | Maximized");
    EXPECT_EQ(ReadDirLaunch(state_, "Dir1").result, kDirectoryMissing);
    EXPECT_EQ(ReadProgLaunch(state_, "DirP1").result, kProgramMissing);
    EXPECT_EQ(state_.ExplorerSwitches, "kept");
    EXPECT_EQ(state_.LaunchWindowStyle, 9);
}

// Removes what the decoy test put on drive C, also when it fails half-way.
struct DecoyFiles {
    std::string folder = "C:\\Program Files\\Zolvantek Probe";
    std::string program = folder + "\\probe.exe";
    std::string decoy = "C:\\Program.exe";
    ~DecoyFiles() {
        DeleteFileA(program.c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(decoy.c_str());
    }
};

TEST_F(WineLaunchTest, ProgramPathWithBlanksStartsTheTestedFileNotTheDecoy) {
    DecoyFiles files;
    ASSERT_TRUE(CreateDirectoryA(files.folder.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    CopyProbe(files.program);
    CopyProbe(files.decoy);
    const std::string arguments = "-x \"a b\" ; $(x) `y`";
    const std::string commandLine = files.program + " " + arguments;
    Store("DirP7", "Probe | " + files.program + " | " + arguments + " | Maximized");
    ASSERT_EQ(LaunchProgram(state_, 7, SystemProcessStarter()), "");
    auto report = TakeReport();
    ASSERT_TRUE(report) << "the program did not run";
    EXPECT_TRUE(SameFile((*report)["module"], files.program)) << (*report)["module"];
    EXPECT_EQ((*report)["commandLine"], commandLine);
    EXPECT_EQ((*report)["useShowWindow"], "1");
    EXPECT_EQ((*report)["showWindow"], "3");

    // The decoy is real: left to the command line alone, the system starts it instead.
    std::string line = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    report = TakeReport();
    ASSERT_TRUE(report);
    EXPECT_TRUE(SameFile((*report)["module"], files.decoy)) << (*report)["module"];
}

TEST_F(WineLaunchTest, StartWordsBecomeTheShowValueTheProgramReceives) {
    const std::string probe = CopyProbe(Missing("probe.exe"));
    struct Case {
        const char* word;
        const char* show;
    };
    for (const Case& c : {Case{"Normal", "1"}, Case{"Minimized", "2"}, Case{"Maximized", "3"},
                          Case{"minimized", "1"}}) {
        Store("DirP1", "Probe | " + probe + " |  | " + c.word);
        ASSERT_EQ(LaunchProgram(state_, 1, SystemProcessStarter()), "") << c.word;
        const auto report = TakeReport();
        ASSERT_TRUE(report) << c.word;
        EXPECT_EQ(report->at("commandLine"), probe + " ") << c.word;
        EXPECT_EQ(report->at("showWindow"), c.show) << c.word;
    }

    // Folders and help go through the same start, with their own command lines.
    ASSERT_TRUE(platform::OpenWithDesktop("ignored", {probe, probe + " /n, /e, C:\\", 2}));
    const auto report = TakeReport();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->at("commandLine"), probe + " /n, /e, C:\\");
    EXPECT_EQ(report->at("showWindow"), "2");
}

TEST_F(WineLaunchTest, ProgramThatExistsButCannotStartGivesTheProgramMessage) {
    Store("DirP1", "Text | " + MakeFile("notes.exe", "not a program\r\n") + " |  | Normal");
    Store("DirP2", "Folder | " + MakeDir("folder") + " |  | Normal");
    const auto before = AllSlots();
    EXPECT_EQ(LaunchProgram(state_, 1, SystemProcessStarter()), kProgramMissing);
    EXPECT_EQ(LaunchProgram(state_, 2, SystemProcessStarter()), kProgramMissing);
    EXPECT_EQ(AllSlots(), before);
}

}  // namespace
}  // namespace zolvantek
