// The settings file of systems other than Windows, against real files, real file systems
// and real processes: what a save keeps, what it refuses, and what faults do to it.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <iostream>
#include <random>
#include <regex>
#include <set>

#include "settings/launcher_lists.h"
#include "tests/unit/store_faults.h"
#include "tests/unit/test_support.h"

namespace zolvantek {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test_support::ChildProcess;
using test_support::RunsWithin;
using test_support::ScratchMount;
using test_support::Slurp;
using test_support::Spit;

// Lines of one list as the editor would save them.
std::vector<std::string> Entries(const std::string& tag, int count) {
    std::vector<std::string> lines;
    for (int n = 1; n <= count; ++n) {
        std::string line = tag;
        line.append(" ").append(std::to_string(n)).append(" | /srv/").append(tag);
        lines.push_back(line.append(" | Explorer | Normal"));
    }
    return lines;
}

class IniFileTest : public ::testing::Test {
protected:
    IniFileTest() : scratch_(fs::temp_directory_path() / test_support::UniqueWord()) {
        if (const char* home = getenv("XDG_CONFIG_HOME")) savedHome_ = home;
        fs::remove_all(scratch_);
        UseHome(scratch_ / "config");
    }
    ~IniFileTest() override {
        setenv("XDG_CONFIG_HOME", savedHome_.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }
    void UseHome(const fs::path& home) {
        home_ = home;
        fs::create_directories(home_);
        setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    }
    fs::path File() const { return home_ / "Acme" / "Suite.ini"; }
    static CRegSettings Settings() {
        CRegSettings settings;
        settings.SetCompany("Acme");
        settings.SetAppName("Suite");
        return settings;
    }
    static std::vector<std::string> Stored(ListKind kind) {
        CRegSettings settings = Settings();
        return LoadList(settings, kind, 20).lines;
    }
    static bool SaveNow(ListKind kind, const std::vector<std::string>& lines) {
        CRegSettings settings = Settings();
        return SaveList(settings, kind, lines, 20).allWritten;
    }
    static std::string ChildPath() { return ZOLVANTEK_SETTINGS_CHILD; }
    // QSaveFile's temporary files beside the settings file.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> found;
        const std::regex temporary("Suite\\.ini\\.[A-Za-z0-9]{6}");
        for (const auto& entry : fs::directory_iterator(File().parent_path())) {
            const std::string name = entry.path().filename().string();
            if (std::regex_match(name, temporary)) found.push_back(name);
        }
        return found;
    }

