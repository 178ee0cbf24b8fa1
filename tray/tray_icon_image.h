#pragma once

#include <QIcon>

namespace zolvantek {

inline constexpr const char* kIconThemeName = "com.brindlex.Zolvantek";

// The binoculars as shipped in the program, for window frames and task bars.
QIcon BinocularsIcon();

// The tray icon: the installed theme icon when there is one (hosts that draw the icon
// themselves then get its name), else the built-in binoculars with a light outline, so
// that they stay visible on a dark panel as on a light one.
QIcon TrayIconImage();

}  // namespace zolvantek
