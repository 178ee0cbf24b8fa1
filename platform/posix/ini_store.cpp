#include "platform/posix/ini_store.h"

#include <QStandardPaths>
#include <QStringList>

#include "platform/posix/ini_file_access.h"
#include "platform/posix/ini_text.h"
#include "platform/settings_store.h"

namespace zolvantek::platform {
namespace {

// Where a registry-style key path lives here: "Software\Company\App\A\B" is the section
// "[A\B]" of the file $XDG_CONFIG_HOME/Company/App.ini; "Software\Company\App" is the
// lines before the first section.
struct IniLocation {
    QString filePath;
    std::string section;
};

bool IsSafePathWord(const QString& word) {
    return !word.isEmpty() && word != u"." && word != u".." && !word.contains(u'/');
}

std::optional<IniLocation> LocateKey(const std::string& keyPath) {
    const QStringList parts = QString::fromLocal8Bit(keyPath).split(u'\\');
    if (parts.size() < 3 || parts[0].compare(u"Software", Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    // Company and application become a folder and a file name: nothing may climb out.
    if (!IsSafePathWord(parts[1]) || !IsSafePathWord(parts[2])) return std::nullopt;
    std::string section;
    for (qsizetype i = 3; i < parts.size(); ++i) {
        if (parts[i].isEmpty()) return std::nullopt;  // as the registry, no empty key name
    }
    // The section keeps the caller's bytes exactly, past the application word.
    std::size_t start = 0;
    for (int words = 0; words < 3; ++words) start = keyPath.find('\\', start) + 1;
    if (parts.size() > 3) section = keyPath.substr(start);
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (configHome.isEmpty()) return std::nullopt;
    return IniLocation{configHome + u'/' + parts[1] + u'/' + parts[2] + QStringLiteral(".ini"),
                       section};
}

// The unnamed value is kept under "*", the one name the settings class never passes on.
std::string StoredName(const char* valueName) {
    return (valueName == nullptr || *valueName == '\0') ? std::string("*") : valueName;
}

// Nothing is kept between calls: every one reads the file as it is now.
class IniStore final : public SettingsStore {
public:
    std::optional<std::string> ReadValue(const std::string& keyPath,
                                         const char* valueName) override {
        return ReadValues(keyPath, {valueName == nullptr ? std::string() : valueName}).front();
    }

    // A read takes no lock: every save replaces the file whole, so a read sees the old
    // file or the new one. A stuck lock or a read-only folder thus never empties the menus.
    std::vector<std::optional<std::string>> ReadValues(
        const std::string& keyPath, const std::vector<std::string>& valueNames) override {
        const auto location = LocateKey(keyPath);
        const ini::FileBytes file =
            location ? ini::ReadSettingsFile(location->filePath) : ini::FileBytes{};
        if (file.status != ini::FileStatus::Read) {
            return std::vector<std::optional<std::string>>(valueNames.size());
        }
        std::vector<std::string> names;
        names.reserve(valueNames.size());
        for (const std::string& name : valueNames) names.push_back(StoredName(name.c_str()));
        return ini::ReadValues(file.bytes, location->section, names);
    }

    bool WriteValue(const std::string& keyPath, const char* valueName,
                    const std::string& text) override {
        return WriteValues(keyPath, {{valueName == nullptr ? std::string() : valueName, text}});
    }

    // All the values in one save of the file: all are stored, or none.
    bool WriteValues(const std::string& keyPath,
                     const std::vector<std::pair<std::string, std::string>>& values) override {
        const auto location = LocateKey(keyPath);
        if (!location) return false;
        std::vector<std::pair<std::string, std::string>> named;
        named.reserve(values.size());
        for (const auto& [name, text] : values) named.emplace_back(StoredName(name.c_str()), text);
        return ini::EditSettingsFile(
            location->filePath,
            [&](const std::string& bytes) {
                return ini::WriteValues(bytes, location->section, named);
            },
            true);
    }

    bool DeleteValue(const std::string& keyPath, const char* valueName) override {
        const auto location = LocateKey(keyPath);
        if (!location) return false;
        const std::string name = StoredName(valueName);
        return ini::EditSettingsFile(
            location->filePath,
            [&](const std::string& bytes) {
                return ini::DeleteValue(bytes, location->section, name);
            },
            false);
    }

    bool DeleteKey(const std::string& parentKeyPath, const std::string& subkeyName) override {
        // The subkey may itself be a path ("A\B"): the section of that name goes.
        const auto location = LocateKey(parentKeyPath + "\\" + subkeyName);
        if (!location || location->section.empty()) return false;
        return ini::EditSettingsFile(
            location->filePath,
            [&](const std::string& bytes) { return ini::DeleteSection(bytes, location->section); },
            false);
    }
};

}  // namespace

std::unique_ptr<SettingsStore> CreateUserSettingsStore() { return std::make_unique<IniStore>(); }

std::optional<QString> IniFileFor(const std::string& keyPath) {
    const auto location = LocateKey(keyPath);
    if (!location) return std::nullopt;
    return location->filePath;
}

}  // namespace zolvantek::platform