    fs::path scratch_;
    fs::path home_;
    std::string savedHome_;
};

// ------------------------------------------------------------ what a save keeps ----

TEST_F(IniFileTest, SaveChangesOnlyTheLinesOfItsValuesAndKeepsEveryOtherByte) {
    const std::string before =
        "\xEF\xBB\xBF; my launcher settings\r\n"
        "\r\n"
        "[Directories]\r\n"
        "Dir1=Old | /srv/old | Explorer | Normal\r\n"
        "# keep me\r\n"
        "just some words\r\n"
        "DirP1=Caf\xE9 | /opt/caf\xE9 |  | Normal\r\n"
        "Dir2/=odd name\r\n"
        "\r\n"
        "[Other]\r\n"
        "Key=  spaced value  \r\n";
    Spit(File(), before);
    ASSERT_TRUE(SaveNow(ListKind::Directories, {"New | /srv/new | Form | Normal"}));

    std::string appended;
    for (int slot = 2; slot <= 20; ++slot) appended += "Dir" + std::to_string(slot) + "=\r\n";
    EXPECT_EQ(Slurp(File()),
              "\xEF\xBB\xBF; my launcher settings\r\n"
              "\r\n"
              "[Directories]\r\n"
              "Dir1=New | /srv/new | Form | Normal\r\n"
              "# keep me\r\n"
              "just some words\r\n"
              "DirP1=Caf\xE9 | /opt/caf\xE9 |  | Normal\r\n"
              "Dir2/=odd name\r\n" +
                  appended +
                  "\r\n"
                  "[Other]\r\n"
                  "Key=  spaced value  \r\n");
    // The byte that is not UTF-8 reads back as it is, so the entry still names its folder.
    EXPECT_EQ(Stored(ListKind::Programs),
              std::vector<std::string>{"Caf\xE9 | /opt/caf\xE9 |  | Normal"});
    CRegSettings settings = Settings();
    EXPECT_EQ(settings.GetSetting("OTHER", "key"), "  spaced value  ");
}

TEST_F(IniFileTest, CrOnlyLineEndsReadAsLinesAndStaySo) {
    Spit(File(), "[Directories]\rDir1=A | /a | Explorer | Normal\rDirP1=B | /b |  | Normal\r");
    EXPECT_EQ(Stored(ListKind::Directories),
              std::vector<std::string>{"A | /a | Explorer | Normal"});
    EXPECT_EQ(Stored(ListKind::Programs), std::vector<std::string>{"B | /b |  | Normal"});
    ASSERT_TRUE(SaveNow(ListKind::Programs, {"B | /b |  | Normal", "C | /c | -x | Normal"}));
    const std::string after = Slurp(File());
    EXPECT_EQ(after.find('\n'), std::string::npos);
    EXPECT_EQ(after.rfind("[Directories]\rDir1=A | /a | Explorer | Normal\r", 0), 0u);
    EXPECT_EQ(Stored(ListKind::Programs),
              (std::vector<std::string>{"B | /b |  | Normal", "C | /c | -x | Normal"}));
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

// ------------------------------------------------------- what it refuses at once ----

TEST_F(IniFileTest, FifoFolderSocketAndDeviceAreRefusedWithoutBlocking) {
    const auto readsDefaultAndRefusesSave = [] {
        CRegSettings settings = Settings();
        return settings.GetSetting("Directories", "Dir1", "default") == "default" &&
               !settings.SaveSetting("Directories", "Dir1", "x");
    };
    fs::create_directories(File().parent_path());
    ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
    EXPECT_EQ(RunsWithin(5s, readsDefaultAndRefusesSave), true) << "FIFO";
    EXPECT_TRUE(fs::is_fifo(File()));
    fs::remove(File());

    fs::create_directory(File());
    EXPECT_EQ(RunsWithin(5s, readsDefaultAndRefusesSave), true) << "folder";
    EXPECT_TRUE(fs::is_directory(File()));
    fs::remove(File());

    // Socket addresses are short: bound by the name inside its folder.
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, "Suite.ini");
    const fs::path before = fs::current_path();
    fs::current_path(File().parent_path());
    const int bound = bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fs::current_path(before);
    ASSERT_EQ(bound, 0);
    EXPECT_EQ(RunsWithin(5s, readsDefaultAndRefusesSave), true) << "socket";
    EXPECT_TRUE(fs::is_socket(File()));
    close(sock);
    fs::remove(File());

    // A device through a link, both in a folder of the test's own (never the real /dev).
    const fs::path device = scratch_ / "devices" / "null";
    fs::create_directories(device.parent_path());
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device node here (needs root, as in CI)";
    }
    fs::create_symlink(device, File());
    EXPECT_EQ(RunsWithin(5s, readsDefaultAndRefusesSave), true) << "device";
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(IniFileTest, ALockThatIsAFolderOrHeldFailsTheSaveInTimeAndOneOfAKilledHolderIsTakenOver) {
    ASSERT_TRUE(SaveNow(ListKind::Programs, Entries("Prog", 3)));
    const std::string lock = File().string() + ".lock";
    fs::create_directory(lock);
    EXPECT_EQ(RunsWithin(5s, [] { return !SaveNow(ListKind::Programs, Entries("New", 1)); }), true);
    EXPECT_EQ(Stored(ListKind::Programs), Entries("Prog", 3));  // and reads go on
    fs::remove(lock);

    ChildProcess holder({ChildPath(), "hold-lock", lock});
    ASSERT_EQ(holder.ReadLine(), "locked");
    EXPECT_EQ(RunsWithin(10s, [] { return !SaveNow(ListKind::Programs, Entries("New", 1)); }),
              true);
    EXPECT_EQ(Stored(ListKind::Programs), Entries("Prog", 3));
    holder.CloseInput();
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_TRUE(SaveNow(ListKind::Programs, Entries("New", 1)));

    ChildProcess killed({ChildPath(), "hold-lock", lock});
    ASSERT_EQ(killed.ReadLine(), "locked");
    killed.Kill();
    killed.Wait();
    ASSERT_TRUE(fs::exists(lock));
    EXPECT_EQ(RunsWithin(10s, [] { return SaveNow(ListKind::Programs, Entries("Prog", 2)); }),
              true);
    EXPECT_EQ(Stored(ListKind::Programs), Entries("Prog", 2));
}

TEST_F(IniFileTest, AFileOverSixteenMebibytesIsRefusedAtReadAndAtSave) {
    std::string big = "[Directories]\nDir1=A | /a | Explorer | Normal\n";
    big += std::string(std::size_t{16} * 1024 * 1024, '#');
    Spit(File(), big);
    EXPECT_TRUE(Stored(ListKind::Directories).empty());
    EXPECT_FALSE(SaveNow(ListKind::Directories, Entries("New", 1)));
    EXPECT_EQ(fs::file_size(File()), big.size());
}

// ----------------------------------------------------------- a save that fails ----

TEST_F(IniFileTest, AFailedSaveOnAFullDiskChangesNothingAndTheSameListSavesOnceThereIsRoom) {
    ScratchMount disk(scratch_ / "disk");
    if (!disk.Tmpfs("256k")) GTEST_SKIP() << disk.Reason();
    UseHome(scratch_ / "disk" / "config");
    ASSERT_TRUE(SaveNow(ListKind::Directories, Entries("Dir", 2)));
    ASSERT_TRUE(SaveNow(ListKind::Programs, Entries("Prog", 3)));
    const std::string stored = Slurp(File());

    const fs::path filler = scratch_ / "disk" / "filler";
    {
        std::ofstream fill(filler, std::ios::binary);
        const std::string block(4096, 'f');
        while (fill.write(block.data(), std::streamsize(block.size())) && fill.flush()) {
        }
    }
    std::vector<std::string> shown = Entries("Prog", 3);
    shown.push_back("Another | /usr/bin/another | --with-some-arguments | Normal");
    EXPECT_FALSE(SaveNow(ListKind::Programs, shown));
    EXPECT_EQ(Slurp(File()), stored);
    EXPECT_EQ(Stored(ListKind::Programs), Entries("Prog", 3));
    EXPECT_EQ(Stored(ListKind::Directories), Entries("Dir", 2));

    // A hand edit made meanwhile (same length: the disk is full) is what reads next.
    std::string edited = stored;
    edited.replace(edited.find("Dir 1 |"), 7, "Hnd 1 |");
    {
        std::fstream inPlace(File(), std::ios::binary | std::ios::in | std::ios::out);
        inPlace.write(edited.data(), std::streamsize(edited.size()));
    }
    std::vector<std::string> dirs = Entries("Dir", 2);
    dirs.front() = "Hnd 1 | /srv/Dir | Explorer | Normal";
    EXPECT_EQ(Stored(ListKind::Directories), dirs);

    // And with room again, the list as shown is what gets stored; the edit stays.
    fs::remove(filler);
    EXPECT_TRUE(SaveNow(ListKind::Programs, shown));
    EXPECT_EQ(Stored(ListKind::Programs), shown);
    EXPECT_EQ(Stored(ListKind::Directories), dirs);
}

TEST_F(IniFileTest, AFailedSaveOnAReadOnlyFileSystemOrOverTheSizeLimitChangesNothing) {
    ScratchMount disk(scratch_ / "disk");
    if (!disk.Tmpfs("1m")) GTEST_SKIP() << disk.Reason();
    UseHome(scratch_ / "disk" / "config");
    ASSERT_TRUE(SaveNow(ListKind::Programs, Entries("Prog", 3)));
    const std::string stored = Slurp(File());

    // Read-only as root too: file modes would not stop root, the mount does.
    ASSERT_TRUE(disk.ReadOnly());
    EXPECT_FALSE(SaveNow(ListKind::Programs, Entries("New", 5)));
    EXPECT_EQ(Stored(ListKind::Programs), Entries("Prog", 3));
    ASSERT_TRUE(disk.ReadWrite());

    // A process that may not write more than a few bytes (RLIMIT_FSIZE) in a child.
    const auto limited = RunsWithin(10s, [] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64, 64};
        setrlimit(RLIMIT_FSIZE, &small);
        return !SaveNow(ListKind::Programs, Entries("New", 5));
    });
    EXPECT_EQ(limited, true);
    EXPECT_EQ(Slurp(File()), stored);
    EXPECT_TRUE(Leftovers().empty());
    EXPECT_TRUE(SaveNow(ListKind::Programs, Entries("New", 5)));
}

