// The template file: the built-in template written and read back, the
// bitmap record's checks, stray and missing lists, the built-in tools'
// entries, hidden and many user tools.
#include "drawables/TemplateFile.h"

#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "kernel/Kernel.h"
#include "platform/Files.h"
#include "tests/drawables/DrawableFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qm::test {
namespace {

// Reads the top-level lists of a text one by one.
class LocalChannelReader {
  public:
    explicit LocalChannelReader(const std::string& text) : channel_(text, kest::ChanRead) {}
    kest::Cell* Next() { return kest::readexpr(channel_.get()); }

  private:
    kest::LocalChannel channel_;
};

class TemplateFileTest : public DrawableTest {
  protected:
    static std::unique_ptr<NotationTemplate> BuiltIn() {
        auto notation = std::make_unique<NotationTemplate>();
        CreateTemplate(*notation, kInternalTemplateName);
        return notation;
    }
    // Reads text into a fresh template; "" when it read, else the failure.
    std::string ReadFails(const std::string& text) {
        NotationTemplate notation;
        return failure([&] { ReadTemplateText(notation, text); });
    }
    // The text of the built-in template with one top-level list replaced.
    static std::string Replace(std::string text, const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        return text;
    }
    // The bitmap list of a text, from its head to the end.
    static size_t BitmapAt(const std::string& text) { return text.find("(bitmap "); }
};

TEST_F(TemplateFileTest, BuiltInTemplateWritesTheFileFormAndReadsBackToTheSameText) {
    auto notation = BuiltIn();
    ASSERT_EQ(notation->ToolCount(), 24);
    const std::string text = WriteTemplateText(*notation);

    EXPECT_EQ(text.rfind("(Quillmark \"8.0\" notation)\n", 0), 0u) << text.substr(0, 60);

    // One diagrams list of eight records, 24 tools, one bitmap list.
    LocalChannelReader lists(text);
    int diagrams = 0, tools = 0, bitmaps = 0;
    for (kest::Cell* list = lists.Next(); list != kest::KernelSyms.eof; list = lists.Next()) {
        kest::Cell* head = kest::car(list);
        if (head == kest::sym::diagrams) {
            ++diagrams;
            ASSERT_EQ(kest::listlength(kest::cdr(list)), 8);
            EXPECT_EQ(print(kest::car(kest::cdr(list))),
                      "(\"Default Diagram\" \"An unrestricted diagram used for arbitrary "
                      "modeling.\" 0 3 17 -1)")
                << "all bits written as -1";
            EXPECT_EQ(print(kest::car(kest::cdr(kest::cdr(list)))),
                      "(\"Class Diagram\" \"A diagram that depicts class relationships.\" 11 3 "
                      "17 7759)");
        }
        tools += head == kest::sym::toolModel;
        if (head == kest::sym::bitmap) {
            ++bitmaps;
            RecordReader r(kest::cdr(list), "bitmap");
            const int32_t width = r.Int("w"), height = r.Int("h");
            r.Int("planes");
            r.Int("bits");
            r.Int("parameter");
            EXPECT_EQ(r.Int("count"), width * height + 1024);
            EXPECT_EQ(width, kBuiltinStripSlots * 16);
            EXPECT_EQ(height, 15);
        }
    }
    EXPECT_EQ(diagrams, 1);
    EXPECT_EQ(tools, 24);
    EXPECT_EQ(bitmaps, 1);

    NotationTemplate again;
    ReadTemplateText(again, text);
    EXPECT_EQ(WriteTemplateText(again), text);
    EXPECT_FALSE(again.builtIn);
    EXPECT_EQ(again.GetTool(10)->name, "Class");
}

TEST_F(TemplateFileTest, FileOnDiskReadsThroughCreateTemplateAndInternalNamesPickTheBuiltIn) {
    auto notation = BuiltIn();
    notation->path = scratch.Path() + "/mine.not";
    notation->modified = true;
    SerializeTemplateFile(*notation, true);
    EXPECT_FALSE(notation->modified);

    NotationTemplate fromFile;
    EXPECT_EQ(CreateTemplate(fromFile, notation->path), 1);
    EXPECT_EQ(fromFile.ToolCount(), 24);
    EXPECT_FALSE(fromFile.builtIn);

    // Only the file-name part is compared.
    for (const char* name : {"<Internal>", "/some/folder/<Internal>", "C:\\x\\<Internal>"}) {
        NotationTemplate builtIn;
        CreateTemplate(builtIn, name);
        EXPECT_TRUE(builtIn.builtIn) << name;
        EXPECT_EQ(builtIn.path, "<Internal>");
    }

    NotationTemplate missing;
    missing.path = scratch.Path() + "/none.not";
    EXPECT_EQ(failure([&] { SerializeTemplateFile(missing, false); }),
              "Can't open template file: " + missing.path);
}

TEST_F(TemplateFileTest, BitmapRecordReadsItsParameterAndMayBeMissing) {
    const std::string text = WriteTemplateText(*BuiltIn());
    // "(bitmap 464 15 1 8 100 8184 ...": the fifth integer is the parameter.
    const std::string zero = Replace(text, "(bitmap 464 15 1 8 100 ", "(bitmap 464 15 1 8 0 ");
    NotationTemplate notation;
    notation.bitmapParameter = 5;
    ReadTemplateText(notation, zero);
    EXPECT_EQ(notation.bitmapParameter, 100);

    NotationTemplate without;
    ReadTemplateText(without, text.substr(0, BitmapAt(text)));
    EXPECT_TRUE(without.toolBitmap.IsEmpty());
    EXPECT_EQ(without.ToolCount(), 24);
}

TEST_F(TemplateFileTest, MalformedFilesFailCleanly) {
    const std::string text = WriteTemplateText(*BuiltIn());
    const std::string head = text.substr(0, BitmapAt(text));
    const std::string pixels = std::to_string(464 * 15);
    const std::string blocks = std::string(512, '0');
    auto bitmap = [&](const std::string& fields, int blockCount) {
        std::string list = "(bitmap " + fields;
        for (int i = 0; i < blockCount; ++i)
            list += " ?" + blocks;
        return head + list + ")\n";
    };
    struct Case {
        const char* what;
        std::string text;
        std::string failure;
    };
    const std::string bad = "Operation failed: bad bitmap record in template.";
    const size_t zero = text.find("(toolModel");
    const size_t one = text.find("(toolModel", zero + 1);
    const size_t two = text.find("(toolModel", one + 1);
    const std::string toolsOneAndZero = text.substr(0, zero) + text.substr(one, two - one) +
                                        text.substr(zero, one - zero) + text.substr(two);
    const Case cases[] = {
        {"stray list", head + "(profile 1 2)\n", "diagrams, toolModel, or bitmap expected"},
        {"atom at top level", head + "17\n", "diagrams, toolModel, or bitmap expected"},
        {"width not a multiple of 16", bitmap("20 15 1 8 100 300", 2), bad},
        {"zero width", bitmap("0 15 1 8 100 0", 0), bad},
        {"negative height", bitmap("16 -15 1 8 100 0", 0), bad},
        {"count below the pixels", bitmap("16 15 1 8 100 200", 1), bad},
        {"too few blocks", bitmap("16 15 1 8 100 1264", 4), bad},
        {"too many blocks", bitmap("16 15 1 8 100 240", 2), bad},
        {"block not a chunk", head + "(bitmap 16 15 1 8 100 240 \"x\")\n", bad},
        {"truncated record", head + "(bitmap 16 15 1)\n", "bad bitmap record: ends before"},
        {"built-in tool out of its entry", toolsOneAndZero, "incorrect no. of tools in template"},
        {"wrong header", Replace(text, "notation)", "project)"), "bad file header"},
    };
    for (const Case& c : cases) {
        const std::string got = ReadFails(c.text);
        EXPECT_NE(got.find(c.failure), std::string::npos) << c.what << ": " << got;
    }
}

TEST_F(TemplateFileTest, HiddenBuiltInToolsStayInTheirEntriesHiddenUserToolsDisappear) {
    auto notation = BuiltIn();
    notation->HideTool(*notation->GetTool(3));
    bool enlarge = false;
    for (const char* name : {"First", "Second", "Third"}) {
        auto tool = std::make_unique<ToolModel>(&notation->guidMap);
        tool->SetTool(0, &notation->toolBitmap, ToolTypePlace, kToolScale);
        tool->name = name;
        notation->AddTool(std::move(tool), enlarge);
    }
    notation->HideTool(*notation->GetTool(101));

    NotationTemplate again;
    ReadTemplateText(again, WriteTemplateText(*notation));
    ASSERT_EQ(again.ToolCount(), 26);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(again.ToolAt(i)->id, i);
    EXPECT_TRUE(again.GetTool(3)->IsHidden());
    EXPECT_EQ(again.GetTool(4)->name, "Control Flow/Transition");
    EXPECT_EQ(again.GetTool(100)->name, "First");
    EXPECT_EQ(again.GetTool(101), nullptr);
    EXPECT_EQ(again.GetTool(102)->name, "Third");
    EXPECT_EQ(again.GetTool(102)->ModelNumber(), -1 - 25);
}

TEST_F(TemplateFileTest, AThousandUserToolsReadWriteAndReadAgain) {
    auto notation = BuiltIn();
    for (int i = 0; i < 1000; ++i) {
        auto tool = std::make_unique<ToolModel>(&notation->guidMap);
        tool->SetTool(0, &notation->toolBitmap, i % 2 ? ToolTypeLink : ToolTypePlace, kToolScale);
        tool->name = "Tool " + std::to_string(i);
        bool enlarge = false;
        ToolModel* added = notation->AddTool(std::move(tool), enlarge);
        if (enlarge)
            notation->EnlargeBitmap(nullptr, 1, -1);
        ASSERT_EQ(added->id, 100 + i);
        ASSERT_EQ(added->iconSlot, 28 + i);
        ASSERT_LT(added->iconSlot, notation->toolBitmap.SlotCount());
    }
    const std::string text = WriteTemplateText(*notation);
    NotationTemplate again;
    // Each list becomes objects under its own mark: the heap ends as it began.
    const size_t blocks = kest::heapblocks();
    ReadTemplateText(again, text);
    EXPECT_EQ(kest::heapblocks(), blocks);
    ASSERT_EQ(again.ToolCount(), 1024);
    EXPECT_EQ(again.GetTool(1099)->name, "Tool 999");
    EXPECT_EQ(again.GetTool(1099)->iconSlot, 1027);
    EXPECT_EQ(again.toolBitmap.SlotCount(), 1028);
    EXPECT_EQ(WriteTemplateText(again), text);

    // The next tool takes the next id and slot, past 512.
    bool enlarge = false;
    ToolModel* next = again.AddTool(std::make_unique<ToolModel>(&again.guidMap), enlarge);
    EXPECT_EQ(next->id, 1100);
    EXPECT_EQ(next->iconSlot, 1028);
    EXPECT_TRUE(enlarge);
}

TEST_F(TemplateFileTest, NarrowStripsAreWidenedToTheReservedSlotsAndTheColourTableMayBeMissing) {
    auto notation = BuiltIn();
    notation->toolBitmap.Create(27 * 16, 15);
    notation->toolBitmap.SetColour(0, RGB(192, 192, 192));
    notation->toolBitmap.SetColour(3, RGB(1, 2, 3));
    notation->toolBitmap.SetPixel(20, 4, 3);
    NotationTemplate again;
    ReadTemplateText(again, WriteTemplateText(*notation));
    EXPECT_EQ(again.toolBitmap.Width(), 28 * 16);
    EXPECT_EQ(again.toolBitmap.PixelAt(20, 4), 3);
    EXPECT_EQ(again.toolBitmap.Colour(3), RGB(1, 2, 3));

    // 448 pixels: read as is. Without a colour table the strip's own stays.
    std::string text = WriteTemplateText(again);
    const size_t at = BitmapAt(text);
    const std::string head = text.substr(0, at);
    std::string list = "(bitmap 16 15 1 8 100 240 ?" + std::string(512, '0') + ")\n";
    NotationTemplate bare;
    bare.toolBitmap.Create(16, 15);
    bare.toolBitmap.SetColour(5, RGB(9, 9, 9));
    ReadTemplateText(bare, head + list);
    EXPECT_EQ(bare.toolBitmap.Colour(5), RGB(9, 9, 9));
    EXPECT_EQ(bare.toolBitmap.SlotCount(), 28) << "a narrow strip holds the reserved slots";
}

TEST_F(TemplateFileTest, BuiltInStripHoldsTheIconsAndRoomForTheFirstUserIcon) {
    auto notation = BuiltIn();
    const ToolBitmap& strip = notation->toolBitmap;
    EXPECT_EQ(strip.SlotCount(), kBuiltinStripSlots);
    // The 16 colours, the background the button face.
    EXPECT_EQ(strip.Colour(strip.PixelAt(0, 0)), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(strip.Colour(15), RGB(255, 255, 255));
    EXPECT_EQ(strip.Colour(9), RGB(255, 0, 0));
    for (uint8_t pixel : strip.Pixels())
        EXPECT_LT(pixel, 16);
    // Every icon draws something on its background.
    for (int icon = 0; icon < 27; ++icon) {
        int drawn = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x)
                drawn += strip.PixelAt(icon * 16 + x, y) != strip.PixelAt(0, 0);
        EXPECT_GT(drawn, 10) << "icon " << icon;
    }
    bool enlarge = true;
    EXPECT_EQ(notation->FindFreeIconSlot(nullptr, enlarge), 28);
    EXPECT_FALSE(enlarge);

    BitmapInfoHeader header;
    FillBitmapInfoHeader(header, 464, 15, 464 * 15);
    EXPECT_EQ(header.size, 40u);
    EXPECT_EQ(header.height, -15);
    EXPECT_EQ(header.bitCount, 8);
    EXPECT_EQ(header.clrUsed, 256u);
    EXPECT_EQ(header.xPelsPerMeter, 1000);
}

} // namespace
} // namespace qm::test
