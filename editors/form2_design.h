#pragma once

#include "editors/twips_layout.h"

namespace zolvantek {

// The directory picker as designed, in twips.
inline constexpr ControlPlace kForm2Controls[] = {
    {"btnOK", 5076, 444, 1092, 300}, {"btnCancel", 5088, 804, 1092, 300},
    {"Label1", 84, 48, 576, 240},    {"Drive1", 708, 48, 4272, 288},
    {"Dir1", 36, 420, 4944, 2232},
};
inline constexpr WindowDesign kForm2Design{3075, 3135, 6225, 2775, kForm2Controls};

}  // namespace zolvantek
