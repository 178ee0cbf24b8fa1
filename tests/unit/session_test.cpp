// The one-instance mark and the autostart setting through the platform interfaces, and
// elsewhere than on Windows the display check and desktop entries: against real processes,
// files and the registry (the Windows build runs under Wine), never the user's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/autostart.h"
#include "platform/single_instance.h"
#include "tests/unit/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/display_session.h"
#include "platform/posix/desktop_entry.h"

extern char** environ;
#endif

namespace zolvantek {
namespace {

using platform::Autostart;
using platform::SingleInstance;
using State = SingleInstance::State;

#ifdef _WIN32
// The named mutex lives in the session's own namespace: nothing to redirect.
struct PrivateRuntimeDir {};

// An autostart place of the test's own: a registry key, removed at the end.
struct AutostartPlace {
    std::string word = "ZolvantekTest-" + std::to_string(ZOLVANTEK_TEST_PID);
    std::string path = "Software\\" + word + "\\Run";
    // A path with a blank, quoted so that Windows cannot take "C:\Program" for the program.
    std::string program = "C:\\Program Files\\My Tools\\zolvantek.exe";
    std::string expected = "\"" + program + "\"";
    ~AutostartPlace() {
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\" + word).c_str());
    }
    // The Run value's text, read as the settings read the registry.
    std::string Stored(const Autostart& autostart) const {
        CRegSettings run;
        run.SetCompany(word);
        run.SetAppName("Run");
        const std::string& value = autostart.Location();
        return run.GetSetting("", value.substr(value.rfind('\\') + 1));
    }
};
#else
// $XDG_RUNTIME_DIR pointed at a fresh folder while it lives.
struct PrivateRuntimeDir {
    test_support::ScratchDir dir{"-runtime"};
    test_support::ScopedEnv env{{"XDG_RUNTIME_DIR", dir.c_str()}};
};

// An autostart place of the test's own: a folder, removed at the end.
struct AutostartPlace {
    test_support::ScratchDir dir{"-autostart"};
    std::string path = (dir / "autostart").string();
    // In the Exec line quoted for the blank, '%' doubled, '$' and '`' escaped, and each
    // escape's backslash doubled again as every desktop entry string value has it.
    std::string program = "/opt/My Tools/100%/zolvantek$1`";
    std::string expected = R"("/opt/My Tools/100%%/zolvantek\\$1\\`")";
    // The Exec line of the entry, as written.
    std::string Stored(const Autostart& autostart) const {
        std::ifstream file(autostart.Location());
        for (std::string line; std::getline(file, line);) {
            if (line.rfind("Exec=", 0) == 0) return line.substr(5);
        }
        return {};
    }
};
#endif

TEST(SingleInstanceTest, OnlyOneHolderUntilItGoes) {
    [[maybe_unused]] const PrivateRuntimeDir runtime;
    const std::string id = "com.brindlex.Test" + std::to_string(ZOLVANTEK_TEST_PID);
    {
        const SingleInstance first(id);
        ASSERT_EQ(first.state(), State::First) << first.error();
        // A refused second start, once gone again, leaves the first one's mark alone.
        EXPECT_EQ(SingleInstance(id).state(), State::AlreadyRunning);
        EXPECT_EQ(SingleInstance(id).state(), State::AlreadyRunning);
        // Another program's mark is its own.
        const SingleInstance other(id + "Other");
        EXPECT_EQ(other.state(), State::First) << other.error();
    }
    const SingleInstance next(id);
    EXPECT_EQ(next.state(), State::First) << next.error();
}

TEST(AutostartTest, OnAndOffAreRememberedAndOffTwiceIsFine) {
    const AutostartPlace place;
    const Autostart autostart("com.brindlex.Test", place.path);
    EXPECT_FALSE(autostart.Enabled());
    EXPECT_EQ(autostart.Disable(), "");

    EXPECT_EQ(autostart.Enable(place.program), "");
    EXPECT_TRUE(autostart.Enabled());
    EXPECT_EQ(place.Stored(autostart), place.expected);
    // On again replaces the entry rather than adding a second one.
    EXPECT_EQ(autostart.Enable(place.program), "");
    EXPECT_TRUE(autostart.Enabled());

    EXPECT_EQ(autostart.Disable(), "");
    EXPECT_FALSE(autostart.Enabled());
    EXPECT_EQ(autostart.Disable(), "");
    // Without a program path there is nothing sound to store.
    EXPECT_NE(autostart.Enable(""), "");
    EXPECT_FALSE(autostart.Enabled());
}

#ifndef _WIN32
constexpr const char* kId = "com.brindlex.Test";

TEST(SingleInstancePosix, AKilledHolderAndItsStartedProgramsDoNotBlockTheNextStart) {
    const PrivateRuntimeDir runtime;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // A group of its own with the program it starts from the menus, which must not
        // inherit the lock and outlives it.
        setpgid(0, 0);
        const SingleInstance mark(kId);
        pid_t child = 0;
        char sleep[] = "/bin/sleep", seconds[] = "30";
        char* argv[] = {sleep, seconds, nullptr};
        const bool spawned = posix_spawn(&child, sleep, nullptr, nullptr, argv, environ) == 0;
        const char answer = mark.state() == State::First && spawned ? 'y' : 'n';
        if (write(ready[1], &answer, 1) != 1) _exit(2);
        for (;;) pause();
    }
    close(ready[1]);
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    close(ready[0]);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(SingleInstance(kId).state(), State::AlreadyRunning);

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    const SingleInstance next(kId);
    EXPECT_EQ(next.state(), State::First) << next.error();
    kill(-holder, SIGKILL);
}

TEST(SingleInstancePosix, ALockPlaceThatCannotBeUsedIsReportedNotTakenForAnotherInstance) {
    const PrivateRuntimeDir runtime;
    const std::string dir = runtime.dir.string();
    // Someone put a folder, or a link, where the lock file goes.
    std::filesystem::create_directory(dir + "/" + kId + ".lock");
    std::filesystem::create_symlink("/etc/passwd", dir + "/" + kId + "Link.lock");
    for (const std::string& id : {std::string(kId), std::string(kId) + "Link"}) {
        const SingleInstance mark(id);
        EXPECT_EQ(mark.state(), State::Unknown) << id;
        EXPECT_NE(mark.error().find(".lock"), std::string::npos) << mark.error();
    }
}

// (Its Exec and TryExec, and desktop-file-validate on it: the command-line test, where the
// real program names itself.)
TEST(AutostartPosix, TheEntryComesWholeInItsPlaceAndWhatItCannotHoldIsRefused) {
    const AutostartPlace place;
    const Autostart autostart(kId, place.path);
    ASSERT_EQ(autostart.Enable("/usr/bin/zolvantek"), "");
    EXPECT_EQ(autostart.Location(), place.path + "/com.brindlex.Test.desktop");
    // Nothing half-written is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(place.path), {}), 1);
    // A path the entry cannot hold, or a place that cannot be made, is an error.
    EXPECT_NE(autostart.Enable("zolvantek"), "");
    EXPECT_NE(autostart.Enable("/opt/a\nb/zolvantek"), "");
    std::ofstream(place.path + "/file") << "x";
    const Autostart blocked(kId, place.path + "/file/autostart");
    EXPECT_NE(blocked.Enable("/usr/bin/zolvantek"), "");
    EXPECT_FALSE(blocked.Enabled());
}

// Sets the display variables for one check and puts them back after it: whether there is a
// session, and the window system the program then asks Qt for ("" for Qt's own choice).
std::pair<bool, std::string> Session(
    std::initializer_list<std::pair<const char*, const char*>> values) {
    const test_support::ScopedEnv cleared{{"DISPLAY", nullptr},
                                          {"WAYLAND_DISPLAY", nullptr},
                                          {"QT_QPA_PLATFORM", nullptr},
                                          {"XDG_CURRENT_DESKTOP", nullptr}};
    const test_support::ScopedEnv given(values);
    const bool available = platform::GraphicalSessionAvailable();
    platform::PreferPlaceablePopups();
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    return {available, chosen == nullptr ? "" : chosen};
}

TEST(DisplaySessionPosix, FollowsTheChosenWindowSystem) {
    EXPECT_FALSE(Session({}).first);
    EXPECT_FALSE(Session({{"DISPLAY", ""}}).first);
    EXPECT_TRUE(Session({{"DISPLAY", ":0"}}).first);
    EXPECT_TRUE(Session({{"WAYLAND_DISPLAY", "wayland-0"}}).first);
    EXPECT_TRUE(Session({{"QT_QPA_PLATFORM", "offscreen"}}).first);
    EXPECT_FALSE(Session({{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}).first);
    EXPECT_TRUE(Session({{"QT_QPA_PLATFORM", "xcb:nograb"}, {"DISPLAY", ":1"}}).first);
    EXPECT_FALSE(Session({{"QT_QPA_PLATFORM", "wayland-egl"}, {"DISPLAY", ":1"}}).first);
    EXPECT_TRUE(Session({{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}).first);
    // Wayland without an XWayland that answers (none runs on display 97) stays Wayland.
    EXPECT_EQ(Session({{"WAYLAND_DISPLAY", "wayland-0"},
                       {"DISPLAY", ":97"},
                       {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}),
              std::pair(true, std::string()));
    EXPECT_EQ(Session({{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", "wayland"}}).second,
              "wayland");
}

TEST(DesktopEntryPosix, ExecIsSplitAsTheFormatQuotesAndFieldCodesGo) {
    using Words = std::vector<std::string>;
    const std::pair<const char*, std::optional<Words>> cases[] = {
        {"gedit %U", Words{"gedit"}},
        {"\"/opt/My App/run\" --x=\"a b\" %f", Words{"/opt/My App/run", "--x=a b"}},
        {"sh -c \"echo \\\"hi\\\" \\$HOME\" 100%%", Words{"sh", "-c", "echo \"hi\" $HOME", "100%"}},
        {"app --file=%f next", Words{"app", "next"}},
        {"broken \"quote", std::nullopt},
    };
    for (const auto& [exec, words] : cases) EXPECT_EQ(platform::SplitExec(exec), words) << exec;

    const test_support::ScratchDir place;
    const std::string file = (place / "app.desktop").string();
    std::ofstream(file) << "# comment\n[Desktop Entry]\nType=Application\nName=My\\sEditor\nExec="
                           "/usr/bin/ed -p x %F\n[Desktop Action new]\nName=Other\nExec=other\n";
    const auto entry = platform::ReadDesktopEntry(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "My Editor");
    EXPECT_EQ(entry->exec, (Words{"/usr/bin/ed", "-p", "x"}));
    std::ofstream(file) << "[Desktop Entry]\nType=Link\nName=Site\nExec=x\n";
    EXPECT_FALSE(platform::ReadDesktopEntry(file));
    EXPECT_FALSE(platform::ReadDesktopEntry(place / "none.desktop"));
}

#endif

}  // namespace
}  // namespace zolvantek
