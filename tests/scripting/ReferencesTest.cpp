// Object references and the shared argument frame: a reference never outlives
// its object, and arguments are counted and checked in order with the
// kernel's messages.
#include "ScriptingFixture.h"
#include "drawables/Model.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "scripting/VxFrame.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {
namespace {

class ReferencesTest : public ScriptingTest {
  protected:
    ReferencesTest() {
        master.name = "Customer";
        other.name = "Order";
    }
    GuidMap map;
    Master master{&map};
    Master other{&map};
    int project = 0; // stands for a project document
};

TEST_F(ReferencesTest, AReferenceNamesItsObjectUntilTheObjectIsGone) {
    Bind("m", MakeObjectRef(&master, RefMaster, &project, &map));
    EXPECT_EQ(Value("(TestMasterName m)"), "\"Customer\"");
    // The same object always travels as the same reference.
    Bind("m2", MakeObjectRef(&master, RefMaster, &project, &map));
    EXPECT_EQ(Value("(equal m m2)"), "t");
    Bind("o", MakeObjectRef(&other, RefMaster, &project, &map));
    EXPECT_EQ(Value("(equal m o)"), "nil");

    // Taken out of the project's id map (deleted, or moved to the undo
    // history): the script gets an error, not the object.
    map.Remove(&master);
    EXPECT_EQ(Value("(TestMasterName m)"),
              "error: TestMasterName: referenced object no longer exists: <ref:2>");
    EXPECT_EQ(Value("(TestMasterName o)"), "\"Order\"");
}

// A reference resolved once is not looked up again while its map stays as it
// was; every way of changing what an id names must still be seen.
TEST_F(ReferencesTest, EveryChangeOfTheIdMapIsSeenByResolvedReferences) {
    const std::string id = master.Id().Text();
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"another object set under the id", [&] { map.SetAt(id.c_str(), &other); }},
        {"the value slot written", [&] { map.Texts()[id.c_str()] = &other; }},
        {"the node's value written",
         [&] { map.Texts().FindNode(id.c_str(), false)->value = nullptr; }},
        {"the value cleared", [&] { map.Texts().ClearValue(id.c_str()); }},
        {"every node dropped", [&] { map.Texts().RemoveAll(); }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        map.Add(&master);
        map.Add(&other);
        References().Reset();
        kest::Cell* ref = MakeObjectRef(&master, RefMaster, &project, &map, true);
        EXPECT_EQ(ResolveObject(ref), &master);
        // Interning a new id text changes no value: the reference still holds.
        map.InternGuid("a new id");
        EXPECT_TRUE(References().Confirmed(&master, &map));
        EXPECT_EQ(ResolveObject(ref), &master);
        change();
        EXPECT_FALSE(References().Confirmed(&master, &map));
        EXPECT_EQ(ResolveObject(ref), nullptr);
    }
}

TEST_F(ReferencesTest, ForgettingAnObjectOrItsProjectInvalidatesEveryReference) {
    Bind("m", MakeObjectRef(&master, RefMaster, &project, &map));
    Bind("o", MakeObjectRef(&other, RefMaster, &project, &map));
    Bind("p", References().MakeRef(&project, RefProject));
    References().Forget(&master);
    EXPECT_EQ(Run("(TestMasterName m)").error,
              "TestMasterName: referenced object no longer exists: <ref:2>");
    EXPECT_EQ(Value("(TestMasterName o)"), "\"Order\"");
    EXPECT_EQ(Value("(TestRefKind p)"), "10");

    // The project closes: its own reference and those of its objects die.
    References().Forget(&project);
    EXPECT_NE(Run("(TestMasterName o)").error.find("no longer exists"), std::string::npos);
    EXPECT_NE(Run("(TestRefKind p)").error.find("no longer exists"), std::string::npos);
    // A new reference to a forgotten object's address is a new reference.
    Bind("m3", MakeObjectRef(&master, RefMaster, nullptr, nullptr));
    EXPECT_EQ(Value("(TestMasterName m3)"), "\"Customer\"");
    EXPECT_EQ(Value("(equal m m3)"), "nil");
    EXPECT_NE(Run("(TestMasterName m)").error.find("no longer exists"), std::string::npos);
}

