#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zolvantek::platform {
namespace {

std::string LockPath(const std::string& appId) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/" + appId + ".lock";
    // Without a login manager's runtime folder: a name of this user's own in /tmp.
    return "/tmp/" + appId + "-" + std::to_string(geteuid()) + ".lock";
}

}  // namespace

// An flock()ed file: the kernel releases the lock with the process, however it ends.
SingleInstance::SingleInstance(const std::string& appId) {
    const std::string path = LockPath(appId);
    // Close-on-exec: a program started from the menus must not keep the lock alive.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = path + ": " + std::strerror(errno);
        return;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        error_ = path + ": not a file of this user's own";
        close(fd);
        return;
    }
    int result = 0;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int cause = errno;
        close(fd);
        if (cause == EWOULDBLOCK) {
            state_ = State::AlreadyRunning;
        } else {
            error_ = path + ": " + std::strerror(cause);
        }
        return;
    }
    handle_ = fd;
    state_ = State::First;
}

SingleInstance::~SingleInstance() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
}

}  // namespace zolvantek::platform
