#include "settings/entry_line.h"

#include <algorithm>

namespace zolvantek {

std::optional<EntryFields> SplitEntryLine(std::string_view line) {
    if (line.size() > kMaxSplittableLength) return std::nullopt;
    const auto bar1 = line.find('|');
    if (bar1 == std::string_view::npos || bar1 == 0) return std::nullopt;
    const auto bar2 = line.find('|', bar1 + 1);
    if (bar2 == std::string_view::npos || bar2 - bar1 < 3) return std::nullopt;
    const auto bar3 = line.find('|', bar2 + 1);
    if (bar3 == std::string_view::npos || bar3 - bar2 < 3 || bar3 + 1 == line.size()) {
        return std::nullopt;
    }
    const auto fieldAfter = [&](std::size_t bar, std::size_t nextBar) {
        return std::string(line.substr(bar + 2, nextBar - bar - 3));
    };
    return EntryFields{
        std::string(line.substr(0, bar1 - 1)),
        fieldAfter(bar1, bar2),
        fieldAfter(bar2, bar3),
        std::string(line.substr(std::min(bar3 + 2, line.size()))),
    };
}

std::string BuildEntryLine(const EntryFields& fields) {
    std::string line;
    line.reserve(fields.name.size() + fields.path.size() + fields.third.size() +
                 fields.startWord.size() + 3 * kFieldSeparator.size());
    line.append(fields.name).append(kFieldSeparator);
    line.append(fields.path).append(kFieldSeparator);
    line.append(fields.third).append(kFieldSeparator);
    line.append(fields.startWord);
    return line;
}

std::string MenuCaption(std::string_view line) {
    const auto bar1 = line.find('|');
    if (bar1 == std::string_view::npos || bar1 == 0) return std::string(line);
    return std::string(line.substr(0, bar1 - 1));
}

namespace {
constexpr std::string_view kStartWords[] = {"Normal", "Minimized", "Maximized"};
}  // namespace

StartStyle StartStyleOf(std::string_view startWord) {
    if (startWord == kStartWords[1]) return StartStyle::Minimized;
    if (startWord == kStartWords[2]) return StartStyle::Maximized;
    return StartStyle::Normal;
}

std::string_view StartWord(StartStyle style) { return kStartWords[static_cast<int>(style)]; }

std::int16_t ShowWindowValue(std::string_view startWord) {
    return static_cast<std::int16_t>(1 + static_cast<int>(StartStyleOf(startWord)));
}

std::string ExplorerSwitchesFor(std::string_view viewWord) {
    return viewWord == kViewForm ? std::string() : std::string(kExplorerViewSwitches);
}

}  // namespace zolvantek
