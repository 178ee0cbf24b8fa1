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
                           std::string(third), std::string(StartWord(StartStyle::Normal))});
}

namespace {

void AddSlotNames(std::vector<std::string>& names, ListKind kind, std::int16_t maxItems) {
    for (int slot = 1; slot <= maxItems; ++slot) names.push_back(SlotValueName(kind, slot));
}

// One list from the texts of its slots 1 to maxItems, starting at `first`.
LoadedList FromTexts(std::vector<std::string>::iterator first, std::int16_t maxItems) {
    LoadedList list;
    list.slotCaptions.resize(std::max<std::int16_t>(maxItems, 0));
    for (int slot = 1; slot <= maxItems; ++slot, ++first) {
        std::string& line = *first;
        if (line.empty()) continue;
        list.slotCaptions[slot - 1] = MenuCaption(line);
        list.lines.push_back(std::move(line));
    }
    return list;
}

}  // namespace

LoadedList LoadList(CRegSettings& settings, ListKind kind, std::int16_t maxItems) {
    std::vector<std::string> names;
    AddSlotNames(names, kind, maxItems);
    std::vector<std::string> lines = settings.GetSettings(kListSection, names, "");
    return FromTexts(lines.begin(), maxItems);
}

LoadedLists LoadBothLists(CRegSettings& settings, std::int16_t maxItems) {
    maxItems = std::max<std::int16_t>(maxItems, 0);
    std::vector<std::string> names;
    AddSlotNames(names, ListKind::Directories, maxItems);
    AddSlotNames(names, ListKind::Programs, maxItems);
    std::vector<std::string> lines = settings.GetSettings(kListSection, names, "");
    return {FromTexts(lines.begin(), maxItems), FromTexts(lines.begin() + maxItems, maxItems)};
}

SavedList SaveList(CRegSettings& settings, ListKind kind, const std::vector<std::string>& lines,
                   std::int16_t maxItems) {
    SavedList saved;
    saved.slotCaptions.resize(std::max<std::int16_t>(maxItems, 0));
    std::vector<std::pair<std::string, std::string>> values;
    for (int slot = 1; slot <= maxItems; ++slot) {
        const std::string empty;
        const std::string& line =
            static_cast<std::size_t>(slot) <= lines.size() ? lines[slot - 1] : empty;
        // A slot whose name is empty is hidden, as a free one is.
        if (std::string caption = MenuCaption(line); !caption.empty()) {
            saved.slotCaptions[slot - 1] = std::move(caption);
        }
        values.emplace_back(SlotValueName(kind, slot), line);
    }
    // The whole list in one save of the store, not one save per slot.
    saved.allWritten = settings.SaveSettings(kListSection, values);
    return saved;
}

}  // namespace zolvantek
