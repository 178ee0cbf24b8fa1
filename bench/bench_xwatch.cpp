// The suite's clock: what a person sees, timed from the X server's events, never by
// polling, on CLOCK_MONOTONIC as the launch child reads it. Modes:
//   startup PROGRAM [ARG...]          exec to the icon reparented into the tray
//   popup PID BUTTON X Y REPEAT       the press entering the server to PID's menu mapped
//   show PID REPEAT COMMAND...        COMMAND's start to PID's menu mapped
//   launch PID X Y REPEAT FIFO KEY...  Return after KEYs to the child's first clock reading
//   spawn CHILD FIFO REPEAT           the floor for that: CHILD started with posix_spawn
// Output is one "name value" pair a line, for the driver to read.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "bench_xwatch: %s\n", message.c_str());
    std::exit(2);
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Event = std::unique_ptr<xcb_generic_event_t, FreeDeleter>;
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* conn = nullptr;
xcb_screen_t* screen = nullptr;
uint8_t xinput = 0;

void Connect() {
    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) Fail("cannot open the X display");
    screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    fcntl(xcb_get_file_descriptor(conn), F_SETFD, FD_CLOEXEC);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(conn, screen->root, XCB_CW_EVENT_MASK, &mask);
    // Raw device events reach every client asking on the root window, grabs or not, as the
    // server takes the input in: the moment of a press. Master devices only: each press once.
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn, &xcb_input_id);
    if (ext == nullptr || !ext->present) Fail("the X server has no XInput extension");
    xinput = ext->major_opcode;
    std::free(
        xcb_input_xi_query_version_reply(conn, xcb_input_xi_query_version(conn, 2, 2), nullptr));
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } select{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
             XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    xcb_input_xi_select_events(conn, screen->root, 1, &select.head);
    // A round trip: the selections are in force once it returns.
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
}

// The next event and the moment it was read. Without one before the deadline it fails with
// `failure` (returns nothing without one); with `fd`, returns nothing once fd is readable.
Event Next(double deadline, double* when, const char* failure, int fd = -1) {
    for (;;) {
        if (Event e{xcb_poll_for_event(conn)}) {
            *when = Now();
            return e;
        }
        if (xcb_connection_has_error(conn)) Fail("the X connection broke");
        const double left = deadline - Now();
        if (left <= 0 && failure != nullptr) Fail(failure);
        if (left <= 0) return nullptr;
        pollfd fds[2] = {{xcb_get_file_descriptor(conn), POLLIN, 0}, {fd, POLLIN, 0}};
        if (poll(fds, fd >= 0 ? 2 : 1, int(left * 1000) + 1) > 0 && (fds[1].revents & POLLIN)) {
            *when = Now();
            return nullptr;
        }
    }
}

uint8_t Type(const xcb_generic_event_t* e) { return e->response_type & 0x7f; }

bool IsRaw(const xcb_generic_event_t* e, uint16_t rawType) {
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
    return Type(e) == XCB_GE_GENERIC && ge->extension == xinput && ge->event_type == rawType;
}

bool IsGone(const xcb_generic_event_t* e, xcb_window_t window) {
    return (Type(e) == XCB_UNMAP_NOTIFY || Type(e) == XCB_DESTROY_NOTIFY) &&  // one layout
           reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window == window;
}

xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, uint16_t(std::strlen(name)), name), nullptr));
    return atom ? atom->atom : 0;
}

std::vector<uint32_t> Cardinals(xcb_window_t window, const char* name) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        conn, xcb_get_property(conn, 0, window, Atom(name), XCB_ATOM_ANY, 0, 64), nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

pid_t Pid(xcb_window_t window) {
    const auto values = Cardinals(window, "_NET_WM_PID");
    return values.empty() ? -1 : pid_t(values[0]);
}

