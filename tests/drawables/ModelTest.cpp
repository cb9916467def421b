// The model: its record with the drawables it holds, the factory by kind,
// copies and the journal's property exchange, qualified names, the parent
// references, and the look-ups inside it.
#include "drawables/Model.h"

#include "drawables/DrawableFactory.h"
#include "drawables/DrawableIdIndex.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "tests/drawables/DrawableFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qm::test {
namespace {

class ModelRecordTest : public DrawableTest {
  protected:
    // A model with a box, a text and a line, in that order.
    std::unique_ptr<Model> Sample() {
        auto model = std::make_unique<Model>(&project);
        model->Init(CSize(1000, 800), "Overview");
        model->kind = MkClass;
        model->setting = 7;
        model->comment = "two\nlines";
        model->modelFlags = 0x4D;
        model->SetZoomFactor(1.1);
        auto box = std::make_unique<BoxPrimitive>(&project);
        box->SetFrame(TkRectangle, CRect(10, 10, 50, 40));
        auto text = std::make_unique<TextPrimitive>(&project);
        text->SetFrame(TkText, CRect(60, 10, 120, 30));
        text->text = "note";
        auto line = std::make_unique<LinePrimitive>(&project);
        const CPoint points[] = {{0, 0}, {30, 40}};
        line->SetPoints(TkLine, 2, points);
        model->AddDrawable(std::move(box));
        model->AddDrawable(std::move(text));
        model->AddDrawable(std::move(line));
        return model;
    }
    std::string Written(Model& model) { return print(model.Persist(nullptr, &scope, nil())); }
    static kest::Cell* nil() { return kest::nil; }
};

TEST_F(ModelRecordTest, RecordWrittenAndReadBackKeepsFieldsAndDrawableOrder) {
    auto model = Sample();
    const std::string text = Written(*model);

    GuidMap other;
    GuidScope otherScope(&other, &templ);
    Model read(nullptr);
    read.Persist(nullptr, &otherScope, this->read(text));
    EXPECT_EQ(read.guid, model->guid);
    EXPECT_EQ(other.Lookup(model->guid.Text()), &read);
    EXPECT_EQ(read.kind, MkClass);
    EXPECT_EQ(read.setting, 7);
    EXPECT_EQ(read.name, "Overview");
    EXPECT_EQ(read.comment, "two\nlines");
    EXPECT_EQ(read.modelFlags, 0x4Du);
    EXPECT_EQ(read.pageMatrix, CRect(0, 0, 1000, 800));
    EXPECT_EQ(read.zoom, 1.1) << "the decimal the 32-bit real stands for";
    EXPECT_EQ(read.inverseZoom, 1.0 / 1.1);
    EXPECT_EQ(read.zoomedPageMatrix, CRect(0, 0, 1100, 880));
    ASSERT_EQ(read.Drawables().size(), 3u);
    auto it = read.Drawables().begin();
    EXPECT_EQ((*it++)->kindCode, TkRectangle);
    EXPECT_EQ((*it++)->kindCode, TkText);
    EXPECT_EQ((*it++)->kindCode, TkLine);
    EXPECT_EQ(print(read.Persist(nullptr, &otherScope, kest::nil)), text);
    // Detaching takes the model and its drawables out of the map; the
    // model still owns (and frees) them.
    Drawable* first = read.Drawables().front().get();
    read.Detach(&otherScope);
    EXPECT_EQ(other.Lookup(model->guid.Text()), nullptr);
    EXPECT_EQ(other.Lookup(first->guid.Text()), nullptr);
    EXPECT_EQ(read.Drawables().size(), 3u);
}

// The zoom passes through a 32-bit real in the record; every step the view
// offers reads back as the factor it was, so the zoomed page (and all
// drawn at the zoom) is the same after undo or reading the project again.
TEST_F(ModelRecordTest, EveryZoomStepReadsBackExactly) {
    // The view's steps, and factors reached by adding or taking 0.1 at a
    // time (1.2000000000000002), which read back as the decimal shown.
    std::vector<std::pair<double, double>> zooms; // set, read back
    for (int tenths = 2; tenths <= 40; ++tenths)
        zooms.emplace_back(tenths / 10.0, tenths / 10.0);
    int tenths = 10;
    for (double up = 1.0, down = 1.0; tenths < 40; up += 0.1, down -= 0.1, ++tenths) {
        zooms.emplace_back(up, tenths / 10.0);
        if (tenths < 18)
            zooms.emplace_back(down, (20 - tenths) / 10.0);
    }
    for (const auto& [zoom, readBack] : zooms) {
        SCOPED_TRACE(zoom);
        auto model = Sample();
        model->SetZoomFactor(zoom);
        const CRect zoomed = model->zoomedPageMatrix;
        GuidMap other;
        GuidScope otherScope(&other, &templ);
        Model read(nullptr);
        read.Persist(nullptr, &otherScope, this->read(Written(*model)));
        EXPECT_EQ(read.zoom, readBack);
        EXPECT_EQ(read.zoomedPageMatrix, ScaleByZoom(model->pageMatrix, readBack));
        if (zoom == readBack) {
            EXPECT_EQ(read.zoomedPageMatrix, zoomed);
        }
    }
}

TEST_F(ModelRecordTest, ReadingSkipsUnknownHeadsIgnoresTheReservedTextAndCanKeepPrimitivesOnly) {
    auto model = Sample();
    std::string text = Written(*model);
    // The reserved fifth element may hold anything; a junction record (or any
    // head the factory lacks) is dropped.
    const std::string reserved = "\"Overview\" \"\"";
    text.replace(text.find(reserved), reserved.size(), "\"Overview\" \"anything\"");
    text.insert(text.size() - 1, " (junction 1 2 3) (mystery)");
    Model read(nullptr);
    read.Persist(nullptr, &scope, this->read(text));
    EXPECT_EQ(read.Drawables().size(), 3u);

    DrawableList list;
    DrawableRefList second;
    CRect repaint(1, 1, 2, 2);
    // Writing reads the list alone.
    auto& drawables = const_cast<DrawableList&>(model->Drawables());
    kest::Cell* records = PersistDrawables(nullptr, drawables, &scope, model.get(), nullptr,
                                           kest::nil, nullptr, false);
    PersistDrawables(nullptr, list, &scope, nullptr, &second, records, &repaint, true);
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(second.size(), 3u);
    EXPECT_EQ(second.front(), list.front().get());
    EXPECT_EQ(repaint, CRect(-5, -5, 125, 45));
}

TEST_F(ModelRecordTest, MalformedRecordsAreFormatErrors) {
    const std::string good = Written(*Sample());
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"short", "(\"id\" 11 3)"},
        {"kind not an integer",
         "(\"id\" \"11\" 3 \"n\" \"\" \"\" 1 \"\" \"\" 1.0 1.0 (0 0 1 1) (0 0 1 1))"},
        {"zero zoom", "(\"id\" 11 3 \"n\" \"\" \"\" 1 \"\" \"\" 0.0 1.0 (0 0 1 1) (0 0 1 1))"},
        {"negative zoom", "(\"id\" 11 3 \"n\" \"\" \"\" 1 \"\" \"\" -2.0 1.0 (0 0 1 1) (0 0 1 1))"},
        {"parent not an id", "(\"id\" 11 3 \"n\" \"\" \"\" 1 7 \"\" 1.0 1.0 (0 0 1 1) (0 0 1 1))"},
        {"drawables not records",
         "(\"id\" 11 3 \"n\" \"\" \"\" 1 \"\" \"\" 1.0 1.0 (0 0 1 1) (0 0 1 1) (box 1))"},
    };
    for (const Case& c : cases) {
        Model model(nullptr);
        const std::string got = failure([&] { model.Persist(nullptr, &scope, read(c.text)); });
        EXPECT_NE(got.find("bad "), std::string::npos) << c.what << ": " << got;
    }
    Model model(nullptr);
    EXPECT_EQ(failure([&] { model.Persist(nullptr, &scope, read(good)); }), "");
    model.Detach(&scope);
}

