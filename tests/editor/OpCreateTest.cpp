// The creation tools driven through their phases over the fixture project:
// what each makes, the one journal entry it records (undone to the saved
// text), and the presses and releases that make nothing.
#include "drawables/CustomModel.h"
#include "drawables/DiagramView.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/UiControl.h"
#include "editor/operations/CreationTools.h"
#include "model/Master.h"
#include "tests/editor/OpFixture.h"

namespace qm {
namespace {

using test::OperationTest;

class OpCreateTest : public OperationTest {
  protected:
    size_t Count() const { return model->Drawables().size(); }
    Drawable* Newest() const { return model->Drawables().back().get(); }
};

TEST_F(OpCreateTest, PlaceOfTheToolsDefaultSizeSnappedAndUndone) {
    const std::string before = Saved();
    host.SetCurrentTool(10);
    const size_t count = Count();
    Click(CPoint(603, 497));
    ASSERT_EQ(Count(), count + 1);
    auto* place = dynamic_cast<Place*>(Newest());
    ASSERT_NE(place, nullptr);
    // Centred on the snapped press (600, 500), the tool's default size.
    const CRect expected = [&] {
        CRect r = doc->FindTool(10)->printFrame;
        if (r.IsRectEmpty())
            r = CRect(0, 0, 70, 50);
        r.OffsetRect(600 - r.Width() / 2, 500 - r.Height() / 2);
        return r;
    }();
    EXPECT_EQ(place->bounds, expected);
    EXPECT_TRUE(place->IsSelected());
    EXPECT_EQ(host.CurrentTool(), 24) << "a creation without Shift returns to the pointer";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Place"});

    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
    ASSERT_TRUE(Redo());
    EXPECT_EQ(Count(), count + 1);
}

TEST_F(OpCreateTest, ShiftKeepsTheToolAndAnEmptyNameTextGivesQuestionMark) {
    host.SetCurrentTool(10);
    context.flags = MK_SHIFT;
    Click(CPoint(700, 700));
    EXPECT_EQ(host.CurrentTool(), 10);
    auto* place = dynamic_cast<Place*>(Newest());
    ASSERT_NE(place, nullptr);
    ASSERT_NE(place->master, nullptr);
    EXPECT_FALSE(place->master->name.empty());
}

// The link tool of the template that a press on a place starts.
int LinkTool(CCASEDoc& doc) {
    for (int id = 0; id < 10; ++id) {
        if (doc.Template() != nullptr && doc.Template()->IsLinkTool(id))
            return id;
    }
    return -1;
}

TEST_F(OpCreateTest, LinkBetweenTwoPlacesFollowsTheMouseUntilATargetIsClicked) {
    const std::string before = Saved();
    const int tool = LinkTool(*doc);
    ASSERT_GE(tool, 0);
    host.SetCurrentTool(tool);
    auto* shape = Find<Place>("p-shape-00001");
    auto* circle = Find<Place>("p-circle-0001");
    const size_t count = Count();
    // Press and release on the source: the link goes on following the mouse.
    Press(CPoint(50, 50));
    EXPECT_TRUE(Release(CPoint(50, 50)));
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->Mode(), DM_CREATE_POINTS);
    Move(CPoint(200, 150));
    auto* link = dynamic_cast<Link*>(Newest());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->Vertices().back(), CPoint(200, 150));
    EXPECT_TRUE(journal().Records().empty());
    // The click on the target completes it.
    Move(CPoint(350, 230));
    Press(CPoint(350, 230));
    EXPECT_FALSE(Release(CPoint(350, 230)));
    EXPECT_EQ(Count(), count + 1);
    EXPECT_EQ(link->GetSource(), shape);
    EXPECT_EQ(link->GetTarget(), circle);
    EXPECT_TRUE(link->IsSelected());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Link"});
    EXPECT_EQ(view.callMenus, 1);
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

// In a model whose new links are orthogonal, the link the tool makes runs
// across and down only, from border to border.
TEST_F(OpCreateTest, AnOrthogonalLinkRunsAcrossAndDownFromBorderToBorder) {
    model->modelFlags |= MfStepLink;
    journal().Reset();
    const std::string before = Saved();
    host.SetCurrentTool(LinkTool(*doc));
    auto* shape = Find<Place>("p-shape-00001");
    auto* circle = Find<Place>("p-circle-0001");
    Click(CPoint(50, 50));
    Move(CPoint(350, 230));
    Click(CPoint(350, 230));
    auto* link = dynamic_cast<Link*>(Newest());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetSource(), shape);
    EXPECT_EQ(link->GetTarget(), circle);
    EXPECT_NE(link->options & LoStepped, 0);
    const std::vector<CPoint>& path = link->Vertices();
    ASSERT_GE(path.size(), 2u);
    for (size_t i = 1; i < path.size(); ++i)
        EXPECT_TRUE(path[i].x == path[i - 1].x || path[i].y == path[i - 1].y) << i;
    for (auto [end, place] : {std::pair{path.front(), shape}, std::pair{path.back(), circle}}) {
        CRect border = place->bounds;
        border.InflateRect(1, 1);
        CRect inside = place->bounds;
        inside.DeflateRect(1, 1);
        EXPECT_TRUE(border.PtInRect(end) && !inside.PtInRect(end)) << end.x << "," << end.y;
    }
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Link"});
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpCreateTest, LinkToItsOwnSourceLoopsOutAndBack) {
    host.SetCurrentTool(LinkTool(*doc));
    auto* shape = Find<Place>("p-shape-00001");
    Press(CPoint(50, 50));
    EXPECT_TRUE(Release(CPoint(50, 50)));
    // A click beside the place bends the link; the click back on the place
    // (now three vertices) ends it on its own source.
    Move(CPoint(200, 30));
    Press(CPoint(200, 30));
    EXPECT_TRUE(Release(CPoint(200, 30)));
    Move(CPoint(50, 50));
    Press(CPoint(50, 50));
    EXPECT_FALSE(Release(CPoint(50, 50)));
    auto* link = dynamic_cast<Link*>(Newest());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetSource(), shape);
    EXPECT_EQ(link->GetTarget(), shape);
    EXPECT_GE(link->VertexCount(), 3);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Link"});
}

