#include "common/about_text.h"

#include <gtest/gtest.h>

namespace zolvantek {
namespace {

TEST(AboutText, ThreeLinesJoinedByLineFeedsWithTheVersionRunTogether) {
    EXPECT_EQ(AboutText(), "Brindlex ZOLVANTEK\nBRINDLEX SOFTWARE SOLUTIONS\nVersion 2.030");
    EXPECT_EQ(VersionLine(1, 2, 3), "Version 1.23");
    EXPECT_EQ(VersionLine(2, 0, 30), "Version 2.030");
    EXPECT_EQ(VersionLine(10, 11, 0), "Version 10.110");
}

}  // namespace
}  // namespace zolvantek
