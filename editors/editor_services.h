#pragma once

#include "editors/file_chooser.h"
#include "editors/message_boxes.h"

namespace zolvantek {

// What the editor windows show besides themselves; the real boxes and dialogs unless a test
// brings its own.
struct EditorServices {
    MessageBoxes* messages = &QtMessageBoxes();
    FileChooser* files = &QtFileChooser();
};

}  // namespace zolvantek