TEST_F(OpCreateTest, LinkReleasedOnBlankSpaceAtTheCapIsRemovedAndNothingRecorded) {
    const std::string before = Saved();
    host.SetCurrentTool(LinkTool(*doc));
    const size_t count = Count();
    Press(CPoint(50, 50));
    Release(CPoint(50, 50));
    // Bends on blank space until the cap: the link then goes away.
    int bends = 0;
    while (op != nullptr && bends < 100) {
        const CPoint p(600 + (bends % 2) * 100, 100 + bends * 10);
        Move(p);
        Press(p);
        Release(p);
        ++bends;
    }
    EXPECT_EQ(op, nullptr);
    EXPECT_EQ(bends, 63) << "bends until the link holds 64 vertices";
    EXPECT_EQ(Count(), count);
    EXPECT_TRUE(journal().Records().empty());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpCreateTest, LinkToolOnBlankSpaceStartsNothing) {
    host.SetCurrentTool(LinkTool(*doc));
    Press(CPoint(800, 800));
    EXPECT_EQ(op, nullptr);
}

TEST_F(OpCreateTest, TagFollowsTheMouseAndIsRemovedWhenReleasedOnItsPlace) {
    host.SetCurrentTool(TkTag);
    const size_t count = Count();
    Stroke({CPoint(50, 50), CPoint(70, 50)});
    EXPECT_EQ(Count(), count) << "released on its own place";
    EXPECT_TRUE(journal().Records().empty());

    Stroke({CPoint(50, 50), CPoint(200, 150), CPoint(250, 400)});
    ASSERT_EQ(Count(), count + 1);
    auto* tag = dynamic_cast<Tag*>(Newest());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->bounds, CRect(250 - 35, 400 - 25, 250 + 35, 400 + 25));
    EXPECT_EQ(tag->Attached(), Find("p-shape-00001"));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Tag"});
}

