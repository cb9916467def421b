// The undo journal's records of the template's tools: a tool resized by the
// drawing locater's knob and a tool's icon painted in the icon editor, their
// undo and redo, and the records that must not apply.
#include "document/UndoJournal.h"

#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr const char* kDamagedMessage = "The undo journal record cannot be read";
constexpr const char* kSwitchedMessage =
    "Can't undo/redo change to template, probably because the template was later switched!";
constexpr const char* kOutsideMessage = "The tool's icon lies outside the template's icon strip";

class UndoJournalToolsTest : public test::DocumentTest {
  public:
    UndoJournalToolsTest() {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        notation = doc->Template();
        tool = doc->FindTool(10);
        doc->SetModifiedFlag(false);
        if (notation != nullptr)
            notation->modified = false;
    }

    UndoJournal& journal() { return doc->GetJournal(); }
    std::string journalText() { return FileText(journal().FileName()); }
    ToolBitmap& strip() { return notation->toolBitmap; }

    // What the locater does with its knob: begins the change on the first
    // move, keeps the size before, resizes the tool rectangle at the release,
    // keeps the size after and records.
    void ResizeTool(int32_t dx, int32_t dy) {
        Journal().BeginChange(doc.get(), ChangeKind::ResizeTool);
        CRect& frame = tool->printFrame;
        Journal().SetToolSize(doc.get(), CPoint(frame.Width(), frame.Height()), false);
        frame.right += dx;
        frame.bottom += dy;
        Journal().SetToolSize(doc.get(), CPoint(frame.Width(), frame.Height()), true);
        Journal().RecordChange(doc.get(), ChangeKind::ResizeTool, "Resize Tool", tool, nullptr);
    }
    // What the icon editor does with one stroke: keeps the icon at the
    // press, paints pixels of the tool's cell and records at the release.
    void PaintIcon(uint8_t colour) {
        ASSERT_TRUE(Journal().SaveIconForEdit(doc.get(), tool));
        const int32_t x = tool->iconSlot * kIconWidth;
        for (int32_t i = 0; i < kIconHeight; ++i)
            strip().SetPixel(x + i, i, colour);
        strip().SetPixel(x + kIconWidth - 1, 0, colour);
        tool->iconChanged = true;
        Journal().BeginChange(doc.get(), ChangeKind::IconEdit);
        Journal().RecordChange(doc.get(), ChangeKind::IconEdit, "Icon Edit", tool, nullptr);
    }
    // Replaces the first occurrence of from in the journal file by to (of
    // the same length, so that every record keeps its offsets).
    void Patch(const std::string& from, const std::string& to) {
        ASSERT_EQ(from.size(), to.size());
        std::string text = journalText();
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " in\n" << text;
        text.replace(at, from.size(), to);
        ASSERT_TRUE(WriteFileReplacing(journal().FileName(), text));
    }

    std::unique_ptr<CCASEDoc> doc;
    NotationTemplate* notation = nullptr;
    ToolModel* tool = nullptr;
};

