// The comparison operations and the three-way merge of projects: the object
// rule and the field rules as a table of edits made to mine and theirs, the
// matching of objects added on both sides, the template failure, and merged
// projects that save, load and equal their sources.
#include "document/CCASEDoc.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "model/ModelCompare.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace qm {
namespace {

using test::DocumentTest;

std::string EveryRecord() {
    return ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or("");
}

const char* const kHeader = "(Quillmark \"8.0\" project)\n"
                            "(notation \"<Internal>\")\n"
                            "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
                            "(codeFiles)\n"
                            "(docFiles)\n";

// Masters Foo (attributes x and y, method Run) and Bar, both of tool 10 and
// without places, so that any of them may be deleted.
std::string MastersBase() {
    return std::string(kHeader) +
           "(masters (master \"foo-0000000001\" 0 3 \"Foo\" \"\" \"\" \"\" \"ns\" \"\" 1 "
           "(( \"x\" \"int\" \"\" \"\" \"\" \"\" 3 0 \"foo-x-00000001\") "
           " (\"y\" \"int\" \"\" \"\" \"\" \"\" 3 0 \"foo-y-00000001\")) "
           "((\"Run\" \"void\" \"\" 3 0 ((\"n\" \"int\" \"\" 1)) nil \"foo-run-000001\" "
           "\"go();\")) nil nil nil 10 \"\") "
           "(master \"bar-0000000001\" 0 3 \"Bar\" \"\" \"\" \"\" \"\" \"\" 1 nil nil nil nil "
           "nil 10 \"\"))\n";
}

// "Name@ns(x:int,y:int)[Run]" per master, sorted by name.
std::string Summary(CCASEDoc& doc) {
    std::vector<std::string> lines;
    for (const auto& master : doc.Masters().Masters()) {
        std::string line = master->name;
        if (!master->nameSpace.empty())
            line += "@" + master->nameSpace;
        line += "(";
        for (const auto& a : master->attributes)
            line += (line.back() == '(' ? "" : ",") + a->name + ":" + a->type;
        line += ")[";
        for (const auto& m : master->methods)
            line += (line.back() == '[' ? "" : ",") + m->name;
        lines.push_back(line + "]");
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& line : lines)
        all += (all.empty() ? "" : " ") + line;
    return all;
}

Master* MasterNamed(CCASEDoc& doc, const std::string& name) {
    for (const auto& master : doc.Masters().Masters()) {
        if (master->name == name)
            return master.get();
    }
    return nullptr;
}

MasterAttribute* AttributeNamed(Master* master, const std::string& name) {
    for (const auto& a : master->attributes) {
        if (a->name == name)
            return a.get();
    }
    return nullptr;
}

void DeleteMaster(CCASEDoc& doc, const std::string& name) {
    Master* master = MasterNamed(doc, name);
    ASSERT_NE(master, nullptr);
    doc.IdMap().Remove(master);
    std::unique_ptr<Master> gone = doc.Masters().Remove(master, false);
    ASSERT_NE(gone, nullptr);
}

// A master of tool 10 added under a new id.
Master* AddMaster(CCASEDoc& doc, const std::string& name, const std::string& nameSpace) {
    auto master = std::make_unique<Master>(&doc.IdMap());
    master->SetToolAndName(TemplateTool(doc.TemplateMap(), 10), name, nameSpace);
    return doc.AddMaster(std::move(master));
}

void AddAttribute(Master* master, const std::string& name, const std::string& type) {
    auto attribute = std::make_unique<MasterAttribute>();
    attribute->name = name;
    attribute->type = type;
    attribute->owner = master;
    master->attributes.push_back(std::move(attribute));
}

// Equal by the comparison operations: every master and model of a has a
// partner of the same id in b that it equals, and the counts agree.
::testing::AssertionResult ProjectsEqual(CCASEDoc& a, CCASEDoc& b) {
    if (a.Masters().Count() != b.Masters().Count() || a.ModelCount() != b.ModelCount())
        return ::testing::AssertionFailure() << "counts differ";
    for (const auto& master : a.Masters().Masters()) {
        const Master* other = FindObjectByGuidInList(b.Masters().Masters(), master->Id().Text());
        if (other == nullptr || !master->IsEqual(*other))
            return ::testing::AssertionFailure() << "master " << master->name << " differs";
    }
    for (size_t i = 0; i < a.ModelCount(); ++i) {
        Model* model = a.GetModelAt(i);
        Model* other = nullptr;
        for (size_t j = 0; j < b.ModelCount(); ++j) {
            if (b.GetModelAt(j)->Id() == model->Id())
                other = b.GetModelAt(j);
        }
        if (other == nullptr || !model->IsEqual(*other))
            return ::testing::AssertionFailure() << "model " << model->name << " differs";
    }
    return ::testing::AssertionSuccess();
}

class MergeTest : public DocumentTest {
  protected:
    // Loads base three times, edits mine and theirs, merges into a new document.
    std::unique_ptr<CCASEDoc> Merge(const std::string& text,
                                    const std::function<void(CCASEDoc&)>& editMine,
                                    const std::function<void(CCASEDoc&)>& editTheirs) {
        base = Load(text);
        mine = Load(text);
        theirs = Load(text);
        if (editMine)
            editMine(*mine);
        if (editTheirs)
            editTheirs(*theirs);
        auto result = NewDoc();
        result->MergeProjects(*base, *mine, *theirs, "merged 1");
        return result;
    }
    // Every model's page matrix as the merge chooses it.
    void FitPages(CCASEDoc& doc) {
        for (size_t i = 0; i < doc.ModelCount(); ++i)
            doc.GetModelAt(i)->BestPageMatrix(doc.PageWidth(), doc.PageHeight());
    }

