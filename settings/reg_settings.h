#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings_store.h"

namespace zolvantek {

// Named text settings of the current user, addressed by company, application, section
// and value name. The value name "*" stands for a section's unnamed value.
class CRegSettings {
public:
    static constexpr const char* kDefaultCompany = "VB and VBA Program Settings";

    CRegSettings();
    // For tests and tools that bring their own store.
    explicit CRegSettings(std::unique_ptr<platform::SettingsStore> store);

    // An empty text restores the default; anything else is stored without surrounding blanks.
    void SetCompany(const std::string& NewVal);
    const std::string& Company() const { return company_; }
    void SetAppName(const std::string& NewVal);
    const std::string& AppName() const { return appName_; }

    // With an empty Key, removes the whole section.
    bool DeleteSetting(const std::string& Section, const std::string& Key = "");
    std::string GetSetting(const std::string& Section, const std::string& Key,
                           const std::string& Default = "");
    // GetSetting for several values of one section, read in one go.
    std::vector<std::string> GetSettings(const std::string& Section,
                                         const std::vector<std::string>& Keys,
                                         const std::string& Default = "");
    bool SaveSetting(const std::string& Section, const std::string& Key,
                     const std::string& Setting);
    // SaveSetting for several (key, text) pairs of one section, stored in one go; true only
    // when all are stored.
    bool SaveSettings(const std::string& Section,
                      const std::vector<std::pair<std::string, std::string>>& Settings);

    std::string KeyPath(const std::string& section) const;

private:
    std::unique_ptr<platform::SettingsStore> store_;
    std::string company_;
    std::string appName_;
};

}  // namespace zolvantek
