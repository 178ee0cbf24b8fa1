// The one-instance lock, the autostart entry and the display check of systems other than
// Windows, against real processes and files.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/autostart.h"
#include "platform/display_session.h"
#include "platform/posix/desktop_entry.h"
#include "platform/single_instance.h"
#include "tests/unit/session_places.h"

extern char** environ;

namespace zolvantek {
namespace {

using platform::SingleInstance;
using State = SingleInstance::State;
constexpr const char* kId = "com.brindlex.Test";

TEST(SingleInstancePosix, AKilledHolderAndItsStartedProgramsDoNotBlockTheNextStart) {
    const test_support::PrivateRuntimeDir runtime;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const SingleInstance mark(kId);
        // A program started from the menus: it must not inherit the lock.
        pid_t child = 0;
        char sleep[] = "/bin/sleep";
        char seconds[] = "30";
        char* argv[] = {sleep, seconds, nullptr};
        const bool spawned = posix_spawn(&child, sleep, nullptr, nullptr, argv, environ) == 0;
        const char answer = mark.state() == State::First && spawned ? 'y' : 'n';
        if (write(ready[1], &child, sizeof child) != sizeof child) _exit(2);
        if (write(ready[1], &answer, 1) != 1) _exit(2);
        for (;;) pause();
    }
    close(ready[1]);
    pid_t grandchild = 0;
    char answer = 0;
    ASSERT_EQ(read(ready[0], &grandchild, sizeof grandchild), ssize_t(sizeof grandchild));
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    close(ready[0]);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(SingleInstance(kId).state(), State::AlreadyRunning);

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    const SingleInstance next(kId);
    EXPECT_EQ(next.state(), State::First) << next.error();
    if (grandchild > 0) kill(grandchild, SIGKILL);
}

TEST(SingleInstancePosix, ALockPlaceThatCannotBeUsedIsReportedNotTakenForAnotherInstance) {
    const test_support::PrivateRuntimeDir runtime;
    const std::string& dir = runtime.path();
    // Someone put a folder, or a link, where the lock file goes.
    std::filesystem::create_directory(dir + "/" + kId + ".lock");
    std::filesystem::create_symlink("/etc/passwd", dir + "/" + kId + "Link.lock");
    for (const std::string& id : {std::string(kId), std::string(kId) + "Link"}) {
        const SingleInstance mark(id);
        EXPECT_EQ(mark.state(), State::Unknown) << id;
        EXPECT_NE(mark.error().find(".lock"), std::string::npos) << mark.error();
    }
}

// The entry as a whole is checked with desktop-file-validate where the program writes it.
TEST(AutostartPosix, TheEntryNamesTheProgramTwiceSoTheSessionSkipsItOnceTheProgramIsGone) {
    const test_support::AutostartPlace place;
    const platform::Autostart autostart(kId, place.path());
    ASSERT_EQ(autostart.Enable("/usr/bin/zolvantek"), "");
    EXPECT_EQ(autostart.Location(), place.path() + "/com.brindlex.Test.desktop");
    const std::string entry = test_support::Slurp(autostart.Location());
    EXPECT_NE(entry.find("\nExec=/usr/bin/zolvantek\nTryExec=/usr/bin/zolvantek\n"),
              std::string::npos);
    // Nothing half-written is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(place.path()), {}), 1);
    // A path the entry cannot hold, or a place that cannot be made, is an error.
    EXPECT_NE(autostart.Enable("zolvantek"), "");
    EXPECT_NE(autostart.Enable("/opt/a\nb/zolvantek"), "");
    std::ofstream(place.path() + "/file") << "x";
    const platform::Autostart blocked(kId, place.path() + "/file/autostart");
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
bool SessionWith(std::initializer_list<std::pair<const char*, const char*>> values) {
    return Session(values).first;
}

TEST(DisplaySessionPosix, FollowsTheChosenWindowSystem) {
    EXPECT_FALSE(SessionWith({}));
    EXPECT_FALSE(SessionWith({{"DISPLAY", ""}}));
    EXPECT_TRUE(SessionWith({{"DISPLAY", ":0"}}));
    EXPECT_TRUE(SessionWith({{"WAYLAND_DISPLAY", "wayland-0"}}));
    EXPECT_TRUE(SessionWith({{"QT_QPA_PLATFORM", "offscreen"}}));
    EXPECT_FALSE(SessionWith({{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}));
    EXPECT_TRUE(SessionWith({{"QT_QPA_PLATFORM", "xcb:nograb"}, {"DISPLAY", ":1"}}));
    EXPECT_FALSE(SessionWith({{"QT_QPA_PLATFORM", "wayland-egl"}, {"DISPLAY", ":1"}}));
    EXPECT_TRUE(SessionWith({{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":1"}}));
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
    std::ofstream(file) << "# comment\n[Desktop Entry]\nType=Application\nName=My\\sEditor\n"
                           "Icon=accessories-text-editor\nExec=/usr/bin/ed -p x %F\n"
                           "NoDisplay=true\n[Desktop Action new]\nName=Other\nExec=other\n";
    const auto entry = platform::ReadDesktopEntry(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "My Editor");
    EXPECT_EQ(entry->icon, "accessories-text-editor");
    EXPECT_EQ(entry->exec, (Words{"/usr/bin/ed", "-p", "x"}));
    EXPECT_TRUE(entry->hidden);
    std::ofstream(file) << "[Desktop Entry]\nType=Link\nName=Site\nExec=x\n";
    EXPECT_FALSE(platform::ReadDesktopEntry(file));
    EXPECT_FALSE(platform::ReadDesktopEntry(place / "none.desktop"));
}

}  // namespace
}  // namespace zolvantek
