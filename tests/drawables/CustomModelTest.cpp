// Custom and sequence models: the factory by kind, the customModel record
// holding one drawable of each class, message numbering and the renumbering
// mode with its journal entries, and creation by tool.
#include "drawables/CustomModel.h"
#include "drawables/Link.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/FakeTool.h"

namespace qm::test {
namespace {

// A journal that keeps what the renumbering mode hands it.
class RenumberJournal : public ChangeJournal {
  public:
    void BeginChange(ModelDocument*, ChangeKind kind) override {
        begun.push_back(kind);
        changed.clear();
    }
    void AddChangedObject(ModelDocument*, ModelObject* object,
                          std::unique_ptr<ModelObject>) override {
        changed.push_back(object);
    }
    bool HasChangedObjects(ModelDocument*) const override { return !changed.empty(); }
    void RecordChange(ModelDocument*, ChangeKind kind, const char* name, ModelObject*,
                      ModelObject*) override {
        recorded.emplace_back(int(kind), name);
    }
    std::vector<ChangeKind> begun;
    std::vector<ModelObject*> changed;
    std::vector<std::pair<int, std::string>> recorded;

  private:
    ScopedInstall<ChangeJournal> scope_{this};
};

// A document whose masters are made on demand.
class MasterDocument : public FakeDocument {
  public:
    MasterDocument(GuidMap* project, GuidMap* templ, MasterTool* tool)
        : FakeDocument(project, templ), tool_(tool), project_(project) {}
    ~MasterDocument() override {
        for (auto& m : masters)
            project_->Remove(m.get());
    }
    Master* NewMaster(int, const std::string& name, const std::string& nameSpace) override {
        for (auto& m : masters) {
            if (m->name == name && m->nameSpace == nameSpace)
                return m.get();
        }
        masters.push_back(std::make_unique<Master>());
        masters.back()->SetToolAndName(tool_, name, nameSpace);
        project_->Add(masters.back().get());
        return masters.back().get();
    }
    std::vector<std::unique_ptr<Master>> masters;

  private:
    MasterTool* tool_;
    GuidMap* project_;
};

class CustomModelTest : public DrawableTest {
  protected:
    CustomModelTest() {
        placeTool.RegisterIn(templ);
        linkTool.RegisterIn(templ);
    }

    // Writes model, reads the text into a fresh model of the same class with
    // the masters registered anew, and writes that.
    template <class T> std::string ReadAndWriteAgain(const std::string& written) {
        GuidMap again;
        for (auto& m : document.masters)
            again.Add(m.get());
        GuidScope other{&again, &templ, &again};
        T copy;
        copy.Persist(nullptr, &other, read(written));
        const std::string text = pretty(copy.Persist(nullptr, &other, kest::nil));
        copy.Detach(&other);
        return text;
    }

