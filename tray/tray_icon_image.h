#pragma once

#include <QIcon>

#include "common/product_info.h"

namespace zolvantek {

// Installed into the hicolor theme under the program's id.
inline constexpr const char* kIconThemeName = kAppId;

// The binoculars as shipped in the program, for window frames and task bars.
QIcon BinocularsIcon();

// The tray icon: the built-in binoculars with a light outline, so that they stay visible
// on a dark panel as on a light one.
QIcon TrayIconImage();

// For hosts that draw the icon themselves: the installed theme icon, so they get its name
// and pick the size and variant they like; the outlined binoculars while none is installed.
QIcon ExportedTrayIconImage();

}  // namespace zolvantek
