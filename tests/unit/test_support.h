#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "settings/launcher_lists.h"
#include "tray/launch_readers.h"
#include "tray/module_state.h"

#ifdef _WIN32
#include <process.h>
#define ZOLVANTEK_TEST_PID _getpid()
#else
#include <unistd.h>
#define ZOLVANTEK_TEST_PID getpid()
#endif

namespace zolvantek::test_support {

// A word of the running test's own, so tests running side by side or left over from a
// crashed run never see each other's settings or files.
inline std::string UniqueWord() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("ZolvantekTest-") + info->test_suite_name() + "-" + info->name() + "-" +
           std::to_string(static_cast<int>(ZOLVANTEK_TEST_PID));
}

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void Spit(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Settings on a company word of the test's own; the sections named are removed at the end.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() { Configure(settings_); }
    ~SettingsTest() override {
        // Last named first, so a subsection goes before the section holding it.
        for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
            settings_.DeleteSetting(*it);
        }
    }
    void RemoveAtEnd(std::initializer_list<std::string> sections) {
        sections_.insert(sections_.end(), sections);
    }
    // A second object on the same words: it shares nothing with settings_ but the store.
    CRegSettings Another() const {
        CRegSettings other;
        Configure(other);
        return other;
    }

    CRegSettings settings_;

private:
    void Configure(CRegSettings& target) const {
        target.SetCompany(company_);
        target.SetAppName("Suite");
    }
    std::string company_ = UniqueWord();
    std::vector<std::string> sections_;
};

// Fresh module state on a company word of the test's own, and a scratch folder; both are
// gone when the test ends.
class LaunchTest : public ::testing::Test {
protected:
    LaunchTest() : scratch_(std::filesystem::temp_directory_path() / UniqueWord()) {
        state_.Settings.SetCompany(UniqueWord());
        state_.Settings.SetAppName(kSettingsAppName);
        state_.MaxItems = 20;
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
                    state_.Settings.GetSetting(kListSection, SlotValueName(kind, slot)));
            }
        }
        return values;
    }
    std::string MakeDir(const std::string& name) {
        std::filesystem::create_directories(scratch_ / name);
        return Missing(name);
    }
    std::string MakeFile(const std::string& name, const std::string& content = "x") {
        std::ofstream(scratch_ / name, std::ios::binary) << content;
        return Missing(name);
    }
    std::string Missing(const std::string& name) { return (scratch_ / name).string(); }

    ModuleState state_;
    std::filesystem::path scratch_;
};

// Stands in for the system: records what would have been started.
class RecordingStarter final : public ProcessStarter {
public:
    struct Call {
        std::string kind;  // "open", "program" or "page"
        std::string target;
        std::string argumentText;
        platform::WindowsStart windows;
    };
    platform::OpenResult OpenWithDesktop(const std::string& path,
                                         const platform::WindowsStart& windows,
                                         const std::function<void()>& failedLater) override {
        calls.push_back({"open", path, {}, windows});
        later = failedLater;
        return succeed ? platform::OpenResult::Started : platform::OpenResult::NoOpener;
    }
    bool StartProgram(const std::string& program, const std::string& argumentText,
                      const platform::WindowsStart& windows) override {
        calls.push_back({"program", program, argumentText, windows});
        return succeed;
    }
    bool OpenHelpPage(const std::string& page, const std::string& section,
                      const std::function<void()>& failedLater) override {
        calls.push_back({"page", page, section, {}});
        later = failedLater;
        return succeed;
    }
    std::vector<Call> calls;
    bool succeed = true;
    std::function<void()> later;  // what a late failure of the last opener would run
};

}  // namespace zolvantek::test_support
