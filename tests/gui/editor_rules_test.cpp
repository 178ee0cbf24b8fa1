// The editors' rules that need no window.
#include <gtest/gtest.h>

#include "editors/item_rules.h"
#include "editors/twips_layout.h"

namespace zolvantek {
namespace {

TEST(ItemRules, LinesTooLongToSplitAgainAreRefusedAndADirectoryIgnoresArguments) {
    const ItemFields longest{"n", "p", std::string(32767 - 17, 'a')};
    EXPECT_EQ(BuildItemLine(ListKind::Programs, longest).size(), 32767u);
    EXPECT_FALSE(CheckItemFields(ListKind::Programs, longest));
    ItemFields longer = longest;
    longer.arguments += 'a';
    EXPECT_EQ(CheckItemFields(ListKind::Programs, longer).value_or("").substr(0, 21),
              "The entry is too long");
    // A directory's hidden arguments box is never read.
    EXPECT_FALSE(CheckItemFields(ListKind::Directories, longer));
    EXPECT_FALSE(CheckItemFields(ListKind::Directories, {"n", "p", "a|b"}));
}

TEST(TwipsLayout, TwipsBecomePixelsAtTheScreensDpiEdgeByEdge) {
    EXPECT_EQ(TwipsToPixels(6960, 96), 464);
    EXPECT_EQ(TwipsToPixels(6960, 120), 580);
    const TwipsLayout layout(96, 144);
    EXPECT_EQ(layout.Size(6960, 3030), QSize(464, 303));
    EXPECT_EQ(layout.Rect(48, -12, 5676, 3156), QRect(3, -1, 379, 315));
}

}  // namespace
}  // namespace zolvantek
