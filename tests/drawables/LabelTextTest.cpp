// Label fitting and word-wrapped label text, measured with the recording
// device context's fixed-pitch font (10 wide, 20 high per character).
#include "drawables/LabelText.h"
#include "drawables/FontFaceTable.h"
#include "platform/RecordingDC.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct LabelTextTest : ::testing::Test {
    LabelTextTest() {
        table.Init();
        dc.SetFixedMetrics(10, 20);
    }
    FontFaceTable table;
    ScopedInstall<FontFaceTable> scope{&table};
    RecordingDC dc;

    // The drawn lines as "x y text".
    std::vector<std::string> Wrapped(std::string_view text, CRect box, uint8_t alignment = 0) {
        dc.Clear();
        DrawWrappedText(dc, text, box, alignment);
        std::vector<std::string> out;
        for (const std::string& call : dc.CallsNamed("TextOut"))
            out.push_back(call.substr(8, call.find("\" font=") - 8));
        return out;
    }
};

using Lines = std::vector<std::string>;

TEST_F(LabelTextTest, FitTextRect) {
    const std::string_view second("abcdef");
    struct Case {
        const char* name;
        std::string_view first;
        const std::string_view* second;
        CRect around, expected;
    } cases[] = {
        // 40 x 20 plus a tenth plus 2, centred on the point.
        {"one line", "abcd", nullptr, {100, 100, 100, 100}, {77, 88, 123, 112}},
        {"two lines", "ab", &second, {100, 100, 100, 100}, {66, 77, 134, 123}},
        {"empty", "", nullptr, {100, 100, 100, 100}, {96, 96, 104, 104}},
        {"shrinks", "ab", nullptr, {0, 0, 100, 100}, {38, 38, 62, 62}},
    };
    for (const Case& c : cases) {
        CRect result;
        FitTextRect(dc, c.first, c.second, nullptr, c.around, result);
        EXPECT_EQ(result, c.expected) << c.name;
    }
    // The font of the looks at zoom 1 is selected for measuring, then restored.
    Looks big;
    big.height = -40;
    dc.SetFixedMetrics(0, 0);
    dc.Clear();
    CRect result;
    FitTextRect(dc, "ab", nullptr, &big, CRect(0, 0, 0, 0), result);
    EXPECT_EQ(dc.CallsNamed("SelectFont")[0], "SelectFont Arial -40 400");
    EXPECT_EQ(dc.GetFont(), LogFont());
    EXPECT_EQ(result.Height(), 44 / 2 * 2 + 2);
}

TEST_F(LabelTextTest, WrapsAtBlanksAndAligns) {
    struct Case {
        const char* name;
        std::string_view text;
        CRect box;
        uint8_t alignment;
        Lines lines;
    } cases[] = {
        {"soft break", "aaa bbb ccc", {0, 0, 75, 100}, 0, {"0 0 \"aaa bbb", "0 20 \"ccc"}},
        {"centred", "aaa bbb ccc", {0, 0, 75, 100}, 1, {"2 0 \"aaa bbb", "22 20 \"ccc"}},
        {"right", "aaa bbb ccc", {10, 5, 85, 100}, 2, {"15 5 \"aaa bbb", "55 25 \"ccc"}},
        {"tabs break too", "aa\tbb", {0, 0, 45, 100}, 0, {"0 0 \"aa", "0 20 \"bb"}},
        // Blanks accepted before the break stay on the line; those after it go.
        {"blanks", "aa    bb", {0, 0, 45, 100}, 0, {"0 0 \"aa  ", "0 20 \"bb"}},
        {"fits on one", "aa bb", {0, 0, 100, 100}, 0, {"0 0 \"aa bb"}},
        {"hard break", "a\r\nb", {0, 0, 1000, 100}, 0, {"0 0 \"a", "0 20 \"b"}},
        {"empty line", "a\r\n\r\nb", {0, 0, 1000, 100}, 0, {"0 0 \"a", "0 40 \"b"}},
        {"lone LF is text", "a\nb", {0, 0, 1000, 100}, 0, {"0 0 \"a\nb"}},
        {"empty", "", {0, 0, 100, 100}, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Wrapped(c.text, c.box, c.alignment), c.lines) << c.name;
}

TEST_F(LabelTextTest, CutsWordsWiderThanTheBox) {
    struct Case {
        const char* name;
        std::string_view text;
        int32_t width;
        Lines lines;
    } cases[] = {
        {"largest prefix below the width",
         "abcdefghij",
         35,
         {"0 0 \"abc", "0 20 \"def", "0 40 \"ghi", "0 60 \"j"}},
        // The accepted width must stay below the box: exactly 30 does not fit.
        {"strictly below", "aaa", 30, {"0 0 \"aa", "0 20 \"a"}},
        {"at least one character", "abc", 5, {"0 0 \"a", "0 20 \"b", "0 40 \"c"}},
        {"then wraps on", "abcdef gh", 45, {"0 0 \"abcd", "0 20 \"ef", "0 40 \"gh"}},
        {"utf-8 stays whole",
         "\xc3\xa9\xc3\xa9\xc3\xa9",
         25,
         {"0 0 \"\xc3\xa9\xc3\xa9", "0 20 \"\xc3\xa9"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Wrapped(c.text, CRect(0, 0, c.width, 200)), c.lines) << c.name;
}

TEST_F(LabelTextTest, DrawsOnlyWholeLinesThatFit) {
    EXPECT_EQ(Wrapped("aaa bbb ccc", CRect(0, 0, 35, 59)), (Lines{"0 0 \"aaa", "0 20 \"bbb"}));
    EXPECT_EQ(Wrapped("aaa bbb ccc", CRect(0, 0, 35, 60)),
              (Lines{"0 0 \"aaa", "0 20 \"bbb", "0 40 \"ccc"}));
    EXPECT_EQ(Wrapped("aaa", CRect(0, 0, 100, 19)), Lines{});
    // Left-top alignment while drawing, the previous one afterwards.
    dc.SetTextAlign(TA_BASELINE | TA_CENTER);
    Wrapped("x", CRect(0, 0, 100, 100));
    EXPECT_EQ(dc.calls.front(), "SetTextAlign 0");
    EXPECT_EQ(dc.GetTextAlign(), uint32_t(TA_BASELINE | TA_CENTER));
}

} // namespace
} // namespace qm