TEST_F(OpCreateTest, PrimitivesKeptOnlyWhenDraggedBeyondTheThreshold) {
    struct Case {
        int tool;
        std::vector<CPoint> stroke;
        bool kept;
    };
    const Case cases[] = {
        {TkRectangle, {CPoint(600, 600), CPoint(602, 603)}, false},
        {TkRectangle, {CPoint(600, 600), CPoint(700, 650)}, true},
        {TkEllipse, {CPoint(600, 600), CPoint(650, 700)}, true},
        {TkText, {CPoint(600, 600), CPoint(601, 600)}, false},
        {TkLine, {CPoint(600, 600), CPoint(700, 700)}, true},
        {TkLine, {CPoint(600, 600), CPoint(600, 600)}, false},
    };
    for (const Case& c : cases) {
        journal().Reset();
        host.SetCurrentTool(c.tool);
        const size_t count = Count();
        Stroke(c.stroke);
        EXPECT_EQ(Count(), count + (c.kept ? 1 : 0)) << c.tool;
        EXPECT_EQ(journal().Records().size(), c.kept ? 1u : 0u) << c.tool;
        if (c.kept) {
            EXPECT_EQ(journal().Records().back().description, "Create Primitive");
        }
    }
}

TEST_F(OpCreateTest, PolylineEndsOnAClickWithoutMovingAndDropsTheRubberBandVertex) {
    host.SetCurrentTool(TkPolyline);
    Press(CPoint(600, 600));
    Move(CPoint(700, 600));
    EXPECT_TRUE(Release(CPoint(700, 600)));
    Move(CPoint(700, 700));
    Press(CPoint(700, 700));
    EXPECT_TRUE(Release(CPoint(700, 700)));
    Move(CPoint(750, 720));
    Press(CPoint(700, 700));
    EXPECT_FALSE(Release(CPoint(700, 700)));
    auto* line = dynamic_cast<LinePrimitive*>(Newest());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->vertices,
              (std::vector<CPoint>{CPoint(600, 600), CPoint(700, 600), CPoint(700, 700)}));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Primitive"});
}

TEST_F(OpCreateTest, IconInstanceSwimlaneAndMessage) {
    host.SetCurrentTool(503);
    Click(CPoint(600, 600));
    auto* icon = dynamic_cast<BoxPrimitive*>(Newest());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->bounds, CRect(592, 593, 608, 608));
    EXPECT_EQ(icon->kindCode, TkIcon);

    host.SetCurrentTool(TkMessage);
    Click(CPoint(200, 130));
    EXPECT_TRUE(Newest()->IsFloater()) << "a message on the link";
    EXPECT_EQ(view.callMenus, 1);

    UseModel("Interaction");
    host.SetCurrentTool(TkSwimlane);
    Click(CPoint(100, 100));
    ASSERT_FALSE(model->Drawables().empty());
    EXPECT_TRUE(Newest()->IsSwimlane());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Swimlane"});
}

// Lanes added at the right widen the page; undoing them narrows it again,
// and redoing them widens it as before.
TEST_F(OpCreateTest, UndoingLanesThatWidenedThePageNarrowsItAgain) {
    UseModel("Interaction");
    const std::string before = Saved();
    const CRect page = model->pageMatrix;
    int made = 0;
    for (; model->pageMatrix == page && made < 20; ++made) {
        host.SetCurrentTool(TkSwimlane);
        Click(CPoint(model->pageMatrix.right - 5, 100));
    }
    ASSERT_NE(model->pageMatrix, page);
    const CRect widened = model->pageMatrix;
    const std::string wide = Saved();
    EXPECT_TRUE(UndoRedoUndo(before, wide,
                             {.records = made,
                              .afterUndo = [&] { EXPECT_EQ(model->pageMatrix, page); },
                              .afterRedo = [&] { EXPECT_EQ(model->pageMatrix, widened); }}));
}

