#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/launcher_lists.h"
#include "tray/launch_readers.h"
#include "tray/module_state.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace zolvantek::test_support {

inline int ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(getpid());
#endif
}

inline std::string CurrentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

// Fresh module state on a company word of the test's own, and a scratch folder; both are
// gone when the test ends.
class LaunchTest : public ::testing::Test {
protected:
    LaunchTest() {
        const std::string unique = CurrentTestName() + "-" + std::to_string(ProcessId());
        state_.Settings.SetCompany("ZolvantekTest-" + unique);
        state_.Settings.SetAppName(kSettingsAppName);
        state_.MaxItems = 20;
        scratch_ = std::filesystem::temp_directory_path() / ("zolvantek-" + unique);
        std::filesystem::remove_all(scratch_);
        std::filesystem::create_directories(scratch_);
    }

    ~LaunchTest() override {
        state_.Settings.DeleteSetting(kListSection);
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }

    void Store(const std::string& key, const std::string& line) {
        ASSERT_TRUE(state_.Settings.SaveSetting(kListSection, key, line)) << key;
    }

    // Every slot of both lists, to show that nothing was written.
    std::vector<std::string> AllSlots() {
        std::vector<std::string> values;
        for (const ListKind kind : {ListKind::Directories, ListKind::Programs}) {
            for (int slot = 1; slot <= 20; ++slot) {
                values.push_back(
                    state_.Settings.GetSetting(kListSection, SlotValueName(kind, slot), ""));
            }
        }
        return values;
    }

    std::string MakeDir(const std::string& name) {
        const auto path = scratch_ / name;
        std::filesystem::create_directories(path);
        return path.string();
    }

    std::string MakeFile(const std::string& name, const std::string& content = "x") {
        const auto path = scratch_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::string Missing(const std::string& name) { return (scratch_ / name).string(); }

    ModuleState state_;
    std::filesystem::path scratch_;
};

// Stands in for the system: records what would have been started.
class RecordingStarter final : public ProcessStarter {
public:
    struct Call {
        std::string kind;  // "open" or "program"
        std::string target;
        std::string argumentText;
        platform::WindowsStart windows;
    };

    bool OpenWithDesktop(const std::string& path, const platform::WindowsStart& windows) override {
        calls.push_back({"open", path, {}, windows});
        return succeed;
    }
    bool StartProgram(const std::string& program, const std::string& argumentText,
                      const platform::WindowsStart& windows) override {
        calls.push_back({"program", program, argumentText, windows});
        return succeed;
    }

    std::vector<Call> calls;
    bool succeed = true;
};

}  // namespace zolvantek::test_support
