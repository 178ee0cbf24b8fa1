// The floor for starting a process: the launch child started directly with posix_spawn,
// timed from just before the call to the child's own first reading of the clock.
//
//   bench_spawn --repeat N CHILD
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

extern char** environ;

namespace {

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

int Fail(const char* what) {
    std::fprintf(stderr, "bench_spawn: %s: %s\n", what, std::strerror(errno));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 1;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--repeat") == 0) {
        repeat = std::atoi(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: bench_spawn [--repeat N] CHILD\n");
        return 2;
    }
    char dir[] = "/tmp/bench_spawn.XXXXXX";
    if (mkdtemp(dir) == nullptr) return Fail("mkdtemp");
    const std::string fifo = std::string(dir) + "/started";
    if (mkfifo(fifo.c_str(), 0600) != 0) return Fail("mkfifo");
    // Our own writer end keeps the pipe from reporting a hang-up between two children.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int keeper = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader < 0 || keeper < 0) return Fail("open FIFO");

    char* childArgv[] = {argv[first], const_cast<char*>(fifo.c_str()), nullptr};
    int status = 0;
    for (int i = 0; i < repeat && status == 0; ++i) {
        const double before = Now();
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[first], nullptr, nullptr, childArgv, environ) != 0) {
            status = Fail("posix_spawn");
            break;
        }
        char line[64] = {};
        std::size_t used = 0;
        while (used == 0 || line[used - 1] != '\n') {
            pollfd fd{reader, POLLIN, 0};
            if (poll(&fd, 1, 10000) <= 0) {
                std::fprintf(stderr, "bench_spawn: the child did not report\n");
                status = 2;
                break;
            }
            const ssize_t n = read(reader, line + used, sizeof line - 1 - used);
            if (n > 0) used += std::size_t(n);
        }
        waitpid(pid, nullptr, 0);
        if (status == 0)
            std::printf("spawn_ms %.3f\n", (std::strtod(line, nullptr) - before) * 1e3);
    }
    close(keeper);
    close(reader);
    unlink(fifo.c_str());
    rmdir(dir);
    return status;
}
