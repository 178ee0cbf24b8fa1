#include "editors/list_rules.h"

namespace zolvantek {

int HelpContext(ListKind kind) {
    return kind == ListKind::Directories ? kDirectoryHelpContext : kProgramHelpContext;
}

const char* HelpSection(int contextId) {
    return contextId == kDirectoryHelpContext ? "directories" : "programs";
}

const char* EditorCaption(ListKind kind) {
    return kind == ListKind::Directories ? "Windows Explorer StartUp Directories:" : "Programs:";
}

bool ListIsFull(int lineCount, std::int16_t maxItems) { return lineCount > maxItems - 1; }

std::string LimitMessage(std::int16_t maxItems) {
    return std::to_string(maxItems) + " is the most items you can have \n" +
           "You cannot enter anymore items \n" + "You must delete one in order to Add one";
}

int MoveUpTarget(int selectedRow) { return selectedRow < 1 ? -1 : selectedRow - 1; }

int MoveDownTarget(int selectedRow, int lineCount) {
    return selectedRow < 0 || selectedRow >= lineCount - 1 ? -1 : selectedRow + 1;
}

}  // namespace zolvantek
