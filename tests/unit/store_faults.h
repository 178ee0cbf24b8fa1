#pragma once
// Real faults for the settings file tests: small file systems mounted for the test, other
// processes, and a guard against calls that never return.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zolvantek::test_support {

// Runs `work` in a forked copy of this process. The result, or nothing when it did not
// return within `limit` (the copy is killed then): a hang fails the test instead of
// stalling the run.
inline std::optional<bool> RunsWithin(std::chrono::milliseconds limit,
                                      const std::function<bool()>& work) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) _exit(work() ? 0 : 1);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A file system of its own below `dir`, unmounted when the test ends. Mounting needs root:
// where it cannot be done, Reason() says why and the test skips.
class ScratchMount {
public:
    explicit ScratchMount(std::filesystem::path dir) : dir_(std::move(dir)) {
        std::filesystem::create_directories(dir_);
    }
    ~ScratchMount() {
        if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
        std::error_code ignored;
        if (!image_.empty()) std::filesystem::remove(image_, ignored);
    }
    bool Tmpfs(const std::string& size) {
        const std::string options = "size=" + size + ",mode=0755";
        return Done(mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0, "tmpfs");
    }
    // ext2 with 128-byte inodes: file times in whole seconds, as on FAT or some network
    // homes.
    bool CoarseExt2(const std::filesystem::path& image) {
        image_ = image;
        const std::string make = "truncate -s 16M '" + image.string() +
                                 "' && mke2fs -q -t ext2 -I 128 -F '" + image.string() +
                                 "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return Done(false, "mke2fs (e2fsprogs)");
        const std::string attach =
            "mount -o loop '" + image.string() + "' '" + dir_.string() + "' 2>/dev/null";
        return Done(std::system(attach.c_str()) == 0, "a loop-mounted ext2 image");
    }
    bool ReadOnly() {
        return mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    bool ReadWrite() { return mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT, nullptr) == 0; }
    const std::string& Reason() const { return reason_; }

private:
    bool Done(bool ok, const char* what) {
        mounted_ = ok;
        if (!ok) {
            reason_ = std::string("cannot mount ") + what + " here (" +
                      (geteuid() == 0 ? std::strerror(errno) : "not root") +
                      "); the test needs root, as in CI";
        }
        return ok;
    }
    std::filesystem::path dir_;
    std::filesystem::path image_;
    bool mounted_ = false;
    std::string reason_;
};

// Another process, talked to through its standard input and output.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv) {
        QStringList arguments;
        for (std::size_t i = 1; i < argv.size(); ++i) arguments << QString::fromStdString(argv[i]);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QString::fromStdString(argv.at(0)), arguments);
        started_ = process_.waitForStarted();
    }
    ~ChildProcess() {
        Kill();
        Wait();
    }
    // The next line it printed, without its line end; empty once it has ended.
    std::string ReadLine() {
        while (!process_.canReadLine() && process_.waitForReadyRead(-1)) {
        }
        QByteArray line = process_.readLine();
        if (line.endsWith('\n')) line.chop(1);
        return line.toStdString();
    }
    void CloseInput() { process_.closeWriteChannel(); }
    void Kill() { process_.kill(); }
    // Its exit code, or -1 when it was killed.
    int Wait() {
        process_.waitForFinished(-1);
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    bool Started() const { return started_; }

private:
    QProcess process_;
    bool started_ = false;
};

}  // namespace zolvantek::test_support
