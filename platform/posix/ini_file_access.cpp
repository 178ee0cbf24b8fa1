#include "platform/posix/ini_file_access.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSysInfo>
#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace zolvantek::platform::ini {
namespace {

// A lock older than this whose owner still runs is taken as left behind: the store holds
// its lock for a few milliseconds.
constexpr int kStaleLockMs = 10000;

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The file a path names: a symbolic link (or a chain of them) is followed to its target.
// Nothing for a link that leads nowhere or in a circle.
std::optional<QString> TargetOf(const QString& path) {
    struct stat info {};
    if (lstat(Native(path).constData(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = realpath(Native(path).constData(), nullptr);
    if (resolved == nullptr) return std::nullopt;
    QString target = QFile::decodeName(resolved);
    free(resolved);
    return target;
}

FileBytes ReadOpen(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) {
        return {FileStatus::Refused, {}};
    }
    std::string bytes;
    bytes.reserve(std::size_t(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {FileStatus::Refused, {}};
        if (got == 0) break;
        bytes.append(buffer, std::size_t(got));
        // It may grow while we read: still no more than the limit.
        if (bytes.size() > std::size_t(kMaxFileBytes)) return {FileStatus::Refused, {}};
    }
    return {FileStatus::Read, std::move(bytes)};
}

// QSaveFile's temporary files are the file's name, a dot and six letters or digits. One
// left by a writer that was killed between making it and renaming it goes at the next
// save, which holds the lock, so no other writer can be using it. A suffix of lower-case
// letters only ("backup") is left alone: it may be a person's copy.
void RemoveLeftovers(const QString& target) {
    const QFileInfo info(target);
    const QString prefix = info.fileName() + u'.';
    const QDir folder = info.absoluteDir();
    const QStringList candidates =
        folder.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden);
    for (const QString& name : candidates) {
        const QStringView suffix = QStringView(name).mid(prefix.size());
        const bool ours = std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
            return c.unicode() < 0x80 && c.isLetterOrNumber();
        });
        const bool personal =
            std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isLower(); });
        struct stat entry {};
        const QByteArray path = Native(folder.filePath(name));
        if (ours && !personal && lstat(path.constData(), &entry) == 0 && S_ISREG(entry.st_mode)) {
            unlink(path.constData());
        }
    }
}

// A lock (or one of the ".rmlock" helpers QLockFile makes while it takes over a stale lock)
// whose writer is gone: it names a process of this machine that no longer runs, or it
// was left empty by a writer killed before it wrote its name. Qt would wait those out for
// its whole stale time, or for good when a helper is stuck. Removing one is safe: Qt's
// removal fails on a lock whose owner still holds it open.
bool Abandoned(const QString& lockPath) {
    QLockFile lock(lockPath);
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock.getLockInfo(&pid, &host, &app)) {
        const bool here = host.isEmpty() || host == QSysInfo::machineHostName();
        return here && pid > 0 && kill(pid_t(pid), 0) != 0 && errno == ESRCH;
    }
    const QFileInfo info(lockPath);
    return info.exists() && info.lastModified().msecsTo(QDateTime::currentDateTime()) > 1500;
}

void RemoveIfAbandoned(const QString& lockPath) {
    if (Abandoned(lockPath)) QLockFile(lockPath).removeStaleLockFile();
}

// QLockFile's own wait looks again only after 100, 300, 700 ms...: a writer that saves
// often would take the lock back each time before us. Looking every millisecond or so (at
// random, so two waiters do not keep step) gets a turn, and a process that has just let
// the lock go leaves a few milliseconds for the others before it takes it again.
class LockTurn {
public:
    bool Take(QLockFile& lock, const QString& lockPath) {
        const auto sinceRelease = std::chrono::steady_clock::now() - released_;
        if (sinceRelease < kCourtesy) std::this_thread::sleep_for(kCourtesy - sinceRelease);
        QDeadlineTimer deadline(kLockWaitMs);
        std::uniform_int_distribution<int> pauseUs(200, 1200);
        for (;;) {
            if (lock.tryLock(0)) {
                for (const char* helper : {".rmlock", ".rmlock.rmlock"}) {
                    RemoveIfAbandoned(lockPath + QLatin1String(helper));
                }
                return true;
            }
            if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) return false;
            RemoveIfAbandoned(lockPath);
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random_)));
        }
    }
    void Released() { released_ = std::chrono::steady_clock::now(); }

private:
    static constexpr std::chrono::milliseconds kCourtesy{4};
    std::chrono::steady_clock::time_point released_;
    std::minstd_rand random_{std::random_device{}()};
};

thread_local LockTurn lockTurn;

bool Save(const QString& target, const std::string& bytes) {
    QSaveFile out(target);
    // Never write over the file in place: that is what could leave half of it.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) return false;
    if (out.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        out.cancelWriting();
        out.commit();
        return false;
    }
    return out.commit();
}

}  // namespace

FileBytes ReadSettingsFile(const QString& path) {
    const QByteArray native = Native(path);
    struct stat info {};
    if (stat(native.constData(), &info) != 0) {
        return {errno == ENOENT ? FileStatus::Missing : FileStatus::Refused, {}};
    }
    // A FIFO, device, folder or socket is never opened at all.
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) return {FileStatus::Refused, {}};
    // Non-blocking all the same, in case it was swapped for something else meanwhile.
    const int fd = open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {errno == ENOENT ? FileStatus::Missing : FileStatus::Refused, {}};
    FileBytes result = ReadOpen(fd);
    close(fd);
    return result;
}

bool EditSettingsFile(const QString& path, const Edit& edit, bool createMissing) {
    if (createMissing && !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    const auto target = TargetOf(path);
    if (!target) return false;
    struct stat info {};
    if (stat(Native(*target).constData(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return false;
    } else if (errno != ENOENT || !createMissing) {
        return false;
    }

    // Anything but a plain file where the lock goes (a folder, say) would make the lock
    // wait out its whole time, or for ever: that is a failure at once.
    const QString lockPath = *target + QStringLiteral(".lock");
    struct stat lockInfo {};
    if (lstat(Native(lockPath).constData(), &lockInfo) == 0 && !S_ISREG(lockInfo.st_mode)) {
        return false;
    }
    QLockFile lock(lockPath);
    lock.setStaleLockTime(kStaleLockMs);
    if (!lockTurn.Take(lock, lockPath)) return false;
    struct ReleaseAtEnd {
        QLockFile& lock;
        ~ReleaseAtEnd() {
            lock.unlock();
            lockTurn.Released();
        }
    } release{lock};

    const FileBytes current = ReadSettingsFile(*target);
    if (current.status == FileStatus::Refused) return false;
    if (current.status == FileStatus::Missing && !createMissing) return false;
    const auto edited = edit(current.bytes);
    if (!edited) return false;
    if (edited->size() > std::size_t(kMaxFileBytes)) return false;
    if (current.status == FileStatus::Missing || *edited != current.bytes) {
        if (!Save(*target, *edited)) return false;
    }
    RemoveLeftovers(*target);
    return true;
}

}  // namespace zolvantek::platform::ini
