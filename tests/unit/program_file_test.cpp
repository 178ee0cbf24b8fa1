// What a file dropped on the program list stands for, against real files (and on Windows
// real shell links).
#include "platform/program_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/unit/test_support.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they build on.
#include <objbase.h>
#include <shlobj.h>
#else
#include <QProcess>
#endif

namespace zolvantek {
namespace {

using platform::ProgramFile;
using platform::ReadProgramFile;

class ProgramFileTest : public ::testing::Test {
protected:
    ProgramFileTest()
        : folder_(std::filesystem::temp_directory_path() / test_support::UniqueWord()) {
        std::filesystem::create_directories(folder_);
    }
    ~ProgramFileTest() override { std::filesystem::remove_all(folder_); }
    std::string Make(const std::string& name, const std::string& content = "x") {
        test_support::Spit(folder_ / name, content);
        return (folder_ / name).string();
    }
    static void ExpectProgram(const std::optional<ProgramFile>& read, const ProgramFile& expected) {
        ASSERT_TRUE(read);
        EXPECT_EQ(read->name, expected.name);
        EXPECT_EQ(read->program, expected.program);
        EXPECT_EQ(read->arguments, expected.arguments);
    }
    std::filesystem::path folder_;
};

#ifdef _WIN32

// A link as the shell writes it, through the same object that reads it.
void WriteLink(const std::string& link, const std::string& target, const std::string& arguments) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkA* shell = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void**>(&shell))));
    shell->SetPath(target.c_str());
    shell->SetArguments(arguments.c_str());
    ASSERT_TRUE(
        SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const std::wstring wide(link.begin(), link.end());
    EXPECT_TRUE(SUCCEEDED(file->Save(wide.c_str(), TRUE)));
    file->Release();
    shell->Release();
    CoUninitialize();
}

TEST_F(ProgramFileTest, ProgramsAndLinksToThemAreTakenOtherFilesAreNot) {
    const std::string tool = Make("My Tool.EXE");
    ExpectProgram(ReadProgramFile(tool), {"My Tool", tool, ""});
    const std::string notes = Make("notes.txt");
    EXPECT_FALSE(ReadProgramFile(notes));

    const std::string link = (folder_ / "Editor.lnk").string();
    WriteLink(link, tool, "/open \"C:\\My Notes.txt\"");
    ExpectProgram(ReadProgramFile(link), {"Editor", tool, "/open \"C:\\My Notes.txt\""});
    // A link to a document or a folder names no program the launch can start.
    WriteLink(link, notes, "");
    EXPECT_FALSE(ReadProgramFile(link));
    WriteLink(link, folder_.string(), "");
    EXPECT_FALSE(ReadProgramFile(link));
    EXPECT_FALSE(ReadProgramFile((folder_ / "none.lnk").string()));
}

#else

TEST_F(ProgramFileTest, ExecutablesAndDesktopEntriesAreTakenOtherFilesAreNot) {
    const std::string tool = Make("my tool");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    ExpectProgram(ReadProgramFile(tool), {"my tool", tool, ""});
    EXPECT_FALSE(ReadProgramFile(Make("notes.txt")));
    EXPECT_FALSE(ReadProgramFile(folder_.string()));

    // The arguments come back as the launch splits them, field codes gone.
    const std::string entry =
        Make("editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=\"" + tool +
                                   "\" --title \"say \\\\\"hi\\\\\"\" \"a\\tb\" %U\n");
    const std::optional<ProgramFile> read = ReadProgramFile(entry);
    ExpectProgram(read, {"Editor", tool, "--title \"say \"\"\"hi\"\"\"\" \"a\tb\""});
    EXPECT_EQ(QProcess::splitCommand(QString::fromStdString(read->arguments)),
              QStringList({"--title", "say \"hi\"", "a\tb"}));

    // A program named without a folder is the one PATH finds; an entry without a name is
    // called after its file.
    Make("sh.desktop", "[Desktop Entry]\nType=Application\nExec=sh -c true\n");
    const std::optional<ProgramFile> shell = ReadProgramFile((folder_ / "sh.desktop").string());
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->name, "sh");
    EXPECT_TRUE(shell->program.starts_with("/") && shell->program.ends_with("/sh"))
        << shell->program;
    EXPECT_EQ(shell->arguments, "-c true");
    EXPECT_FALSE(ReadProgramFile(Make("link.desktop", "[Desktop Entry]\nType=Link\nURL=x\n")));
}

#endif

}  // namespace
}  // namespace zolvantek
