#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/entry_line.h"
#include "settings/launcher_lists.h"

namespace zolvantek {

// What the item dialog shows of one entry.
struct ItemFields {
    std::string name;
    std::string path;
    std::string arguments;  // program entries only
    bool formView = false;  // directory entries only: a plain folder window
    StartStyle start = StartStyle::Normal;
};

// "Add Directory", "Edit Program" and so on.
std::string ItemDialogCaption(ListKind kind, bool editing);
// The caption above the path box: "Directory" or "Program".
std::string PathLabel(ListKind kind);

// The fields of a stored line, the words compared exactly; nothing when the line does not
// split, so the dialog opens as for a new entry.
std::optional<ItemFields> ItemFieldsFromLine(ListKind kind, std::string_view line);

// The line the dialog stores, the fields exactly as typed.
std::string BuildItemLine(ListKind kind, const ItemFields& fields);

// Why the fields cannot be stored, or nothing when they can: a missing name or path, or a
// "|", which would split the line elsewhere when it is read again.
std::optional<std::string> CheckItemFields(ListKind kind, const ItemFields& fields);

}  // namespace zolvantek
