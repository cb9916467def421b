// The model's selection, marking, delete and cut with what hangs on the
// deleted drawables, copy to the clipboard file and the Find and Replace step.
#include "drawables/Junction.h"
#include "drawables/PrimitiveGroup.h"
#include "tests/drawables/EditingFixture.h"

namespace qm::test {
namespace {

using ModelSelectionTest = EditingTest;

TEST_F(ModelSelectionTest, SelectKeepsTheListInStepAndRefusesJunctions) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(200, 0, 300, 60));
    Junction* junction = a->AddJunction(&project, 100, 30, 400);
    ASSERT_NE(junction, nullptr);

    EXPECT_FALSE(model.Select(junction, true, nullptr, false));
    EXPECT_TRUE(model.Selection().empty());
    EXPECT_TRUE(model.Select(b, true, nullptr, false));
    EXPECT_TRUE(model.Select(a, true, nullptr, false));
    EXPECT_FALSE(model.Select(a, true, nullptr, false)); // no change
    EXPECT_EQ(model.Selection(), (DrawableRefList{b, a}));
    EXPECT_TRUE(model.Select(b, false, nullptr, false));
    EXPECT_EQ(model.Selection(), (DrawableRefList{a}));

    a->currentJunction = junction;
    model.DeselectAll(nullptr, false);
    EXPECT_TRUE(model.Selection().empty());
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(a->currentJunction, nullptr);
}

TEST_F(ModelSelectionTest, SelectManyByRectangleTogglesAndSelectInRectWantsWholeBounds) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(200, 0, 300, 60));
    Place* c = NewPlace(CRect(0, 200, 100, 260));

    const CRect top(50, 10, 250, 20); // meets a and b
    model.SelectMany(nullptr, false, false, &top, false);
    EXPECT_EQ(model.Selection(), (DrawableRefList{a, b}));
    const CRect left(0, 0, 60, 300); // meets a and c: a toggles off, c on
    model.SelectMany(nullptr, false, false, &left, true);
    EXPECT_EQ(model.Selection(), (DrawableRefList{b, c}));

    model.DeselectAll(nullptr, false);
    model.SelectInRect(nullptr, CRect(-10, -10, 150, 300)); // a and c wholly, b not
    EXPECT_EQ(model.Selection(), (DrawableRefList{a, c}));
    model.SelectMany(nullptr, false, false, nullptr, false); // Select All
    EXPECT_EQ(model.Selection().size(), 3u);
}

TEST_F(ModelSelectionTest, DeletingOrCuttingAPlaceTakesItsLinksInOneEntry) {
    struct Case {
        ChangeKind kind;
        const char* name;
    };
    for (const Case& c :
         {Case{ChangeKind::Delete, "Delete Drawables"}, Case{ChangeKind::Cut, "Cut Drawables"}}) {
        SCOPED_TRACE(c.name);
        Place* a = NewPlace(CRect(0, 0, 100, 60));
        Place* b = NewPlace(CRect(200, 0, 300, 60));
        Place* other = NewPlace(CRect(0, 200, 100, 260));
        Link* ab = NewLink(a, b);
        Link* ba = NewLink(b, a);
        Link* kept = NewLink(b, other);
        journal.entries.clear();
        model.Select(a, true, nullptr, false);

        CRect repaint;
        DrawableList left = model.DeleteDrawables(&document, &repaint, c.kind, false);

        EXPECT_TRUE(left.empty());
        EXPECT_FALSE(Holds(a));
        EXPECT_FALSE(Holds(ab));
        EXPECT_FALSE(Holds(ba));
        EXPECT_TRUE(Holds(kept));
        EXPECT_TRUE(model.Selection().empty());
        EXPECT_EQ(a->master->refCount, 0);
        EXPECT_EQ(a->master, masters[masters.size() - 3].get()); // kept for undo
        ASSERT_EQ(journal.entries.size(), 1u);
        EXPECT_EQ(journal.entries[0].kind, static_cast<int>(c.kind));
        EXPECT_EQ(journal.entries[0].name, c.name);
        EXPECT_EQ(journal.entries[0].text.rfind(";; " + std::string(c.name) + ":", 0), 0u);
        EXPECT_EQ(journal.changed, (std::vector<ModelObject*>{a, ab, ba}));
        EXPECT_FALSE(repaint.IsRectEmpty());
        model.MarkAll(0);
    }
}

TEST_F(ModelSelectionTest, DeletingOneLinkThatEndsOnALinkIsJournaled) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(200, 0, 300, 60));
    Place* c = NewPlace(CRect(100, 200, 200, 260));
    Link* ab = NewLink(a, b);
    Link* onLink = NewLink(c, ab);
    model.Select(onLink, true, nullptr, false);

    model.DeleteDrawables(&document, nullptr, ChangeKind::Delete, false);

    EXPECT_FALSE(Holds(onLink));
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].name, "Delete Drawables");
    EXPECT_EQ(journal.changed, (std::vector<ModelObject*>{onLink}));
}

TEST_F(ModelSelectionTest, ALinkEndingOnADeletedLinkGoesWithIt) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(200, 0, 300, 60));
    Place* c = NewPlace(CRect(100, 200, 200, 260));
    Link* ab = NewLink(a, b);
    Link* onLink = NewLink(c, ab);
    model.Select(a, true, nullptr, false);

    model.DeleteDrawables(&document, nullptr, ChangeKind::Delete, false);

    EXPECT_FALSE(Holds(ab));
    EXPECT_FALSE(Holds(onLink)); // it would otherwise end on nothing
    EXPECT_TRUE(Holds(c));
}

