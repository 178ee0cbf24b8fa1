#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/launcher_lists.h"
#include "tray/launch_readers.h"
#include "tray/module_state.h"

#ifdef _WIN32
#include <process.h>
#define ZOLVANTEK_TEST_PID _getpid()
#else
#include <stdlib.h>
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

// A fresh folder of the test's own, removed with all it holds when the test ends.
struct ScratchDir : std::filesystem::path {
    explicit ScratchDir(const std::string& word = "")
        : path(std::filesystem::temp_directory_path() / (UniqueWord() + word)) {
        std::filesystem::remove_all(*this);
        std::filesystem::create_directories(*this);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(*this, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
};

#ifndef _WIN32
// Environment variables set while it lives (nullptr unsets one), then put back.
class ScopedEnv {
public:
    ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [name, value] : values) {
            const char* old = getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            Set(name, value);
        }
    }
    ~ScopedEnv() {
        for (const auto& [name, old] : saved_) Set(name.c_str(), old ? old->c_str() : nullptr);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    static void Set(const char* name, const char* value) {
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
#endif

// Every slot of both lists, by name, as stored now ("" when unset).
inline std::map<std::string, std::string> StoredSlots(CRegSettings& settings) {
    std::map<std::string, std::string> values;
    for (ListKind kind : {ListKind::Directories, ListKind::Programs}) {
        for (int slot = 1; slot <= 20; ++slot) {
            const std::string name = SlotValueName(kind, slot);
            values[name] = settings.GetSetting(kListSection, name, "");
        }
    }
    return values;
}

// "<tag> n | /srv/<tag> | Explorer | Normal" for n = 1 to `count`, as the editor saves lines.
inline std::vector<std::string> Entries(const std::string& tag, int count) {
    std::vector<std::string> lines(count, tag + " n | /srv/" + tag + " | Explorer | Normal");
    for (int n = 1; n <= count; ++n) lines[n - 1].replace(tag.size() + 1, 1, std::to_string(n));
    return lines;
}

// Settings on a company word of the test's own; the sections named are removed at the end.
class SettingsTest : public ::testing::Test {
protected:
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
        other.SetCompany(company_);
        other.SetAppName("Suite");
        return other;
    }

private:
    std::string company_ = UniqueWord();
    std::vector<std::string> sections_;
#ifndef _WIN32
    // The settings file in a folder of the test's own, never the user's.
    ScratchDir config_{"-config"};
    ScopedEnv env_{{ "XDG_CONFIG_HOME", config_.c_str() }};
#endif

protected:
    CRegSettings settings_ = Another();
};

// Fresh module state on a company word of the test's own, and a scratch folder; both are
// gone when the test ends.
class LaunchTest : public ::testing::Test {
protected:
    LaunchTest() {
        state_.Settings.SetCompany(UniqueWord());
        state_.Settings.SetAppName(kSettingsAppName);
        state_.MaxItems = 20;
    }
    ~LaunchTest() override { state_.Settings.DeleteSetting(kListSection); }

    void Store(const std::string& key, const std::string& line) {
        ASSERT_TRUE(state_.Settings.SaveSetting(kListSection, key, line)) << key;
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

    ScratchDir scratch_;
#ifndef _WIN32
    ScopedEnv env_{{ "XDG_CONFIG_HOME", (scratch_ / "config").c_str() }};
#endif
    ModuleState state_;
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
