#pragma once

#include <cstdint>
#include <string>

namespace zolvantek {

inline constexpr const char* kAboutCaption = "About ZOLVANTEK";

// Major + "." + minor + revision: 2, 0, 30 read "2.030".
std::string VersionText(std::int16_t major, std::int16_t minor, std::int16_t revision);
// The same for this program's own version.
std::string VersionText();

// "Version " + major + "." + minor + revision: 2, 0, 30 read "Version 2.030".
std::string VersionLine(std::int16_t major, std::int16_t minor, std::int16_t revision);

// Product, maker and version line, joined by line feeds alone.
std::string AboutText(std::int16_t major, std::int16_t minor, std::int16_t revision);
// The same for this program's own version.
std::string AboutText();

}  // namespace zolvantek
