// The settings file of systems other than Windows, against real files, real file systems
// and real processes: what a save keeps, what it refuses, and what faults do to it.
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLockFile>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "settings/launcher_lists.h"
#include "tests/unit/test_support.h"

namespace zolvantek {
namespace {

namespace fs = std::filesystem;
using test_support::Entries;
using test_support::Slurp;
using test_support::Spit;
using Lines = std::vector<std::string>;

// `work` in a forked copy of this process that gets `seconds` to come out true: a call
// that never returns fails the test instead of stalling the run.
#define EXPECT_TRUE_WITHIN(seconds, work) \
    EXPECT_EXIT(                          \
        {                                 \
            alarm(seconds);               \
            _exit((work) ? 0 : 1);        \
        },                                \
        ::testing::ExitedWithCode(0), "")

// Another process: a forked copy of this one doing `work`, whose answer is its exit code.
// Killed, if it still runs, when the test ends.
class OtherProcess {
public:
    explicit OtherProcess(const std::function<int()>& work) : pid_(fork()) {
        if (pid_ == 0) _exit(work());
    }
    ~OtherProcess() { Wait(true); }
    // Its exit code, or -1 when it was killed.
    int Wait(bool kill = false) {
        int status = 0;
        if (pid_ <= 0) return -1;
        if (kill) ::kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_;
};

// A process holding the lock at `path` until it is killed, as a writer that dies in the
// middle of a save. Locked() once it holds it (QLockFile has written its name by then).
struct LockHolder {
    explicit LockHolder(const std::string& path)
        : path_(path), process_([path] {
              QLockFile lock(QString::fromStdString(path));
              if (!lock.tryLock(5000)) return 1;
              for (;;) pause();
          }) {}
    bool Locked() const {
        for (int waited = 0; waited < 5000; waited += 10, usleep(10000)) {
            std::error_code missing;
            if (fs::file_size(path_, missing) > 0 && !missing) return true;
        }
        return false;
    }
    void Kill() { process_.Wait(true); }

private:
    std::string path_;
    OtherProcess process_;
};

// A file system of its own on `dir` while it lives. Mounting needs root, as in CI: where
// it cannot be done, the test skips.
struct ScratchMount {
    fs::path dir;
    bool mounted = false;
    ~ScratchMount() {
        if (mounted) umount2(dir.c_str(), MNT_DETACH);
    }
    // `mount <options> <dir>`: "-t tmpfs -o size=1m tmpfs", "-o remount,ro" and so on.
    bool Mount(const std::string& options) {
        fs::create_directories(dir);
        const std::string command = "mount " + options + " '" + dir.string() + "' 2>/dev/null";
        const bool done = std::system(command.c_str()) == 0;
        mounted = mounted || done;
        return done;
    }
};

CRegSettings Settings() {
    CRegSettings settings;
    settings.SetCompany("Acme");
    settings.SetAppName("Suite");
    return settings;
}
Lines Stored(ListKind kind) {
    CRegSettings settings = Settings();
    return LoadList(settings, kind, 20).lines;
}
bool SaveNow(ListKind kind, const Lines& lines) {
    CRegSettings settings = Settings();
    return SaveList(settings, kind, lines, 20).allWritten;
}
constexpr ListKind kDirs = ListKind::Directories, kProgs = ListKind::Programs;
// Saves the list `rounds` times, every slot of round r holding "<tag> r. <slot> | ...";
// 1 at the first save that fails.
int SaveRounds(ListKind kind, int rounds, const std::string& tag) {
    for (int round = 1; round <= rounds; ++round) {
        if (!SaveNow(kind, Entries(tag + " " + std::to_string(round) + ".", 20))) return 1;
    }
    return 0;
}

class IniFileTest : public ::testing::Test {
protected:
    IniFileTest() { UseHome(scratch_ / "config"); }
    void UseHome(const fs::path& home) {
        home_ = home;
        fs::create_directories(home_);
        setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    }
    fs::path File() const { return home_ / "Acme" / "Suite.ini"; }
    // QSaveFile's temporary files beside the settings file.
    int Leftovers() const {
        int found = 0;
        for (const auto& entry : fs::directory_iterator(File().parent_path())) {
            found += std::regex_match(entry.path().filename().string(),
                                      std::regex("Suite\\.ini\\.[A-Za-z0-9]{6}"));
        }
        return found;
    }

