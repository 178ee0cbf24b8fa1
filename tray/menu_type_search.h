#pragma once

class QMenu;

namespace zolvantek {

// Typing the first letters of an entry's name in an open menu selects the first entry
// whose name begins with them (case aside); Enter then chooses it. Typing the same letter
// again goes on to the next entry that begins with it. Qt's own menu search (the style's
// keyboard-search hint) matches letters anywhere in any name, which picks the wrong entry.
void SelectByTyping(QMenu* menu);

}  // namespace zolvantek
