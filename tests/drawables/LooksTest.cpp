// Looks records, the font face table and the looks text drawing.
#include "drawables/Looks.h"
#include "drawables/DrawingSwitches.h"
#include "drawables/FontFaceTable.h"
#include "drawables/TextDrawing.h"
#include "platform/Errors.h"
#include "platform/PainterDC.h"
#include "platform/Prompt.h"
#include "platform/RecordingDC.h"

#include <QImage>
#include <gtest/gtest.h>

namespace qm {
namespace {

// A fresh table installed for each test, and headless prompts.
struct LooksFixture : ::testing::Test {
    LooksFixture() { table.Init(); }
    FontFaceTable table;
    ScopedInstall<FontFaceTable> tableScope{&table};
    HeadlessPrompts prompts;
    ScopedPromptService promptScope{&prompts};
};

Looks Concrete() {
    Looks l;
    l.Init(false, nullptr);
    return l;
}

Looks Inheriting() {
    Looks l;
    l.Init(true, nullptr);
    return l;
}

using LooksTest = LooksFixture;

TEST_F(LooksTest, InitGivesDefaultsOrInheritance) {
    const Looks concrete = Concrete();
    EXPECT_EQ(concrete.face, 1);
    EXPECT_EQ(concrete.alignment, 1);
    EXPECT_EQ(concrete.height, -12);
    EXPECT_EQ(concrete.style, 0);
    EXPECT_EQ(concrete.lineKind, 4);
    EXPECT_EQ(concrete.lineColor, 0u);
    EXPECT_EQ(concrete.fillColor, 15u);
    EXPECT_EQ(concrete.textColor, 0u);

    Looks base = concrete;
    base.face = 0;
    base.height = -20;
    base.style = kStyleBold;
    Looks derived;
    derived.Init(true, &base);
    EXPECT_EQ(derived.face, 0);
    EXPECT_EQ(derived.height, -20);
    EXPECT_EQ(derived.style, kStyleBold | kStyleInherit);
    EXPECT_EQ(derived.lineKind, kLineKindInherit);
    EXPECT_EQ(derived.lineColor, 18u);
    EXPECT_EQ(derived.fillColor, 18u);
    EXPECT_EQ(derived.textColor, 18u);
    EXPECT_FALSE(derived.Equals(concrete));
    EXPECT_TRUE(concrete.Equals(Concrete()));
}

TEST_F(LooksTest, ResolveLaysImposedOverTheFallBack) {
    Looks own = Concrete();
    own.face = 0;
    own.height = -30;
    own.style = kStyleItalic;
    own.lineColor = 9;
    own.fillColor = 19;
    own.textColor = 12;
    own.lineKind = 7;

    // All inherit: the fall-back unchanged.
    Looks result;
    own.Resolve(result, Inheriting());
    EXPECT_EQ(result, own);

    // Concrete font, inheriting colours and line: the imposed font as a unit
    // and the fall-back's colours and line kind.
    Looks font = Concrete();
    font.height = -8;
    font.style = kStyleBold;
    font.alignment = 2;
    font.lineColor = font.fillColor = font.textColor = 18;
    font.lineKind = kLineKindInherit;
    own.Resolve(result, font);
    EXPECT_EQ(result.face, 1);
    EXPECT_EQ(result.height, -8);
    EXPECT_EQ(result.style, kStyleBold);
    EXPECT_EQ(result.alignment, 2);
    EXPECT_EQ(result.lineColor, 9u);
    EXPECT_EQ(result.fillColor, 19u);
    EXPECT_EQ(result.textColor, 12u);
    EXPECT_EQ(result.lineKind, 7);

    // Each concrete field of an otherwise inheriting record wins on its own.
    Looks line = Inheriting();
    line.lineColor = 13;
    line.lineKind = 0;
    own.Resolve(result, line);
    EXPECT_EQ(result.lineColor, 13u);
    EXPECT_EQ(result.lineKind, 0);
    EXPECT_EQ(result.fillColor, 19u);
    EXPECT_EQ(result.height, -30);

    // A group of inheriting looks inside a concrete one: the members see the outer values.
    Looks group = Inheriting(), member = Concrete(), groupResolved, memberResolved;
    group.Resolve(groupResolved, line);
    member.Resolve(memberResolved, groupResolved);
    EXPECT_EQ(memberResolved.lineColor, 13u);
    EXPECT_EQ(memberResolved.fillColor, 15u);
}

TEST_F(LooksTest, MakePlainAndFonts) {
    Looks l = Concrete();
    l.style = kStyleBold | kStyleItalic;
    l.lineColor = 9;
    l.textColor = 12;
    l.lineKind = 8;
    l.fillColor = 20;
    l.MakePlain();
    EXPECT_EQ(l.height, -11);
    EXPECT_EQ(l.style, 0);
    EXPECT_EQ(l.lineColor, 0u);
    EXPECT_EQ(l.textColor, 0u);
    EXPECT_EQ(l.lineKind, 4);
    EXPECT_EQ(l.fillColor, 20u);

    Looks styled = Concrete();
    styled.style = kStyleBold | kStyleUnderline | kStyleStrikeOut;
    styled.alignment = 2;
    styled.textColor = 0x00123456;
    FontRecord record;
    styled.ToFont(record);
    EXPECT_EQ(record.logFont.faceName, "Arial");
    EXPECT_EQ(record.logFont.weight, FW_BOLD);
    EXPECT_EQ(record.logFont.underline, 1);
    EXPECT_EQ(record.logFont.italic, 0);
    EXPECT_EQ(record.alignment, 2u);
    EXPECT_TRUE(styled.MatchesFont(record));
    Looks back = Concrete();
    back.lineColor = 5;
    back.FromFont(record);
    EXPECT_EQ(back.style, styled.style);
    EXPECT_EQ(back.textColor, 0x00123456u);
    EXPECT_EQ(back.lineColor, 5u); // the line fields stay

    record.logFont.weight = 401;
    back.FromFont(record);
    EXPECT_TRUE(back.style & kStyleBold);
    record.logFont.faceName = "arial"; // face names compare case-sensitively
    EXPECT_FALSE(styled.MatchesFont(record));
    record.logFont.faceName = "Courier";
    back.FromFont(record);
    EXPECT_EQ(back.face, 2);
    EXPECT_EQ(table.FaceName(2), "Courier");

    EXPECT_EQ(table.DefaultFontRecord().logFont.faceName, "Arial");
    EXPECT_EQ(table.DefaultFontRecord().logFont.height, -12);
    EXPECT_EQ(table.DefaultFontRecord().alignment, 1u);
}

TEST_F(LooksTest, LineKindTable) {
    EXPECT_EQ(LineKindPenStyle(0), uint32_t(PS_DASH));
    EXPECT_EQ(LineKindPenStyle(3), uint32_t(PS_DASHDOTDOT));
    EXPECT_EQ(LineKindPenWidth(11), 8);
    EXPECT_EQ(LineKindTable[11].command, 32960u);
    EXPECT_EQ(LineKindPenWidth(12), 1);
    EXPECT_EQ(LineKindPenStyle(12), uint32_t(PS_SOLID));
    EXPECT_EQ(LineKindPenWidth(200), 1); // from a file: solid 1
    EXPECT_EQ(LineKindPenStyle(-1), uint32_t(PS_SOLID));
}

TEST_F(LooksTest, FaceTable) {
    EXPECT_EQ(table.FaceIndex("Arial"), 1);
    EXPECT_EQ(table.FaceIndex("MS Sans Serif"), 0);
    EXPECT_EQ(table.FaceIndex("Courier New"), 2);
    EXPECT_EQ(table.FaceIndex("Courier New"), 2);
    EXPECT_EQ(table.FaceName(2), "Courier New");
    for (int bad : {-1, table.FaceCount()}) {
        prompts.asked.clear();
        EXPECT_THROW(table.FaceName(bad), CIgnoreException);
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].rfind("Operation failed: bad font index.", 0), 0u);
    }
    // A full table hands out face 1 rather than an index looks cannot hold.
    for (int i = table.FaceCount(); i < FontFaceTable::kMaxFaces; ++i)
        table.FaceIndex("Face " + std::to_string(i));
    EXPECT_EQ(table.FaceCount(), FontFaceTable::kMaxFaces);
    EXPECT_EQ(table.FaceIndex("One too many"), 1);
    EXPECT_EQ(table.FaceCount(), FontFaceTable::kMaxFaces);
}

