// What the settings class leaves in the registry itself, looked at with the raw API.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/test_support.h"

namespace zolvantek {
namespace {

// Type and bytes (the NUL included) of a value; nothing when it is missing.
std::optional<std::pair<DWORD, std::string>> Raw(HKEY key, const char* name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    std::string bytes(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    bytes.resize(size);
    return std::pair{type, bytes};
}

bool SetRaw(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

class RegistryTest : public test_support::SettingsTest {
protected:
    ~RegistryTest() override {
        for (HKEY key : keys_) RegCloseKey(key);
    }
    // The section's key, open until the test ends.
    HKEY Open(const std::string& section) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, settings_.KeyPath(section).c_str(), 0,
                                KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        if (key != nullptr) keys_.push_back(key);
        return key;
    }
    std::vector<HKEY> keys_;
};

TEST_F(RegistryTest, WritesNulTerminatedRegSzStarAsTheUnnamedValueAndReadsAnyTypeLessItsLastByte) {
    RemoveAtEnd({"Section"});
    ASSERT_TRUE(settings_.SaveSetting("Section", "Text", "abc"));
    ASSERT_TRUE(settings_.SaveSetting("Section", "Empty", ""));
    ASSERT_TRUE(settings_.SaveSetting("Section", "*", "unnamed"));
    HKEY key = Open("Section");
    EXPECT_EQ(Raw(key, "Text"), std::pair(DWORD{REG_SZ}, std::string("abc", 4)));
    EXPECT_EQ(Raw(key, "Empty"), std::pair(DWORD{REG_SZ}, std::string()));
    // "*" is the key's unnamed value, never one named "*".
    EXPECT_EQ(Raw(key, nullptr), std::pair(DWORD{REG_SZ}, std::string("unnamed", 8)));
    EXPECT_FALSE(Raw(key, "*"));

    ASSERT_TRUE(SetRaw(key, "Number", REG_DWORD, std::string("abc", 4)));
    EXPECT_EQ(settings_.GetSetting("Section", "Number"), "abc");
    ASSERT_TRUE(SetRaw(key, "Binary", REG_BINARY, "xyz"));
    EXPECT_EQ(settings_.GetSetting("Section", "Binary"), "xy");
    ASSERT_TRUE(SetRaw(key, "NoBytes", REG_BINARY, ""));
    EXPECT_EQ(settings_.GetSetting("Section", "NoBytes", "fallback"), "fallback");
}

TEST_F(RegistryTest, ASaveTheRegistryRefusesPartWayLeavesEveryValueAsItWas) {
    RemoveAtEnd({"Section"});
    ASSERT_TRUE(settings_.SaveSetting("Section", "Dir1", "old"));
    // Value names are limited to 16,383 characters: this one is refused.
    const std::string refused(20000, 'n');
    EXPECT_FALSE(settings_.SaveSettings(
        "Section", {{"Dir1", "new"}, {"Dir2", ""}, {refused, "x"}, {"Dir3", "new"}}));
    // So is a section name longer than a key's.
    EXPECT_FALSE(settings_.SaveSetting("Section\\" + std::string(300, 'k'), "Dir1", "new"));
    HKEY key = Open("Section");
    EXPECT_EQ(Raw(key, "Dir1"), std::pair(DWORD{REG_SZ}, std::string("old", 4)));
    EXPECT_FALSE(Raw(key, "Dir2"));
    EXPECT_FALSE(Raw(key, "Dir3"));
    EXPECT_EQ(settings_.GetSetting("Section", "Dir1"), "old");  // nothing refused is read back
}

}  // namespace
}  // namespace zolvantek