TEST_F(ReferencesTest, ReferencesOfAnEarlierRunResolveToNothing) {
    kest::Cell* old = MakeObjectRef(&master, RefMaster);
    EXPECT_EQ(ResolveObject(old), &master);
    References().Reset();
    EXPECT_EQ(ResolveObject(old), nullptr);
    EXPECT_TRUE(References().IsStale(old));
    // A reference cell not made by the table resolves to nothing either.
    EXPECT_EQ(ResolveObject(kest::mkref(&master, RefMaster)), nullptr);
    EXPECT_EQ(MakeObjectRef(nullptr, RefMaster), kest::nil);
}

TEST_F(ReferencesTest, ArgumentsAreCountedAndCheckedInOrder) {
    Bind("m", MakeObjectRef(&master, RefMaster, &project, &map));
    Bind("a", MakeObjectRef(&master, RefAttribute, &project, &map));
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(TestArgs 1)", "(1 nil nil)"},
        {"(TestArgs 1 \"x\")", "(1 \"x\" nil)"},
        {"(TestArgs 1 'x 3)", "(1 x 3)"},
        {"(TestArgs)", "error: TestArgs: incorrect number of arguments"},
        {"(TestArgs 1 2 3 4)", "error: TestArgs: incorrect number of arguments"},
        // The second argument is checked before the third.
        {"(TestArgs 1 2 \"x\")", "error: TestArgs: string expected: 2"},
        {"(TestArgs 1 \"x\" \"y\")", "error: TestArgs: integer number expected: \"y\""},
        {"(TestRefKind nil)", "error: TestRefKind: object reference expected: nil"},
        {"(TestRefKind a)", "6"},
        {"(TestMasterName nil)", "error: TestMasterName: invalid master argument: nil"},
        {"(TestMasterName a)", "error: TestMasterName: invalid master argument: <ref:2>"},
        {"(TestMasterName m)", "\"Customer\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
}

TEST_F(ReferencesTest, ModelsGroupsAndDrawablesAreCheckedByKind) {
    Model model(&map);
    model.name = "Overview";
    auto owned = std::make_unique<PrimitiveGroup>(&map);
    PrimitiveGroup* group = owned.get();
    group->AddMember(std::make_unique<LinePrimitive>(&map));
    group->AddMember(std::make_unique<BoxPrimitive>(&map));
    model.AddDrawable(std::move(owned));
    auto ownedBox = std::make_unique<BoxPrimitive>(&map);
    BoxPrimitive* box = ownedBox.get();
    model.AddDrawable(std::move(ownedBox));
    Bind("model", MakeObjectRef(&model, RefModel, &project, &map));
    Bind("group", MakeObjectRef(group, RefPrimitive, &project, &map));
    Bind("box", MakeObjectRef(box, RefPrimitive, &project, &map));
    Bind("m", MakeObjectRef(&master, RefMaster, &project, &map));
    const struct {
        const char* script;
        const char* expected;
    } cases[] = {
        {"(TestModelName model)", "\"Overview\""},
        {"(TestModelName m)", "error: TestModelName: invalid model argument: <ref:5>"},
        {"(TestModelName nil)", "error: TestModelName: invalid model argument: nil"},
        {"(TestGroupSize group)", "2"},
        {"(TestGroupSize box)", "error: TestGroupSize: invalid group argument: <ref:4>"},
        {"(TestGroupSize model)", "error: TestGroupSize: invalid group argument: <ref:2>"},
        {"(TestDrawableKind box)", "4"},
        {"(TestDrawableKind m)", "error: TestDrawableKind: drawable expected: <ref:5>"},
        {"(TestDrawableKind \"x\")", "error: TestDrawableKind: drawable expected: \"x\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(c.script), c.expected) << c.script;
    // A drawable taken out of the project's map can no longer be reached.
    map.Remove(box);
    EXPECT_EQ(Value("(TestDrawableKind box)"),
              "error: TestDrawableKind: referenced object no longer exists: <ref:4>");
}

TEST(DrawableRefKindTest, EveryDrawableKindHasItsReferenceKind) {
    const struct {
        int drawableKind;
        ReferenceKind expected;
    } cases[] = {
        {DkPlace, RefPlace},       {DkLink, RefLink},           {DkTag, RefTag},
        {DkJunction, RefJunction}, {DkPrimitive, RefPrimitive}, {DkUiControl, RefPrimitive},
        {DkNone, RefPrimitive}};
    for (const auto& c : cases)
        EXPECT_EQ(DrawableRefKind(c.drawableKind), c.expected) << c.drawableKind;
}

} // namespace
} // namespace qm::test
