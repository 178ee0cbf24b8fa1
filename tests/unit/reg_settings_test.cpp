// The settings class on this platform's store: INI files natively, the registry under Wine.
#include "settings/reg_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/test_support.h"

namespace zolvantek {
namespace {

using RegSettingsTest = test_support::SettingsTest;
using Texts = std::vector<std::string>;

TEST(RegSettingsKeyPath, JoinsTheTrimmedWordsAndAnEmptyWordRestoresItsDefault) {
    CRegSettings settings;
    settings.SetCompany("  Acme Corp  ");
    settings.SetAppName(" Tool ");
    EXPECT_EQ(settings.KeyPath("A\\B"), "Software\\Acme Corp\\Tool\\A\\B");
    EXPECT_EQ(settings.KeyPath(""), "Software\\Acme Corp\\Tool");
    settings.SetCompany("   ");  // blanks only are not empty: they trim to nothing
    EXPECT_EQ(settings.Company(), "");
    settings.SetCompany("");
    settings.SetAppName("");
    EXPECT_EQ(settings.KeyPath(""), "Software\\VB and VBA Program Settings\\Brindlex ZOLVANTEK");
}

TEST_F(RegSettingsTest, ReadsNamesWithoutRegardToCaseAndAnEmptyOrMissingValueAsTheDefault) {
    RemoveAtEnd({"Directories", "Section"});
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1", "fallback"), "fallback");
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir1", "first"));
    ASSERT_TRUE(settings_.SaveSetting("DIRECTORIES", "DIR1", "second"));
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir3", ""));  // 0 bytes in the registry
    EXPECT_EQ(settings_.GetSettings("directories", {"dIR1", "Dir2", "Dir3", "*"}, "none"),
              (Texts{"second", "none", "none", "none"}));
    // An empty text is a value all the same: deleting it succeeds once.
    EXPECT_TRUE(settings_.DeleteSetting("Directories", "Dir3"));
    EXPECT_FALSE(settings_.DeleteSetting("Directories", "Dir3"));
    // One value under three spellings, not two: a single delete removes it.
    EXPECT_TRUE(settings_.DeleteSetting("Directories", "dIr1"));
    EXPECT_EQ(settings_.GetSetting("Directories", "DIR1", "gone"), "gone");
    // "*" is the unnamed value.
    ASSERT_TRUE(settings_.SaveSetting("Section", "z", "named"));
    EXPECT_EQ(settings_.GetSetting("Section", "*", "none"), "none");
    ASSERT_TRUE(settings_.SaveSetting("Section", "*", "unnamed"));
    EXPECT_EQ(settings_.GetSettings("Section", {"*", "Z"}), (Texts{"unnamed", "named"}));
    EXPECT_TRUE(settings_.DeleteSetting("Section", "*"));
    EXPECT_FALSE(settings_.DeleteSetting("Section", "*"));
    EXPECT_EQ(settings_.GetSetting("Section", "z"), "named");
}

TEST_F(RegSettingsTest,
       SaveMakesTheWholePathAndDeleteTakesAValueOrALeafSectionNeverTheApplication) {
    RemoveAtEnd({"Directories", "Programs", "A", "A\\B", "A\\B\\C"});
    ASSERT_TRUE(settings_.SaveSetting("A\\B\\C", "Deep", "down here"));
    ASSERT_TRUE(settings_.SaveSetting("", "Top", "at the top"));
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir1", "one"));
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir2", "two"));
    ASSERT_TRUE(settings_.SaveSetting("Programs", "DirP1", "program"));
    EXPECT_EQ(settings_.GetSettings("A\\B\\C", {"Deep", "Top"}, "none"),
              (Texts{"down here", "none"}));
    EXPECT_EQ(settings_.GetSetting("A\\B", "Deep", "none"), "none");

    EXPECT_TRUE(settings_.DeleteSetting("Directories", "Dir2"));
    EXPECT_FALSE(settings_.DeleteSetting("Missing", "Dir1"));
    EXPECT_EQ(settings_.GetSetting("Directories", "Dir1"), "one");
    // No section and no name would be the application key: everything of the program.
    EXPECT_FALSE(settings_.DeleteSetting(""));
    EXPECT_TRUE(settings_.DeleteSetting("DIRECTORIES"));
    EXPECT_FALSE(settings_.DeleteSetting("Directories"));
    EXPECT_EQ(settings_.GetSettings("Directories", {"Dir1"}, "gone"), Texts{"gone"});
    EXPECT_EQ(settings_.GetSettings("Programs", {"DirP1"}), Texts{"program"});
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir2", "again"));
    EXPECT_EQ(settings_.GetSettings("Directories", {"Dir1", "Dir2"}, "gone"),
              (Texts{"gone", "again"}));
    // A section that holds sections of its own stays.
    ASSERT_TRUE(settings_.SaveSetting("A\\B", "Own", "o"));
    EXPECT_FALSE(settings_.DeleteSetting("A\\B"));
    EXPECT_EQ(settings_.GetSetting("A\\B", "Own"), "o");
    EXPECT_TRUE(settings_.DeleteSetting("A\\B\\C"));
    EXPECT_TRUE(settings_.DeleteSetting("A\\B"));
#ifdef _WIN32
    // A registry key outlives its values, and the deep save made every key on the way.
    EXPECT_TRUE(settings_.DeleteSetting("A"));
#else
    // An INI section is only its values.
    EXPECT_FALSE(settings_.DeleteSetting("A"));
#endif
    EXPECT_TRUE(settings_.DeleteSetting("", "Top"));
    EXPECT_EQ(settings_.GetSetting("", "Top", "gone"), "gone");
}

TEST_F(RegSettingsTest, TextAndNamesRoundTripUnchangedThroughAnotherObject) {
    RemoveAtEnd({"Texts"});
    // Names and texts hold what an INI line or the registry might read specially.
    const std::pair<std::string, std::string> values[] = {
        {"a=b", "Work | /home/me/a, b | Explorer | Normal"},
        {";semi", "C:\\Program Files\\App\\app.exe | \"quoted arg\" /x | Minimized"},
        {"#hash", "a;b ; c"},
        {"[bracket]", "#not a comment"},
        {" padded ", "; not a comment either"},
        {"100%", "key=value=more"},
        {"dots.and,commas", "%TEMP%\\dir %PATH%"},
        {"Value1", "100% sure, %0A is not a line break, nor is %%3D an equals sign"},
        {"Value2", "two\nlines\r\nand\ta tab"},
        {"Value3", "  leading and trailing blanks  "},
        {"Value4", " "},
        {"Value5", "[Not a section]"},
        {"Value6", "ends with a backslash\\"},
        {"Value7", "\\\\server\\share"},
        {"Value0", std::string(3000, 'L') + "end"},
#ifndef _WIN32
        {"Value8", "Grüße, 東京 €"},
#endif
    };
    for (const auto& [name, text] : values) {
        ASSERT_TRUE(settings_.SaveSetting("Texts", name, text)) << name;
    }
    // Read back through an object of its own: nothing may come from a cache.
    CRegSettings reader = Another();
    for (const auto& [name, text] : values) {
        EXPECT_EQ(reader.GetSetting("Texts", name, "missing"), text) << name;
    }
    // A value written again by one object is seen at once by the other.
    ASSERT_TRUE(reader.SaveSetting("Texts", "Value0", "changed"));
    EXPECT_EQ(settings_.GetSetting("Texts", "Value0"), "changed");
}

}  // namespace
}  // namespace zolvantek