    test_support::ScratchDir scratch_;
    test_support::ScopedEnv env_{{"XDG_CONFIG_HOME", nullptr}};
    fs::path home_;
};

TEST_F(IniFileTest, SaveChangesOnlyTheLinesOfItsValuesAndKeepsEveryOtherByte) {
    const std::string head = "\xEF\xBB\xBF; my launcher settings\r\n\r\n[Directories]\r\n";
    const std::string kept =
        "# keep me\r\njust some words\r\nDirP1=Caf\xE9 | /opt/caf\xE9 |  | Normal\r\nDir2/=odd "
        "name\r\n";
    const std::string tail = "\r\n[Other]\r\nKey=  spaced value  \r\n";
    Spit(File(), head + "Dir1=Old | /srv/old | Explorer | Normal\r\n" + kept + tail);
    ASSERT_TRUE(SaveNow(kDirs, {"New | /srv/new | Form | Normal"}));
    // Saving what is stored already leaves the file itself alone.
    const auto inode = [this] {
        struct stat info {};
        return stat(File().c_str(), &info) == 0 ? info.st_ino : 0;
    };
    const auto before = inode();
    ASSERT_TRUE(SaveNow(kDirs, {"New | /srv/new | Form | Normal"}));
    EXPECT_EQ(inode(), before);
    std::string appended;
    for (int slot = 2; slot <= 20; ++slot) appended += "Dir" + std::to_string(slot) + "=\r\n";
    EXPECT_EQ(Slurp(File()),
              head + "Dir1=New | /srv/new | Form | Normal\r\n" + kept + appended + tail);
    // The byte that is not UTF-8 reads back as it is, so the entry still names its folder.
    EXPECT_EQ(Stored(kProgs), Lines{"Caf\xE9 | /opt/caf\xE9 |  | Normal"});
    EXPECT_EQ(Settings().GetSetting("OTHER", "key"), "  spaced value  ");

    // Line ends of CR alone read as lines and stay so.
    Spit(File(), "[Directories]\rDir1=A | /a | Explorer | Normal\rDirP1=B | /b |  | Normal\r");
    EXPECT_EQ(Stored(kDirs), Lines{"A | /a | Explorer | Normal"});
    ASSERT_TRUE(SaveNow(kProgs, {"B | /b |  | Normal", "C | /c | -x | Normal"}));
    EXPECT_EQ(Slurp(File()).find('\n'), std::string::npos);
    EXPECT_EQ(Slurp(File()).rfind("[Directories]\rDir1=A | /a | Explorer | Normal\r", 0), 0u);
    EXPECT_EQ(Stored(kProgs), (Lines{"B | /b |  | Normal", "C | /c | -x | Normal"}));
}

TEST_F(IniFileTest, TwinSectionsAndNamesTheFirstIsReadAndWrittenTheOthersLeftAlone) {
    const std::string twin = "[directories]\nDIR1=second\nDir2=only here\n";
    Spit(File(), "[Directories]\nDir1=first\n\n" + twin);
    CRegSettings settings = Settings();
    EXPECT_EQ(settings.GetSetting("Directories", "Dir1"), "first");
    EXPECT_EQ(settings.GetSetting("DIRECTORIES", "dir2"), "only here");
    ASSERT_TRUE(settings.SaveSetting("Directories", "dir1", "changed"));
    ASSERT_TRUE(settings.SaveSetting("Directories", "Dir3", "new"));
    EXPECT_EQ(Slurp(File()), "[Directories]\nDir1=changed\nDir3=new\n\n" + twin);
    ASSERT_TRUE(settings.SaveSetting("Directories", "Dir2", "moved on"));
    EXPECT_EQ(
        Slurp(File()),
        "[Directories]\nDir1=changed\nDir3=new\n\n[directories]\nDIR1=second\nDir2=moved on\n");
}

TEST_F(IniFileTest, FifoFolderAndFilesOverSixteenMebibytesAreRefusedWithoutBlocking) {
    const auto refused = [] {
        CRegSettings settings = Settings();
        return settings.GetSetting("Directories", "Dir1", "default") == "default" &&
               !settings.SaveSetting("Directories", "Dir1", "x");
    };
    fs::create_directories(File().parent_path());
    ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
    EXPECT_TRUE_WITHIN(5, refused()) << "FIFO";
    EXPECT_TRUE(fs::is_fifo(File()));
    fs::remove(File());
    fs::create_directory(File());
    EXPECT_TRUE_WITHIN(5, refused()) << "folder";
    fs::remove(File());
    std::string big = "[Directories]\nDir1=A | /a | Explorer | Normal\n";
    Spit(File(), big += std::string(std::size_t{16} * 1024 * 1024, '#'));
    EXPECT_TRUE_WITHIN(5, refused()) << "16 MiB";
    EXPECT_EQ(fs::file_size(File()), big.size());
    // A save that would take a file of the most it may hold over is refused, the file kept.
    big.resize(std::size_t{16} * 1024 * 1024);
    Spit(File(), big);
    EXPECT_EQ(Settings().GetSetting("Directories", "Dir1"), "A | /a | Explorer | Normal");
    EXPECT_FALSE(Settings().SaveSetting("Directories", "Dir2", "x"));
    EXPECT_EQ(Slurp(File()), big);
}

TEST_F(IniFileTest, ALockThatIsAFolderOrHeldFailsTheSaveInTimeAndOneOfAKilledWriterIsTakenOver) {
    ASSERT_TRUE(SaveNow(kProgs, Entries("Prog", 3)));
    const std::string lock = File().string() + ".lock";
    fs::create_directory(lock);
    EXPECT_TRUE_WITHIN(5, !SaveNow(kProgs, Entries("New", 1)));
    EXPECT_EQ(Stored(kProgs), Entries("Prog", 3));  // and reads go on
    fs::remove(lock);
    LockHolder holder(lock);
    ASSERT_TRUE(holder.Locked());
    EXPECT_TRUE_WITHIN(10, !SaveNow(kProgs, Entries("New", 1)));
    EXPECT_EQ(Stored(kProgs), Entries("Prog", 3));
    holder.Kill();
    ASSERT_TRUE(fs::exists(lock));
    EXPECT_TRUE_WITHIN(10, SaveNow(kProgs, Entries("Prog", 2)));
    EXPECT_EQ(Stored(kProgs), Entries("Prog", 2));
    // One a writer killed before it wrote its name left empty goes once it is a little old.
    Spit(lock, "");
    fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::seconds(3));
    EXPECT_TRUE_WITHIN(5, SaveNow(kProgs, Entries("Prog", 1)));
}

TEST_F(IniFileTest, ASaveThatFailsOnAFullDiskOrAReadOnlyOneChangesNothingAndTheSameListSavesLater) {
    ScratchMount disk{scratch_ / "disk"};
    if (!disk.Mount("-t tmpfs -o size=256k tmpfs")) GTEST_SKIP() << "cannot mount: needs root";
    UseHome(scratch_ / "disk" / "config");
    ASSERT_TRUE(SaveNow(kDirs, Entries("Dir", 2)));
    ASSERT_TRUE(SaveNow(kProgs, Entries("Prog", 3)));
    const std::string stored = Slurp(File());
    const fs::path filler = scratch_ / "disk" / "filler";
    ASSERT_NE(std::system(("dd if=/dev/zero of=" + filler.string() + " bs=4k 2>/dev/null").c_str()),
              0);
    Lines shown = Entries("Prog", 3);
    shown.push_back("Another | /usr/bin/another | --with-some-arguments | Normal");
    EXPECT_FALSE(SaveNow(kProgs, shown));
    EXPECT_EQ(Slurp(File()), stored);
    EXPECT_EQ(Leftovers(), 0);
    // A hand edit made meanwhile (same length: the disk is full) is what reads next.
    std::string edited = stored;
    edited.replace(edited.find("Dir 1 |"), 7, "Hnd 1 |");
    std::fstream(File(), std::ios::binary | std::ios::in | std::ios::out) << edited;
    Lines dirs = Entries("Dir", 2);
    dirs.front() = "Hnd 1 | /srv/Dir | Explorer | Normal";
    EXPECT_EQ(Stored(kDirs), dirs);
    // With room again the list as shown is stored, and the edit stays.
    fs::remove(filler);
    EXPECT_TRUE(SaveNow(kProgs, shown));
    EXPECT_EQ(Stored(kProgs), shown);
    EXPECT_EQ(Stored(kDirs), dirs);
    // Read-only as root too: file modes would not stop root, the mount does.
    ASSERT_TRUE(disk.Mount("-o remount,ro"));
    EXPECT_FALSE(SaveNow(kProgs, Entries("New", 5)));
    EXPECT_EQ(Stored(kProgs), shown);
}

TEST_F(IniFileTest, ASaveThroughASymbolicLinkWritesItsTargetAndTheLinkStays) {
    const fs::path real = scratch_ / "elsewhere" / "real.ini";
    Spit(real, "; my\n");
    fs::create_directories(File().parent_path());
    fs::create_symlink(real, File());
    ASSERT_TRUE(SaveNow(kDirs, {"New | /new | Form | Normal"}));
    EXPECT_EQ(fs::read_symlink(File()), real);
    EXPECT_EQ(Slurp(real).rfind("; my\n\n[Directories]\nDir1=New | /new | Form | Normal\n", 0), 0u);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(IniFileTest, WritersKilledAtRandomLeaveTheOldOrTheNewListAndNoTemporaryFileOutlivesASave) {
    const std::string kept = "; keep\n[Other]\nA=1\n";
    Spit(File(), kept);
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMs(2, 40);
    int killedMidway = 0;
    for (int run = 0; run < 200; ++run) {
        {
            OtherProcess writer(
                [run] { return SaveRounds(kDirs, 100000, "run" + std::to_string(run)); });
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            killedMidway += writer.Wait(true) == -1 ? 1 : 0;
        }
        ASSERT_EQ(Slurp(File()).rfind(kept, 0), 0u) << "run " << run;
        // Every slot from one and the same save.
        const Lines lines = Stored(kDirs);
        ASSERT_TRUE(lines.empty() || lines.size() == 20) << "run " << run;
        std::set<std::string> saves;
        for (const std::string& line : lines) saves.insert(line.substr(0, line.find('.')));
        ASSERT_LE(saves.size(), 1u) << "run " << run << ":\n" << Slurp(File());
    }
    EXPECT_EQ(killedMidway, 200);
    // What a writer killed between writing its temporary file and renaming it leaves; a
    // person's copy beside it is no temporary file.
    Spit(File().string() + ".Xy12Zq", Slurp(File()));
    Spit(File().string() + ".backup", "mine");
    ASSERT_TRUE(SaveNow(kProgs, Entries("Prog", 1)));
    EXPECT_EQ(Slurp(File().string() + ".backup"), "mine");
    fs::remove(File().string() + ".backup");  // its name looks like one
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(IniFileTest, TwoProcessesSavingFiveHundredTimesEachKeepBothLists) {
    {
        OtherProcess dirs([] { return SaveRounds(kDirs, 500, "D"); });
        OtherProcess programs([] { return SaveRounds(kProgs, 500, "P"); });
        EXPECT_EQ(dirs.Wait(), 0);
        EXPECT_EQ(programs.Wait(), 0);
    }
    EXPECT_EQ(Stored(kDirs), Entries("D 500.", 20));
    EXPECT_EQ(Stored(kProgs), Entries("P 500.", 20));
}

}  // namespace
}  // namespace zolvantek
