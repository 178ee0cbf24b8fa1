#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

#include "platform/posix/ini_file_format.h"
#include "platform/settings_store.h"

namespace zolvantek::platform {
namespace {

// Where a registry-style key path lives here: "Software\Company\App\Section" is the
// group "Section" of the file $XDG_CONFIG_HOME/Company/App.ini.
struct IniLocation {
    QString filePath;
    QString group;  // "/"-separated, empty for the application key itself
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
    const QStringList sections = parts.mid(3);
    for (const QString& section : sections) {
        if (!IsSafePathWord(section)) return std::nullopt;
    }
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (configHome.isEmpty()) return std::nullopt;
    return IniLocation{configHome + u'/' + parts[1] + u'/' + parts[2] + QStringLiteral(".ini"),
                       sections.join(u'/')};
}

// The unnamed value is kept under "*", the one name the settings class never passes on.
std::optional<QString> SettingsKey(const IniLocation& location, const char* valueName) {
    const QString name = (valueName == nullptr || *valueName == '\0')
                             ? QStringLiteral("*")
                             : QString::fromLocal8Bit(valueName);
    if (name.contains(u'/')) return std::nullopt;
    return location.group.isEmpty() ? name : location.group + u'/' + name;
}

// Names match without regard to case, as in the registry; the first spelling stored is
// the one that stays in the file.
QString StoredSpelling(const QSettings& file, const QString& key) {
    if (file.contains(key)) return key;
    const qsizetype slash = key.lastIndexOf(u'/');
    const QString group = key.left(std::max<qsizetype>(slash, 0));
    QString spelling = key;
    for (const QString& stored : file.allKeys()) {
        if (stored.compare(key, Qt::CaseInsensitive) == 0) return stored;
        // A new name in an existing section joins that section's spelling.
        const qsizetype storedSlash = stored.lastIndexOf(u'/');
        if (slash >= 0 && storedSlash == slash &&
            stored.left(storedSlash).compare(group, Qt::CaseInsensitive) == 0) {
            spelling = stored.left(storedSlash) + key.mid(slash);
        }
    }
    return spelling;
}

QString StoredGroupSpelling(const QSettings& file, const QString& group) {
    const QStringList groups = file.childGroups();
    const auto found = std::find_if(groups.begin(), groups.end(), [&](const QString& stored) {
        return stored.compare(group, Qt::CaseInsensitive) == 0;
    });
    return found == groups.end() ? QString() : *found;
}

class IniStore final : public SettingsStore {
public:
    // One value is the case of several with one name: the same lookup, by case or not.
    std::optional<std::string> ReadValue(const std::string& keyPath,
                                         const char* valueName) override {
        return ReadValues(keyPath, {valueName == nullptr ? std::string() : valueName}).front();
    }

    std::vector<std::optional<std::string>> ReadValues(
        const std::string& keyPath, const std::vector<std::string>& valueNames) override {
        std::vector<std::optional<std::string>> values(valueNames.size());
        const auto location = LocateKey(keyPath);
        if (!location) return values;
        // A missing file reads as an empty one (no values, nothing created): no existence
        // test of its own is needed.
        QSettings file(location->filePath, LiteralIniFormat());
        if (file.status() != QSettings::NoError) return values;
        // Names in another case are found through one index of the file, built only when an
        // exact name is missing, so a read of all slots stays one pass over the file.
        std::optional<QHash<QString, QString>> byFoldedName;
        // The section part of every key, made once; the unnamed value is "*" as in SettingsKey.
        const QString prefix = location->group.isEmpty() ? QString() : location->group + u'/';
        for (std::size_t i = 0; i < valueNames.size(); ++i) {
            const std::string& name = valueNames[i];
            if (name.find('/') != std::string::npos) continue;
            const QString key =
                prefix + (name.empty() ? QStringLiteral("*") : QString::fromLocal8Bit(name));
            QVariant value = file.value(key);
            if (!value.isValid()) {
                if (!byFoldedName) {
                    byFoldedName.emplace();
                    for (const QString& stored : file.allKeys()) {
                        byFoldedName->insert(stored.toCaseFolded(), stored);
                    }
                }
                const auto found = byFoldedName->constFind(key.toCaseFolded());
                if (found != byFoldedName->constEnd()) value = file.value(*found);
            }
            const QString text = value.toString();
            if (!text.isEmpty()) values[i] = text.toLocal8Bit().toStdString();
        }
        return values;
    }

    bool WriteValue(const std::string& keyPath, const char* valueName,
                    const std::string& text) override {
        return WriteValues(keyPath, {{valueName == nullptr ? std::string() : valueName, text}});
    }

    // One save of the file for all the values, instead of one per value.
    bool WriteValues(const std::string& keyPath,
                     const std::vector<std::pair<std::string, std::string>>& values) override {
        const auto location = LocateKey(keyPath);
        if (!location) return false;
        QSettings file(location->filePath, LiteralIniFormat());
        bool all = true;
        std::vector<std::pair<QString, QVariant>> previous;
        for (const auto& [name, text] : values) {
            const auto key = SettingsKey(*location, name.c_str());
            if (!key) {
                all = false;
                continue;
            }
            const QString stored = StoredSpelling(file, *key);
            previous.emplace_back(stored, file.value(stored));
            file.setValue(stored, QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
        }
        file.sync();
        if (file.status() == QSettings::NoError) return all;
        // Qt keeps a refused change in its process-wide copy of the file: take it back, so
        // this program goes on reading what is really stored.
        for (auto it = previous.rbegin(); it != previous.rend(); ++it) {
            if (it->second.isValid()) {
                file.setValue(it->first, it->second);
            } else {
                file.remove(it->first);
            }
        }
        return false;
    }

    bool DeleteValue(const std::string& keyPath, const char* valueName) override {
        const auto location = LocateKey(keyPath);
        if (!location || !QFileInfo::exists(location->filePath)) return false;
        const auto key = SettingsKey(*location, valueName);
        if (!key) return false;
        QSettings file(location->filePath, LiteralIniFormat());
        const QString stored = StoredSpelling(file, *key);
        if (!file.contains(stored)) return false;
        file.remove(stored);
        file.sync();
        return file.status() == QSettings::NoError;
    }

    bool DeleteKey(const std::string& parentKeyPath, const std::string& subkeyName) override {
        // The subkey may itself be a path ("A\B"): its last word is what goes.
        const auto location = LocateKey(parentKeyPath + "\\" + subkeyName);
        if (!location || !QFileInfo::exists(location->filePath)) return false;
        QSettings file(location->filePath, LiteralIniFormat());
        QStringList path = location->group.split(u'/');
        const QString target = path.takeLast();
        for (const QString& word : path) {
            const QString stored = StoredGroupSpelling(file, word);
            if (stored.isEmpty()) return false;
            file.beginGroup(stored);
        }
        const QString stored = StoredGroupSpelling(file, target);
        if (stored.isEmpty()) return false;
        file.beginGroup(stored);
        // Like the registry, a section that holds sections of its own is not removed.
        const bool hasSubsections = !file.childGroups().isEmpty();
        file.endGroup();
        if (hasSubsections) return false;
        file.remove(stored);
        file.sync();
        return file.status() == QSettings::NoError;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> CreateUserSettingsStore() { return std::make_unique<IniStore>(); }

}  // namespace zolvantek::platform
