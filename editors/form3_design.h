#pragma once

#include "editors/twips_layout.h"

namespace zolvantek {

// The item dialog as designed, in twips. Frames and options come before what lies right
// of them, so a widened caption moves its neighbours once.
inline constexpr ControlPlace kForm3Controls[] = {
    {"btnOK", 5796, 36, 1092, 300},    {"btnCancel", 5808, 396, 1092, 300},
    {"Frame2", 36, -72, 5724, 2592},   {"Label1", 108, 240, 1452, 252},
    {"Text1", 108, 408, 5172, 264},    {"Label2", 108, 732, 1452, 252},
    {"Text2", 108, 912, 5172, 264},    {"Command1", 5340, 924, 252, 252},
    {"Command2", 5376, 852, 252, 252}, {"Label3", 108, 1284, 5148, 252},
    {"Text3", 108, 1464, 5172, 264},   {"Command3", 5376, 1404, 252, 252},
    {"Frame3", 108, 1272, 2508, 504},  {"Option4", 156, 204, 1392, 192},
    {"Option5", 1536, 180, 684, 264},  {"Frame1", 108, 1836, 3612, 636},
    {"Option1", 240, 240, 852, 252},   {"Option2", 1206, 240, 1092, 252},
    {"Option3", 2412, 240, 1056, 252},
};
inline constexpr WindowDesign kForm3Design{3150, 3420, 6960, 2565, kForm3Controls};

}  // namespace zolvantek
