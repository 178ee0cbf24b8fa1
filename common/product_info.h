#pragma once

#include <string>

namespace zolvantek {

// What the executable's version information says about the product.
inline constexpr const char* kProductName = "Brindlex ZOLVANTEK";
inline constexpr const char* kMakerName = "BRINDLEX SOFTWARE SOLUTIONS";
inline constexpr const char* kApplicationTitle = "ZOLVANTEK";
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 30;

}  // namespace zolvantek
