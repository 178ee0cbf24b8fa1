#pragma once

#include "editors/editor_messages.h"
#include "editors/file_chooser.h"

namespace zolvantek {

// What the editor windows show besides themselves; the real boxes and dialogs unless a test
// brings its own.
struct EditorServices {
    EditorMessages* messages = &QtEditorMessages();
    FileChooser* files = &QtFileChooser();
};

}  // namespace zolvantek
