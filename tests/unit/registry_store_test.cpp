// What the settings class leaves in the registry itself, looked at with the raw API.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/reg_settings.h"
#include "tests/unit/settings_test_support.h"

namespace zolvantek {
namespace {

struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

class RawKey {
  public:
    explicit RawKey(const std::string& path) {
        status_ = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key_);
    }
    RawKey(const RawKey&) = delete;
    RawKey& operator=(const RawKey&) = delete;
    ~RawKey() {
        if (status_ == ERROR_SUCCESS) RegCloseKey(key_);
    }

    bool IsOpen() const { return status_ == ERROR_SUCCESS; }

    // nullptr reads the unnamed value.
    std::optional<RawValue> Query(const char* name) const {
        RawValue value;
        DWORD size = 0;
        if (RegQueryValueExA(key_, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.bytes.resize(size);
        if (RegQueryValueExA(key_, name, nullptr, &value.type,
                             reinterpret_cast<BYTE*>(value.bytes.data()), &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.bytes.resize(size);
        return value;
    }

    bool Set(const char* name, DWORD type, const std::string& bytes) const {
        return RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    }

    std::vector<std::string> ValueNames() const {
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumValueA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            names.emplace_back(name, length);
        }
        return names;
    }

    std::vector<std::string> SubkeyNames() const {
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            names.emplace_back(name, length);
        }
        return names;
    }

  private:
    HKEY key_ = nullptr;
    LSTATUS status_ = ERROR_INVALID_HANDLE;
};

using RegSettingsRegistryTest = test_support::SettingsTest;

TEST_F(RegSettingsRegistryTest, StarIsTheKeysUnnamedValueNeverOneNamedStar) {
    RemoveAtEnd("Section");
    ASSERT_TRUE(settings_.SaveSetting("Section", "*", "unnamed"));

    RawKey key(settings_.KeyPath("Section"));
    ASSERT_TRUE(key.IsOpen());
    const auto unnamed = key.Query(nullptr);
    ASSERT_TRUE(unnamed.has_value());
    EXPECT_EQ(unnamed->bytes, std::string("unnamed", 8));  // with its NUL
    EXPECT_FALSE(key.Query("*").has_value());

    // A value that really is named "*" is nothing to the class.
    EXPECT_TRUE(settings_.DeleteSetting("Section", "*"));
    ASSERT_TRUE(key.Set("*", REG_SZ, std::string("literal", 8)));
    EXPECT_EQ(settings_.GetSetting("Section", "*", "none"), "none");
    EXPECT_FALSE(settings_.DeleteSetting("Section", "*"));
    const auto literal = key.Query("*");
    ASSERT_TRUE(literal.has_value());
    EXPECT_EQ(literal->bytes, std::string("literal", 8));
}

TEST_F(RegSettingsRegistryTest, WritesNulTerminatedRegSzAndEmptyAsZeroBytes) {
    RemoveAtEnd("Section");
    ASSERT_TRUE(settings_.SaveSetting("Section", "Text", "abc"));
    ASSERT_TRUE(settings_.SaveSetting("Section", "Empty", ""));

    // The class passes the length without the NUL; the registry adds it, and reading relies
    // on it being there.
    RawKey key(settings_.KeyPath("Section"));
    ASSERT_TRUE(key.IsOpen());
    const auto text = key.Query("Text");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->bytes, std::string("abc", 4));

    const auto empty = key.Query("Empty");
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(empty->bytes, "");
}

TEST_F(RegSettingsRegistryTest, OtherTypesReadAsTheirBytesLessTheLast) {
    RemoveAtEnd("Section");
    ASSERT_TRUE(settings_.SaveSetting("Section", "Make", "key"));
    RawKey key(settings_.KeyPath("Section"));
    ASSERT_TRUE(key.IsOpen());

    ASSERT_TRUE(key.Set("Number", REG_DWORD, std::string("abc", 4)));
    EXPECT_EQ(settings_.GetSetting("Section", "Number"), "abc");
    ASSERT_TRUE(key.Set("Binary", REG_BINARY, "xyz"));
    EXPECT_EQ(settings_.GetSetting("Section", "Binary"), "xy");
    ASSERT_TRUE(key.Set("NoBytes", REG_BINARY, ""));
    EXPECT_EQ(settings_.GetSetting("Section", "NoBytes", "fallback"), "fallback");
}

TEST_F(RegSettingsRegistryTest, NamesKeepTheCaseTheyWereCreatedWith) {
    RemoveAtEnd("Directories");
    ASSERT_TRUE(settings_.SaveSetting("Directories", "Dir1", "first"));
    ASSERT_TRUE(settings_.SaveSetting("DIRECTORIES", "DIR1", "second"));

    // Overwriting through another spelling changes the data, not the stored name.
    RawKey section(settings_.KeyPath("Directories"));
    ASSERT_TRUE(section.IsOpen());
    EXPECT_EQ(section.ValueNames(), std::vector<std::string>{"Dir1"});
    const auto value = section.Query("Dir1");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->bytes, std::string("second", 7));

    RawKey application(settings_.KeyPath(""));
    ASSERT_TRUE(application.IsOpen());
    EXPECT_EQ(application.SubkeyNames(), std::vector<std::string>{"Directories"});
}

}  // namespace
}  // namespace zolvantek
