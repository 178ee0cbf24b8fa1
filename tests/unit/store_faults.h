#pragma once
// Real faults for the settings file tests: small file systems mounted for the test, other
// processes, and a guard against calls that never return.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace zolvantek::test_support {

// `work` in a forked copy of this process that gets `seconds` to come out true: a call
// that never returns fails the test instead of stalling the run.
#define EXPECT_TRUE_WITHIN(seconds, work) \
    EXPECT_EXIT(                          \
        {                                 \
            alarm(seconds);               \
            _exit((work) ? 0 : 1);        \
        },                                \
        ::testing::ExitedWithCode(0), "")

// A file system of its own on `dir` while it lives. Mounting needs root, as in CI: where
// it cannot be done, the test skips.
class ScratchMount {
public:
    explicit ScratchMount(std::filesystem::path dir) : dir_(std::move(dir)) {
        std::filesystem::create_directories(dir_);
    }
    ~ScratchMount() {
        if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
    }
    // `mount <options> <dir>`: "-t tmpfs -o size=1m tmpfs", "-o remount,ro" and so on.
    bool Mount(const std::string& options) {
        const std::string command = "mount " + options + " '" + dir_.string() + "' 2>/dev/null";
        const bool done = std::system(command.c_str()) == 0;
        mounted_ = mounted_ || done;
        return done;
    }

private:
    std::filesystem::path dir_;
    bool mounted_ = false;
};

// The settings child (settings_child.cpp), talked to through its standard input and
// output; killed, if it still runs, when the test ends.
class ChildProcess : public QProcess {
public:
    explicit ChildProcess(const QStringList& arguments) {
        setProcessChannelMode(QProcess::ForwardedErrorChannel);
        start(QStringLiteral(ZOLVANTEK_SETTINGS_CHILD), arguments);
    }
    ~ChildProcess() override { Wait(true); }
    // The next line it printed, without its line end; empty once it has ended.
    std::string ReadLine() {
        while (!canReadLine() && waitForReadyRead(-1)) {
        }
        return readLine().trimmed().toStdString();
    }
    // Its exit code, or -1 when it was killed.
    int Wait(bool kill = false) {
        if (kill) this->kill();
        waitForFinished(-1);
        return exitStatus() == QProcess::NormalExit ? exitCode() : -1;
    }
};

}  // namespace zolvantek::test_support
