#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/process_start.h"
#include "tray/module_state.h"

namespace zolvantek {

inline constexpr const char* kDirectoryMissing = "Directory does not Exist!";
inline constexpr const char* kProgramMissing = "Program Does Not Exist!";
inline constexpr const char* kHelpNotStarted = "The help viewer could not be started.";
inline constexpr const char* kNoFileManager =
    "No file manager could be started for this directory.";

// The help viewer starts minimized.
inline constexpr std::int16_t kHelpShowWindow = 2;

// The Windows directory; empty on systems that have none.
std::string GetWindowsDir();

// What a launch reader made of one stored entry.
struct LaunchRead {
    // The directory, or the program's command line (path, one blank, argument text); in its
    // place the reader's message when the entry cannot be launched; empty for an empty slot.
    std::string result;
    // True exactly when result is a launch target: the entry split and its path was found.
    bool found = false;
    std::string path;       // the tested path (field 2)
    std::string arguments;  // a program's argument text (field 3)
};

// Both readers read the value `key` of the list section afresh. ExplorerSwitches and
// LaunchWindowStyle are set only once the entry has split and the existence test has
// answered (found or not); an empty value, a line that does not split and a lookup that
// fails leave them exactly as they were.
LaunchRead ReadDirLaunch(ModuleState& state, const std::string& key);
// Sets LaunchWindowStyle only.
LaunchRead ReadProgLaunch(ModuleState& state, const std::string& key);

// The command lines, with no quotes added anywhere.
std::string ExplorerPath(std::string_view windowsDir);
std::string ExplorerCommandLine(std::string_view windowsDir, std::string_view switches,
                                std::string_view directory);
// The blank after the path is there also when the argument text is empty.
std::string ProgramCommandLine(std::string_view path, std::string_view arguments);
std::string HelpViewerPath(std::string_view windowsDir);
std::string HelpCommandLine(std::string_view windowsDir, std::string_view programFolder);
// The WinHelp file of an existing install, in the program's folder.
std::string HelpFilePath(std::string_view programFolder);
// Where the install puts the program's data, seen from the program's folder (set by the
// build from the install layout: "../share/zolvantek").
extern const char* const kDataFromProgram;
// The HTML help, for systems without the Windows viewer: in the data folder that lies where
// the install layout puts it, so the build folder and every prefix work alike; else beside
// the program, as a folder copied around in one piece has it (the Windows program).
std::string HelpPagePath(std::string_view programFolder);

// How launches reach the system; tests put a recorder in its place.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    virtual platform::OpenResult OpenWithDesktop(const std::string& path,
                                                 const platform::WindowsStart& windows,
                                                 const std::function<void()>& failedLater) = 0;
    virtual bool StartProgram(const std::string& program, const std::string& argumentText,
                              const platform::WindowsStart& windows) = 0;
    // The HTML help in the default browser, at `section` (an anchor) when one is given.
    virtual bool OpenHelpPage(const std::string& page, const std::string& section,
                              const std::function<void()>& failedLater) = 0;
};

// The real one, backed by the platform layer.
ProcessStarter& SystemProcessStarter();

// One click on item `index` of a list menu, from the fresh read to the started process.
// Returns the message to show, or an empty text when the process started. A directory
// entry always answers with a directory message; `failedLater` gets the message for a file
// manager that gives up after it was started.
std::string LaunchDirectory(ModuleState& state, int index, ProcessStarter& starter,
                            const std::function<void(const std::string&)>& failedLater = {});
std::string LaunchProgram(ModuleState& state, int index, ProcessStarter& starter);

// Opens the help; the message to show, or an empty text when the viewer started. The
// Windows help viewer is started only where its help file is beside the program; otherwise
// the HTML page opens in the browser.
std::string StartHelp(ProcessStarter& starter,
                      const std::function<void(const std::string&)>& failedLater = {});

}  // namespace zolvantek
