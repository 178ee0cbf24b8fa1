#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/reg_settings.h"

namespace zolvantek {

enum class ListKind { Directories, Programs };

inline constexpr const char* kSettingsCompany = "Brindlex Software Solutions";
inline constexpr const char* kSettingsAppName = "Zolvantek";
// Both lists share this one section.
inline constexpr const char* kListSection = "Directories";

// "Dir7" for slot 7 of the directories, "DirP12" for slot 12 of the programs.
std::string SlotValueName(ListKind kind, int slot);

// The separator line "Insert Line" appends to a list.
std::string SeparatorLine(ListKind kind);

// What a menu item of one slot shows; nothing for a free slot, whose item is hidden.
using SlotCaptions = std::vector<std::optional<std::string>>;

struct LoadedList {
    // The stored lines in slot order, packed: a free slot between used ones leaves no
    // gap here, while the caption of slot n stays at index n - 1 of slotCaptions.
    std::vector<std::string> lines;
    SlotCaptions slotCaptions;
};

// Reads slots 1 to maxItems of one list.
LoadedList LoadList(CRegSettings& settings, ListKind kind, std::int16_t maxItems);

// Both lists, slots 1 to maxItems each, in one read of the store (the start-up read).
struct LoadedLists {
    LoadedList directories;
    LoadedList programs;
};
LoadedLists LoadBothLists(CRegSettings& settings, std::int16_t maxItems);

struct SavedList {
    SlotCaptions slotCaptions;
    bool allWritten = true;  // false when any slot could not be stored
};

// Writes all maxItems slots of one list, line n into slot n and an empty text into
// every slot after the last line.
SavedList SaveList(CRegSettings& settings, ListKind kind, const std::vector<std::string>& lines,
                   std::int16_t maxItems);

}  // namespace zolvantek