TEST_F(ModelSelectionTest, WithoutJournalTheDeletedDrawablesComeBack) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    model.Select(a, true, nullptr, false);
    DrawableList left = model.DeleteDrawables(&document, nullptr, ChangeKind::Delete, true);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.front().get(), a);
    EXPECT_TRUE(journal.entries.empty());
    model.AddDrawable(std::move(left.front())); // freed with the model
}

TEST_F(ModelSelectionTest, CopyLeavesOutLinksWithoutBothPlaces) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    Place* b = NewPlace(CRect(200, 0, 300, 60));
    Place* c = NewPlace(CRect(0, 200, 100, 260));
    Link* ab = NewLink(a, b);
    Link* ac = NewLink(a, c);
    for (Drawable* d : std::initializer_list<Drawable*>{a, b, ab, ac})
        model.Select(d, true, nullptr, false);

    model.CopySelection(&document, false);

    EXPECT_EQ(document.copied, (std::vector<ModelObject*>{a, b, ab}));
    EXPECT_TRUE(a->master->IsMarked());
    EXPECT_FALSE(c->master->IsMarked());
    EXPECT_FALSE(model.IsMarked()); // the model itself is not among what is copied
}

TEST_F(ModelSelectionTest, MarkWithPlacesDoesNothingWhileTheModelCarriesTheValue) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    model.Mark(1, 1, 0);
    model.MarkWithPlaces({a}, 1, true);
    EXPECT_FALSE(a->master->IsMarked());
    model.Mark(0, 1, 0);
    model.MarkWithPlaces({a}, 1, true);
    EXPECT_TRUE(a->master->IsMarked());
}

TEST_F(ModelSelectionTest, CollectMarkedFindsMarkedMembersOfUnmarkedGroups) {
    Drawable* loose = NewBox(CRect(0, 0, 10, 10));
    auto group = std::make_unique<PrimitiveGroup>(&project);
    DrawableList pending;
    auto member = std::make_unique<BoxPrimitive>(&project);
    member->SetFrame(TkRectangle, CRect(20, 20, 30, 30));
    member->SetSelected(true);
    Drawable* inner = member.get();
    pending.push_back(std::move(member));
    group->AddMembers(pending);
    inner->SetSelected(false);
    model.AddDrawable(std::move(group));

    model.MarkAll(0);
    loose->Mark(1, 1, 0);
    inner->Mark(1, 1, 0);
    DrawableRefList found;
    model.CollectMarked(found);
    EXPECT_EQ(found, (DrawableRefList{loose, inner}));
}

TEST_F(ModelSelectionTest, FindReplaceStepsThroughTheModelThenItsDrawables) {
    model.name = "Orders";
    NewPlace(CRect(0, 0, 100, 60), "Customer");
    Place* order = NewPlace(CRect(200, 0, 300, 60), "Order");
    NewPlace(CRect(400, 0, 500, 60), "Invoice");

    Drawable* current = nullptr;
    ModelObject* found = nullptr;
    int count = 0;
    bool modelDone = false, finished = false;
    EXPECT_EQ(model.FindReplaceStep(&document, false, "Order", "", 0, current, found, count,
                                    modelDone, finished),
              1);
    EXPECT_EQ(found, &model);
    EXPECT_TRUE(modelDone);
    EXPECT_EQ(model.FindReplaceStep(&document, false, "Order", "", 0, current, found, count,
                                    modelDone, finished),
              1);
    EXPECT_EQ(current, order);
    EXPECT_EQ(model.FindReplaceStep(&document, false, "Order", "", 0, current, found, count,
                                    modelDone, finished),
              0);
    EXPECT_TRUE(finished);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

TEST_F(ModelSelectionTest, SourceFileNamesAreCollectedOnceEach) {
    NewPlace(CRect(0, 0, 100, 60))->master->file = "a.h";
    NewPlace(CRect(0, 100, 100, 160))->master->file = "";
    NewPlace(CRect(0, 200, 100, 260))->master->file = "b.h";
    NewPlace(CRect(0, 300, 100, 360))->master->file = "a.h";
    std::vector<std::string> names;
    model.CollectSourceFileNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a.h", "b.h"}));
}

TEST_F(ModelSelectionTest, SelectExplodesKeepsOnlyPlacesWithSubmodels) {
    Model sub;
    Place* exploded = NewPlace(CRect(0, 0, 100, 60));
    exploded->master->submodel = &sub;
    Place* plain = NewPlace(CRect(200, 0, 300, 60));
    model.Select(plain, true, nullptr, false);
    model.SelectMany(nullptr, false, true, nullptr, false);
    EXPECT_EQ(model.Selection(), (DrawableRefList{exploded}));
    exploded->master->submodel = nullptr;
}

TEST_F(ModelSelectionTest, DetachAllDrawablesEmptiesTheModel) {
    Place* a = NewPlace(CRect(0, 0, 100, 60));
    model.Select(a, true, nullptr, false);
    model.DetachAllDrawables(&scope);
    EXPECT_TRUE(model.Drawables().empty());
    EXPECT_TRUE(model.Selection().empty());
}

} // namespace
} // namespace qm::test