TEST_F(LooksTest, UpdateFontScalesHeightAndKeepsAMatchingFont) {
    struct Case {
        int16_t height;
        double zoom;
        int32_t expected;
    } cases[] = {{-12, 0.5, -6}, {-12, 0.05, 1}, {-12, 1.0, -12}, {20, 2.0, 40}};
    for (const Case& c : cases) {
        CFont font;
        Looks l = Concrete();
        l.height = c.height;
        table.UpdateFont(font, l, c.zoom);
        EXPECT_EQ(font.Log().height, c.expected);
        EXPECT_EQ(font.Log().faceName, "Arial");
    }
    CFont font;
    Looks l = Concrete();
    l.style = kStyleBold | kStyleItalic;
    table.UpdateFont(font, l, 1.0);
    EXPECT_EQ(font.Log().weight, FW_BOLD);
    EXPECT_EQ(font.Log().italic, 1);
    // A font that matches is left alone (its other fields show it).
    LogFont marked = font.Log();
    marked.quality = 7;
    font.CreateFontIndirect(marked);
    table.UpdateFont(font, l, 1.0);
    EXPECT_EQ(font.Log().quality, 7);
    l.style = kStyleBold;
    table.UpdateFont(font, l, 1.0);
    EXPECT_EQ(font.Log().quality, 0);
    EXPECT_EQ(font.Log().italic, 0);

    l.face = 99;
    EXPECT_THROW(table.UpdateFont(font, l, 1.0), CIgnoreException);
}