// In a collaboration diagram a new message is numbered after the others
// and its label reshaped to hold the number.
TEST_F(OpCreateTest, ACollaborationMessageIsNumberedAndItsLabelHoldsTheNumber) {
    host.SetCurrentTool(TkMessage);
    Click(CPoint(200, 130));
    auto* plain = dynamic_cast<Floater*>(Newest());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->text, "?");
    model->kind = MkCollaboration;
    host.SetCurrentTool(TkMessage);
    Click(CPoint(200, 130));
    auto* numbered = dynamic_cast<Floater*>(Newest());
    ASSERT_NE(numbered, nullptr);
    ASSERT_NE(numbered, plain);
    EXPECT_GT(MessageNumberOf(numbered->text), 0) << numbered->text;
    EXPECT_GT(numbered->labelRect.Width(), plain->labelRect.Width());
}

// A message drawn in a sequence diagram above the others takes its place
// among them in the order of time, top to bottom.
TEST_F(OpCreateTest, ANewSequenceMessageIsPutInTimeOrder) {
    UseModel("Sequence");
    context.snapOn = false;
    auto* sequence = dynamic_cast<SequenceModel*>(model);
    ASSERT_NE(sequence, nullptr);
    auto* user = Find<ScenarioPlace>("s-user-000001");
    ASSERT_NE(user, nullptr);
    auto* server = dynamic_cast<ScenarioPlace*>(
        sequence->CreatePlaceOfTool(doc.get(), 10, "Server", "", CRect(300, 0, 400, 50)));
    ASSERT_NE(server, nullptr);
    server->lifeLinePoint.y = user->lifeLinePoint.y;
    Link* lower = sequence->CreateLink(doc.get(), 3, "", user, server);
    ASSERT_NE(lower, nullptr);
    ASSERT_TRUE(lower->SetVertices({CPoint(54, 300), CPoint(346, 300)}));
    lower->UpdateRepaintRect();
    journal().Reset();
    auto positionOf = [&](const Drawable* wanted) {
        int index = 0;
        for (const auto& drawable : model->Drawables()) {
            if (drawable.get() == wanted)
                return index;
            ++index;
        }
        return -1;
    };
    host.SetCurrentTool(3);
    Stroke({CPoint(50, 120), CPoint(200, 120), CPoint(350, 120)});
    ASSERT_EQ(Descriptions(), std::vector<std::string>{"Create Link"});
    auto* made =
        dynamic_cast<Link*>(model->Selection().empty() ? nullptr : model->Selection().front());
    ASSERT_NE(made, nullptr);
    ASSERT_NE(made, lower);
    EXPECT_LT(made->Vertices().front().y, lower->Vertices().front().y);
    EXPECT_LT(positionOf(made), positionOf(lower)) << "the earlier message comes first";
}