pid_t Spawn(const std::vector<std::string>& argv, bool ownSession = false) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Children run with the ordinary policy, whatever the watcher itself runs with.
    const sched_param ordinary{0};
    posix_spawnattr_setschedpolicy(&attr, SCHED_OTHER);
    posix_spawnattr_setschedparam(&attr, &ordinary);
    posix_spawnattr_setflags(
        &attr, short(POSIX_SPAWN_SETSCHEDULER | (ownSession ? POSIX_SPAWN_SETSID : 0)));
    // Our standard output carries the results: children write to our error output.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&files, 2, 1);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, args[0], &files, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (error != 0) Fail("cannot start " + argv[0] + ": " + std::strerror(error));
    return pid;
}

void Run(const std::vector<std::string>& argv) { waitpid(Spawn(argv), nullptr, 0); }

int Startup(const std::vector<std::string>& program) {
    // The icon starts as a child of the root window; the tray host reparents it into its
    // own socket window. That reparenting is "embedded".
    const double start = Now();
    const pid_t pid = Spawn(program, true);
    for (double when = 0;;) {
        Event e = Next(start + 20, &when, "the icon was not embedded within 20 s");
        const auto* rn = reinterpret_cast<xcb_reparent_notify_event_t*>(e.get());
        if (Type(e.get()) == XCB_REPARENT_NOTIFY && rn->parent != screen->root &&
            Pid(rn->window) == pid) {
            std::printf("pid %d\nstart %.9f\nembedded_ms %.3f\nwindow %u\n", int(pid), start,
                        (when - start) * 1e3, rn->window);
            return 0;
        }
    }
}

// From a press entering the server (or `command`'s start, unless it presses) to the MapNotify
// of a menu of `pid`: an override-redirect window that is not its tooltip.
xcb_window_t PressForPopup(pid_t pid, const std::vector<std::string>& command, double* ms) {
    // Pacing, not waiting: a press this soon after the last would be a double click.
    usleep(600000);
    while (Event e{xcb_poll_for_event(conn)}) {
    }
    double pressed = command[0] == "xdotool" ? -1 : Now();
    const pid_t tool = Spawn(command);
    const double deadline = Now() + 10;
    for (double when = 0;;) {
        Event e = Next(deadline, &when, "no menu came up within 10 s of the press");
        if (pressed < 0 && IsRaw(e.get(), XCB_INPUT_RAW_BUTTON_PRESS)) pressed = when;
        const auto* mn = reinterpret_cast<xcb_map_notify_event_t*>(e.get());
        if (Type(e.get()) != XCB_MAP_NOTIFY || pressed < 0 || !mn->override_redirect) continue;
        const auto types = Cardinals(mn->window, "_NET_WM_WINDOW_TYPE");
        const xcb_atom_t tooltip = Atom("_NET_WM_WINDOW_TYPE_TOOLTIP");
        if (Pid(mn->window) != pid || std::count(types.begin(), types.end(), tooltip)) continue;
        waitpid(tool, nullptr, 0);
        *ms = (when - pressed) * 1e3;
        return mn->window;
    }
}

// The pointer leaves the icon and the menu at once: no tooltip, no item under it.
std::vector<std::string> Press(const std::string& button, const std::string& x,
                               const std::string& y) {
    const std::string low = std::to_string(screen->height_in_pixels - 10);
    return {"xdotool", "mousemove", x,           y,    "mousedown", button,
            "mouseup", button,      "mousemove", "10", low};
}

// Whether the window went within `seconds`.
bool Gone(xcb_window_t window, double seconds) {
    const double deadline = Now() + seconds;
    double when = 0;
    while (Event e = Next(deadline, &when, nullptr)) {
        if (IsGone(e.get(), window)) return true;
    }
    return false;
}

int Popup(pid_t pid, const std::vector<std::string>& command, int repeat) {
    for (int i = 0; i < repeat; ++i) {
        double ms = 0;
        const xcb_window_t window = PressForPopup(pid, command, &ms);
        std::printf("popup_ms %.3f\n", ms);
        // A key that comes before the menu has taken the keyboard is lost: sent again.
        int tries = 0;
        do {
            Run({"xdotool", "key", "Escape"});
        } while (!Gone(window, 1) && ++tries < 10);
        if (tries == 10) Fail("the menu did not close");
    }
    return 0;
}