TEST_F(ModelRecordTest, FactoryByKind) {
    NotationTemplate notation;
    for (int kind : {0, 11, 12, 13, 14, 15, 16, 17}) {
        std::unique_ptr<Model> model = CreateModelOfKind(&project, &notation, kind);
        ASSERT_NE(model, nullptr) << kind;
        EXPECT_EQ(model->kind, kind);
        EXPECT_EQ(project.Lookup(model->guid.Text()), model.get());
        EXPECT_EQ(model->modelFlags, kind == 12 ? 1u : 17u);
        EXPECT_EQ(model->setting, 3);
        model->Detach(&scope);
    }
    for (int kind : {1, 5, -1, 18, 100})
        EXPECT_EQ(CreateModelOfKind(&project, &notation, kind), nullptr) << kind;
}

TEST_F(ModelRecordTest, DetachingASubmodelTakesItFromItsMaster) {
    struct Case {
        const char* what;
        bool parent;        // the model has a parent master
        bool mastersOwn;    // that master shows this model as its submodel
        bool linkAfterward; // the master still shows a submodel afterwards
    } cases[] = {
        {"the master's submodel", true, true, false},
        {"the master explodes into another model", true, false, true},
        {"no parent master", false, false, true},
    };
    for (const Case& c : cases) {
        Master master(nullptr);
        Model other(nullptr);
        Model model(&project);
        master.submodel = c.mastersOwn ? &model : &other;
        if (c.parent)
            model.parentMaster = &master;
        model.Detach(&scope);
        EXPECT_EQ(master.submodel != nullptr, c.linkAfterward) << c.what;
    }
}