    FakeTool placeTool{10, false};
    FakeTool linkTool{3, true};
    MasterDocument document{&project, &templ, &placeTool};
};

TEST_F(CustomModelTest, TheFactoryMakesTheClassOfEachDiagramKind) {
    for (int kind : {0, 11, 12, 13, 14, 15, 16, 17}) {
        std::unique_ptr<Model> model = CreateModelOfKind(nullptr, nullptr, kind);
        ASSERT_NE(model, nullptr) << kind;
        EXPECT_EQ(model->kind, kind);
        EXPECT_NE(dynamic_cast<CustomModel*>(model.get()), nullptr) << kind;
        EXPECT_EQ(dynamic_cast<SequenceModel*>(model.get()) != nullptr, kind == 13) << kind;
    }
    EXPECT_EQ(CreateModelOfKind(nullptr, nullptr, 1), nullptr);
}

TEST_F(CustomModelTest, ARecordWithOneDrawableOfEachClassRoundTripsByteForByte) {
    CustomModel model(&project, &document, CSize(800, 600));
    model.name = "Everything";
    EXPECT_EQ(model.pageMatrix, CRect(0, 0, 800, 600));
    auto* a = dynamic_cast<Place*>(
        model.CreatePlaceOfTool(&document, 10, "Order", "", CRect(0, 0, 100, 60)));
    ASSERT_NE(a, nullptr);
    auto scenario = std::make_unique<ScenarioPlace>(&project);
    scenario->Setup(10, CRect(300, 0, 400, 60), document.NewMaster(10, "Client", ""), false);
    scenario->AddMasterReference();
    auto* b = static_cast<ScenarioPlace*>(model.AddDrawable(std::move(scenario)));
    Link* link = model.CreateLink(&document, 3, "places", a, b);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->Tool(), &linkTool);
    Floater* floater = model.CreateFloater("1. order()", link, link->Vertices().front());
    ASSERT_NE(floater, nullptr);
    auto tag = std::make_unique<Tag>(&project);
    tag->Attach(TkTag, CRect(0, 200, 80, 240), a);
    tag->text = "note";
    model.AddDrawable(std::move(tag));
    auto line = std::make_unique<LinePrimitive>(&project);
    const CPoint ends[2] = {{0, 300}, {100, 320}};
    line->SetPoints(TkLine, 2, ends);
    model.AddDrawable(std::move(line));
    auto text = std::make_unique<TextPrimitive>(&project);
    text->SetFrame(TkText, CRect(0, 350, 100, 370));
    text->text = "free text";
    model.AddDrawable(std::move(text));
    auto box = std::make_unique<BoxPrimitive>(&project);
    box->SetFrame(TkRectangle, CRect(200, 300, 260, 340));
    model.AddDrawable(std::move(box));
    auto group = std::make_unique<PrimitiveGroup>(&project);
    auto inner = std::make_unique<BoxPrimitive>(&project);
    inner->SetFrame(TkEllipse, CRect(300, 300, 340, 340));
    group->AddMember(std::move(inner));
    group->UpdateRepaintRect();
    model.AddDrawable(std::move(group));
    auto placeGroup = std::make_unique<PlaceGroup>(&project);
    auto member = std::make_unique<BoxPrimitive>(&project);
    member->SetFrame(TkRectangle, CRect(420, 300, 460, 340));
    member->SetSelected(true);
    DrawableList pick;
    pick.push_back(std::move(member));
    placeGroup->Fill(pick, document.NewMaster(10, "Package", ""), nullptr);
    placeGroup->AddMasterReference();
    model.AddDrawable(std::move(placeGroup));
    auto lane = std::make_unique<Swimlane>(&project);
    DrawableList none;
    const CRect laneRect(500, 0, 600, 600);
    lane->Fill(none, nullptr, &laneRect);
    lane->SetLaneModel(&model);
    model.AddDrawable(std::move(lane));

    const std::string written = pretty(model.Persist(nullptr, &scope, kest::nil));
    ASSERT_EQ(written.rfind("(customModel \"", 0), 0u) << written;
    for (const char* head : {"(place ", "(scenPlace ", "(link ", "(tag ", "(floater ", "(line ",
                             "(text ", "(box ", "(group ", "(placeGroup ", "(swimlane "})
        EXPECT_NE(written.find(head), std::string::npos) << head;
    EXPECT_EQ(ReadAndWriteAgain<CustomModel>(written), written);
    model.Detach(&scope);

