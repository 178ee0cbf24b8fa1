#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zolvantek::platform::ini {

// The settings file as bytes, edited in place. A value is everything after the first "="
// of its line, taken literally; only what a line cannot hold is written as "%XX" (line
// breaks and NUL, and in names "=" and a leading "[", ";", "#" or blank), and a "%" that
// would read as such a code is itself escaped. Sections ("[A\B]") and names match without
// regard to case; where a file holds twins, the first one counts. Every edit changes only
// the lines of the values it writes: comments, unknown lines, other sections, line ends
// (LF, CRLF or CR), a UTF-8 BOM and bytes that are not UTF-8 stay exactly as they were.

// Texts of the names asked for in `section` (a key path below the application, "" for the
// application key itself); nothing for a missing value or one that holds no text.
std::vector<std::optional<std::string>> ReadValues(std::string_view file, std::string_view section,
                                                   const std::vector<std::string>& names);

// The file with every (name, text) stored: a value already there is rewritten on its own
// line, a new one goes at the end of its section, a new section at the end of the file.
// Nothing when a name or the section cannot be written so that it reads back the same.
std::optional<std::string> WriteValues(
    std::string_view file, std::string_view section,
    const std::vector<std::pair<std::string, std::string>>& values);

// The file without the value (every line of that name in the section); nothing when the
// value is not there.
std::optional<std::string> DeleteValue(std::string_view file, std::string_view section,
                                       std::string_view name);

// The file without the section's lines (header and values, twins included); nothing when
// the section is not there or holds sections of its own ("A" while "A\B" exists).
std::optional<std::string> DeleteSection(std::string_view file, std::string_view section);

}  // namespace zolvantek::platform::ini
