#include "settings/launcher_lists.h"

#include <gtest/gtest.h>

#include <map>

namespace zolvantek {
namespace {

// Records every write, so a test sees exactly which slots were stored.
class MemoryStore final : public platform::SettingsStore {
public:
    std::map<std::string, std::string> values;  // "path|name" -> text
    int failWritesFrom = 1 << 30;
    int writes = 0;

    std::optional<std::string> ReadValue(const std::string& path, const char* name) override {
        const auto found = values.find(path + "|" + name);
        if (found == values.end() || found->second.empty()) return std::nullopt;
        return found->second;
    }
    bool WriteValue(const std::string& path, const char* name, const std::string& text) override {
        if (++writes >= failWritesFrom) return false;
        values[path + "|" + name] = text;
        return true;
    }
    bool DeleteValue(const std::string&, const char*) override { return false; }
    bool DeleteKey(const std::string&, const std::string&) override { return false; }
};

class LauncherLists : public ::testing::Test {
protected:
    LauncherLists() {
        auto owned = std::make_unique<MemoryStore>();
        store = owned.get();
        settings = std::make_unique<CRegSettings>(std::move(owned));
        settings->SetCompany(kSettingsCompany);
        settings->SetAppName(kSettingsAppName);
    }
    std::string& Slot(const std::string& name) {
        return store->values["Software\\Brindlex Software Solutions\\Zolvantek\\Directories|" +
                             name];
    }

    MemoryStore* store;
    std::unique_ptr<CRegSettings> settings;
};

TEST(SlotNames, AreDecimalWithoutPadding) {
    EXPECT_EQ(SlotValueName(ListKind::Directories, 7), "Dir7");
    EXPECT_EQ(SlotValueName(ListKind::Programs, 12), "DirP12");
    EXPECT_EQ(SlotValueName(ListKind::Programs, 20), "DirP20");
    EXPECT_EQ(SeparatorLine(ListKind::Directories), "- | - | Explorer | Normal");
    EXPECT_EQ(SeparatorLine(ListKind::Programs), "- | - |  | Normal");
}

TEST_F(LauncherLists, LoadKeepsEachCaptionOnItsSlotAndPacksTheLines) {
    Slot("Dir1") = "Work | /w | Explorer | Normal";
    Slot("Dir3") = "Music | /m | Form | Minimized";  // slot 2 free: a hand-made gap
    Slot("Dir4") = "no bars";
    Slot("DirP1") = "Clock | /bin/clock |  | Normal";

    const LoadedList dirs = LoadList(*settings, ListKind::Directories, 20);
    ASSERT_EQ(dirs.slotCaptions.size(), 20u);
    EXPECT_EQ(dirs.slotCaptions[0], "Work");
    EXPECT_FALSE(dirs.slotCaptions[1]);
    EXPECT_EQ(dirs.slotCaptions[2], "Music");
    EXPECT_EQ(dirs.slotCaptions[3], "no bars");
    for (int i = 4; i < 20; ++i) EXPECT_FALSE(dirs.slotCaptions[i]) << i;
    EXPECT_EQ(dirs.lines, (std::vector<std::string>{"Work | /w | Explorer | Normal",
                                                    "Music | /m | Form | Minimized", "no bars"}));

    const LoadedList progs = LoadList(*settings, ListKind::Programs, 20);
    EXPECT_EQ(progs.lines.size(), 1u);
    EXPECT_EQ(progs.slotCaptions[0], "Clock");
}

TEST_F(LauncherLists, SaveWritesEveryTwentySlotsAndLeavesTheOtherListAlone) {
    Slot("Dir5") = "Old | /old | Explorer | Normal";
    Slot("DirP5") = "Keep | /bin/keep |  | Normal";
    const std::vector<std::string> lines{"A | /a | Explorer | Normal", "- | - | Explorer | Normal",
                                         "C | /c | Form | Maximized"};

    const SavedList saved = SaveList(*settings, ListKind::Directories, lines, 20);
    EXPECT_TRUE(saved.allWritten);
    EXPECT_EQ(store->writes, 20);
    EXPECT_EQ(Slot("Dir1"), lines[0]);
    EXPECT_EQ(Slot("Dir3"), lines[2]);
    for (int n = 4; n <= 20; ++n) {
        ASSERT_TRUE(store->values.count(
            "Software\\Brindlex Software Solutions\\Zolvantek\\Directories|Dir" +
            std::to_string(n)));
        EXPECT_EQ(Slot("Dir" + std::to_string(n)), "") << n;
    }
    EXPECT_EQ(Slot("DirP5"), "Keep | /bin/keep |  | Normal");
    EXPECT_EQ(saved.slotCaptions[1], "-");
    EXPECT_FALSE(saved.slotCaptions[3]);

    // Reading back gives what was saved.
    EXPECT_EQ(LoadList(*settings, ListKind::Directories, 20).lines, lines);
}

TEST_F(LauncherLists, SaveReportsAFailedWrite) {
    store->failWritesFrom = 20;
    EXPECT_FALSE(SaveList(*settings, ListKind::Programs, {}, 20).allWritten);
}

}  // namespace
}  // namespace zolvantek