using LooksText = LooksFixture;

TEST_F(LooksText, NotDrawnAtZoomQuarterOrBelowNorInTheOverview) {
    Looks l = Concrete();
    struct Case {
        double zoom;
        bool overview;
        bool drawn;
    } cases[] = {
        {0.25, false, false}, {0.26, false, true}, {1.0, true, false}, {0.2, false, false}};
    for (const Case& c : cases) {
        ScopedDrawingSwitch overview(DrawingSwitch::OverviewDrawing, c.overview);
        RecordingDC dc;
        DrawLooksText(dc, l, l, "Text", CRect(0, 0, 100, 20), c.zoom);
        EXPECT_EQ(dc.CallsNamed("DrawText").size(), c.drawn ? 1u : 0u) << c.zoom;
    }
    RecordingDC dc;
    DrawLooksText(dc, l, l, "", CRect(0, 0, 100, 20), 1.0);
    EXPECT_TRUE(dc.calls.empty());
}

TEST_F(LooksText, PixelsAtZoomQuarterAndJustAbove) {
    Looks l = Concrete();
    l.height = -60;
    l.fillColor = 17;
    for (double zoom : {0.25, 0.26}) {
        ImageDC dc(200, 60);
        const QImage before = dc.GetImage().copy();
        DrawLooksText(dc, l, l, "Quillmark", CRect(0, 0, 700, 200), zoom);
        EXPECT_EQ(dc.GetImage() != before, zoom > 0.25) << zoom;
    }
}

TEST_F(LooksText, FormatColoursAndRestoredState) {
    Looks l = Concrete();
    l.alignment = 2;
    l.textColor = 9;
    l.fillColor = 15;
    RecordingDC dc;
    dc.SetTextColor(RGB(1, 2, 3));
    dc.SetBkMode(OPAQUE);
    dc.Clear();
    DrawLooksText(dc, l, l, "a&b", CRect(10, 20, 110, 40), 2.0);
    ASSERT_EQ(dc.CallsNamed("DrawText").size(), 1u);
    EXPECT_EQ(dc.CallsNamed("DrawText")[0],
              "DrawText \"a&b\" 20 40 220 80 0x812 font=Arial/-24/400/ color=0x0000ff "
              "bk=transparent");
    EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetFont(), LogFont());

    // An inherited fill paints the text on opaque white.
    l.fillColor = 18;
    dc.SetBkColor(RGB(9, 9, 9));
    dc.SetBkMode(TRANSPARENT);
    dc.Clear();
    DrawLooksText(dc, l, l, "x", CRect(0, 0, 10, 10), 1.0);
    EXPECT_NE(dc.CallsNamed("DrawText")[0].find("bk=0xffffff"), std::string::npos);
    EXPECT_EQ(dc.GetBkColor(), RGB(9, 9, 9));
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
}

