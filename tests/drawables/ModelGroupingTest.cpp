// Grouping and ungrouping: the refusals with their messages, a primitive
// group made of the selection and taken apart again, each one entry.
#include "drawables/PrimitiveGroup.h"
#include "tests/drawables/EditingFixture.h"

namespace qm::test {
namespace {

using ModelGroupingTest = EditingTest;

TEST_F(ModelGroupingTest, RefusalsShowTheirMessageAndChangeNothing) {
    struct Case {
        const char* what;
        int modelKind;
        bool asPlace;
        bool withPlace;
        const char* message;
    };
    const Case cases[] = {
        {"place as primitive", MkClass, false, true,
         "Group As Primitive requires all the selected drawables to be primitives.\nConsider "
         "using Group As Place instead."},
        {"place group in a sequence diagram", MkSequence, true, false,
         "Grouping of drawables in a sequence diagram is not allowed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model.kind = c.modelKind;
        Drawable* box = NewBox(CRect(0, 0, 50, 50));
        model.Select(box, true, nullptr, false);
        if (c.withPlace)
            model.Select(NewPlace(CRect(100, 0, 200, 60)), true, nullptr, false);
        const size_t count = model.Drawables().size();
        prompts.asked.clear();
        CRect repaint;
        EXPECT_EQ(model.Group(&document, nullptr, repaint, c.asPlace, nullptr, nullptr, 0, nullptr,
                              ChangeKind::GroupAsPrimitive, "Group as Primitive"),
                  nullptr);
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0], c.message);
        EXPECT_EQ(model.Drawables().size(), count);
        EXPECT_TRUE(journal.entries.empty());
        model.DeselectAll(nullptr, false);
    }
}

TEST_F(ModelGroupingTest, PrimitivesAreGroupedOnTopAndUngroupedAgain) {
    model.kind = MkSequence; // primitive groups are allowed there
    Drawable* under = NewBox(CRect(0, 0, 500, 500));
    Drawable* a = NewBox(CRect(0, 0, 50, 50));
    Drawable* b = NewBox(CRect(100, 0, 150, 50));
    model.Select(a, true, nullptr, false);
    model.Select(b, true, nullptr, false);

    CRect repaint;
    Drawable* group = model.Group(&document, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                                  ChangeKind::GroupAsPrimitive, "Group as Primitive");

    ASSERT_NE(group, nullptr);
    EXPECT_EQ(model.Drawables().size(), 2u);
    EXPECT_EQ(model.Drawables().back().get(), group);
    EXPECT_EQ(model.Drawables().front().get(), under);
    EXPECT_EQ(a->Parent(), group);
    EXPECT_EQ(b->Parent(), group);
    EXPECT_EQ(model.Selection(), (DrawableRefList{group}));
    EXPECT_EQ(group->bounds, CRect(0, 0, 150, 50));
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].name, "Group as Primitive");
    EXPECT_EQ(journal.entries[0].kind, static_cast<int>(ChangeKind::GroupAsPrimitive));
    EXPECT_EQ(journal.changed, (std::vector<ModelObject*>{nullptr, group}));

    // A member cannot be grouped again.
    model.DeselectAll(nullptr, false);
    model.Select(a, true, nullptr, false);
    EXPECT_EQ(model.Group(&document, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                          ChangeKind::GroupAsPrimitive, "Group as Primitive"),
              nullptr);
    EXPECT_EQ(prompts.asked.back(),
              "Grouping of drawables that are already in another group is not allowed.");

    model.DeselectAll(nullptr, false);
    model.Select(group, true, nullptr, false);
    model.Ungroup(&document, repaint, ChangeKind::UngroupPrimitive);

    EXPECT_TRUE(Holds(a));
    EXPECT_TRUE(Holds(b));
    EXPECT_FALSE(Holds(group));
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(model.Selection(), (DrawableRefList{a, b}));
    ASSERT_EQ(journal.entries.size(), 2u);
    EXPECT_EQ(journal.entries[1].name, "Ungroup");
    EXPECT_EQ(journal.entries[1].kind, static_cast<int>(ChangeKind::UngroupPrimitive));
    EXPECT_EQ(journal.held.size(), 1u);
}

TEST_F(ModelGroupingTest, UngroupWantsExactlyOneTopLevelDrawable) {
    Drawable* a = NewBox(CRect(0, 0, 50, 50));
    Drawable* b = NewBox(CRect(100, 0, 150, 50));
    model.Select(a, true, nullptr, false);
    model.Select(b, true, nullptr, false);
    CRect repaint;
    model.Ungroup(&document, repaint, ChangeKind::UngroupPrimitive);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(journal.entries.empty());
}

TEST_F(ModelGroupingTest, GroupingALinkAsPrimitiveBeeps) {
    Place* p = NewPlace(CRect(0, 0, 100, 60));
    Place* q = NewPlace(CRect(200, 0, 300, 60));
    Link* link = NewLink(p, q);
    model.Select(link, true, nullptr, false);
    CRect repaint;
    EXPECT_EQ(model.Group(&document, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                          ChangeKind::GroupAsPrimitive, "Group as Primitive"),
              nullptr);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(Holds(link));
}

} // namespace
} // namespace qm::test