TEST_F(UndoJournalToolsTest, ResizeToolIsUndoneAndRedoneInTheTemplateOnly) {
    ASSERT_NE(tool, nullptr);
    const CRect before = tool->printFrame;
    ASSERT_EQ(before, CRect(0, 0, 70, 50));
    ResizeTool(30, 20);
    const CRect after(0, 0, 100, 70);
    ASSERT_EQ(tool->printFrame, after);
    const std::string text = journalText();
    EXPECT_EQ(text, ";; Resize Tool:\n(toolModel 10 (70 50) (100 70))\n\n");
    EXPECT_TRUE(notation->modified);
    EXPECT_FALSE(doc->IsModified());

    notation->modified = false;
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(tool->printFrame, before);
    EXPECT_EQ(journal().ModelToShow(), tool);
    EXPECT_EQ(doc->CurrentModel(), tool);
    EXPECT_TRUE(notation->modified);
    EXPECT_FALSE(doc->IsModified());

    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_EQ(tool->printFrame, after);
    EXPECT_EQ(journal().Position(), 1);
    EXPECT_EQ(journalText(), text);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(UndoJournalToolsTest, IconEditRestoresTheStripBytesExactly) {
    ASSERT_NE(tool, nullptr);
    const std::vector<uint8_t> original = strip().Pixels();
    PaintIcon(9);
    const std::vector<uint8_t> painted = strip().Pixels();
    ASSERT_NE(painted, original);
    ASSERT_EQ(journal().Records().size(), 1u);
    // The tool's number and two icons of 240 pixels and the colour table.
    const std::string text = journalText();
    EXPECT_EQ(text.rfind(";; Icon Edit:\n(toolModel 10 ", 0), 0u) << text;
    const std::string icon = "(bitmap 16 15 1 8 100 1264 ";
    EXPECT_NE(text.rfind(icon), text.find(icon)) << text;
    EXPECT_TRUE(notation->modified);
    EXPECT_FALSE(doc->IsModified());

    // Another stroke begins from the painted icon.
    notation->modified = false;
    tool->iconChanged = false;
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(strip().Pixels(), original);
    EXPECT_TRUE(tool->iconEditing);
    EXPECT_TRUE(tool->iconChanged);
    EXPECT_EQ(journal().ModelToShow(), tool);
    EXPECT_TRUE(notation->modified);
    EXPECT_FALSE(doc->IsModified());
    // The document's icon backup holds the icon restored.
    ToolBitmap cell;
    cell.Create(kIconWidth, kIconHeight);
    cell.CopyIcon(strip(), tool->iconSlot, 0);
    EXPECT_EQ(doc->IconBackup().Pixels(), cell.Pixels());

    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_EQ(strip().Pixels(), painted);
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(strip().Pixels(), original);
}

// Two strokes: undoing both goes back through each stroke's own icon.
TEST_F(UndoJournalToolsTest, StrokesAreUndoneOneByOne) {
    ASSERT_NE(tool, nullptr);
    const std::vector<uint8_t> original = strip().Pixels();
    PaintIcon(9);
    const std::vector<uint8_t> first = strip().Pixels();
    PaintIcon(12);
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(strip().Pixels(), first);
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(strip().Pixels(), original);
}

// Kinds 32 and 33 are changes of a tool model: a record under the head
// model is replayed as nothing.
TEST_F(UndoJournalToolsTest, ARecordThatNamesNoToolModelDoesNothing) {
    ASSERT_NE(tool, nullptr);
    for (bool icon : {false, true}) {
        SCOPED_TRACE(icon ? "Icon Edit" : "Resize Tool");
        if (icon)
            PaintIcon(9);
        else
            ResizeTool(30, 20);
        const std::vector<uint8_t> pixels = strip().Pixels();
        const CRect frame = tool->printFrame;
        const std::string saved = doc->StoreText();
        Patch("(toolModel 10", "(model     10");
        prompts.asked.clear();
        EXPECT_TRUE(journal().Replay(1, false));
        EXPECT_TRUE(prompts.asked.empty());
        EXPECT_EQ(strip().Pixels(), pixels);
        EXPECT_EQ(tool->printFrame, frame);
        doc->SetModifiedFlag(false);
        EXPECT_EQ(doc->StoreText(), saved);
    }
}

// A record that does not read, or names a tool the template does not hold,
// fails with a message and changes neither the template nor the icon backup.
TEST_F(UndoJournalToolsTest, ARecordThatDoesNotApplyChangesNothing) {
    struct Case {
        const char* name;
        bool icon;
        const char* from;
        const char* to;
        const char* message;
        int32_t position; // after the failed undo
    };
    const Case cases[] = {
        {"icon 17 pixels wide", true, "(bitmap 16 15", "(bitmap 17 15", kDamagedMessage, 1},
        {"icon 14 pixels high", true, "(bitmap 16 15", "(bitmap 16 14", kDamagedMessage, 1},
        {"icon's byte count short of its pixels", true, " 1264 ", " 239  ", kDamagedMessage, 1},
        {"icon's byte count beyond its data", true, " 1264 ", " 9264 ", kDamagedMessage, 1},
        {"no bitmap", true, "(bitmap 16 15", "(bitmop 16 15", kDamagedMessage, 1},
        {"data block cut short", true, "?0907070707", "?0907 70707", kDamagedMessage, 1},
        {"icon of a tool not in the template", true, "(toolModel 10", "(toolModel 99",
         kSwitchedMessage, 0},
        {"negative size", false, "(70 50)", "(-7 50)", kDamagedMessage, 1},
        {"size not a number", false, "(70 50)", "(70 \"\")", kDamagedMessage, 1},
        {"size of a tool not in the template", false, "(toolModel 10", "(toolModel 99",
         kSwitchedMessage, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        notation = doc->Template();
        tool = doc->FindTool(10);
        ASSERT_NE(tool, nullptr);
        // The template outlives the document.
        tool->printFrame = CRect(0, 0, 70, 50);
        if (c.icon)
            PaintIcon(9);
        else
            ResizeTool(30, 20);
        Patch(c.from, c.to);
        const std::vector<uint8_t> pixels = strip().Pixels();
        const std::vector<uint8_t> backup = doc->IconBackup().Pixels();
        const CRect frame = tool->printFrame;
        notation->modified = false;
        prompts.asked.clear();
        EXPECT_FALSE(journal().Replay(1, false));
        EXPECT_EQ(prompts.asked, (std::vector<std::string>{c.message}));
        EXPECT_EQ(journal().Position(), c.position);
        EXPECT_EQ(strip().Pixels(), pixels);
        EXPECT_EQ(doc->IconBackup().Pixels(), backup);
        EXPECT_EQ(tool->printFrame, frame);
        EXPECT_FALSE(notation->modified);
    }
}

// An icon slot outside the strip is never written: recording the edit
// fails with a message, and so does replaying one recorded before the
// slot moved out.
TEST_F(UndoJournalToolsTest, AnIconSlotOutsideTheStripIsNeverWritten) {
    ASSERT_NE(tool, nullptr);
    for (int32_t slot : {-1, strip().SlotCount(), 30000}) {
        SCOPED_TRACE(slot);
        const int16_t own = tool->iconSlot;
        PaintIcon(9);
        const size_t records = journal().Records().size();
        const std::vector<uint8_t> pixels = strip().Pixels();
        tool->iconSlot = int16_t(slot);
        prompts.asked.clear();
        Journal().BeginChange(doc.get(), ChangeKind::IconEdit);
        Journal().RecordChange(doc.get(), ChangeKind::IconEdit, "Icon Edit", tool, nullptr);
        EXPECT_EQ(prompts.asked, (std::vector<std::string>{kOutsideMessage}));
        EXPECT_EQ(journal().Records().size(), records);
        EXPECT_FALSE(Journal().SaveIconForEdit(doc.get(), tool));
        EXPECT_TRUE(doc->IconBackup().IsEmpty());

        prompts.asked.clear();
        EXPECT_FALSE(journal().Replay(1, false));
        EXPECT_EQ(prompts.asked, (std::vector<std::string>{kOutsideMessage}));
        EXPECT_EQ(strip().Pixels(), pixels);
        EXPECT_FALSE(doc->RestoreIconFromBackup(*tool));
        EXPECT_EQ(strip().Pixels(), pixels);
        tool->iconSlot = own;
    }
}

} // namespace
} // namespace qm
