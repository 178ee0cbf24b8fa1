// The INI store writes below $XDG_CONFIG_HOME: point it at a fresh directory for the whole
// run, so tests never touch the real user's settings and start from nothing.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

class XdgConfigHome : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = (std::filesystem::temp_directory_path() / "zolvantek-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir_.data()), nullptr) << "cannot make " << dir_;
        ASSERT_EQ(setenv("XDG_CONFIG_HOME", dir_.c_str(), 1), 0);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

private:
    std::string dir_;
};

// Registered before main runs; gtest sets it up before the first test.
[[maybe_unused]] const auto* const kXdgConfigHome =
    ::testing::AddGlobalTestEnvironment(new XdgConfigHome);

}  // namespace
