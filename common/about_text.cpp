#include "common/about_text.h"

#include "common/product_info.h"

namespace zolvantek {

std::string VersionText(std::int16_t major, std::int16_t minor, std::int16_t revision) {
    // No point between minor and revision: that is how the version has always been shown.
    return std::to_string(major) + "." + std::to_string(minor) + std::to_string(revision);
}

std::string VersionText() { return VersionText(kVersionMajor, kVersionMinor, kVersionRevision); }

std::string VersionLine(std::int16_t major, std::int16_t minor, std::int16_t revision) {
    return "Version " + VersionText(major, minor, revision);
}

std::string AboutText(std::int16_t major, std::int16_t minor, std::int16_t revision) {
    return std::string(kProductName) + "\n" + kMakerName + "\n" +
           VersionLine(major, minor, revision);
}

std::string AboutText() { return AboutText(kVersionMajor, kVersionMinor, kVersionRevision); }

}  // namespace zolvantek
