#pragma once

#include <QFont>
#include <span>

class QWidget;

namespace zolvantek {

// A control's designed place inside its container, in twips.
struct ControlPlace {
    const char* name;  // the control's objectName
    int left;
    int top;
    int width;
    int height;
};

// A window's designed place on the screen and its controls, in twips.
struct WindowDesign {
    int left;
    int top;
    int width;
    int height;
    std::span<const ControlPlace> controls;
};

// Puts the window and its named controls at their designed places at the screen's logical
// DPI. Where a caption in the fonts at hand needs more room than its designed width, the
// control widens, neighbours on its right move only as far as they must, and the frame
// and window around it grow; everything else stays where it was designed.
void ApplyDesign(QWidget& window, const WindowDesign& design);

// The design fonts; where the system lacks them, the nearest sans-serif face it has.
QFont ArialFont();      // Arial 7.5 pt: windows, buttons, lists, boxes and labels
QFont SansSerifFont();  // MS Sans Serif 8.25 pt: the item dialog's frames and options

}  // namespace zolvantek
