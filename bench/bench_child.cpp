// What every launch measurement starts: it reads the clock first thing and hands the time
// over through the FIFO named by its argument.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // Not blocking: with no reader (a run that gave up) the child just ends.
    const int fd = argc < 2 ? -1 : open(argv[1], O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 1;
    char line[48];
    const int n = std::snprintf(line, sizeof line, "%lld.%09ld\n",
                                static_cast<long long>(ts.tv_sec), ts.tv_nsec);
    return write(fd, line, static_cast<size_t>(n)) == n ? 0 : 1;
}
