#pragma once

#include <QString>
#include <optional>
#include <string>

namespace zolvantek::platform {

// The settings file that holds KEYPATH, if the path names one.
std::optional<QString> IniFileFor(const std::string& keyPath);

}  // namespace zolvantek::platform
