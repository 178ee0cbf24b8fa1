#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/reg_settings.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace zolvantek::test_support {

// Each test works below a company word of its own ("ZolvantekTest-<test>-<pid>"), so tests
// running side by side or left over from a crashed run never see each other's values.
class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest() : company_(UniqueCompany()) { Configure(settings_); }

    ~SettingsTest() override {
        // Last registered first, so a subsection goes before the section holding it.
        for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
            settings_.DeleteSetting(*it);
        }
    }

    // Removes the section when the test ends, whatever it left behind.
    void RemoveAtEnd(const std::string& section) { sections_.push_back(section); }

    // A second object on the same words: it shares nothing with settings_ but the store.
    CRegSettings Another() const {
        CRegSettings other;
        Configure(other);
        return other;
    }

    CRegSettings settings_;

  private:
    static std::string UniqueCompany() {
#ifdef _WIN32
        const int pid = _getpid();
#else
        const int pid = static_cast<int>(getpid());
#endif
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return "ZolvantekTest-" + std::string(info->name()) + "-" + std::to_string(pid);
    }

    void Configure(CRegSettings& target) const {
        target.SetCompany(company_);
        target.SetAppName("Suite");
    }

    std::string company_;
    std::vector<std::string> sections_;
};

}  // namespace zolvantek::test_support
