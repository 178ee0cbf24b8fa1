#include "settings/entry_line.h"

#include <gtest/gtest.h>

#include <string>

namespace zolvantek {
namespace {

TEST(EntryLine, SplitsByPositionDroppingOneCharacterBesideEachBar) {
    const auto dir = SplitEntryLine("Work | C:\\Work | Form | Maximized");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->name, "Work");
    EXPECT_EQ(dir->path, "C:\\Work");
    EXPECT_EQ(dir->third, "Form");
    EXPECT_EQ(dir->startWord, "Maximized");

    const auto noArgs = SplitEntryLine("Clock | C:\\Tools\\Clock.exe |  | Normal");
    ASSERT_TRUE(noArgs);
    EXPECT_EQ(noArgs->third, "");
    EXPECT_EQ(noArgs->startWord, "Normal");

    // Nothing else is trimmed: a name typed with a trailing blank keeps it.
    const auto blank = SplitEntryLine("Name  |  /a b  |  x y  |  Normal ");
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->name, "Name ");
    EXPECT_EQ(blank->path, " /a b ");
    EXPECT_EQ(blank->third, " x y ");
    EXPECT_EQ(blank->startWord, " Normal ");
}

TEST(EntryLine, BarInsideArgumentsShiftsTheLaterFields) {
    const auto fields = SplitEntryLine("Grep | /bin/sh | -c ls | wc | Normal");
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->third, "-c ls");
    EXPECT_EQ(fields->startWord, "wc | Normal");
    EXPECT_EQ(ShowWindowValue(fields->startWord), 1);
}

TEST(EntryLine, RefusesLinesWhoseFieldsWouldHaveNegativeLength) {
    for (const char* bad : {"", "no bars at all", "Only | two | bars", "| a | b | c",
                            "a || b | c", "a | b || c", "a | b | c |", "a |b| c | d"}) {
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

TEST(EntryLine, BuildAndSplitRoundTrip) {
    const EntryFields fields{"Editor", "C:\\Tools\\Edit.exe", "C:\\Notes.txt", "Maximized"};
    const std::string line = BuildEntryLine(fields);
    EXPECT_EQ(line, "Editor | C:\\Tools\\Edit.exe | C:\\Notes.txt | Maximized");
    const auto back = SplitEntryLine(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, fields.name);
    EXPECT_EQ(back->path, fields.path);
    EXPECT_EQ(back->third, fields.third);
    EXPECT_EQ(back->startWord, fields.startWord);
}

TEST(EntryLine, MenuCaptionIsTheNameOrTheWholeUnsplittableLine) {
    EXPECT_EQ(MenuCaption("Work | C:\\Work | Explorer | Normal"), "Work");
    EXPECT_EQ(MenuCaption("Name  | x | y | z"), "Name ");
    EXPECT_EQ(MenuCaption("- | - | Explorer | Normal"), "-");
    EXPECT_EQ(MenuCaption("hand-written text"), "hand-written text");
    EXPECT_EQ(MenuCaption("|starts with a bar"), "|starts with a bar");
}

TEST(EntryLine, WordsAreExactAndCaseSensitive) {
    EXPECT_EQ(ShowWindowValue("Normal"), 1);
    EXPECT_EQ(ShowWindowValue("Minimized"), 2);
    EXPECT_EQ(ShowWindowValue("Maximized"), 3);
    for (const char* other : {"minimized", "MAXIMIZED", "", "Maximized ", "whatever"}) {
        EXPECT_EQ(ShowWindowValue(other), 1) << other;
    }
    EXPECT_EQ(ExplorerSwitchesFor("Form"), "");
    EXPECT_EQ(ExplorerSwitchesFor("Explorer"), "/n, /e,");
    EXPECT_EQ(ExplorerSwitchesFor("form"), "/n, /e,");
    EXPECT_EQ(ExplorerSwitchesFor(""), "/n, /e,");
}

}  // namespace
}  // namespace zolvantek