// A message drawn from a place group in a sequence diagram leaves the group
// at its anchor point: the side facing the message's target, at the height
// of the press; the other end sits beside the target's life line.
TEST_F(OpCreateTest, AMessageFromAGroupStartsAtItsAnchorPoint) {
    UseModel("Sequence");
    context.snapOn = false;
    auto* sequence = dynamic_cast<SequenceModel*>(model);
    ASSERT_NE(sequence, nullptr);
    auto* user = Find<ScenarioPlace>("s-user-000001");
    ASSERT_NE(user, nullptr);
    auto* server = dynamic_cast<ScenarioPlace*>(
        sequence->CreatePlaceOfTool(doc.get(), 10, "Server", "", CRect(700, 0, 800, 50)));
    ASSERT_NE(server, nullptr);
    server->lifeLinePoint.y = user->lifeLinePoint.y;
    auto group = std::make_unique<PlaceGroup>(&doc->IdMap());
    // One diagonal line as the member: presses away from it hit the group.
    auto member = std::make_unique<LinePrimitive>(&doc->IdMap());
    const CPoint diagonal[2] = {CPoint(404, 296), CPoint(516, 104)};
    member->SetPoints(TkLine, 2, diagonal);
    member->SetSelected(true);
    DrawableList pick;
    pick.push_back(std::move(member));
    group->Fill(pick, doc->NewMaster(10, "Frame", ""), nullptr);
    group->AddMasterReference();
    auto* frame = static_cast<PlaceGroup*>(model->AddDrawable(std::move(group)));
    ASSERT_EQ(frame->bounds, CRect(400, 100, 520, 300));
    EXPECT_EQ(frame->AnchorPoint(430, 150), CPoint(400, 150));
    EXPECT_EQ(frame->AnchorPoint(470, 20), CPoint(520, 100));
    journal().Reset();
    const std::string before = Saved();
    host.SetCurrentTool(3);
    struct Case {
        const char* name;
        std::vector<CPoint> stroke;
        CPoint source;
        int32_t targetX;
    } cases[] = {
        // Pressed in the left half, drawn to a life line on the right.
        {"to the right", {{430, 150}, {600, 150}, {750, 150}}, {520, 150}, 750 - 4},
        // Pressed in the right half, drawn to a life line on the left.
        {"to the left", {{500, 240}, {300, 240}, {50, 240}}, {400, 240}, 50 + 4},
    };
    for (const Case& c : cases) {
        Stroke(c.stroke);
        auto* made =
            dynamic_cast<Link*>(model->Selection().empty() ? nullptr : model->Selection().front());
        ASSERT_NE(made, nullptr) << c.name;
        EXPECT_EQ(made->GetSource(), frame) << c.name;
        EXPECT_EQ(made->Vertices().front(), c.source) << c.name;
        EXPECT_EQ(made->Vertices().back(), CPoint(c.targetX, c.source.y)) << c.name;
    }
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Create Link", "Create Link"}));
    while (journal().CanUndo())
        ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpCreateTest, MessageToolBesideALinkMakesNothing) {
    host.SetCurrentTool(TkMessage);
    const size_t count = Count();
    Click(CPoint(2000, 2000));
    EXPECT_EQ(Count(), count);
}

TEST_F(OpCreateTest, PlaceCreatedInsideASwimlaneJoinsItsMembers) {
    UseModel("Interaction");
    CRect repaint;
    auto* lane = AsPlaceGroup(model->CreateSwimlane(doc.get(), doc.get(), 10, repaint));
    ASSERT_NE(lane, nullptr);
    journal().Reset();
    host.SetCurrentTool(10);
    const CPoint inside = lane->bounds.CenterPoint();
    Click(inside);
    ASSERT_NE(lane->MemberList(), nullptr);
    ASSERT_FALSE(lane->MemberList()->empty());
    EXPECT_TRUE(lane->MemberList()->back()->IsPlace());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Place"});
}

TEST_F(OpCreateTest, DroppingAMasterMakesAPlaceCentredOnThePoint) {
    auto* circle = Find<Place>("p-circle-0001");
    context.scrollOrigin = CPoint(100, 0);
    DropMaster(context, circle->master, CPoint(500, 500));
    auto* place = dynamic_cast<Place*>(Newest());
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->master, circle->master);
    EXPECT_EQ(place->bounds.CenterPoint(), CPoint(600, 500));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Place"});
}

TEST_F(OpCreateTest, ANewPlaceListsItsMembersAsTheSettingsSayAndFitsItsName) {
    // "Annotate Places by Default" chooses whether a new place lists its
    // master's members; the detailed flag is always set.
    for (bool annotate : {true, false}) {
        SCOPED_TRACE(annotate);
        userSettings.SetOptionWord(SnapToGrid | (annotate ? uint32_t(AnnotatePlaces) : 0u));
        host.SetCurrentTool(10);
        Click(CPoint(700, 700));
        auto* place = dynamic_cast<Place*>(Newest());
        ASSERT_NE(place, nullptr);
        EXPECT_EQ(place->placeFlags, (annotate ? uint32_t(PfCompartments) : 0u) | PfDetails);
    }
    // A master whose name is wider than the tool's default size makes a
    // place wide enough for it, about the same centre.
    Master* wide = doc->NewMaster(10, "AReservationOfALibraryMemberForACopy", "");
    ASSERT_NE(wide, nullptr);
    DropMaster(context, wide, CPoint(500, 500));
    auto* place = dynamic_cast<Place*>(Newest());
    ASSERT_NE(place, nullptr);
    ASSERT_EQ(place->master, wide);
    BorrowedDC borrowed(doc.get());
    CRect grown;
    place->ComputeGrownToText(&borrowed.dc(), grown);
    EXPECT_EQ(grown, place->bounds) << "nothing left to grow";
    EXPECT_GT(place->bounds.Width(), doc->FindTool(10)->printFrame.Width());
    EXPECT_LE(std::abs(place->bounds.CenterPoint().x - 500), 1);
}

