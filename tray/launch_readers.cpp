#include "tray/launch_readers.h"

#include <filesystem>
#include <optional>

#include "platform/file_lookup.h"
#include "platform/help_page.h"
#include "platform/program_folder.h"
#include "platform/windows_directory.h"
#include "settings/entry_line.h"
#include "settings/launcher_lists.h"

namespace zolvantek {
namespace {

// The stored entry, or nothing for an empty value or a line that does not split (which
// includes every line too long for 16-bit positions).
struct Cut {
    bool empty = false;
    std::optional<EntryFields> fields;
};

Cut CutEntry(ModuleState& state, const std::string& key) {
    const std::string line = state.Settings.GetSetting(kListSection, key, "");
    if (line.empty()) return {true, std::nullopt};
    return {false, SplitEntryLine(line)};
}

LaunchRead Message(const char* text) { return {text, false, {}, {}}; }

class PlatformStarter final : public ProcessStarter {
public:
    platform::OpenResult OpenWithDesktop(const std::string& path,
                                         const platform::WindowsStart& windows,
                                         const std::function<void()>& failedLater) override {
        return platform::OpenWithDesktop(path, windows, failedLater);
    }
    bool StartProgram(const std::string& program, const std::string& argumentText,
                      const platform::WindowsStart& windows) override {
        return platform::StartProgram(program, argumentText, windows);
    }
    bool OpenHelpPage(const std::string& page, const std::string& section,
                      const std::function<void()>& failedLater) override {
        return platform::OpenHelpPage(page, section, failedLater);
    }
};

}  // namespace

std::string GetWindowsDir() { return platform::WindowsDirectory(); }

LaunchRead ReadDirLaunch(ModuleState& state, const std::string& key) {
    const Cut cut = CutEntry(state, key);
    if (cut.empty) return {};
    if (!cut.fields) return Message(kDirectoryMissing);

    std::string switches = ExplorerSwitchesFor(cut.fields->third);
    const std::int16_t show = ShowWindowValue(cut.fields->startWord);
    const platform::LookupResult lookup = platform::FindFirstEntry(cut.fields->path);
    if (lookup.status == platform::LookupStatus::Failed) return Message(kDirectoryMissing);

    // Set together, found or not, so the pair always comes from one entry.
    state.ExplorerSwitches = std::move(switches);
    state.LaunchWindowStyle = show;
    if (lookup.status == platform::LookupStatus::NotFound) return Message(kDirectoryMissing);
    // Only the name was looked up: an existing ordinary file passes as well.
    return {cut.fields->path, true, cut.fields->path, {}};
}

LaunchRead ReadProgLaunch(ModuleState& state, const std::string& key) {
    const Cut cut = CutEntry(state, key);
    if (cut.empty) return {};
    if (!cut.fields) return Message(kProgramMissing);

    const std::int16_t show = ShowWindowValue(cut.fields->startWord);
    // The path alone is tested, never the arguments; a directory passes here.
    const platform::LookupResult lookup = platform::FindFirstEntry(cut.fields->path);
    if (lookup.status == platform::LookupStatus::Failed) return Message(kProgramMissing);

    state.LaunchWindowStyle = show;
    if (lookup.status == platform::LookupStatus::NotFound) return Message(kProgramMissing);
    return {ProgramCommandLine(cut.fields->path, cut.fields->third), true, cut.fields->path,
            cut.fields->third};
}

std::string ExplorerPath(std::string_view windowsDir) {
    return std::string(windowsDir) + "\\explorer.EXE";
}

std::string ExplorerCommandLine(std::string_view windowsDir, std::string_view switches,
                                std::string_view directory) {
    return ExplorerPath(windowsDir) + " " + std::string(switches) + " " + std::string(directory);
}

std::string ProgramCommandLine(std::string_view path, std::string_view arguments) {
    return std::string(path) + " " + std::string(arguments);
}

std::string HelpViewerPath(std::string_view windowsDir) {
    return std::string(windowsDir) + "\\winhlp32.exe";
}

std::string HelpCommandLine(std::string_view windowsDir, std::string_view programFolder) {
    return HelpViewerPath(windowsDir) + " " + HelpFilePath(programFolder);
}

std::string HelpFilePath(std::string_view programFolder) {
    return std::string(programFolder) + "\\zolvantek.hlp";
}

const char* const kDataFromProgram = ZOLVANTEK_DATA_FROM_PROGRAM;

std::string HelpPagePath(std::string_view programFolder) {
    const std::string folder(programFolder);
    std::string installed = folder + "/" + kDataFromProgram + "/help/zolvantek.html";
    std::string beside = folder + "/help/zolvantek.html";
    std::error_code failed;
    if (!std::filesystem::is_regular_file(installed, failed) &&
        std::filesystem::is_regular_file(beside, failed)) {
        return beside;
    }
    return installed;
}

ProcessStarter& SystemProcessStarter() {
    static PlatformStarter starter;
    return starter;
}

// The message for a late failure, handed on as text.
std::function<void()> Later(const std::function<void(const std::string&)>& failedLater,
                            const char* message) {
    if (!failedLater) return {};
    return [failedLater, message] { failedLater(message); };
}

std::string LaunchDirectory(ModuleState& state, int index, ProcessStarter& starter,
                            const std::function<void(const std::string&)>& failedLater) {
    // An empty slot has nothing to open: its item was shown for an entry that is gone now.
    const LaunchRead read = ReadDirLaunch(state, SlotValueName(ListKind::Directories, index));
    if (!read.found) return kDirectoryMissing;

    const std::string windowsDir = GetWindowsDir();
    const platform::WindowsStart explorer{
        ExplorerPath(windowsDir),
        ExplorerCommandLine(windowsDir, state.ExplorerSwitches, read.result),
        state.LaunchWindowStyle};
    switch (starter.OpenWithDesktop(read.result, explorer, Later(failedLater, kNoFileManager))) {
        case platform::OpenResult::Started:
            return {};
        case platform::OpenResult::Missing:
            return kDirectoryMissing;
        case platform::OpenResult::NoOpener:
            break;
    }
    return kNoFileManager;
}

std::string LaunchProgram(ModuleState& state, int index, ProcessStarter& starter) {
    const LaunchRead read = ReadProgLaunch(state, SlotValueName(ListKind::Programs, index));
    if (!read.found) return kProgramMissing;

    // The tested path is what starts, whatever a blank in the command line might suggest.
    const platform::WindowsStart program{read.path, read.result, state.LaunchWindowStyle};
    return starter.StartProgram(read.path, read.arguments, program) ? std::string()
                                                                    : kProgramMissing;
}

std::string StartHelp(ProcessStarter& starter,
                      const std::function<void(const std::string&)>& failedLater) {
    const std::string folder = platform::ProgramFolder();
    // Current Windows has no WinHelp viewer: the old command line would only ever fail.
    if (!platform::UsesWinHelp(HelpFilePath(folder))) {
        return starter.OpenHelpPage(HelpPagePath(folder), "", Later(failedLater, kHelpNotStarted))
                   ? std::string()
                   : kHelpNotStarted;
    }
    const std::string windowsDir = GetWindowsDir();
    const platform::WindowsStart viewer{HelpViewerPath(windowsDir),
                                        HelpCommandLine(windowsDir, folder), kHelpShowWindow};
    const auto result =
        starter.OpenWithDesktop(HelpPagePath(folder), viewer, Later(failedLater, kHelpNotStarted));
    return result == platform::OpenResult::Started ? std::string() : kHelpNotStarted;
}

}  // namespace zolvantek
