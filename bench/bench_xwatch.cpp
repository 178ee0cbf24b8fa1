// The suite's X observer: it times what a person sees from X events the server sends,
// never by polling. Every time is CLOCK_MONOTONIC, shared with the other bench programs.
//
//   bench_xwatch wait-tray                    returns once a tray host owns the selection
//   bench_xwatch startup -- PROGRAM [ARG...]  exec to the icon reparented into the tray
//   bench_xwatch geometry WINDOW              the window's place on the screen
//   bench_xwatch popup OPTIONS                xdotool press to the popup window mapped
//   bench_xwatch launch OPTIONS               the Return press to the chosen program's start
//
// Output is one "name value" pair a line, for the driver to read.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
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

void Pause(double seconds) {
    // Pacing between presses (Qt reads two quick presses as a double click), never a wait
    // for something to happen.
    timespec ts{time_t(seconds), long((seconds - double(time_t(seconds))) * 1e9)};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Event = std::unique_ptr<xcb_generic_event_t, FreeDeleter>;

struct Point {
    int x = 0;
    int y = 0;
};

Point ParsePoint(const char* text) {
    Point p;
    if (std::sscanf(text, "%d,%d", &p.x, &p.y) != 2) Fail(std::string("not X,Y: ") + text);
    return p;
}

class XWatch {
public:
    XWatch() {
        conn_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn_)) Fail("cannot open the X display");
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        fcntl(xcb_get_file_descriptor(conn_), F_SETFD, FD_CLOEXEC);
    }
    ~XWatch() { xcb_disconnect(conn_); }

    xcb_connection_t* conn() { return conn_; }
    xcb_window_t root() const { return root_; }

    xcb_atom_t Atom(const char* name) {
        auto reply = std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter>(xcb_intern_atom_reply(
            conn_, xcb_intern_atom(conn_, 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    void SelectRootEvents(uint32_t mask) {
        xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
    }

    // Raw device events reach every client that asks on the root window, grabs or not,
    // as the server takes the input in: that is the moment of the press. Master devices
    // only: each press then comes once, not again for the slave device behind it.
    void SelectRawInput() {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn_, &xcb_input_id);
        if (ext == nullptr || !ext->present) Fail("the X server has no XInput extension");
        xiOpcode_ = ext->major_opcode;
        std::free(xcb_input_xi_query_version_reply(conn_, xcb_input_xi_query_version(conn_, 2, 2),
                                                   nullptr));
        struct {
            xcb_input_event_mask_t head;
            uint32_t mask;
        } select{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                 XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
        xcb_input_xi_select_events(conn_, root_, 1, &select.head);
    }

    // A round trip: every request before it is in force once it returns.
    void Sync() {
        std::free(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    }

    // The next event and the moment it was read; nothing once the deadline has passed.
    // With extraFd, also returns (with no event) as soon as that descriptor is readable.
    Event Next(double deadline, double* when, int extraFd = -1, bool* extraReady = nullptr) {
        if (extraReady != nullptr) *extraReady = false;
        for (;;) {
            if (Event e{xcb_poll_for_event(conn_)}) {
                *when = Now();
                return e;
            }
            if (xcb_connection_has_error(conn_)) Fail("the X connection broke");
            const double left = deadline - Now();
            if (left <= 0) return nullptr;
            pollfd fds[2] = {{xcb_get_file_descriptor(conn_), POLLIN, 0}, {extraFd, POLLIN, 0}};
            const int n = poll(fds, extraFd >= 0 ? 2 : 1, int(left * 1000) + 1);
            if (n > 0 && extraFd >= 0 && (fds[1].revents & POLLIN) != 0) {
                *when = Now();
                if (extraReady != nullptr) *extraReady = true;
                return nullptr;
            }
        }
    }

    void Drain() {
        while (Event e{xcb_poll_for_event(conn_)}) {
        }
    }

    static uint8_t Type(const xcb_generic_event_t* e) { return e->response_type & 0x7f; }

    bool IsRaw(const xcb_generic_event_t* e, uint16_t rawType) const {
        if (Type(e) != XCB_GE_GENERIC) return false;
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(e);
        return ge->extension == xiOpcode_ && ge->event_type == rawType;
    }

    std::vector<uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property) {
        auto reply = std::unique_ptr<xcb_get_property_reply_t, FreeDeleter>(xcb_get_property_reply(
            conn_, xcb_get_property(conn_, 0, window, property, XCB_ATOM_ANY, 0, 64), nullptr));
        std::vector<uint32_t> values;
        if (!reply || reply->format != 32) return values;
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        values.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
        return values;
    }

    std::optional<uint32_t> Pid(xcb_window_t window) {
        const auto values = Cardinals(window, Atom("_NET_WM_PID"));
        if (values.empty()) return std::nullopt;
        return values[0];
    }

    // A popup menu of the program: not its tooltip, not a drag icon.
    bool IsPopupOf(xcb_window_t window, pid_t pid) {
        const auto owner = Pid(window);
        if (pid != 0 && (!owner || pid_t(*owner) != pid)) return false;
        static const xcb_atom_t excluded[] = {Atom("_NET_WM_WINDOW_TYPE_TOOLTIP"),
                                              Atom("_NET_WM_WINDOW_TYPE_NOTIFICATION"),
                                              Atom("_NET_WM_WINDOW_TYPE_DND")};
        for (const uint32_t type : Cardinals(window, Atom("_NET_WM_WINDOW_TYPE"))) {
            for (const xcb_atom_t bad : excluded) {
                if (type == bad) return false;
            }
        }
        return true;
    }

    // The key that types `keysym` without modifiers.
    xcb_keycode_t Keycode(uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(conn_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto reply = std::unique_ptr<xcb_get_keyboard_mapping_reply_t, FreeDeleter>(
            xcb_get_keyboard_mapping_reply(
                conn_, xcb_get_keyboard_mapping(conn_, setup->min_keycode, uint8_t(count)),
                nullptr));
        if (!reply) Fail("cannot read the keyboard mapping");
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        for (int i = 0; i < count; ++i) {
            if (syms[i * reply->keysyms_per_keycode] == keysym) {
                return xcb_keycode_t(setup->min_keycode + i);
            }
        }
        Fail("no key types keysym " + std::to_string(keysym));
    }

private:
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    uint8_t xiOpcode_ = 0;
};

pid_t Spawn(const std::vector<std::string>& argv, bool ownSession) {
    std::vector<char*> args;
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
    // Our standard output carries the results: children write to our error output, and
    // a program that outlives us holds no pipe of the driver open.
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

void Run(const std::vector<std::string>& argv) {
    int status = 0;
    waitpid(Spawn(argv, false), &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail(argv[0] + " failed");
}

std::string Str(int v) { return std::to_string(v); }

// ---------------------------------------------------------------------------- modes ----

int WaitTray(XWatch& x) {
    const xcb_atom_t selection = x.Atom("_NET_SYSTEM_TRAY_S0");
    const xcb_atom_t manager = x.Atom("MANAGER");
    x.SelectRootEvents(XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    x.Sync();
    auto owner = [&] {
        auto reply = std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter>(
            xcb_get_selection_owner_reply(x.conn(), xcb_get_selection_owner(x.conn(), selection),
                                          nullptr));
        return reply ? reply->owner : xcb_window_t(0);
    };
    // A host that took the selection announces it with MANAGER on the root window.
    const double deadline = Now() + 15;
    while (owner() == 0) {
        double when = 0;
        Event e = x.Next(deadline, &when);
        if (!e) Fail("no tray host took the system tray selection");
        if (XWatch::Type(e.get()) == XCB_CLIENT_MESSAGE) {
            const auto* cm = reinterpret_cast<xcb_client_message_event_t*>(e.get());
            if (cm->type == manager && cm->data.data32[1] == selection) break;
        }
    }
    std::printf("tray_owner %u\n", owner());
    return 0;
}

int Startup(XWatch& x, const std::vector<std::string>& program) {
    // The icon starts as a child of the root window; the tray host reparents it into its
    // own socket window. That reparenting is "embedded".
    x.SelectRootEvents(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    x.Sync();
    const double start = Now();
    const pid_t pid = Spawn(program, true);
    const double deadline = start + 20;
    for (;;) {
        double when = 0;
        Event e = x.Next(deadline, &when);
        if (!e) Fail("the icon was not embedded within 20 s");
        if (XWatch::Type(e.get()) != XCB_REPARENT_NOTIFY) continue;
        const auto* rn = reinterpret_cast<xcb_reparent_notify_event_t*>(e.get());
        if (rn->parent == x.root()) continue;
        const auto owner = x.Pid(rn->window);
        if (!owner || pid_t(*owner) != pid) continue;
        std::printf("pid %d\nstart %.9f\nembedded_ms %.3f\nwindow %u\n", int(pid), start,
                    (when - start) * 1e3, rn->window);
        return 0;
    }
}

int Geometry(XWatch& x, xcb_window_t window) {
    auto geometry = std::unique_ptr<xcb_get_geometry_reply_t, FreeDeleter>(
        xcb_get_geometry_reply(x.conn(), xcb_get_geometry(x.conn(), window), nullptr));
    auto at = std::unique_ptr<xcb_translate_coordinates_reply_t, FreeDeleter>(
        xcb_translate_coordinates_reply(
            x.conn(), xcb_translate_coordinates(x.conn(), window, x.root(), 0, 0), nullptr));
    if (!geometry || !at) Fail("no such window");
    std::printf("x %d\ny %d\nwidth %d\nheight %d\n", at->dst_x, at->dst_y, geometry->width,
                geometry->height);
    return 0;
}

struct PressOptions {
    pid_t pid = 0;
    int button = 1;
    Point at;
    Point park;
    int repeat = 1;
    double gap = 0.6;
    double settle = 0.15;
    std::string fifo;
    std::vector<std::string> keysBefore;
};

// One press on the icon: the time from the press entering the server to the popup's
// MapNotify, and the popup window.
std::pair<double, xcb_window_t> PressForPopup(XWatch& x, const PressOptions& o) {
    // Whatever came before (the last press, maybe in another run of this tool) is far
    // enough back that this press cannot count as the second of a double click.
    Pause(o.gap);
    x.Drain();
    // The pointer leaves the icon and the menu at once: no tooltip, no item under it.
    const pid_t tool =
        Spawn({"xdotool", "mousemove", Str(o.at.x), Str(o.at.y), "mousedown", Str(o.button),
               "mouseup", Str(o.button), "mousemove", Str(o.park.x), Str(o.park.y)},
              false);
    const double deadline = Now() + 10;
    double pressed = -1;
    for (;;) {
        double when = 0;
        Event e = x.Next(deadline, &when);
        if (!e) Fail("no popup came up within 10 s of the press");
        if (pressed < 0 && x.IsRaw(e.get(), XCB_INPUT_RAW_BUTTON_PRESS)) {
            pressed = when;
            continue;
        }
        if (XWatch::Type(e.get()) != XCB_MAP_NOTIFY || pressed < 0) continue;
        const auto* mn = reinterpret_cast<xcb_map_notify_event_t*>(e.get());
        if (!mn->override_redirect || !x.IsPopupOf(mn->window, o.pid)) continue;
        waitpid(tool, nullptr, 0);
        return {(when - pressed) * 1e3, mn->window};
    }
}

bool IsGone(const xcb_generic_event_t* e, xcb_window_t window) {
    switch (XWatch::Type(e)) {
        case XCB_UNMAP_NOTIFY:
            return reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window == window;
        case XCB_DESTROY_NOTIFY:
            return reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window == window;
        default:
            return false;
    }
}

void WaitUnmapped(XWatch& x, xcb_window_t window) {
    const double deadline = Now() + 10;
    for (;;) {
        double when = 0;
        Event e = x.Next(deadline, &when);
        if (!e) Fail("the popup did not close within 10 s");
        if (IsGone(e.get(), window)) return;
    }
}

int Popup(XWatch& x, const PressOptions& o) {
    x.SelectRootEvents(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    x.SelectRawInput();
    x.Sync();
    for (int i = 0; i < o.repeat; ++i) {
        const auto [ms, window] = PressForPopup(x, o);
        std::printf("popup_ms %.3f\n", ms);
        std::fflush(stdout);
        Run({"xdotool", "key", "Escape"});
        WaitUnmapped(x, window);
    }
    return 0;
}

// Counts raw key presses until `count` have entered the server; the time of the last.
// Counts raw presses of one key until `count` have entered the server; the time of the last.
double WaitKeyPresses(XWatch& x, xcb_keycode_t key, int count) {
    const double deadline = Now() + 10;
    double when = 0;
    while (count > 0) {
        Event e = x.Next(deadline, &when);
        if (!e) Fail("the key presses did not reach the server");
        if (x.IsRaw(e.get(), XCB_INPUT_RAW_KEY_PRESS) &&
            reinterpret_cast<xcb_input_raw_key_press_event_t*>(e.get())->detail == key) {
            --count;
        }
    }
    return when;
}

int Launch(XWatch& x, const PressOptions& o) {
    if (o.fifo.empty()) Fail("launch needs --fifo");
    // Our own writer end keeps the pipe from reporting a hang-up between two children.
    const int reader = open(o.fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int keeper = open(o.fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader < 0 || keeper < 0) Fail("cannot open the FIFO " + o.fifo);
    x.SelectRootEvents(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    x.SelectRawInput();
    x.Sync();
    const xcb_keycode_t returnKey = x.Keycode(0xff0d);  // XK_Return
    for (int i = 0; i < o.repeat; ++i) {
        const xcb_window_t popup = PressForPopup(x, o).second;
        if (!o.keysBefore.empty()) {
            std::vector<std::string> keys{"xdotool", "key", "--delay", "20"};
            keys.insert(keys.end(), o.keysBefore.begin(), o.keysBefore.end());
            const pid_t tool = Spawn(keys, false);
            waitpid(tool, nullptr, 0);
            // The program handles the moves; nothing on screen says when it is done.
            Pause(o.settle);
        }
        x.Drain();
        const pid_t tool = Spawn({"xdotool", "key", "Return"}, false);
        const double chosen = WaitKeyPresses(x, returnKey, 1);
        char line[64] = {};
        std::size_t used = 0;
        bool closed = false;  // the menu closes before the program starts
        const double deadline = Now() + 10;
        while (used == 0 || line[used - 1] != '\n') {
            double when = 0;
            bool ready = false;
            Event e = x.Next(deadline, &when, reader, &ready);
            if (!e && !ready) Fail("the chosen program did not start within 10 s");
            if (e && IsGone(e.get(), popup)) closed = true;
            if (ready) {
                const ssize_t n = read(reader, line + used, sizeof line - 1 - used);
                if (n > 0) used += std::size_t(n);
            }
        }
        waitpid(tool, nullptr, 0);
        const double started = std::strtod(line, nullptr);
        std::printf("launch_ms %.3f\n", (started - chosen) * 1e3);
        std::fprintf(stderr, "bench_xwatch: Return pressed at %.6f, child started at %.6f\n",
                     chosen, started);
        std::fflush(stdout);
        if (!closed) WaitUnmapped(x, popup);
    }
    close(keeper);
    close(reader);
    return 0;
}

PressOptions ParseOptions(int argc, char** argv, int first) {
    PressOptions o;
    for (int i = first; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--keys") {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                o.keysBefore.push_back(argv[++i]);
            }
            continue;
        }
        if (i + 1 >= argc) Fail("missing value for " + name);
        const char* value = argv[++i];
        if (name == "--pid") {
            o.pid = pid_t(std::atoi(value));
        } else if (name == "--button") {
            o.button = std::atoi(value);
        } else if (name == "--at") {
            o.at = ParsePoint(value);
        } else if (name == "--park") {
            o.park = ParsePoint(value);
        } else if (name == "--repeat") {
            o.repeat = std::atoi(value);
        } else if (name == "--gap") {
            o.gap = std::strtod(value, nullptr);
        } else if (name == "--settle") {
            o.settle = std::strtod(value, nullptr);
        } else if (name == "--fifo") {
            o.fifo = value;
        } else {
            Fail("unknown option " + name);
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) Fail("usage: bench_xwatch wait-tray|startup|geometry|popup|launch ...");
    // Children the tools start are reaped by hand; a dead pipe reader must not kill us.
    signal(SIGPIPE, SIG_IGN);
    // The watcher's clock readings should not wait for a free processor: where allowed it
    // runs ahead of ordinary processes. It only ever blocks on events, so it takes nothing.
    const sched_param realtime{sched_get_priority_min(SCHED_FIFO)};
    sched_setscheduler(0, SCHED_FIFO, &realtime);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string mode = argv[1];
    XWatch x;
    if (mode == "wait-tray") return WaitTray(x);
    if (mode == "startup") {
        int first = 2;
        if (first < argc && std::strcmp(argv[first], "--") == 0) ++first;
        if (first >= argc) Fail("startup needs a program");
        return Startup(x, std::vector<std::string>(argv + first, argv + argc));
    }
    if (mode == "geometry" && argc == 3)
        return Geometry(x, xcb_window_t(std::strtoul(argv[2], nullptr, 0)));
    if (mode == "popup") return Popup(x, ParseOptions(argc, argv, 2));
    if (mode == "launch") return Launch(x, ParseOptions(argc, argv, 2));
    Fail("unknown mode " + mode);
}
