// The view's journaled edits outside its mouse operations, run headless: a
// nudge and a lane swap from the keyboard, a looks change, an operation
// added to a class, the end of an in-place text edit and the automatic
// sizing of a label. Each is one entry whose undo and redo give back the
// saved texts. And the cursor rules the view asks at every move.
#include "editor/operations/CursorIds.h"
#include "editor/operations/CursorRules.h"
#include "editor/operations/ViewEdits.h"
#include "tests/editor/OpFixture.h"

namespace qm {
namespace {

using test::OperationTest;

class OpViewEditsTest : public OperationTest {
  protected:
    void SelectOnly(Drawable* drawable) {
        model->DeselectAll(nullptr, false);
        model->Select(drawable, true, nullptr, false);
    }
};

TEST_F(OpViewEditsTest, ANudgeIsOneEntryAndANudgeByNothingRecordsNone) {
    auto* circle = Find<Place>("p-circle-0001");
    ASSERT_NE(circle, nullptr);
    SelectOnly(circle);
    const std::string before = Saved();
    const CRect was = circle->bounds;

    NudgeSelection(context, 0, 0);
    EXPECT_TRUE(Descriptions().empty());

    const CRect moved = NudgeSelection(context, 10, -10);
    EXPECT_EQ(circle->bounds, CRect(was.left + 10, was.top - 10, was.right + 10, was.bottom - 10));
    EXPECT_FALSE(moved.IsRectEmpty());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Nudge Drawables"});
    EXPECT_TRUE(UndoRedoUndo(before, Saved()));
}

TEST_F(OpViewEditsTest, ALaneSwapsWithItsNeighbourAndStaysSelected) {
    UseModel("Interaction");
    CRect repaint;
    auto* first = dynamic_cast<Swimlane*>(model->CreateSwimlane(doc.get(), doc.get(), 10, repaint));
    ASSERT_NE(first, nullptr);
    auto* second = dynamic_cast<Swimlane*>(
        model->CreateSwimlane(doc.get(), doc.get(), first->bounds.right + 10, repaint));
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(first->NextLane(), second);
    doc->GetJournal().Reset();
    SelectOnly(first);
    const std::string before = Saved();

    // No lane before the first: nothing happens.
    EXPECT_TRUE(SwapLane(context, *first, true).IsRectEmpty());
    EXPECT_TRUE(Descriptions().empty());

    const int selections = view.selectionChanges;
    SwapLane(context, *first, false);
    EXPECT_EQ(second->NextLane(), first);
    EXPECT_GT(first->bounds.left, second->bounds.left);
    ASSERT_EQ(model->Selection().size(), 1u);
    EXPECT_EQ(model->Selection().front(), first);
    EXPECT_EQ(view.selectionChanges, selections + 2) << "deselected, then the lane selected";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Swap Swimlanes"});
    EXPECT_TRUE(UndoRedoUndo(before, Saved()));
}

TEST_F(OpViewEditsTest, ALooksChangeAndAnAddedMethodAreOneEntryEach) {
    auto* circle = Find<Place>("p-circle-0001");
    ASSERT_NE(circle, nullptr);
    SelectOnly(circle);
    const std::string before = Saved();
    Looks mask = Looks::EmptyMask();
    mask.fillColor = 1;
    Looks looks;
    looks.fillColor = 0x0000FF;
    ChangeSelectionLooks(context, mask, looks, false);
    EXPECT_EQ(circle->looks.fillColor, 0x0000FFu);
    EXPECT_FALSE(view.invalidated.empty());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Looks Change"});
    EXPECT_TRUE(UndoRedoUndo(before, Saved()));

    doc->GetJournal().Reset();
    const std::string plain = Saved();
    Master& master = *circle->master;
    const size_t methods = master.methods.size();
    AddMethod(context, master, "area");
    ASSERT_EQ(master.methods.size(), methods + 1);
    EXPECT_EQ(master.methods.back()->name, "area");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Property Changes"});
    EXPECT_TRUE(UndoRedoUndo(plain, Saved()));
}

// The end of an in-place edit: a link's name is a "Text Edit", a place's
// text switches its master.
TEST_F(OpViewEditsTest, AnEndedTextEditRecordsATextEditOrAMasterSwitch) {
    auto* link = Find<Link>("l-inherit-001");
    auto* circle = Find<Place>("p-circle-0001");
    ASSERT_NE(link, nullptr);
    ASSERT_NE(circle, nullptr);
    const std::string before = Saved();
    CRect rect;
    std::string* name = link->GetEditableText(rect);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(EndTextEdit(*doc, *model, *link, *name, "extends"), link);
    EXPECT_EQ(link->name, "extends");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Text Edit"});
    EXPECT_TRUE(UndoRedoUndo(before, Saved()));

    doc->GetJournal().Reset();
    const std::string plain = Saved();
    std::string* text = circle->GetEditableText(rect);
    ASSERT_NE(text, nullptr);
    ModelObject* named = EndTextEdit(*doc, *model, *circle, *text, "Disc");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named, circle->master);
    EXPECT_EQ(circle->master->name, "Disc");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Place Master Switch"});
    EXPECT_TRUE(UndoRedoUndo(plain, Saved()));
}

// Automatic sizing fits a link's label to its text only when the option is
// on, as one "Auto-size Link" entry.
TEST_F(OpViewEditsTest, AutomaticSizingFitsALabelOnlyWhenTheOptionIsOn) {
    auto* link = Find<Link>("l-inherit-001");
    ASSERT_NE(link, nullptr);
    CRect squeezed = link->labelRect;
    squeezed.right = squeezed.left + 2;
    CRect area;
    model->ReshapeDrawable(link, squeezed, area);
    squeezed = link->labelRect;
    doc->GetJournal().Reset();
    const std::string before = Saved();
    CRect repaint;

    AutoSizeLabel(context, *link, "Auto-size Link", repaint);
    EXPECT_EQ(link->labelRect, squeezed);
    EXPECT_TRUE(Descriptions().empty());

    userSettings.SetOptionWord(SnapToGrid | AutoResizeToText);
    AutoSizeLabel(context, *link, "Auto-size Link", repaint);
    EXPECT_GT(link->labelRect.Width(), squeezed.Width());
    EXPECT_FALSE(repaint.IsRectEmpty());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Auto-size Link"});
    EXPECT_TRUE(UndoRedoUndo(before, Saved()));
}

TEST_F(OpViewEditsTest, TheCursorFollowsTheToolAndWhatLiesUnderTheMouse) {
    auto* circle = Find<Place>("p-circle-0001");
    auto* link = Find<Link>("l-inherit-001");
    ASSERT_NE(circle, nullptr);
    ASSERT_NE(link, nullptr);
    CursorQuestion pointer;
    pointer.tool = TkPointer;
    CursorQuestion up = pointer;
    up.flags = MK_CONTROL;
    up.canImplode = true;
    CursorQuestion topmost = up;
    topmost.canImplode = false;
    CursorQuestion renumbering = pointer;
    renumbering.renumbering = true;
    CursorQuestion message;
    message.tool = TkMessage;
    CursorQuestion tag;
    tag.tool = TkTag;
    struct Case {
        const char* what;
        const CursorQuestion& question;
        const Drawable* drawable;
        int part;
        int cursor;
    };
    const Case cases[] = {
        {"nothing under the pointer", pointer, nullptr, 0, CurArrow},
        {"Ctrl over nothing goes up to the parent", up, nullptr, 0, CurImplode},
        {"Ctrl in a model without a parent", topmost, nullptr, 0, CurArrow},
        {"a place's body moves", pointer, circle, HpBody, CurMove},
        {"renumbering picks only messages", renumbering, circle, HpBody, CurArrow},
        {"a message on a link", message, link, HpBody, CurMessageOnLink},
        {"a message elsewhere", message, nullptr, 0, CurMessage},
        {"a tag on a place", tag, circle, HpBody, CurTagPlace},
        {"a tag elsewhere", tag, link, HpBody, CurCrossHair},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CursorFor(c.question, c.drawable, c.part), c.cursor) << c.what;
}

} // namespace
} // namespace qm