    // A wrong head is refused.
    CustomModel other;
    EXPECT_NE(failure([&] {
                  other.Persist(nullptr, &scope, read("(model \"x\")"));
              }).find("customModel sym expected"),
              std::string::npos);
}

TEST_F(CustomModelTest, ASequenceModelWithNumberedMessagesRoundTrips) {
    SequenceModel model(&project, &document, CSize(800, 600));
    EXPECT_EQ(model.kind, MkSequence);
    auto* a = model.CreatePlaceOfTool(&document, 10, "a", "", CRect(0, 0, 80, 40));
    auto* b = model.CreatePlaceOfTool(&document, 10, "b", "", CRect(200, 0, 280, 40));
    ASSERT_NE(dynamic_cast<ScenarioPlace*>(a), nullptr);
    Link* link = model.CreateLink(&document, 3, "", static_cast<NodeDrawable*>(a), b);
    ASSERT_NE(link, nullptr);
    for (int i = 0; i < 3; ++i)
        model.CreateFloater(std::to_string(i + 1) + ". step" + std::to_string(i), link,
                            CPoint(100 + 20 * i, 60));
    EXPECT_EQ(model.GetMaxMessageNumber(), 3);
    const std::string written = pretty(model.Persist(nullptr, &scope, kest::nil));
    EXPECT_NE(written.find("\"3. step2\""), std::string::npos);
    EXPECT_EQ(ReadAndWriteAgain<SequenceModel>(written), written);
    model.Detach(&scope);
}

// What the editor's call-box drags use: the hit of a box, the merge of a
// dropped box into its neighbour, the messages on a box, which move with it
// (their floaters along) or go with what hangs on them.
TEST_F(CustomModelTest, CallBoxesMergeOnTheLifeLineAndCarryTheirMessages) {
    SequenceModel model(&project, &document, CSize(800, 600));
    auto* a = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "a", "", CRect(0, 0, 80, 40)));
    auto* b = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "b", "", CRect(200, 0, 280, 40)));
    ASSERT_EQ(a->callBoxes.Count(), 1);
    ASSERT_EQ(a->AddCallBoxAt(40, 300), 1);
    const CRect first = a->GetCallBox(0);
    const CRect second = a->GetCallBox(1);

    struct Hit {
        CPoint point;
        int tolerance;
        int index;
    } hits[] = {
        {{first.left - 4, first.top + 5}, 0, 0},
        {{first.left - 5, first.top + 5}, 0, -1},
        {{first.right + 3, first.top}, 0, 0},
        {{first.left, first.top - 2}, 0, 0},
        {{first.left, first.top - 3}, 0, -1},
        {{first.left, first.top - 3}, 1, 0},
        {{second.left, second.bottom + 1}, 0, 1},
        {{first.left, (first.bottom + second.top) / 2}, 0, -1},
    };
    for (const Hit& hit : hits)
        EXPECT_EQ(a->CallBoxAt(hit.point, hit.tolerance), hit.index)
            << hit.point.x << "," << hit.point.y << " tolerance " << hit.tolerance;

    // Messages: a to b on the first box, b to a ending on it, a to b on the second.
    auto message = [&](ScenarioPlace* from, ScenarioPlace* to, int y) {
        Link* link = model.CreateLink(&document, 3, "", from, to);
        EXPECT_NE(link, nullptr);
        EXPECT_TRUE(
            link->SetVertices({CPoint(from->lifeLinePoint.x, y), CPoint(to->lifeLinePoint.x, y)}));
        link->UpdateRepaintRect();
        return link;
    };
    Link* call = message(a, b, first.top + 10);
    Link* answer = message(b, a, first.bottom - 10);
    Link* later = message(a, b, second.top + 5);
    Floater* label = model.CreateFloater("1. call()", call, CPoint(140, first.top + 10));
    ASSERT_NE(label, nullptr);
    DrawableRefList onFirst;
    model.CollectCallBoxMessages(*a, first, onFirst);
    EXPECT_EQ(onFirst, (DrawableRefList{call, answer}));

    const CRect labelAt = label->bounds;
    CRect repaint;
    model.MoveMessages(onFirst, 30, &repaint);
    EXPECT_EQ(call->Vertices().front().y, first.top + 40);
    EXPECT_EQ(answer->Vertices().back().y, first.bottom + 20);
    EXPECT_EQ(later->Vertices().front().y, second.top + 5);
    EXPECT_EQ(label->bounds,
              CRect(labelAt.left, labelAt.top + 30, labelAt.right, labelAt.bottom + 30));
    EXPECT_FALSE(repaint.IsRectEmpty());

    // A drop that does not reach the neighbour merges nothing; one that
    // does joins it, narrowed to the life line.
    CRect dropped = second;
    dropped.OffsetRect(5, -20);
    EXPECT_FALSE(a->MergeCallBox(dropped, 1));
    EXPECT_EQ(a->callBoxes.Count(), 2);
    dropped = CRect(first.left + 6, first.bottom - 10, first.right + 6, first.bottom + 40);
    EXPECT_TRUE(a->MergeCallBox(dropped, 1));
    ASSERT_EQ(a->callBoxes.Count(), 1);
    EXPECT_EQ(a->GetCallBox(0), CRect(first.left, first.top, first.right, first.bottom + 40));

    // The messages go with their floater; the other stays.
    DrawableList taken = model.TakeWithAttachments(&document, onFirst, nullptr);
    std::vector<Drawable*> gone;
    for (const auto& drawable : taken)
        gone.push_back(drawable.get());
    EXPECT_EQ(gone, (std::vector<Drawable*>{call, answer, label}));
    EXPECT_EQ(model.Drawables().size(), 3u);
    for (auto& drawable : taken)
        drawable->Detach(&scope);
    model.Detach(&scope);
}

