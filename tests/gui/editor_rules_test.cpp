// The editors' rules that need no window.
#include <gtest/gtest.h>

#include "editors/item_rules.h"

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

}  // namespace
}  // namespace zolvantek
