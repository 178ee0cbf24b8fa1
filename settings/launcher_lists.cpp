#include "settings/launcher_lists.h"

#include <algorithm>

#include "settings/entry_line.h"

namespace zolvantek {

std::string SlotValueName(ListKind kind, int slot) {
    return (kind == ListKind::Directories ? "Dir" : "DirP") + std::to_string(slot);
}

std::string SeparatorLine(ListKind kind) {
    const std::string_view third = kind == ListKind::Directories ? kViewExplorer : "";
    return BuildEntryLine({std::string(kSeparatorName), std::string(kSeparatorName),
                           std::string(third), std::string(kStartNormal)});
}

LoadedList LoadList(CRegSettings& settings, ListKind kind, std::int16_t maxItems) {
    LoadedList list;
    list.slotCaptions.resize(std::max<std::int16_t>(maxItems, 0));
    std::vector<std::string> names;
    for (int slot = 1; slot <= maxItems; ++slot) names.push_back(SlotValueName(kind, slot));
    std::vector<std::string> lines = settings.GetSettings(kListSection, names, "");
    for (int slot = 1; slot <= maxItems; ++slot) {
        std::string& line = lines[slot - 1];
        if (line.empty()) continue;
        list.slotCaptions[slot - 1] = MenuCaption(line);
        list.lines.push_back(std::move(line));
    }
    return list;
}

SavedList SaveList(CRegSettings& settings, ListKind kind, const std::vector<std::string>& lines,
                   std::int16_t maxItems) {
    SavedList saved;
    saved.slotCaptions.resize(std::max<std::int16_t>(maxItems, 0));
    for (int slot = 1; slot <= maxItems; ++slot) {
        const std::string empty;
        const std::string& line =
            static_cast<std::size_t>(slot) <= lines.size() ? lines[slot - 1] : empty;
        if (!line.empty()) saved.slotCaptions[slot - 1] = MenuCaption(line);
        if (!settings.SaveSetting(kListSection, SlotValueName(kind, slot), line)) {
            saved.allWritten = false;
        }
    }
    return saved;
}

}  // namespace zolvantek
