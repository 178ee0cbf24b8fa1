#include "platform/process_start.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

extern char** environ;

namespace zolvantek::platform {
namespace {

bool HoldsNul(const std::string& text) { return text.find('\0') != std::string::npos; }

// A relative path is made to start with "./": then it names the file in the current folder
// (not one found on PATH), and a name that begins with '-' cannot pass for an option.
QString AsGivenPath(const std::string& path) {
    const QString text = QString::fromLocal8Bit(path);
    return text.startsWith(u'/') ? text : QStringLiteral("./") + text;
}

// How soon an opener that gives up counts as a failed start: xdg-open without a handler
// ends within this; a file manager run in its place may end much later, rightly or not.
constexpr std::chrono::seconds kOpenerVerdict{3};

// The started program is our child until it ends; it is reaped then, when its pidfd turns
// readable, so no zombie is left and nothing runs while it lives. `failedSoon` runs when it
// ends with an error within kOpenerVerdict.
void ReapWhenDone(pid_t pid, const std::function<void()>& failedSoon = {}) {
    const int fd = int(syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0 || QCoreApplication::instance() == nullptr) {
        if (fd >= 0) close(fd);
        std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(
        notifier, &QSocketNotifier::activated, notifier, [notifier, pid, fd, started, failedSoon] {
            int status = 0;
            const bool reaped = waitpid(pid, &status, WNOHANG) == pid;
            notifier->setEnabled(false);
            close(fd);
            notifier->deleteLater();
            const bool failed = reaped && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            if (failed && failedSoon &&
                std::chrono::steady_clock::now() - started < kOpenerVerdict) {
                failedSoon();
            }
        });
}

// Starts the program in a session of its own without waiting for it. posix_spawn does not
// copy this process's memory the way fork does (QProcess::startDetached forks twice and
// waits for the exec), and reports a failed exec itself. Only a bare command name such as
// xdg-open is looked up on PATH.
bool SpawnDetached(const QString& program, const QStringList& arguments, bool searchPath,
                   const std::function<void()>& failedSoon = {}) {
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString& a : arguments) bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    argv.reserve(bytes.size() + 1);
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = searchPath ? posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ)
                                 : posix_spawn(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (error != 0) return false;
    ReapWhenDone(pid, failedSoon);
    return true;
}

}  // namespace

OpenResult OpenWithDesktop(const std::string& path, const WindowsStart& /*windows*/,
                           const std::function<void()>& failedLater) {
    // Followed through links: a link in a circle or to nothing, or a name with wildcards
    // the lookup matched, is no folder xdg-open could show.
    struct stat info {};
    if (path.empty() || HoldsNul(path) || stat(path.c_str(), &info) != 0) {
        return OpenResult::Missing;
    }
    return SpawnDetached(QStringLiteral("xdg-open"), {AsGivenPath(path)}, true, failedLater)
               ? OpenResult::Started
               : OpenResult::NoOpener;
}

bool StartProgram(const std::string& program, const std::string& argumentText,
                  const WindowsStart& /*windows*/) {
    if (program.empty() || HoldsNul(program) || HoldsNul(argumentText)) return false;
    return SpawnDetached(AsGivenPath(program),
                         QProcess::splitCommand(QString::fromLocal8Bit(argumentText)), false);
}

}  // namespace zolvantek::platform
