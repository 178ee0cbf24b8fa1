#pragma once

#include <optional>
#include <string>

#include "editors/item_rules.h"

namespace zolvantek {

// One file dropped on a list, as the file system shows it.
struct DroppedFile {
    std::string path;      // in the system's own form (its separators)
    std::string fileName;  // the last name of the path; empty for a drive or the root
    bool folder = false;
};

// What a drop offers the item dialog: the fields to open it with, or why the file is not
// taken (then the message to show).
struct DropOffer {
    std::optional<ItemFields> fields;
    std::string refusal;
};

// A folder for the directory list, a program (or what names one) for the program list. The
// fields must pass the item dialog's own checks: a "|" in a name the person did not type
// would shift the fields of the stored line.
DropOffer OfferDroppedFile(ListKind kind, const DroppedFile& file);

}  // namespace zolvantek