// A place whose master was there before (one a deleted place left unused,
// one dropped from the lister) records only itself: undoing it leaves the
// master to the records before it, which bring back the places that use it.
TEST_F(OpCreateTest, UndoOfAPlaceLeavesAMasterThatWasThereBefore) {
    const std::string start = Saved();
    host.SetCurrentTool(10);
    Click(CPoint(600, 600));
    auto* first = dynamic_cast<Place*>(Newest());
    ASSERT_NE(first, nullptr);
    Master* master = first->master;
    ASSERT_NE(master, nullptr);
    CRect repaint;
    model->DeselectAll(nullptr, false);
    model->Select(first, true, nullptr, false);
    model->DeleteDrawables(doc.get(), &repaint, ChangeKind::Delete, false);
    ASSERT_TRUE(doc->HasMaster(master)) << "the master stays, unused";
    const std::string masterId = master->Id().Text();
    // The same tool names the new place as before: it takes that master.
    host.SetCurrentTool(10);
    Click(CPoint(700, 650));
    ASSERT_EQ(dynamic_cast<Place*>(Newest())->master, master);
    DropMaster(context, master, CPoint(300, 650));
    ASSERT_EQ(dynamic_cast<Place*>(Newest())->master, master);
    ASSERT_EQ(Descriptions(), (std::vector<std::string>{"Create Place", "Delete Drawables",
                                                        "Create Place", "Create Place"}));
    while (journal().CanUndo())
        ASSERT_TRUE(Undo()) << journal().Position();
    EXPECT_TRUE(test::SameText(Saved(), start));
    while (journal().CanRedo())
        ASSERT_TRUE(Redo()) << journal().Position();
    // Redo makes the master again, under its id, for all three places.
    EXPECT_EQ(dynamic_cast<Place*>(Newest())->master->Id().Text(), masterId);
}

// A library project beside the fixture: a symbol of a text "Pump" over an
// ellipse in its "Classes" model, answered for tool 11010.
class OpLibraryTest : public OpCreateTest {
  protected:
    static constexpr int kSymbolTool = 11010;
    OpLibraryTest() {
        libraryDoc =
            Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        libraryModel = libraryDoc->FindModelByName("Classes");
        auto group = std::make_unique<PrimitiveGroup>(&libraryDoc->IdMap());
        auto ellipse = std::make_unique<BoxPrimitive>(&libraryDoc->IdMap());
        ellipse->SetFrame(TkEllipse, CRect(1000, 1000, 1060, 1040));
        group->AddMember(std::move(ellipse));
        auto text = std::make_unique<TextPrimitive>(&libraryDoc->IdMap());
        text->SetFrame(TkText, CRect(1010, 1010, 1050, 1030));
        text->text = "Pump";
        group->AddMember(std::move(text));
        group->UpdateRepaintRect();
        symbol = libraryModel->AddDrawable(std::move(group));
        host.libraryTool = kSymbolTool;
        host.library = LibrarySymbol{libraryDoc.get(), libraryModel, symbol, false};
        host.SetCurrentTool(kSymbolTool);
    }
    std::unique_ptr<CCASEDoc> libraryDoc;
    Model* libraryModel = nullptr;
    Drawable* symbol = nullptr;
};

TEST_F(OpLibraryTest, PrimitiveSymbolIsCopiedCentredOnTheClickAndUndone) {
    const std::string before = Saved();
    const size_t count = Count();
    Click(CPoint(400, 300));
    ASSERT_EQ(Count(), count + 1);
    Drawable* made = Newest();
    ASSERT_NE(made, symbol);
    EXPECT_NE(dynamic_cast<PrimitiveGroup*>(made), nullptr);
    EXPECT_EQ(made->bounds.CenterPoint(), CPoint(400, 300));
    EXPECT_EQ(made->bounds.Size(), symbol->bounds.Size());
    EXPECT_TRUE(made->IsSelected());
    EXPECT_EQ(host.CurrentTool(), TkPointer);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Symbol from Library"});
    EXPECT_EQ(symbol->bounds, CRect(1000, 1000, 1060, 1040)) << "the library is left as it was";
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before));
}

