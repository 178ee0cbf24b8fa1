#pragma once

#include <string>

namespace zolvantek {

// What the executable's version information says about the product.
inline constexpr const char* kProductName = "Brindlex ZOLVANTEK";
inline constexpr const char* kMakerName = "BRINDLEX SOFTWARE SOLUTIONS";
inline constexpr const char* kApplicationTitle = "ZOLVANTEK";
// The reverse-DNS name of the desktop entry, the icon, the autostart entry and the instance mark.
inline constexpr const char* kAppId = "com.brindlex.Zolvantek";
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 30;

}  // namespace zolvantek