// -------------------------------------------------------- links, crashes, races ----

TEST_F(IniFileTest, ASaveThroughASymbolicLinkWritesItsTargetAndTheLinkStays) {
    const fs::path real = scratch_ / "elsewhere" / "real.ini";
    Spit(real, "; mine\n[Directories]\nDir1=Old | /old | Explorer | Normal\n");
    fs::create_directories(File().parent_path());
    fs::create_symlink(real, File());
    ASSERT_TRUE(SaveNow(ListKind::Directories, {"New | /new | Form | Normal"}));
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(fs::read_symlink(File()), real);
    EXPECT_EQ(Slurp(real).rfind("; mine\n[Directories]\nDir1=New | /new | Form | Normal\n", 0), 0u);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(IniFileTest, WritersKilledAtRandomLeaveTheOldOrTheNewListAndNoTemporaryFileOutlivesASave) {
    const std::string kept = "; keep\n[Other]\nA=1\n";
    Spit(File(), kept);
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMs(2, 40);
    int killedMidway = 0;
    int leftoversSeen = 0;
    for (int run = 0; run < 200; ++run) {
        {
            ChildProcess writer(
                {ChildPath(), "save", "Acme", "dirs", "100000", "run" + std::to_string(run)});
            ASSERT_TRUE(writer.Started());
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            writer.Kill();
            killedMidway += writer.Wait() == -1 ? 1 : 0;
        }
        const std::string file = Slurp(File());
        ASSERT_EQ(file.rfind(kept, 0), 0u) << "run " << run;
        // Every slot from one and the same save.
        const std::vector<std::string> lines = Stored(ListKind::Directories);
        ASSERT_TRUE(lines.empty() || lines.size() == 20) << "run " << run << ":\n" << file;
        std::set<std::string> saves;
        for (const std::string& line : lines) saves.insert(line.substr(0, line.find('.')));
        ASSERT_LE(saves.size(), 1u) << "run " << run << ":\n" << file;
        leftoversSeen += Leftovers().empty() ? 0 : 1;
    }
    EXPECT_EQ(killedMidway, 200);
    // What a writer killed between writing its temporary file and renaming it leaves; a
    // person's copy beside it is no temporary file.
    Spit(File().string() + ".Xy12Zq", Slurp(File()));
    Spit(File().string() + ".backup", "mine");
    ASSERT_TRUE(SaveNow(ListKind::Programs, Entries("Prog", 1)));
    EXPECT_EQ(Slurp(File().string() + ".backup"), "mine");
    fs::remove(File().string() + ".backup");
    EXPECT_TRUE(Leftovers().empty());
    std::cout << "killed " << killedMidway << " writers; " << leftoversSeen
              << " times a temporary file was left, each gone after the next save\n";
}

// Both lists after two processes saved one each, `rounds` times.
void RaceTwoWriters(const std::string& child, int rounds) {
    ChildProcess dirs({child, "save", "Acme", "dirs", std::to_string(rounds), "D"});
    ChildProcess programs({child, "save", "Acme", "programs", std::to_string(rounds), "P"});
    EXPECT_EQ(dirs.Wait(), 0);
    EXPECT_EQ(programs.Wait(), 0);
}

TEST_F(IniFileTest, TwoProcessesSavingFiveHundredTimesEachKeepBothListsOnTmpfsAndWholeSecondTimes) {
    ScratchMount memory(scratch_ / "tmpfs");
    if (!memory.Tmpfs("8m")) GTEST_SKIP() << memory.Reason();
    ScratchMount coarse(scratch_ / "ext2");
    if (!coarse.CoarseExt2(scratch_ / "ext2.img")) GTEST_SKIP() << coarse.Reason();
    for (const char* where : {"tmpfs", "ext2"}) {
        UseHome(scratch_ / where / "config");
        RaceTwoWriters(ChildPath(), 500);
        const std::vector<std::string> dirs = Stored(ListKind::Directories);
        const std::vector<std::string> programs = Stored(ListKind::Programs);
        ASSERT_EQ(dirs.size(), 20u) << where;
        ASSERT_EQ(programs.size(), 20u) << where;
        EXPECT_EQ(dirs.front(), "D 500.1 | /tmp | Explorer | Normal") << where;
        EXPECT_EQ(programs.back(), "P 500.20 | /tmp | Explorer | Normal") << where;
    }
}

TEST_F(IniFileTest, AnotherInstancesSaveInTheSameSecondWithTheSameSizeIsNotLost) {
    ScratchMount coarse(scratch_ / "ext2");
    if (!coarse.CoarseExt2(scratch_ / "ext2.img")) GTEST_SKIP() << coarse.Reason();
    UseHome(scratch_ / "ext2" / "config");
    CRegSettings self = Settings();
    for (int round = 0; round < 10; ++round) {
        const std::string tag = "Q" + std::to_string(round);
        ASSERT_TRUE(
            SaveList(self, ListKind::Directories, Entries("A" + std::to_string(round), 20), 20)
                .allWritten);
        ChildProcess other({ChildPath(), "save", "Acme", "programs", "1", tag});
        ASSERT_EQ(other.Wait(), 0);
        ASSERT_TRUE(
            SaveList(self, ListKind::Directories, Entries("B" + std::to_string(round), 20), 20)
                .allWritten);
        const std::vector<std::string> programs = LoadList(self, ListKind::Programs, 20).lines;
        ASSERT_FALSE(programs.empty()) << "round " << round;
        EXPECT_EQ(programs.front(), tag + " 1.1 | /tmp | Explorer | Normal") << "round " << round;
    }
}

}  // namespace
}  // namespace zolvantek