TEST_F(OpLibraryTest, UseAsPlaceMakesAPlaceGroupOfANewMasterNamedByItsText) {
    const std::string before = Saved();
    host.library.asPlace = true;
    context.flags = MK_SHIFT;
    Click(CPoint(400, 300));
    auto* place = dynamic_cast<PlaceGroup*>(Newest());
    ASSERT_NE(place, nullptr);
    ASSERT_NE(place->master, nullptr);
    EXPECT_EQ(place->master->name, "Pump");
    EXPECT_EQ(place->master->refCount, 1);
    EXPECT_NE(place->placeFlags & 0x20, 0u);
    EXPECT_EQ(place->MemberGroup().Members().size(), 2u);
    EXPECT_EQ(place->bounds.CenterPoint(), CPoint(400, 300));
    EXPECT_EQ(host.CurrentTool(), kSymbolTool) << "Shift keeps the tool";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Symbol from Library"});
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), before)) << "the master made with it goes too";
}

TEST_F(OpLibraryTest, PlaceOfTheLibraryIsPastedWithItsTopLeftAtTheClick) {
    Drawable* libraryPlace = nullptr;
    for (const auto& drawable : libraryModel->Drawables())
        if (drawable->IsPlace() && !drawable->IsPlaceGroup()) {
            libraryPlace = drawable.get();
            break;
        }
    ASSERT_NE(libraryPlace, nullptr);
    host.library.symbol = libraryPlace;
    const size_t count = Count();
    Click(CPoint(700, 600));
    ASSERT_GT(Count(), count);
    Drawable* pasted = std::next(model->Drawables().begin(), std::ptrdiff_t(count))->get();
    EXPECT_EQ(pasted->bounds.TopLeft(), CPoint(700, 600));
    EXPECT_TRUE(pasted->IsSelected());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Paste"});
    EXPECT_EQ(host.CurrentTool(), TkPointer);
}

TEST_F(OpLibraryTest, WithoutALibrarySymbolNothingIsMade) {
    host.library = {};
    const size_t count = Count();
    Click(CPoint(400, 300));
    EXPECT_EQ(Count(), count);
    EXPECT_TRUE(Descriptions().empty());
    EXPECT_EQ(host.CurrentTool(), TkPointer);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// A control tool pressed inside a container control puts a control of its
// kind there, named by its number, as one undoable step; pressed elsewhere it
// makes nothing.
TEST_F(OpCreateTest, AControlToolPutsAControlIntoTheContainerPressed) {
    auto made = std::make_unique<UiWindowControl>(&doc->IdMap());
    made->SetBounds(CRect(1000, 1000, 1400, 1300));
    auto* window = static_cast<UiWindowControl*>(model->AddDrawable(std::move(made)));
    doc->GetJournal().Reset();

    host.SetCurrentTool(TkUiButton);
    Click(CPoint(2000, 2000));
    EXPECT_TRUE(window->Members().empty());
    EXPECT_TRUE(Descriptions().empty());

    Click(CPoint(1200, 1150));
    ASSERT_EQ(window->Members().size(), 1u);
    auto* button = dynamic_cast<UiControlPlace*>(window->Members().front().get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->kindCode, TkUiButton);
    EXPECT_EQ(button->name, "ctrl" + std::to_string(button->controlNumber));
    EXPECT_TRUE(window->ClientArea().PtInRect(button->bounds.CenterPoint()));
    EXPECT_TRUE(button->IsSelected());
    EXPECT_EQ(host.CurrentTool(), 24);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Create Control"});

    ASSERT_TRUE(Undo());
    EXPECT_TRUE(window->Members().empty());
    ASSERT_TRUE(Redo());
    ASSERT_EQ(window->Members().size(), 1u);
}

} // namespace
} // namespace qm