    std::unique_ptr<CCASEDoc> base, mine, theirs;
};

TEST(MergeRulesTest, FieldRulesKeepOnlyOneSidedChangesOfMine) {
    struct Case {
        int base, mine, theirs, merged;
    } cases[] = {
        {1, 1, 1, 1}, // unchanged
        {1, 2, 1, 2}, // only mine
        {1, 1, 3, 3}, // only theirs
        {1, 2, 3, 3}, // both: theirs
        {1, 2, 2, 2}, // both alike
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MergeInt(c.base, c.mine, c.theirs), c.merged);
        EXPECT_EQ(
            MergeString(std::to_string(c.base), std::to_string(c.mine), std::to_string(c.theirs)),
            std::to_string(c.merged));
    }
}

TEST_F(MergeTest, ObjectAndFieldRules) {
    using Edit = std::function<void(CCASEDoc&)>;
    auto setX = [](const char* type) {
        return [type](CCASEDoc& doc) { AttributeNamed(MasterNamed(doc, "Foo"), "x")->type = type; };
    };
    auto remove = [](const char* name) {
        return [name](CCASEDoc& doc) { DeleteMaster(doc, name); };
    };
    auto changeBar = [](CCASEDoc& doc) { MasterNamed(doc, "Bar")->comment = "changed"; };
    struct Case {
        const char* what;
        Edit mine, theirs;
        std::string merged;
    } cases[] = {
        {"nothing changed", nullptr, nullptr, "Bar()[] Foo@ns(x:int,y:int)[Run]"},
        {"attribute changed only in mine", setX("long"), nullptr,
         "Bar()[] Foo@ns(x:long,y:int)[Run]"},
        {"attribute changed only in theirs", nullptr, setX("char"),
         "Bar()[] Foo@ns(x:char,y:int)[Run]"},
        {"attribute changed in both", setX("long"), setX("char"),
         "Bar()[] Foo@ns(x:char,y:int)[Run]"},
        {"deleted in theirs, unchanged in mine", nullptr, remove("Bar"),
         "Foo@ns(x:int,y:int)[Run]"},
        {"deleted in theirs, changed in mine", changeBar, remove("Bar"),
         "Bar()[] Foo@ns(x:int,y:int)[Run]"},
        {"deleted in mine, unchanged in theirs", remove("Bar"), nullptr,
         "Foo@ns(x:int,y:int)[Run]"},
        {"deleted in mine, changed in theirs", remove("Bar"), changeBar,
         "Bar()[] Foo@ns(x:int,y:int)[Run]"},
        {"deleted in both", remove("Bar"), remove("Bar"), "Foo@ns(x:int,y:int)[Run]"},
        {"added in mine", [](CCASEDoc& d) { AddMaster(d, "Mine", ""); }, nullptr,
         "Bar()[] Foo@ns(x:int,y:int)[Run] Mine()[]"},
        {"added in theirs", nullptr, [](CCASEDoc& d) { AddMaster(d, "Theirs", ""); },
         "Bar()[] Foo@ns(x:int,y:int)[Run] Theirs()[]"},
        {"added on both sides alike: one master, members of both",
         [](CCASEDoc& d) { AddAttribute(AddMaster(d, "New", "ns"), "a", "int"); },
         [](CCASEDoc& d) {
             Master* m = AddMaster(d, "New", "ns");
             AddAttribute(m, "a", "char");
             AddAttribute(m, "b", "int");
         },
         "Bar()[] Foo@ns(x:int,y:int)[Run] New@ns(a:char,b:int)[]"},
        {"added on both sides in other namespaces: two masters",
         [](CCASEDoc& d) { AddMaster(d, "New", "one"); },
         [](CCASEDoc& d) { AddMaster(d, "New", "two"); },
         "Bar()[] Foo@ns(x:int,y:int)[Run] New@one()[] New@two()[]"},
        {"attributes added on each side",
         [](CCASEDoc& d) { AddAttribute(MasterNamed(d, "Bar"), "m", "int"); },
         [](CCASEDoc& d) { AddAttribute(MasterNamed(d, "Bar"), "t", "int"); },
         "Bar(m:int,t:int)[] Foo@ns(x:int,y:int)[Run]"},
        {"attribute deleted in theirs, unchanged in mine", nullptr,
         [](CCASEDoc& d) { MasterNamed(d, "Foo")->attributes.pop_back(); },
         "Bar()[] Foo@ns(x:int)[Run]"},
        {"renamed in mine, namespace changed in theirs",
         [](CCASEDoc& d) {
             Master* foo = MasterNamed(d, "Foo");
             foo->name = "Fu";
             foo->NoteNameChange();
         },
         [](CCASEDoc& d) { MasterNamed(d, "Foo")->nameSpace = "other"; },
         "Bar()[] Fu@other(x:int,y:int)[Run]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto merged = Merge(MastersBase(), c.mine, c.theirs);
        EXPECT_EQ(Summary(*merged), c.merged);
    }
}

TEST_F(MergeTest, MethodsPairBySignatureAndKeepOneSidedCode) {
    auto merged = Merge(
        MastersBase(),
        [](CCASEDoc& d) {
            Master* foo = MasterNamed(d, "Foo");
            foo->methods[0]->code = "stop();";
            // The same signature added on both sides becomes one method.
            auto method = std::make_unique<MasterMethod>();
            method->name = "Size";
            method->returnType = "int";
            method->comment = "mine";
            foo->methods.push_back(std::move(method));
        },
        [](CCASEDoc& d) {
            auto method = std::make_unique<MasterMethod>();
            method->name = "Size";
            method->returnType = "int";
            method->comment = "theirs";
            MasterNamed(d, "Foo")->methods.push_back(std::move(method));
        });
    Master* foo = MasterNamed(*merged, "Foo");
    ASSERT_NE(foo, nullptr);
    ASSERT_EQ(foo->methods.size(), 2u);
    EXPECT_EQ(foo->methods[0]->code, "stop();");
    EXPECT_EQ(foo->methods[1]->comment, "theirs");
    EXPECT_EQ(foo->methods[0]->owner, foo);
}

TEST_F(MergeTest, ComparisonsFollowTheirFields) {
    auto doc = Load(MastersBase());
    auto copy = Load(MastersBase());
    Master* foo = MasterNamed(*doc, "Foo");
    Master* other = MasterNamed(*copy, "Foo");
    EXPECT_TRUE(foo->IsEqual(*other));
    // A method's code is not compared; its comment is.
    other->methods[0]->code = "other();";
    EXPECT_TRUE(foo->methods[0]->IsEqual(*other->methods[0]));
    EXPECT_TRUE(foo->IsEqual(*other));
    other->methods[0]->comment = "changed";
    EXPECT_FALSE(foo->IsEqual(*other));
    other->methods[0]->comment.clear();
    // The journal's snapshot still sees a change of the code alone.
    EXPECT_FALSE(ListsEqual(foo->methods, other->methods));

    EXPECT_EQ(FindObjectByGuidInList(doc->Masters().Masters(), "no-such-id"), nullptr);
    EXPECT_EQ(FindObjectByGuidInList(std::vector<Master*>{}, "foo-0000000001"), nullptr);
    EXPECT_EQ(FindObjectByGuidInList(doc->Masters().Masters(), "foo-0000000001"), foo);

    const char* interned = doc->IdMap().InternGuid("some id");
    ASSERT_NE(interned, nullptr);
    EXPECT_STREQ(interned, "some id");
    EXPECT_EQ(doc->IdMap().InternGuid("some id"), interned);
}

TEST_F(MergeTest, AMasterCopiedIntoAnotherProjectKeepsItsIdTypesAndTool) {
    auto from = Load(EveryRecord());
    auto to = Load(MastersBase());
    Master* shape = from->Masters().FindByGuid("m-shape-000001");
    ASSERT_NE(shape, nullptr);
    std::unique_ptr<Master> copy = shape->CopyInto(&to->IdMap(), to->TemplateMap());
    EXPECT_EQ(copy->Id(), shape->Id());
    EXPECT_EQ(to->IdMap().Lookup("m-shape-000001"), copy.get());
    EXPECT_TRUE(copy->IsEqual(*shape));
    EXPECT_EQ(copy->types.size(), shape->types.size());
    EXPECT_EQ(copy->attributes.front()->owner, copy.get());
    EXPECT_EQ(copy->refCount, 0);
    EXPECT_EQ(copy->submodel, nullptr);
    EXPECT_STREQ(copy->submodelRef.Text(), "d-sub-00000001");
    to->IdMap().Remove(copy.get());
}

TEST_F(MergeTest, DrawableComparisonsSeparateContentFromGeometry) {
    using Change = std::function<void(Drawable&)>;
    CRect dirty;
    struct Case {
        const char* id;
        const char* what;
        Change change;
        bool equal, sameContent;
    } cases[] = {
        {"p-circle-0001", "place moved", [&](Drawable& d) { d.MoveBy(5, 0, dirty); }, false, true},
        {"p-circle-0001", "place label", [](Drawable& d) { static_cast<Place&>(d).label = "c"; },
         false, false},
        {"p-circle-0001", "place flags",
         [](Drawable& d) { static_cast<Place&>(d).placeFlags ^= 0x4; }, false, true},
        {"l-inherit-001", "link name", [](Drawable& d) { static_cast<Link&>(d).name = "n"; }, false,
         false},
        {"l-inherit-001", "link comment", [](Drawable& d) { static_cast<Link&>(d).comment = "c"; },
         false, true},
        {"l-inherit-001", "link path",
         [](Drawable& d) {
             static_cast<Link&>(d).SetVertices({{300, 230}, {200, 100}, {100, 30}});
         },
         false, true},
        {"text-1", "text", [](Drawable& d) { static_cast<TextPrimitive&>(d).text = "t"; }, false,
         false},
        {"box-1", "box looks", [](Drawable& d) { d.looks.lineKind = 3; }, false, true},
        {"s-user-000001", "lifeline point",
         [](Drawable& d) { static_cast<Place&>(d).lifeLinePoint.y += 10; }, false, true},
        {"g-1", "group member moved",
         [&](Drawable& d) { d.MemberList()->front()->MoveBy(1, 1, dirty); }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto a = Load(EveryRecord());
        auto b = Load(EveryRecord());
        Drawable* first = nullptr;
        Drawable* second = nullptr;
        for (size_t i = 0; i < a->ModelCount() && first == nullptr; ++i) {
            first = a->GetModelAt(i)->FindObjectById(c.id);
            second = b->GetModelAt(i)->FindObjectById(c.id);
        }
        ASSERT_TRUE(first != nullptr && second != nullptr);
        EXPECT_TRUE(first->IsEqual(*second));
        EXPECT_TRUE(first->IsEqualContent(*second));
        c.change(*second);
        EXPECT_EQ(first->IsEqual(*second), c.equal);
        EXPECT_EQ(first->IsEqualContent(*second), c.sameContent);
    }
}

TEST_F(MergeTest, ModelsMatchByParentMasterOrName) {
    auto doc = Load(EveryRecord());
    Model* classes = doc->FindModelByName("Classes");
    Model* shape = doc->FindModelByName("Shape"); // the submodel of master Shape
    Model* states = doc->FindModelByName("States");
    auto other = Load(EveryRecord());
    Model* renamed = other->FindModelByName("Shape");
    renamed->name = "Renamed";
    EXPECT_TRUE(shape->IsSameIdentity(*renamed));   // same parent master
    EXPECT_FALSE(shape->IsSameIdentity(*classes));  // only one has a parent
    EXPECT_FALSE(classes->IsSameIdentity(*states)); // other kinds
    other->FindModelByName("Classes")->comment = "changed";
    EXPECT_TRUE(classes->IsSameIdentity(*other->FindModelByName("Classes")));
    EXPECT_FALSE(classes->IsEqual(*other->FindModelByName("Classes")));
    EXPECT_TRUE(states->IsEqual(*other->FindModelByName("States")));
}

TEST_F(MergeTest, DrawablesFollowTheObjectRule) {
    auto merged = Merge(
        EveryRecord(),
        [](CCASEDoc& d) {
            // mine moves the circle and the box, renames the link
            Model* classes = d.FindModelByName("Classes");
            CRect dirty;
            classes->FindObjectById("p-circle-0001")->MoveBy(10, 0, dirty);
            classes->FindObjectById("box-1")->MoveBy(5, 5, dirty);
            static_cast<Link*>(classes->FindObjectById("l-inherit-001"))->name = "extends";
        },
        [](CCASEDoc& d) {
            // theirs deletes the unchanged text and moves the circle too
            Model* classes = d.FindModelByName("Classes");
            std::unique_ptr<Drawable> text =
                classes->TakeDrawable(classes->FindObjectById("text-1"));
            d.IdMap().Remove(text.get());
            CRect dirty;
            classes->FindObjectById("p-circle-0001")->MoveBy(0, 20, dirty);
        });
    Model* classes = merged->FindModelByName("Classes");
    ASSERT_NE(classes, nullptr);
    EXPECT_EQ(classes->FindObjectById("text-1"), nullptr);
    Drawable* circle = classes->FindObjectById("p-circle-0001");
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(circle->bounds, CRect(300, 220, 400, 280));                     // conflict: theirs
    EXPECT_EQ(classes->FindObjectById("box-1")->bounds, CRect(5, 5, 45, 25)); // only mine
    auto* link = static_cast<Link*>(classes->FindObjectById("l-inherit-001"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->name, "extends"); // only mine
    EXPECT_EQ(link->GetSource(), circle);
    // Mine's link met theirs' circle: its source end was routed to it again.
    ASSERT_FALSE(link->Vertices().empty());
    CRect reach = circle->bounds;
    reach.InflateRect(1, 1);
    EXPECT_TRUE(reach.PtInRect(link->Vertices().front()))
        << link->Vertices().front().x << "," << link->Vertices().front().y;
    // The group of the state diagram holds its members again.
    Model* states = merged->FindModelByName("States");
    ASSERT_NE(states, nullptr);
    ASSERT_EQ(states->Drawables().size(), 1u);
    ASSERT_NE(states->Drawables().front()->MemberList(), nullptr);
    EXPECT_EQ(states->Drawables().front()->MemberList()->size(), 2u);
    EXPECT_EQ(states->Drawables().front()->MemberList()->front()->Parent(),
              states->Drawables().front().get());
}

// A version may move a place without bringing its links along (a script, an
// older editor): the merged project's links end on their places' outlines as
// the merge left them, whichever version each came from.
TEST_F(MergeTest, LinksEndOnTheOutlinesOfTheirMergedPlaces) {
    auto moveShape = [](int dx, int dy) {
        return [dx, dy](CCASEDoc& d) {
            CRect dirty;
            d.FindModelByName("Classes")->FindObjectById("p-shape-00001")->MoveBy(dx, dy, dirty);
        };
    };
    auto renameLink = [](CCASEDoc& d) {
        auto* link =
            static_cast<Link*>(d.FindModelByName("Classes")->FindObjectById("l-inherit-001"));
        link->name = "extends";
    };
    struct Case {
        const char* name;
        std::function<void(CCASEDoc&)> mine, theirs;
        CRect shape;
    } cases[] = {
        {"mine moves the place", moveShape(0, 300), nullptr, CRect(0, 300, 100, 360)},
        {"theirs moves it, mine renames the link", renameLink, moveShape(600, 0),
         CRect(600, 0, 700, 60)},
        {"both move it", moveShape(0, 300), moveShape(600, 400), CRect(600, 400, 700, 460)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto merged = Merge(EveryRecord(), c.mine, c.theirs);
        Model* classes = merged->FindModelByName("Classes");
        ASSERT_NE(classes, nullptr);
        Drawable* shape = classes->FindObjectById("p-shape-00001");
        Drawable* circle = classes->FindObjectById("p-circle-0001");
        auto* link = dynamic_cast<Link*>(classes->FindObjectById("l-inherit-001"));
        ASSERT_NE(shape, nullptr);
        ASSERT_NE(circle, nullptr);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(shape->bounds, c.shape);
        ASSERT_GE(link->VertexCount(), 2);
        auto onOutline = [](const Drawable* place, CPoint p) {
            CRect outer = place->bounds;
            outer.InflateRect(1, 1);
            CRect inner = place->bounds;
            inner.DeflateRect(1, 1);
            return outer.PtInRect(p) && !inner.PtInRect(p);
        };
        EXPECT_TRUE(onOutline(circle, link->Vertices().front()))
            << link->Vertices().front().x << "," << link->Vertices().front().y;
        EXPECT_TRUE(onOutline(shape, link->Vertices().back()))
            << link->Vertices().back().x << "," << link->Vertices().back().y;
        // The link upkeep's marks are not left behind.
        for (const auto& drawable : classes->Drawables())
            EXPECT_FALSE(drawable->IsMarked()) << drawable->Id().Text();
        EXPECT_NO_THROW(Load(merged->StoreText()));
    }
}

TEST_F(MergeTest, ModelsFollowTheObjectRule) {
    auto drop = [](const char* name) {
        return [name](CCASEDoc& d) { ASSERT_TRUE(d.RemoveModel(d.FindModelByName(name), true)); };
    };
    auto rename = [](const char* name, const char* to) {
        return [name, to](CCASEDoc& d) { d.FindModelByName(name)->name = to; };
    };
    auto fresh = [](CCASEDoc& d) { d.NewModel(MkUseCase, nullptr)->name = "Fresh"; };
    struct Case {
        const char* what;
        std::function<void(CCASEDoc&)> mine, theirs;
        std::vector<std::string> present, absent;
    } cases[] = {
        {"deleted in theirs, unchanged in mine", nullptr, drop("Interaction"), {}, {"Interaction"}},
        {"deleted in theirs, renamed in mine",
         rename("Interaction", "Talks"),
         drop("Interaction"),
         {"Talks"},
         {"Interaction"}},
        {"renamed in mine, commented in theirs",
         rename("States", "Machine"),
         [](CCASEDoc& d) { d.FindModelByName("States")->comment = "c"; },
         {"Machine"},
         {"States"}},
        {"added alike on both sides: one model", fresh, fresh, {"Fresh"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto merged = Merge(EveryRecord(), c.mine, c.theirs);
        for (const std::string& name : c.present)
            EXPECT_NE(merged->FindModelByName(name), nullptr) << name;
        for (const std::string& name : c.absent)
            EXPECT_EQ(merged->FindModelByName(name), nullptr) << name;
        size_t fresh = 0;
        for (size_t i = 0; i < merged->ModelCount(); ++i)
            fresh += merged->GetModelAt(i)->name == "Fresh";
        EXPECT_LE(fresh, 1u);
    }
    auto kept = Merge(EveryRecord(), rename("States", "Machine"),
                      [](CCASEDoc& d) { d.FindModelByName("States")->comment = "c"; });
    EXPECT_EQ(kept->FindModelByName("Machine")->comment, "c");
}

TEST_F(MergeTest, APlaceKeepsItsMasterWhenTheOtherSideDeletedBoth) {
    // theirs deletes the circle's place and master; mine moves the place.
    auto merged = Merge(
        EveryRecord(),
        [](CCASEDoc& d) {
            CRect dirty;
            d.FindModelByName("Classes")->FindObjectById("p-circle-0001")->MoveBy(0, 40, dirty);
        },
        [](CCASEDoc& d) {
            Model* classes = d.FindModelByName("Classes");
            for (const char* id : {"l-inherit-001", "p-circle-0001"}) {
                std::unique_ptr<Drawable> gone = classes->TakeDrawable(classes->FindObjectById(id));
                d.IdMap().Remove(gone.get());
            }
            DeleteMaster(d, "Circle");
        });
    auto* place =
        dynamic_cast<Place*>(merged->FindModelByName("Classes")->FindObjectById("p-circle-0001"));
    ASSERT_NE(place, nullptr);
    ASSERT_NE(place->master, nullptr);
    EXPECT_EQ(place->master->name, "Circle");
    EXPECT_TRUE(merged->HasMaster(place->master));
    EXPECT_EQ(place->master->refCount, 1);
    EXPECT_NO_THROW(Load(merged->StoreText()));
}

TEST_F(MergeTest, MergedProjectSavesLoadsAndEqualsItsUnchangedSource) {
    auto merged = Merge(EveryRecord(), nullptr, nullptr);
    FitPages(*base);
    EXPECT_TRUE(ProjectsEqual(*merged, *base));
    EXPECT_EQ(merged->RepositoryVersion(), "merged 1");
    auto reloaded = Load(merged->StoreText());
    EXPECT_TRUE(ProjectsEqual(*reloaded, *merged));
    EXPECT_EQ(reloaded->StoreText(), merged->StoreText());
}

TEST_F(MergeTest, TwoThousandClassesMergedWithTwoCopiesEqualThemselves) {
    std::string masters = "(masters";
    std::string places;
    for (int i = 0; i < 2000; ++i) {
        int x = (i % 50) * 150;
        int y = (i / 50) * 100;
        masters += Format(" (master \"cls-%010d\" 0 3 \"C%d\" \"\" \"\" \"\" \"\" \"\" 1 "
                          "((\"a\" \"int\" \"\" \"\" \"\" \"\" 3 0 \"att-%010d\")) nil nil nil "
                          "nil 10 \"\")",
                          i, i, i);
        places += Format("\n (place \"cls-%010d\" (2) \"\" (junctions) 10 \"plc-%010d\" "
                         "(%d %d %d %d) (%d %d %d %d) (%d %d %d %d) 1 0 "
                         "(nil 1 -12 0 0 4 15 0) \"\")",
                         i, i, x, y, x + 100, y + 60, x - 5, y - 5, x + 105, y + 65, x + 3, y + 3,
                         x + 97, y + 57);
    }
    std::string text = std::string(kHeader) + masters + ")\n" +
                       "(customModel \"big-class-0001\" 11 3 \"Classes\" \"\" \"\" 17 \"\" "
                       "\"\" 1.000000 1.000000 (0 0 1000 800) (0 0 1000 800)" +
                       places + ")\n";
    auto merged = Merge(text, nullptr, nullptr);
    FitPages(*base);
    EXPECT_EQ(merged->Masters().Count(), 2000u);
    EXPECT_TRUE(ProjectsEqual(*merged, *base));
}

// Templates that refuse one path.
struct RefusingTemplates : TemplateList {
    explicit RefusingTemplates(TemplateList& inner) : inner(inner) {}
    NotationTemplate* AcquireTemplate(const std::string& path) override {
        return path == refused ? nullptr : inner.AcquireTemplate(path);
    }
    void ReleaseTemplate(NotationTemplate* notation) override { inner.ReleaseTemplate(notation); }
    TemplateList& inner;
    std::string refused = "<Internal>";
};

TEST_F(MergeTest, ATemplateThatCannotBeAcquiredFailsTheMerge) {
    base = Load(MastersBase());
    mine = Load(MastersBase());
    theirs = Load(MastersBase());
    RefusingTemplates refusing(templates);
    DocumentContext refusingContext = context;
    refusingContext.templates = &refusing;
    CCASEDoc result(refusingContext, true);
    try {
        result.MergeProjects(*base, *mine, *theirs, "merged");
        FAIL() << "merged without a template";
    } catch (const CKestException& error) {
        EXPECT_STREQ(error.what(), "Can't get template '<Internal>'");
    }
}

} // namespace
} // namespace qm