TEST_F(CustomModelTest, LifelinesStayBetweenTheirPlaceAndThePageBottom) {
    SequenceModel model(&project, &document, CSize(800, 600));
    auto* a = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "a", "", CRect(0, 0, 80, 40)));
    auto* b = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "b", "", CRect(200, 0, 280, 40)));
    struct Case {
        int dy;
        int32_t end;
    } cases[] = {{-100, 340}, {-1000, 8}, {10000, 600}, {-52, 548}};
    for (const Case& c : cases) {
        CRect rect;
        model.ExtendLifeline(*a, c.dy, rect);
        EXPECT_EQ(a->lifeLinePoint.y, c.end) << c.dy;
        EXPECT_FALSE(rect.IsRectEmpty());
    }
    Link* link = model.CreateLink(&document, 3, "", a, b);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(model.CompareLifelines(*link), -1);
    model.MarkLinksAtPlace(*b);
    EXPECT_TRUE(link->IsMarked());
    CRect moved;
    model.ShiftAll(25, moved);
    EXPECT_EQ(a->bounds.top, 25);
    EXPECT_EQ(b->bounds.top, 25);
    model.Detach(&scope);
}

// The lifeline knob's drag keeps the lifeline's call boxes on it; a message
// may be dragged only to heights its lifelines can take; a dropped end goes
// back onto its lifeline, level with the message's other end.
TEST_F(CustomModelTest, LifelineDragsAndMessageEndsKeepToTheLifelines) {
    SequenceModel model(&project, &document, CSize(800, 600));
    auto* a = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "a", "", CRect(0, 0, 80, 40)));
    auto* b = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "b", "", CRect(200, 0, 280, 40)));
    auto* c = static_cast<ScenarioPlace*>(
        model.CreatePlaceOfTool(&document, 10, "c", "", CRect(400, 300, 480, 340)));
    ASSERT_GT(a->AddCallBoxAt(a->lifeLinePoint.x, 200), -1);
    const int32_t lastBox = a->callBoxes.boxes.back().bottom;
    const int32_t start = a->lifeLinePoint.y;
    struct Drag {
        CSize by;
        int32_t end;
    } drags[] = {
        {CSize(35, 20), start + 20},
        {CSize(0, -100000), lastBox},
        {CSize(-3, 100000), model.pageMatrix.bottom},
    };
    for (const Drag& d : drags) {
        const int32_t before = a->lifeLinePoint.y;
        CRect rect;
        const CSize applied = model.DragLifeline(*a, d.by, rect);
        EXPECT_EQ(a->lifeLinePoint.y, d.end) << d.by.cy;
        EXPECT_EQ(applied, CSize(0, d.end - before)) << d.by.cy;
        EXPECT_FALSE(rect.IsRectEmpty());
    }

    b->lifeLinePoint.y = 200;
    c->lifeLinePoint.y = 500;
    Link* ab = model.CreateLink(&document, 3, "", a, b);
    Link* bc = model.CreateLink(&document, 3, "", b, c);
    ASSERT_NE(ab, nullptr);
    ASSERT_NE(bc, nullptr);
    // Messages as the creation tool makes them: their ends on the lifelines.
    ab->options |= LoMessageEnds;
    bc->options |= LoMessageEnds;
    struct Limit {
        Link* link;
        int ends;
        int mode;
        int32_t left, top, bottom;
    } limits[] = {
        {ab, 3, 0, model.pageMatrix.left, 48, 193},
        {ab, 1, 0, model.pageMatrix.left, 48, a->lifeLinePoint.y - 7},
        {ab, 3, 1, a->lifeLinePoint.x + 24, 48, 193},
        // Lifelines that share no height: the first end's range.
        {bc, 3, 0, model.pageMatrix.left, 48, 193},
        {bc, 2, 0, model.pageMatrix.left, 348, 493},
    };
    for (const Limit& l : limits) {
        CRect rect;
        model.MessageLimits(*l.link, l.ends, rect, l.mode);
        EXPECT_EQ(rect, CRect(l.left, l.top, model.pageMatrix.right, l.bottom))
            << l.ends << " " << l.mode;
    }

    // Dropped below b's lifeline, the end comes back onto it.
    ASSERT_TRUE(ab->SetVertices({CPoint(40, 300), CPoint(260, 320)}));
    CRect rect;
    model.AttachMessageEnd(*ab, 2, rect);
    ASSERT_EQ(ab->VertexCount(), 2);
    EXPECT_EQ(ab->Vertices()[1].y, 192);
    EXPECT_EQ(ab->Vertices()[0].y, 192) << "the message stays level";
    EXPECT_LE(std::abs(ab->Vertices()[1].x - b->lifeLinePoint.x), 4);
    EXPECT_FALSE(rect.IsRectEmpty());
    model.Detach(&scope);
}

