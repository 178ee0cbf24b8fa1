#include "settings/entry_line.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace zolvantek {
namespace {

TEST(EntryLine, SplitsByTheFirstThreeBarsAndRefusesFieldsOfNegativeLength) {
    const struct {
        std::string line;
        std::array<std::string, 4> fields;
    } cases[] = {
        {"Work | C:\\Work | Form | Maximized", {"Work", "C:\\Work", "Form", "Maximized"}},
        {"Clock | C:\\Clock.exe |  | Normal", {"Clock", "C:\\Clock.exe", "", "Normal"}},
        // Nothing else is trimmed: a name typed with a trailing blank keeps it.
        {"Name  |  /a b  |  x y  |  Normal ", {"Name ", " /a b ", " x y ", " Normal "}},
        // A bar inside the arguments ends them; the rest becomes the start word.
        {"Grep | /bin/sh | -c ls | wc | Normal", {"Grep", "/bin/sh", "-c ls", "wc | Normal"}},
        // The shortest line that still splits: empty fields everywhere.
        {" |  |  | ", {"", "", "", ""}},
        // A character where the blank goes is dropped, so this line alone does not rebuild.
        {"a | b | c |x", {"a", "b", "c", ""}},
    };
    for (const auto& [line, fields] : cases) {
        const auto split = SplitEntryLine(line);
        ASSERT_TRUE(split) << line;
        EXPECT_EQ((std::array{split->name, split->path, split->third, split->startWord}), fields);
        EXPECT_EQ(BuildEntryLine(*split) == line, line.back() != 'x') << line;
    }
    for (const char* bad : {"", "no bars at all", "Only | two | bars", "| a | b | c", "a || b | c",
                            "a | b || c", "a | b | c |", "a |b| c | d"}) {
        EXPECT_FALSE(SplitEntryLine(bad)) << bad;
    }
}

TEST(EntryLine, LinesBeyondSixteenBitPositionsDoNotSplit) {
    std::string line = "n | p | a | Normal";
    line.append(kMaxSplittableLength - line.size(), 'x');
    EXPECT_TRUE(SplitEntryLine(line));
    line.push_back('x');
    EXPECT_FALSE(SplitEntryLine(line));
}

TEST(EntryLine, MenuCaptionIsTheNameOrTheWholeUnsplittableLine) {
    EXPECT_EQ(MenuCaption("Name  | x | y | z"), "Name ");
    EXPECT_EQ(MenuCaption("|starts with a bar"), "|starts with a bar");
}

}  // namespace
}  // namespace zolvantek
