#pragma once

#include <cstdint>
#include <string>

#include "settings/launcher_lists.h"

namespace zolvantek {

// Help topics: the directory list's and the program list's.
inline constexpr int kDirectoryHelpContext = 30;
inline constexpr int kProgramHelpContext = 20;

int HelpContext(ListKind kind);
// The section of the help page a help context number stands for: "directories" for 30,
// "programs" for 20 and any other number.
const char* HelpSection(int contextId);

// The list editor's window caption for a list.
const char* EditorCaption(ListKind kind);

// A list that already holds maxItems lines takes no more.
bool ListIsFull(int lineCount, std::int16_t maxItems);

// Three lines: the limit, that no more can be entered, what to do about it.
std::string LimitMessage(std::int16_t maxItems);

// Where Move Up and Move Down take the selected line (rows count from 0, -1 for none);
// -1 when the line stays where it is.
int MoveUpTarget(int selectedRow);
int MoveDownTarget(int selectedRow, int lineCount);

}  // namespace zolvantek
