#pragma once

#include <QObject>
#include <memory>
#include <string>

namespace zolvantek::platform {

// Tells when the stored lists may have changed behind the program's back (the settings
// file edited by hand), so that the menus show what a choice will launch.
class SettingsWatch : public QObject {
    Q_OBJECT
public:
    ~SettingsWatch() override = default;

signals:
    void changed();
};

// Watches the store that holds KEYPATH (as the settings store addresses it).
std::unique_ptr<SettingsWatch> WatchUserSettings(const std::string& keyPath);

}  // namespace zolvantek::platform