TEST_F(CustomModelTest, RenumberingNumbersInPickOrderAndJournalsOnlyChanges) {
    RenumberJournal journal;
    CustomModel model(&project, &document);
    auto* a = model.CreatePlaceOfTool(&document, 10, "a", "", CRect(0, 0, 80, 40));
    auto* b = model.CreatePlaceOfTool(&document, 10, "b", "", CRect(300, 0, 380, 40));
    Link* link = model.CreateLink(&document, 3, "", static_cast<NodeDrawable*>(a), b);
    Floater* first = model.CreateFloater("7. a()", link, CPoint(120, 0));
    Floater* second = model.CreateFloater("2. b()", link, CPoint(180, 0));
    Floater* third = model.CreateFloater("c()", link, CPoint(240, 0));

    // Switching the mode on and off without picks records nothing.
    model.ToggleRenumberMessages();
    EXPECT_TRUE(model.IsRenumbering());
    ASSERT_EQ(journal.begun.size(), 1u);
    EXPECT_EQ(journal.begun[0], ChangeKind::RenumberMessages);
    model.ToggleRenumberMessages();
    EXPECT_TRUE(journal.recorded.empty());

    model.ToggleRenumberMessages();
    CRect rect;
    EXPECT_TRUE(model.PickMessage(first, false, rect)) << "the first pick becomes 1";
    EXPECT_EQ(first->text, "1. a()");
    EXPECT_FALSE(rect.IsRectEmpty());
    EXPECT_FALSE(model.PickMessage(second, false, rect)) << "already 2: nothing changes";
    EXPECT_EQ(second->text, "2. b()");
    EXPECT_EQ(journal.changed.size(), 1u);
    EXPECT_EQ(model.CurrentMessage(), second);
    EXPECT_FALSE(model.PickMessage(third, true, rect)) << "kept: only made current";
    EXPECT_EQ(third->text, "c()");
    EXPECT_FALSE(model.PickMessage(first, false, rect)) << "after c() (0) comes 1: unchanged";
    EXPECT_EQ(first->text, "1. a()");
    model.ToggleRenumberMessages();
    ASSERT_EQ(journal.recorded.size(), 1u);
    EXPECT_EQ(journal.recorded[0], std::make_pair(38, std::string("Renumber Messages")));
    EXPECT_EQ(model.CurrentMessage(), nullptr);
    model.Detach(&scope);
}

TEST_F(CustomModelTest, RenumberingInVerticalOrderWidensTheLabelOfATwoDigitNumber) {
    RenumberJournal journal;
    SequenceModel model(&project, &document);
    auto* a = model.CreatePlaceOfTool(&document, 10, "a", "", CRect(0, 0, 80, 40));
    auto* b = model.CreatePlaceOfTool(&document, 10, "b", "", CRect(300, 0, 380, 40));
    // Ten messages, one under the other, each first numbered 9.
    std::vector<Floater*> messages;
    for (int i = 0; i < 10; ++i) {
        Link* link = model.CreateLink(&document, 3, "", static_cast<NodeDrawable*>(a), b);
        ASSERT_NE(link, nullptr);
        const int y = 60 + 40 * i;
        ASSERT_TRUE(link->SetVertices({{40, y}, {340, y}}));
        Floater* floater = model.CreateFloater("9. send()", link, CPoint(190, y));
        ASSERT_NE(floater, nullptr);
        floater->MeasureLabel(&document, model.zoom);
        messages.push_back(floater);
    }
    const int32_t oneDigit = messages[9]->labelRect.Width();

    model.ToggleRenumberMessages();
    for (Floater* floater : messages) {
        CRect rect;
        model.PickMessage(floater, false, rect);
    }
    model.ToggleRenumberMessages();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(messages[size_t(i)]->GetNumber(), i + 1);
    EXPECT_EQ(messages[9]->text, "10. send()");
    EXPECT_GT(messages[9]->labelRect.Width(), oneDigit) << "measured anew";
    EXPECT_EQ(messages[8]->labelRect.Width(), oneDigit);
    CRect covered;
    covered.UnionRect(messages[9]->repaintRect, messages[9]->labelRect);
    EXPECT_EQ(covered, messages[9]->repaintRect) << "the repaint area follows the label";
    ASSERT_EQ(journal.recorded.size(), 1u);
    EXPECT_EQ(journal.recorded[0].second, "Renumber Messages");
    model.Detach(&scope);
}

} // namespace
} // namespace qm::test
