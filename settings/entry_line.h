#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zolvantek {

// One stored list entry: four fields joined by " | ". The third field is the view word of
// a directory entry or the argument text of a program entry.
struct EntryFields {
    std::string name;
    std::string path;
    std::string third;
    std::string startWord;
};

inline constexpr std::string_view kFieldSeparator = " | ";
inline constexpr std::string_view kViewExplorer = "Explorer";
inline constexpr std::string_view kViewForm = "Form";
inline constexpr std::string_view kExplorerViewSwitches = "/n, /e,";
inline constexpr std::string_view kSeparatorName = "-";

// Positions are 16-bit in the stored format's readers: longer lines never split.
inline constexpr std::size_t kMaxSplittableLength = 32767;

// Splits by the first three bars, dropping exactly one character on each side of every
// bar and trimming nothing else. Nothing when the line has fewer than three bars or a
// field would have a negative length.
std::optional<EntryFields> SplitEntryLine(std::string_view line);

std::string BuildEntryLine(const EntryFields& fields);

// The shortcut name shown in a menu: the text before the first bar less one character.
// A line without that shape (no bar, or a bar first) shows whole, so the slot stays visible
// and can be mended in the editor.
std::string MenuCaption(std::string_view line);

// The start word's three forms, mapped here alone: the word stored, the option the item
// dialog shows, and the show-window value a launch uses.
enum class StartStyle { Normal, Minimized, Maximized };
// Only the exact words count; anything else starts normally.
StartStyle StartStyleOf(std::string_view startWord);
std::string_view StartWord(StartStyle style);
// 1 normal, 2 minimized, 3 maximized.
std::int16_t ShowWindowValue(std::string_view startWord);

// Only the exact word "Form" asks for a plain folder window.
std::string ExplorerSwitchesFor(std::string_view viewWord);

}  // namespace zolvantek