TEST_F(ModelRecordTest, CloneAssignAndPropsExchangeTheFiveFields) {
    auto model = Sample();
    std::unique_ptr<ModelObject> copy = model->Clone();
    auto* clone = dynamic_cast<Model*>(copy.get());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->name, "Overview");
    EXPECT_EQ(clone->kind, MkClass);
    EXPECT_EQ(clone->zoom, 1.0);
    EXPECT_TRUE(clone->pageMatrix.IsRectEmpty());
    EXPECT_TRUE(clone->Drawables().empty());
    EXPECT_NE(clone->guid, model->guid);

    clone->name = "Other";
    clone->setting = 9;
    kest::Cell* diff = model->Props(&scope, clone, nullptr, false);
    EXPECT_EQ(print(diff), "((7 9) nil (\"Overview\" \"Other\") nil nil)");
    Model target(nullptr);
    target.Assign(model.get());
    target.Props(&scope, nullptr, diff, true);
    EXPECT_EQ(target.name, "Other");
    EXPECT_EQ(target.setting, 9);
    target.Props(&scope, nullptr, read("(nil nil nil nil nil)"), false);
    EXPECT_EQ(target.name, "Other");
    EXPECT_NE(failure([&] { target.Props(&scope, nullptr, read("((1 2) nil (3 4))"), false); }),
              "");
    EXPECT_EQ(target.setting, 9) << "a malformed list changes nothing";
}

TEST_F(ModelRecordTest, QualifiedNamesAndParentReferences) {
    Model a(&project), b(&project), c(&project);
    a.name = "a";
    b.name = "b";
    c.name = "c";
    b.parentModelRef = ObjectRef::ToText(a.guid.Text());
    c.parentModelRef = ObjectRef::ToText(b.guid.Text());
    b.ResolveRefs(nullptr, &scope, false);
    c.ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(c.GetQualifiedName(nullptr), "a.b.c");
    EXPECT_EQ(c.GetQualifiedName(&a), "b.c");
    EXPECT_EQ(c.GetQualifiedName(&c), "");
    // A parent that would close a cycle is dropped.
    a.parentModelRef = ObjectRef::ToText(c.guid.Text());
    a.ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(a.parentModel, nullptr);

    // Two models of one master: the first becomes its submodel.
    Master master(&project);
    Model first(&project), second(&project);
    first.parentMasterRef = ObjectRef::ToText(master.guid.Text());
    second.parentMasterRef = ObjectRef::ToText(master.guid.Text());
    first.ResolveRefs(nullptr, &scope, false);
    second.ResolveRefs(nullptr, &scope, false);
    EXPECT_EQ(first.parentMaster, &master);
    EXPECT_EQ(master.submodel, &first);
    EXPECT_EQ(second.parentMaster, nullptr);
    for (ModelObject* o : {static_cast<ModelObject*>(&a), static_cast<ModelObject*>(&b),
                           static_cast<ModelObject*>(&c), static_cast<ModelObject*>(&first),
                           static_cast<ModelObject*>(&second), static_cast<ModelObject*>(&master)})
        project.Remove(o);
}