// Our own writer end keeps the FIFO from reporting a hang-up between two children.
int OpenFifo(const std::string& fifo) {
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader < 0 || open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC) < 0)
        Fail("cannot open the FIFO " + fifo);
    return reader;
}

// The clock reading the child writes to the FIFO first; whether `window` went meanwhile.
double ChildClock(int reader, xcb_window_t window = 0, bool* gone = nullptr) {
    char line[64] = {};
    std::size_t used = 0;
    const double deadline = Now() + 10;
    for (double when = 0; used == 0 || line[used - 1] != '\n';) {
        Event e = Next(deadline, &when, "the child did not start within 10 s", reader);
        if (e && gone != nullptr && IsGone(e.get(), window)) *gone = true;
        const ssize_t n = e ? 0 : read(reader, line + used, sizeof line - 1 - used);
        used += std::size_t(n > 0 ? n : 0);
    }
    return std::strtod(line, nullptr);
}

int Launch(pid_t pid, const std::string& x, const std::string& y, int repeat,
           const std::string& fifo, const std::vector<std::string>& keys) {
    const int reader = OpenFifo(fifo);
    for (int i = 0; i < repeat; ++i) {
        double ms = 0;
        const xcb_window_t popup = PressForPopup(pid, Press("1", x, y), &ms);
        std::vector<std::string> moves{"xdotool", "key", "--delay", "20"};
        moves.insert(moves.end(), keys.begin(), keys.end());
        Run(moves);
        // The program handles the moves; nothing on the screen says when it is done.
        usleep(150000);
        while (Event e{xcb_poll_for_event(conn)}) {
        }
        const pid_t tool = Spawn({"xdotool", "key", "Return"});
        double chosen = 0;
        while (!IsRaw(Next(Now() + 10, &chosen, "Return did not reach the server").get(),
                      XCB_INPUT_RAW_KEY_PRESS)) {
        }
        bool closed = false;  // the menu closes before the program starts
        const double started = ChildClock(reader, popup, &closed);
        waitpid(tool, nullptr, 0);
        std::printf("launch_ms %.3f\n", (started - chosen) * 1e3);
        if (!closed && !Gone(popup, 10)) Fail("the menu did not close");
    }
    return 0;
}

// From just before posix_spawn to the child's own first reading of the clock.
int SpawnFloor(std::string child, std::string fifo, int repeat) {
    const int reader = OpenFifo(fifo);
    char* argv[] = {child.data(), fifo.data(), nullptr};
    for (int i = 0; i < repeat; ++i) {
        const double before = Now();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) Fail("posix_spawn");
        const double started = ChildClock(reader);
        waitpid(pid, nullptr, 0);
        std::printf("spawn_ms %.3f\n", (started - before) * 1e3);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + std::min(argc, 2), argv + argc);
    const std::string mode = argc > 1 ? argv[1] : "";
    signal(SIGPIPE, SIG_IGN);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // The readings should not wait for a free processor: where allowed the watcher runs ahead
    // of ordinary processes (it only blocks on events), but not for the posix_spawn floor.
    const sched_param realtime{sched_get_priority_min(SCHED_FIFO)};
    if (mode != "spawn") sched_setscheduler(0, SCHED_FIFO, &realtime);
    Connect();
    if (mode == "startup" && !a.empty()) return Startup(a);
    if (mode == "popup" && a.size() == 5)
        return Popup(std::stoi(a[0]), Press(a[1], a[2], a[3]), std::stoi(a[4]));
    if (mode == "show" && a.size() > 2)
        return Popup(std::stoi(a[0]), {a.begin() + 2, a.end()}, std::stoi(a[1]));
    if (mode == "launch" && a.size() >= 5) {
        return Launch(std::stoi(a[0]), a[1], a[2], std::stoi(a[3]), a[4], {a.begin() + 5, a.end()});
    }
    if (mode == "spawn" && a.size() == 3) return SpawnFloor(a[0], a[1], std::stoi(a[2]));
    Fail("usage: bench_xwatch startup|popup|show|launch|spawn ARG...");
}
