#include "settings/entry_line.h"

#include <gtest/gtest.h>

#include <string>

namespace zolvantek {
namespace {

TEST(EntryLine, SplitsByTheFirstThreeBarsDroppingOneCharacterBesideEach) {
    const std::string line = "Work | C:\\Work | Form | Maximized";
    const auto dir = SplitEntryLine(line);
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->name, "Work");
    EXPECT_EQ(dir->path, "C:\\Work");
    EXPECT_EQ(dir->third, "Form");
    EXPECT_EQ(dir->startWord, "Maximized");
    EXPECT_EQ(BuildEntryLine(*dir), line);

    EXPECT_EQ(SplitEntryLine("Clock | C:\\Clock.exe |  | Normal")->third, "");
    // Nothing else is trimmed: a name typed with a trailing blank keeps it.
    const auto blank = SplitEntryLine("Name  |  /a b  |  x y  |  Normal ");
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->name, "Name ");
    EXPECT_EQ(blank->path, " /a b ");
    EXPECT_EQ(blank->third, " x y ");
    EXPECT_EQ(blank->startWord, " Normal ");

    // A bar inside the arguments ends them; the rest becomes the start word.
    const auto piped = SplitEntryLine("Grep | /bin/sh | -c ls | wc | Normal");
    ASSERT_TRUE(piped);
    EXPECT_EQ(piped->third, "-c ls");
    EXPECT_EQ(piped->startWord, "wc | Normal");
}

TEST(EntryLine, RefusesLinesWhoseFieldsWouldHaveNegativeLength) {
    for (const char* bad : {"", "no bars at all", "Only | two | bars", "| a | b | c", "a || b | c",
                            "a | b || c", "a | b | c |", "a |b| c | d"}) {
        EXPECT_FALSE(SplitEntryLine(bad)) << bad;
    }
    // The shortest lines that still split: empty fields everywhere.
    const auto minimal = SplitEntryLine(" |  |  | ");
    ASSERT_TRUE(minimal);
    EXPECT_EQ(BuildEntryLine(*minimal), " |  |  | ");
    EXPECT_TRUE(SplitEntryLine("a | b | c |x"));
}

TEST(EntryLine, LinesBeyondSixteenBitPositionsDoNotSplit) {
    std::string line = "n | p | a | Normal";
    line.append(kMaxSplittableLength - line.size(), 'x');
    EXPECT_TRUE(SplitEntryLine(line));
    line.push_back('x');
    EXPECT_FALSE(SplitEntryLine(line));
}

TEST(EntryLine, MenuCaptionIsTheNameOrTheWholeUnsplittableLine) {
    EXPECT_EQ(MenuCaption("Work | C:\\Work | Explorer | Normal"), "Work");
    EXPECT_EQ(MenuCaption("Name  | x | y | z"), "Name ");
    EXPECT_EQ(MenuCaption("hand-written text"), "hand-written text");
    EXPECT_EQ(MenuCaption("|starts with a bar"), "|starts with a bar");
}

}  // namespace
}  // namespace zolvantek
