#include "settings/reg_settings.h"

#include "common/product_info.h"

namespace zolvantek {
namespace {

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// "*" addresses the unnamed value, so no value literally named "*" is ever touched.
const char* ValueNameFor(const std::string& key) { return key == "*" ? nullptr : key.c_str(); }

}  // namespace

CRegSettings::CRegSettings() : CRegSettings(platform::CreateUserSettingsStore()) {}

CRegSettings::CRegSettings(std::unique_ptr<platform::SettingsStore> store)
    : store_(std::move(store)), company_(kDefaultCompany), appName_(kProductName) {}

void CRegSettings::SetCompany(const std::string& NewVal) {
    company_ = NewVal.empty() ? std::string(kDefaultCompany) : TrimBlanks(NewVal);
}

void CRegSettings::SetAppName(const std::string& NewVal) {
    appName_ = NewVal.empty() ? std::string(kProductName) : TrimBlanks(NewVal);
}

std::string CRegSettings::KeyPath(const std::string& section) const {
    std::string path = "Software\\" + company_ + "\\" + appName_;
    if (!section.empty()) path += "\\" + section;
    return path;
}

std::string CRegSettings::GetSetting(const std::string& Section, const std::string& Key,
                                     const std::string& Default) {
    auto stored = store_->ReadValue(KeyPath(Section), ValueNameFor(Key));
    return stored ? *stored : Default;
}

std::vector<std::string> CRegSettings::GetSettings(const std::string& Section,
                                                   const std::vector<std::string>& Keys,
                                                   const std::string& Default) {
    // "*" stays the unnamed value here too: the store sees an empty name for it.
    std::vector<std::string> names;
    names.reserve(Keys.size());
    for (const std::string& key : Keys) names.push_back(key == "*" ? std::string() : key);
    std::vector<std::string> texts;
    texts.reserve(Keys.size());
    for (auto& stored : store_->ReadValues(KeyPath(Section), names)) {
        texts.push_back(stored ? std::move(*stored) : Default);
    }
    return texts;
}

bool CRegSettings::SaveSetting(const std::string& Section, const std::string& Key,
                               const std::string& Setting) {
    return store_->WriteValue(KeyPath(Section), ValueNameFor(Key), Setting);
}

bool CRegSettings::SaveSettings(const std::string& Section,
                                const std::vector<std::pair<std::string, std::string>>& Settings) {
    std::vector<std::pair<std::string, std::string>> named;
    named.reserve(Settings.size());
    for (const auto& [key, text] : Settings) {
        named.emplace_back(key == "*" ? std::string() : key, text);
    }
    return store_->WriteValues(KeyPath(Section), named);
}

bool CRegSettings::DeleteSetting(const std::string& Section, const std::string& Key) {
    if (!Key.empty()) return store_->DeleteValue(KeyPath(Section), ValueNameFor(Key));
    // An empty subkey name would make the registry delete the application key itself.
    if (Section.empty()) return false;
    return store_->DeleteKey(KeyPath(""), Section);
}

}  // namespace zolvantek