TEST_F(ModelRecordTest, BoundsPageRectsAndHitTests) {
    Model empty(nullptr);
    CRect bounds(1, 2, 3, 4);
    empty.GetBounds(bounds);
    EXPECT_TRUE(bounds.IsRectEmpty());

    auto model = Sample();
    Drawable* box = model->Drawables().front().get();
    Model one(nullptr);
    one.AddDrawable(model->RemoveDrawable(box, false));
    one.GetBounds(bounds);
    EXPECT_EQ(bounds, box->bounds);
    model->InsertDrawable(0, one.RemoveDrawable(box, false));

    struct Case {
        int x, y;
        CRect expected;
    };
    const CRect page(0, 0, 1000, 800);
    const Case cases[] = {
        {5, 20, CRect(0, 0, 10, 800)},   {70, 20, CRect(50, 0, 1000, 800)},
        {20, 5, CRect(0, 0, 1000, 10)},  {20, 60, CRect(0, 40, 1000, 800)},
        {20, 20, CRect(10, 10, 50, 40)},
    };
    for (const Case& c : cases) {
        CRect near;
        model->PageRectNear(box, c.x, c.y, near);
        EXPECT_EQ(near, c.expected) << c.x << "," << c.y;
    }
    // Left of a drawable touching the page's left edge: empty, so the whole page.
    BoxPrimitive edge(nullptr);
    edge.SetFrame(TkRectangle, CRect(0, 10, 20, 20));
    CRect near;
    model->PageRectNear(&edge, -3, 15, near);
    EXPECT_EQ(near, page);

    int part = -1, index = -1;
    EXPECT_EQ(model->HitTest(TkPointer, 20, 20, part, index, 0, nullptr), box);
    EXPECT_EQ(part, HpBody);
    EXPECT_EQ(model->HitTest(TkPointer, 500, 500, part, index, 0, nullptr), nullptr);
    // A knob hit becomes a body hit while several drawables are selected.
    model->HitTest(TkPointer, 52, 42, part, index, 0, nullptr);
    EXPECT_EQ(part, HpKnob);
    for (const auto& d : model->Drawables())
        model->Select(d.get(), 1, 1, 0);
    model->HitTest(TkPointer, 52, 42, part, index, 0, nullptr);
    EXPECT_EQ(part, HpBody);
    EXPECT_EQ(model->HitTest(TkPointer, 20, 20, part, index, 0, box), nullptr);
    model->GetSelectionBounds(bounds);
    EXPECT_EQ(bounds, CRect(0, 0, 120, 40));
}