TEST_F(LooksText, HyperlinkDrawsUnderlinedBlueNotBold) {
    Looks l = Concrete();
    l.style = kStyleHyperlink | kStyleBold | kStyleItalic;
    l.textColor = 9;
    RecordingDC dc;
    DrawLooksText(dc, l, l, "link", CRect(0, 0, 100, 20), 1.0);
    ASSERT_EQ(dc.CallsNamed("DrawText").size(), 1u);
    EXPECT_NE(dc.CallsNamed("DrawText")[0].find("font=Arial/-12/400/u color=0xff0000"),
              std::string::npos);
}

TEST_F(LooksText, MetafileOutputWritesAlignedLines) {
    Looks l = Concrete();
    l.alignment = 0;
    RecordingDC dc;
    dc.SetFixedMetrics(10, 20);
    {
        ScopedDrawingSwitch metafile(DrawingSwitch::MetafileOutput);
        DrawLooksText(dc, l, l, "aa bb", CRect(0, 0, 40, 100), 1.0);
    }
    EXPECT_FALSE(SwitchOn(DrawingSwitch::MetafileOutput));
    EXPECT_TRUE(dc.CallsNamed("DrawText").empty());
    const auto lines = dc.CallsNamed("TextOut");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("TextOut 0 0 \"aa\"", 0), 0u);
    EXPECT_EQ(lines[1].rfind("TextOut 0 20 \"bb\"", 0), 0u);
}

TEST_F(LooksText, MultiLineText) {
    Looks own = Concrete();
    auto drawn = [&](std::string_view codes, std::string_view text, int maxLength, int bottom) {
        Looks imposed = own;
        RecordingDC dc;
        DrawMultiLineText(dc, own, imposed, codes, text, maxLength, 20, 0, 0, 100, bottom, 1.0);
        EXPECT_EQ(imposed, own); // restored after each line
        return dc.CallsNamed("DrawText");
    };
    auto texts = [](const std::vector<std::string>& calls) {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            out.push_back(c.substr(10, c.find('"', 10) - 10));
        return out;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(texts(drawn("", "a\r\nb", 100, 100)), (Lines{"a", "b"}));
    EXPECT_EQ(texts(drawn("", "a\n", 100, 100)), (Lines{"a"}));
    EXPECT_EQ(texts(drawn("", "", 100, 100)), Lines{});
    EXPECT_EQ(texts(drawn("", "a\n\nb", 100, 100)), (Lines{"a", "b"})); // empty line kept as room
    EXPECT_EQ(drawn("", "a\n\nb", 100, 100)[1].find("\"b\" 0 40 100 60"), 9u);
    EXPECT_EQ(texts(drawn("", "one\ntwo\nthree", 100, 41)), (Lines{"one", "two"}));
    EXPECT_EQ(texts(drawn("", "one\ntwo\nthree", 100, 59)), (Lines{"one", "two", "three"}));
    EXPECT_EQ(texts(drawn("", "abcdef", 2, 100)), (Lines{"abc"}));
    EXPECT_EQ(texts(drawn("", std::string_view("ab\0cd", 5), 100, 100)), (Lines{"ab"}));
    const std::string longLine(5000, 'x');
    EXPECT_EQ(texts(drawn("", longLine, 10000, 100))[0].size(), kMultiLineBufferSize - 1);

    const auto styled = drawn("IUCDx", "1\n2\n3\n4\n5\n6", 100, 200);
    ASSERT_EQ(styled.size(), 6u);
    EXPECT_NE(styled[0].find("/i color=0x000000"), std::string::npos);
    EXPECT_NE(styled[1].find("/u color=0x000000"), std::string::npos);
    EXPECT_NE(styled[2].find("/iu color=0x000000"), std::string::npos);
    EXPECT_NE(styled[3].find("/ color=0xff5555"), std::string::npos);
    EXPECT_NE(styled[4].find("/ color=0x000000"), std::string::npos);
    EXPECT_NE(styled[5].find("/ color=0x000000"), std::string::npos);
}

} // namespace
} // namespace qm
