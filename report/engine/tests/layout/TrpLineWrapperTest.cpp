// Where lines break: wrapping at blanks, long words, paragraph marks, line
// ends inside a text, hyphenation with "WordBreak", and the layout of a
// whole text (no wrap, rotated, already wrapped, height).
#include "TrpLineWrapper.h"

#include "LayoutTestSupport.h"
#include "TrpHyphenation.h"
#include "TrpTextLayout.h"

#include <gtest/gtest.h>

using namespace report;
using layout_test::FixedMeasurer;

namespace {

const std::string M(1, '\x01'); // the paragraph mark

TrpStrings Wrap(const std::string& text, int width, bool wordBreak = false) {
    FixedMeasurer measurer;
    TrpStrings out;
    TrpLineWrapper(measurer, width, wordBreak).Wrap(text, out);
    return out;
}

// "молоко" in Windows-1251; its hyphenation points are after 2 and 4.
const std::string kMoloko = "\xEC\xEE\xEB\xEE\xEA\xEE";
const std::string kMo = "\xEC\xEE", kLo = "\xEB\xEE", kKo = "\xEA\xEE";

} // namespace

TEST(TrpLineWrapperTest, BreaksAtTheLastBlankBeforeTheOverflow) {
    // Seven characters fit into 70 pixels.
    EXPECT_EQ(Wrap("aaa bbb ccc", 70), (TrpStrings{"aaa bbb", "ccc" + M}));
    EXPECT_EQ(Wrap("aaa bb cc dd", 70), (TrpStrings{"aaa bb", "cc dd" + M}));
    // A fitting text, and a single character however narrow the object,
    // is one line ending its paragraph.
    EXPECT_EQ(Wrap("aaa bbb", 70), (TrpStrings{"aaa bbb" + M}));
    EXPECT_EQ(Wrap("x", 0), (TrpStrings{"x" + M}));
    EXPECT_EQ(Wrap("", 0), (TrpStrings{M}));
}

TEST(TrpLineWrapperTest, AWordWiderThanTheObjectEndsWithTheOverflowingCharacter) {
    EXPECT_EQ(Wrap("abcdefghij", 35), (TrpStrings{"abcd", "efgh", "ij" + M}));
    // The last cut falls exactly at the end: no mark on the last line.
    EXPECT_EQ(Wrap("abcdefgh", 35), (TrpStrings{"abcd", "efgh"}));
    // After a blank the long word starts its own line.
    EXPECT_EQ(Wrap("ab cdefghij", 35), (TrpStrings{"ab", "cdef", "ghij"}));
}

TEST(TrpLineWrapperTest, LineEndsInsideTheTextEndParagraphs) {
    EXPECT_EQ(Wrap("ab\r\ncd", 100), (TrpStrings{"ab" + M, "cd" + M}));
    // Runs of line ends count as one; trailing ones end the text.
    EXPECT_EQ(Wrap("ab\r\n\r\ncd\n", 100), (TrpStrings{"ab" + M, "cd" + M}));
    EXPECT_EQ(Wrap("ab\n", 100), (TrpStrings{"ab" + M}));
    // Wrapping goes on after a line end.
    EXPECT_EQ(Wrap("aa\rbbb ccc", 40), (TrpStrings{"aa" + M, "bbb", "ccc" + M}));
}

TEST(TrpLineWrapperTest, HyphenationPointsFollowTheCyrillicVowelRules) {
    EXPECT_EQ(HyphenationPoints(kMoloko), (std::vector<int>{2, 4}));
    // Upper case is the same word.
    EXPECT_EQ(HyphenationPoints("\xCC\xCE\xCB\xCE\xCA\xCE"), (std::vector<int>{2, 4}));
    // "каша" is too short; "кошка" breaks after 3 (consonant, consonant,
    // vowel): ко-шка is not allowed, кош-ка is.
    EXPECT_TRUE(HyphenationPoints("\xEA\xE0\xF8\xE0").empty());
    EXPECT_EQ(HyphenationPoints("\xEA\xEE\xF8\xEA\xE0"), (std::vector<int>{3}));
    // Latin words have no vowels in this sense.
    EXPECT_TRUE(HyphenationPoints("information").empty());
}

TEST(TrpLineWrapperTest, WordBreakCutsAtTheLongestFittingHyphenationPoint) {
    // "ab молоко" in 60 pixels: "ab мо-" fits, "ab моло-" does not.
    EXPECT_EQ(Wrap("ab " + kMoloko, 60, true), (TrpStrings{"ab " + kMo + "-", kLo + kKo + M}));
    // Without "WordBreak" the word moves to the next line whole.
    EXPECT_EQ(Wrap("ab " + kMoloko, 60, false), (TrpStrings{"ab", kMoloko + M}));
    // A word at the start of a line is hyphenated from its first letter.
    EXPECT_EQ(Wrap(kMoloko, 30, true), (TrpStrings{kMo + "-", kLo + kKo}));
    // No usable point: the same cut as without "WordBreak".
    EXPECT_EQ(Wrap("abcdefghij", 35, true), Wrap("abcdefghij", 35, false));
}

TEST(TrpTextLayoutTest, LaysOutEveryLineAndMeasuresTheHeight) {
    FixedMeasurer measurer;
    TrpTextLayoutSettings settings;
    settings.width = 70;
    settings.lineHeight = 16;
    settings.inset = 1;
    const TrpStrings text{"aaa bbb ccc", "dd"};

    // Without "WordWrap" each line stays whole and ends its paragraph.
    TrpLaidOutText out = LayOutText(text, settings, measurer);
    EXPECT_EQ(out.lines, (TrpStrings{"aaa bbb ccc" + M, "dd" + M}));
    EXPECT_EQ(out.textHeight, 2 * 16 + 2);

    settings.wordWrap = true;
    out = LayOutText(text, settings, measurer);
    EXPECT_EQ(out.lines, (TrpStrings{"aaa bbb", "ccc" + M, "dd" + M}));
    EXPECT_EQ(out.textHeight, 3 * 16 + 2);

    // Rotated text without wrapping carries no marks.
    settings.wordWrap = false;
    settings.rotated = true;
    EXPECT_EQ(LayOutText(text, settings, measurer).lines, text);

    // An already wrapped text is taken line for line, even if too wide.
    settings.rotated = false;
    settings.wordWrap = true;
    settings.alreadyWrapped = true;
    const TrpStrings wrapped{"aaa bbb ccc ddd", "e" + M};
    EXPECT_EQ(LayOutText(wrapped, settings, measurer).lines, wrapped);
}