TEST_F(ModelRecordTest, FindObjectByIdSearchesGroupsDepthFirst) {
    auto model = Sample();
    Drawable* text = std::next(model->Drawables().begin())->get();
    auto group = std::make_unique<PrimitiveGroup>(&project);
    text->SetSelected(true);
    DrawableList held;
    held.push_back(model->RemoveDrawable(text, false));
    group->AddMembers(held);
    EXPECT_TRUE(held.empty());
    Drawable* grouped = model->AddDrawable(std::move(group));
    EXPECT_EQ(model->RemoveDrawable(text, false), nullptr); // held by the group now
    EXPECT_EQ(model->FindObjectById(text->guid.Text()), text);
    EXPECT_EQ(model->FindObjectById(grouped->guid.Text()), grouped);
    EXPECT_EQ(model->FindObjectById("no such id"), nullptr);
    EXPECT_EQ(ContainerOf(grouped), grouped);
    EXPECT_EQ(ContainerOf(text), nullptr);
    EXPECT_EQ(ContainerOf(nullptr), nullptr);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

// Stand-ins for the places, junctions, links and place groups the look-ups
// walk: only what the look-ups ask of them.
class StubPlace : public NodeDrawable {
  public:
    StubPlace(Master* master, CRect rect) : master_(master) {
        kind = DkPlace;
        kindCode = TkFirstPlace;
        bounds = rect;
        UpdateRepaintRect();
    }
    Drawable* GetPlace() override { return this; }
    Master* GetMaster() override { return master_; }

  private:
    Master* master_;
};

class StubJunction : public NodeDrawable {
  public:
    explicit StubJunction(Drawable* pivot) : pivot_(pivot) {
        kind = DkJunction;
        kindCode = TkJunction;
    }
    Drawable* GetPlace() override { return pivot_; }
    Master* GetMaster() override { return nullptr; }

  private:
    Drawable* pivot_;
};

class StubLink : public Drawable {
  public:
    StubLink(NodeDrawable* from, NodeDrawable* to, int code) : from_(from), to_(to) {
        kind = DkLink;
        kindCode = code;
    }
    bool GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const override {
        source = from_;
        target = to_;
        return true;
    }
    void GetVertices(std::vector<CPoint>& points) const override {
        points = {{0, 100}, {200, 100}};
    }

  private:
    NodeDrawable* from_;
    NodeDrawable* to_;
};

// A place group: a place whose members live in an embedded container.
class StubPlaceGroup : public StubPlace {
  public:
    explicit StubPlaceGroup(CRect rect) : StubPlace(nullptr, rect) {
        kindCode = TkPlaceGroup;
        container.SetParent(this);
        container.SetDetached();
    }
    template <class T> T* Hold(std::unique_ptr<T> d) {
        d->SetParent(&container);
        T* held = d.get();
        members.push_back(std::move(d));
        return held;
    }
    DrawableList* GetMemberList() override { return &members; }

    PrimitiveGroup container;
    DrawableList members;
};

class ModelLookupTest : public DrawableTest {
  protected:
    template <class T, class... Args> T* Add(Args&&... args) {
        return static_cast<T*>(model.AddDrawable(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    Model model{nullptr};
};

TEST_F(ModelLookupTest, LinkContainersAndGroupsOfNestedPlaceGroups) {
    auto* outer = Add<StubPlaceGroup>(CRect(0, 0, 500, 500));
    auto* loose = Add<StubPlace>(nullptr, CRect(600, 600, 620, 620));
    auto* inner = outer->Hold(std::make_unique<StubPlaceGroup>(CRect(10, 10, 200, 200)));
    auto* c = outer->Hold(std::make_unique<StubPlace>(nullptr, CRect(300, 300, 320, 320)));
    auto* a = inner->Hold(std::make_unique<StubPlace>(nullptr, CRect(20, 20, 40, 40)));
    auto* b = inner->Hold(std::make_unique<StubPlace>(nullptr, CRect(60, 60, 80, 80)));

    StubLink self(a, a, 0), sameGroup(a, b, 0), across(a, c, 0), out(a, loose, 0);
    EXPECT_EQ(model.LinkContainer(&self), nullptr);
    EXPECT_EQ(model.LinkContainer(&sameGroup), inner);
    EXPECT_EQ(model.LinkContainer(&across), outer);
    EXPECT_EQ(model.LinkContainer(&out), nullptr);
    // From a junction on a group to a place inside it: the group itself.
    StubJunction onOuter(outer);
    StubLink fromJunction(&onOuter, a, 0);
    EXPECT_EQ(model.LinkContainer(&fromJunction), outer);

    EXPECT_EQ(model.FindGroupOf(a), inner);
    EXPECT_EQ(model.FindGroupOf(c), outer);
    EXPECT_EQ(model.FindGroupOf(loose), nullptr);
    EXPECT_EQ(model.FindGroupAt(30, 30, nullptr), inner);
    EXPECT_EQ(model.FindGroupAt(310, 310, nullptr), outer);
    EXPECT_EQ(model.FindGroupAt(30, 30, inner), outer);
    EXPECT_EQ(model.FindGroupAt(700, 700, nullptr), nullptr);
}

TEST_F(ModelLookupTest, PlacesOfMastersLinksAndToolHits) {
    Master master(nullptr), other(nullptr);
    master.name = "Order";
    master.nameSpace = "shop";
    other.name = "Order";
    auto* first = Add<StubPlace>(&other, CRect(0, 0, 50, 50));
    auto* second = Add<StubPlace>(&master, CRect(100, 0, 150, 50));
    auto* link = Add<StubLink>(first, second, 3);
    EXPECT_EQ(model.FindPlaceOfMaster(&master), second);
    // An empty namespace matches a master of any namespace.
    struct ByName {
        const char* name;
        const char* nameSpace;
        Drawable* place;
    } byName[] = {
        {"Order", "shop", second}, {"Order", "", first},     {"Order", "other", nullptr},
        {"order", "", nullptr},    {"Invoice", "", nullptr},
    };
    for (const ByName& c : byName)
        EXPECT_EQ(model.FindPlaceByMasterName(nullptr, NoToolKind, c.name, c.nameSpace), c.place)
            << c.name << " in '" << c.nameSpace << "'";
    other.nameSpace = "back";
    EXPECT_EQ(model.FindPlaceByMasterName(nullptr, NoToolKind, "Order", ""), first);

    auto named = [&](const char* name) {
        auto owned = std::make_unique<Link>(nullptr);
        owned->kindCode = 3;
        owned->SetSource(first);
        owned->SetTarget(second);
        owned->name = name;
        return static_cast<Link*>(model.AddDrawable(std::move(owned)));
    };
    Link* uses = named("uses");
    Link* owns = named("owns");
    struct ByLink {
        int kind;
        const char* name;
        Drawable* from;
        Drawable* to;
        Drawable* link;
    } byLink[] = {
        {3, "", first, second, link},        {3, "uses", first, second, uses},
        {3, "owns", first, second, owns},    {3, "holds", first, second, nullptr},
        {3, "uses", second, first, nullptr}, {4, "", first, second, nullptr},
        {3, "", second, first, nullptr},
    };
    for (const ByLink& c : byLink)
        EXPECT_EQ(model.FindLink(c.kind, c.name, c.from, c.to), c.link) << c.kind << " " << c.name;

    int part = 0, index = 0;
    // The message tool takes a link whose path passes the point.
    EXPECT_EQ(model.HitTest(TkMessage, 120, 104, part, index, 0, nullptr), link);
    EXPECT_EQ(part, HpBody);
    // A junction tool takes a place whose border is near the point.
    EXPECT_EQ(model.HitTest(402, 148, 25, part, index, 0, nullptr), second);
    EXPECT_EQ(part, 0x800);
    // With flag 0x8 the last hit counts.
    auto* above = Add<StubPlace>(&master, CRect(110, 10, 140, 40));
    EXPECT_EQ(model.HitTest(TkPointer, 120, 20, part, index, 0, nullptr), second);
    EXPECT_EQ(model.HitTest(TkPointer, 120, 20, part, index, 0x8, nullptr), above);
}

} // namespace
} // namespace qm::test

namespace qm::test {
namespace {

// The id index that binds a read's references answers as the walks over the
// model do, duplicates included: the first drawable in depth-first order,
// and a drawable before a junction of the same id.
TEST_F(ModelRecordTest, IdIndexAnswersAsTheWalksDo) {
    Model model(nullptr);
    model.Init(CSize(1000, 800), "Index");
    auto box = [&](const char* id) {
        auto made = std::make_unique<BoxPrimitive>(&project);
        made->SetFrame(TkRectangle, CRect(10, 10, 50, 40));
        made->guid.SetText(id);
        return made;
    };
    auto group = std::make_unique<PrimitiveGroup>(&project);
    group->guid.SetText("grp");
    Drawable* inGroup = group->AddMember(box("dup"));
    model.AddDrawable(std::move(group));
    model.AddDrawable(box("dup"));
    auto place = std::make_unique<Place>(&project);
    place->guid.SetText("p1");
    place->AddJunction(&project, 0, 20, 400)->guid.SetText("j");
    Junction* onlyJunction = place->AddJunction(&project, 0, 30, 400);
    onlyJunction->guid.SetText("k");
    model.AddDrawable(std::move(place));
    Drawable* namedLikeJunction = model.AddDrawable(box("j"));

    DrawableIdIndex index(model);
    for (const char* id : {"grp", "dup", "p1", "j", "k", "none", "", "dup-longer-than-fifteen"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(index.FindObject(id), qm::FindObjectById(model.Drawables(), id));
        EXPECT_EQ(index.FindObjectOrJunction(id), FindDrawableOrJunction(model, id));
    }
    EXPECT_EQ(index.FindObject("dup"), inGroup);
    EXPECT_EQ(index.FindObjectOrJunction("j"), namedLikeJunction);
    EXPECT_EQ(index.FindObjectOrJunction("k"), onlyJunction);
    EXPECT_EQ(index.FindObject(nullptr), nullptr);

    // The look-ups take the scope's index only for the model it was built on.
    Model other(nullptr);
    GuidScope withIndex = scope;
    withIndex.drawableIndex = &index;
    EXPECT_EQ(FindObjectIn(model, &withIndex, "dup"), inGroup);
    EXPECT_EQ(FindObjectIn(other, &withIndex, "dup"), nullptr);
    EXPECT_EQ(FindDrawableOrJunctionIn(other, &withIndex, "k"), nullptr);
}

// A read installs its own index while it binds and gives the scope back the
// index an enclosing read had installed.
TEST_F(ModelRecordTest, ReadPutsBackTheEnclosingIndex) {
    const std::string text = Written(*Sample());
    Model enclosing(nullptr);
    DrawableIdIndex outer(enclosing);
    GuidMap other;
    GuidScope otherScope(&other, &templ);
    otherScope.drawableIndex = &outer;
    Model read(nullptr);
    read.Persist(nullptr, &otherScope, this->read(text));
    EXPECT_EQ(otherScope.drawableIndex, &outer);
    EXPECT_EQ(read.Drawables().size(), 3u);
}

} // namespace
} // namespace qm::test
