#pragma once

#include "editors/twips_layout.h"

namespace zolvantek {

// The list editor as designed, in twips. The design's client area (3030 twips high) would
// cut off the lower part of OK, which ends at 3168; the window keeps below it the margin
// that Add has above it.
inline constexpr ControlPlace kForm1Controls[] = {
    {"Frame1", 48, -12, 5676, 3156},     {"lstPath", 48, 168, 5544, 2790},
    {"lstPathP", 60, 168, 5544, 2790},   {"Command4", 5784, 120, 1080, 324},
    {"Command5", 5784, 432, 1080, 324},  {"Command3", 5796, 756, 1080, 324},
    {"Command7", 5796, 1200, 1080, 324}, {"Command1", 5796, 1632, 1080, 324},
    {"Command2", 5796, 1956, 1080, 324}, {"Command6", 5796, 2412, 1080, 324},
    {"btnOK", 5796, 2844, 1080, 324},
};
inline constexpr WindowDesign kForm1Design{2745, 4230, 6960, 3288, kForm1Controls};

}  // namespace zolvantek
