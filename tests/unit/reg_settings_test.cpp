#include "settings/reg_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/unit/settings_test_support.h"

namespace zolvantek {
namespace {

using RegSettingsTest = test_support::SettingsTest;

TEST_F(RegSettingsTest, CompanyAndAppNameSetters) {
    CRegSettings fresh;
    EXPECT_EQ(fresh.Company(), "VB and VBA Program Settings");
    EXPECT_EQ(fresh.AppName(), "Brindlex ZOLVANTEK");

    fresh.SetCompany("  Acme Corp  ");
    EXPECT_EQ(fresh.Company(), "Acme Corp");
    fresh.SetCompany("");
    EXPECT_EQ(fresh.Company(), "VB and VBA Program Settings");

    // Blanks only are not "empty": they trim to nothing and the default stays away.
    fresh.SetCompany("   ");
    EXPECT_EQ(fresh.Company(), "");
    fresh.SetCompany(" ");
    EXPECT_EQ(fresh.Company(), "");

    fresh.SetAppName(" Tool ");
    EXPECT_EQ(fresh.AppName(), "Tool");
    fresh.SetAppName("");
    EXPECT_EQ(fresh.AppName(), "Brindlex ZOLVANTEK");
    fresh.SetAppName("    ");
    EXPECT_EQ(fresh.AppName(), "");
}

TEST_F(RegSettingsTest, KeyPathJoinsTheFourWords) {
    CRegSettings acme;
    acme.SetCompany("Acme");
    acme.SetAppName("Tool");
    EXPECT_EQ(acme.KeyPath("Directories"), "Software\\Acme\\Tool\\Directories");
    EXPECT_EQ(acme.KeyPath(""), "Software\\Acme\\Tool");
    EXPECT_EQ(acme.KeyPath("A\\B"), "Software\\Acme\\Tool\\A\\B");

    CRegSettings defaults;
    EXPECT_EQ(defaults.KeyPath("S"),
              "Software\\VB and VBA Program Settings\\Brindlex ZOLVANTEK\\S");
}

TEST_F(RegSettingsTest, MissingOrEmptyGivesDefault) {
    RemoveAtEnd("Directories");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1", "fallback"), "fallback");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1"), "");

    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir1", "x"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir2", "fallback"), "fallback");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir2"), "");

    // An empty text reads as nothing stored (the registry keeps it as 0 bytes).
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir3", ""));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir3", "fallback"), "fallback");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir3"), "");
    // ...but it is a value all the same: deleting it succeeds once.
    EXPECT_TRUE(settings_.DeleteSetting("Directories", "Dir3"));
    EXPECT_FALSE(settings_.DeleteSetting("Directories", "Dir3"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1"), "x");
}

TEST_F(RegSettingsTest, NamesMatchWithoutRegardToCase) {
    RemoveAtEnd("Directories");
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir1", "first"));
    EXPECT_EQ(settings_.GetSetting("directories", "dir1"), "first");
    EXPECT_EQ(settings_.GetSetting("DIRECTORIES", "DIR1"), "first");

    ASSERT_TRUE(settings_.SaveSetting("DIRECTORIES", "DIR1", "second"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1"), "second");
    EXPECT_EQ(settings_.GetSetting("directories", "DIR1"), "second");

    // One value under three spellings, not two values: a single delete removes it.
    EXPECT_TRUE(settings_.DeleteSetting("Directories", "dIr1"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1", "gone"), "gone");
    EXPECT_EQ(settings_.GetSetting("Directories", "DIR1", "gone"), "gone");

    // And a section deleted under another spelling is gone too.
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir2", "kept"));
    EXPECT_TRUE(settings_.DeleteSetting("DIRECTORIES"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir2", "gone"), "gone");
}

TEST_F(RegSettingsTest, StarIsTheUnnamedValue) {
    RemoveAtEnd("Section");
    ASSERT_TRUE(settings_.SaveSetting("Section", "x", "named"));
    EXPECT_EQ(settings_.GetSetting("Section", "*", "none"), "none");

    ASSERT_TRUE(settings_.SaveSetting("Section", "*", "unnamed"));
    EXPECT_EQ(settings_.GetSetting("Section", "*"), "unnamed");
    EXPECT_EQ(settings_.GetSetting("Section", "x"), "named");

    EXPECT_TRUE(settings_.DeleteSetting("Section", "*"));
    EXPECT_EQ(settings_.GetSetting("Section", "*", "none"), "none");
    EXPECT_EQ(settings_.GetSetting("Section", "x"), "named");
    EXPECT_FALSE(settings_.DeleteSetting("Section", "*"));
}

TEST_F(RegSettingsTest, EmptySectionAddressesTheApplicationKey) {
    RemoveAtEnd("Child");
    ASSERT_TRUE(settings_.SaveSetting("", "Top", "at the top"));
    ASSERT_TRUE(settings_.SaveSetting("Child", "Top", "below"));
    EXPECT_EQ(settings_.GetSetting("", "Top"), "at the top");
    EXPECT_EQ(settings_.GetSetting("Child", "Top"), "below");

    EXPECT_TRUE(settings_.DeleteSetting("", "Top"));
    EXPECT_EQ(settings_.GetSetting("", "Top", "gone"), "gone");
    EXPECT_EQ(settings_.GetSetting("Child", "Top"), "below");
}

TEST_F(RegSettingsTest, SaveCreatesTheWholePath) {
    RemoveAtEnd("A");
    RemoveAtEnd("A\\B");
    RemoveAtEnd("A\\B\\C");
    ASSERT_TRUE(settings_.SaveSetting("A\\B\\C", "Deep", "down here"));
    EXPECT_EQ(settings_.GetSetting("A\\B\\C", "Deep"), "down here");
    EXPECT_EQ(settings_.GetSetting("A\\B", "Deep", "none"), "none");

    // The keys between exist too: a value can be written and deleted there.
    ASSERT_TRUE(settings_.SaveSetting("A\\B", "Mid", "m"));
    EXPECT_EQ(settings_.GetSetting("a\\b", "mid"), "m");
    EXPECT_TRUE(settings_.DeleteSetting("A\\B", "Mid"));
    EXPECT_EQ(settings_.GetSetting("A\\B\\C", "Deep"), "down here");
}

TEST_F(RegSettingsTest, EmptySectionFollowsThePlatformRule) {
    RemoveAtEnd("Lone");
    RemoveAtEnd("A");
    RemoveAtEnd("A\\B");
    RemoveAtEnd("A\\B\\C");
    ASSERT_TRUE(settings_.SaveSetting("Lone", "Only", "o"));
    ASSERT_TRUE(settings_.DeleteSetting("Lone", "Only"));
    ASSERT_TRUE(settings_.SaveSetting("A\\B\\C", "Deep", "d"));
    EXPECT_TRUE(settings_.DeleteSetting("A\\B\\C"));
#ifdef _WIN32
    // A registry key outlives its last value, and a deep save created every key on the way.
    EXPECT_TRUE(settings_.DeleteSetting("Lone"));
    EXPECT_TRUE(settings_.DeleteSetting("A\\B"));
    EXPECT_TRUE(settings_.DeleteSetting("A"));
#else
    // An INI section is only its values: with the last one it is gone.
    EXPECT_FALSE(settings_.DeleteSetting("Lone"));
    EXPECT_FALSE(settings_.DeleteSetting("A\\B"));
#endif
    EXPECT_FALSE(settings_.DeleteSetting("A"));
    EXPECT_EQ(settings_.GetSetting("A\\B\\C", "Deep", "gone"), "gone");
}

TEST_F(RegSettingsTest, DeletingWithNoSectionAndNoNameRemovesNothing) {
    RemoveAtEnd("Directories");
    ASSERT_TRUE(settings_.SaveSetting("", "TopLevel", "t"));
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir1", "d"));
    // Would name the application key itself: everything of the program would go.
    EXPECT_FALSE(settings_.DeleteSetting(""));
    EXPECT_EQ(settings_.GetSetting("", "TopLevel"), "t");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1"), "d");
    EXPECT_TRUE(settings_.DeleteSetting("", "TopLevel"));
}

TEST_F(RegSettingsTest, SectionWithSubsectionsIsNotDeleted) {
    RemoveAtEnd("Outer");
    RemoveAtEnd("Outer\\Inner");
    ASSERT_TRUE(settings_.SaveSetting("Outer", "Own", "o"));
    ASSERT_TRUE(settings_.SaveSetting("Outer\\Inner", "Deep", "d"));

    // Only a key without subkeys can be deleted.
    EXPECT_FALSE(settings_.DeleteSetting("Outer"));
    EXPECT_EQ(settings_.GetSetting("Outer", "Own"), "o");
    EXPECT_EQ(settings_.GetSetting("Outer\\Inner", "Deep"), "d");

    EXPECT_TRUE(settings_.DeleteSetting("Outer\\Inner"));
    EXPECT_TRUE(settings_.DeleteSetting("Outer"));
    EXPECT_EQ(settings_.GetSetting("Outer", "Own", "gone"), "gone");
}

TEST_F(RegSettingsTest, DeleteOneValueOrTheWholeSection) {
    RemoveAtEnd("Directories");
    RemoveAtEnd("Programs");
    for (const char* name : {"Dir1", "Dir2", "Dir3"}) {
        ASSERT_TRUE(settings_.SaveSetting("Directories", name, std::string("value of ") + name));
    }
    ASSERT_TRUE(settings_.SaveSetting("Programs", "DirP1", "program"));

    EXPECT_TRUE(settings_.DeleteSetting("Directories", "Dir3"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir3", "gone"), "gone");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1"), "value of Dir1");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir2"), "value of Dir2");
    EXPECT_FALSE(settings_.DeleteSetting("Directories", "Dir3"));
    EXPECT_FALSE(settings_.DeleteSetting("Missing", "Dir1"));

    EXPECT_TRUE(settings_.DeleteSetting("Directories"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1", "gone"), "gone");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir2", "gone"), "gone");
    EXPECT_EQ(settings_.GetSetting("Programs", "DirP1"), "program");
    EXPECT_FALSE(settings_.DeleteSetting("Directories"));
    EXPECT_FALSE(settings_.DeleteSetting("Missing"));

    // A deleted section can be written again from scratch.
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir2", "again"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir2"), "again");
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1", "gone"), "gone");
}

TEST_F(RegSettingsTest, TextRoundTripsUnchanged) {
    RemoveAtEnd("Texts");
    std::vector<std::string> texts = {
        "Work | /home/me/a, b | Explorer | Normal",
        "C:\\Program Files\\App\\app.exe | \"quoted arg\" /x | Minimized",
        "a;b ; c",
        "#not a comment",
        "; not a comment either",
        "key=value=more",
        "%TEMP%\\dir %PATH%",
        "100% sure, %0A is not a line break, nor is %%3D an equals sign",
        "two\nlines\r\nand\ta tab",
        "  leading and trailing blanks  ",
        " ",
        "[Not a section]",
        "ends with a backslash\\",
        "\\\\server\\share",
        std::string(3000, 'L') + "end",
#ifndef _WIN32
        "Gr\xC3\xBC\xC3\x9F"
        "e, \xE6\x9D\xB1\xE4\xBA\xAC \xE2\x82\xAC",
#endif
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(settings_.SaveSetting("Texts", "Value" + std::to_string(i), texts[i]))
            << texts[i];
    }

    // Read back through an object of its own: nothing may come from a cache.
    CRegSettings reader = Another();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(reader.GetSetting("Texts", "Value" + std::to_string(i), "missing"), texts[i]);
    }

    // Value names may hold what an INI line treats specially.
    const std::vector<std::string> names = {"a=b",      ";semi", "#hash",          "[bracket]",
                                            " padded ", "100%",  "dots.and,commas"};
    for (const auto& name : names) {
        ASSERT_TRUE(settings_.SaveSetting("Texts", name, "named " + name)) << name;
    }
    for (const auto& name : names) {
        EXPECT_EQ(reader.GetSetting("Texts", name, "missing"), "named " + name);
    }

    // A value written again by one object is seen at once by the other.
    ASSERT_TRUE(reader.SaveSetting("Texts", "Value0", "changed"));
    EXPECT_EQ(settings_.GetSetting("Texts", "Value0"), "changed");
}

}  // namespace
}  // namespace zolvantek
