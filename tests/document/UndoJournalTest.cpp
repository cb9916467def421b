// The undo journal: the records it writes, grouping, the size question,
// undo and redo of the recorded changes, and replays that fail.
#include "document/UndoJournal.h"

#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/TextHelpers.h"
#include "tests/document/DocumentFixture.h"

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace qm {
namespace {

// A project with a class diagram ("d-class-00001") whose place
// "p-shape-00001" shows the master Shape (two attributes, two methods).
std::string Project() {
    return ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or("");
}

class UndoJournalTest : public test::DocumentTest {
  public:
    UndoJournalTest() {
        doc = Load(Project());
        model = doc->FindModelByName("Classes");
        place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
    }

    UndoJournal& journal() { return doc->GetJournal(); }
    // The project's saved text; the check-in stamp's changed flag, which
    // follows the modified flag, is left out of the comparison.
    static std::string Saved(CCASEDoc& project) {
        const bool modified = project.IsModified();
        project.SetModifiedFlag(false);
        std::string text = project.StoreText();
        project.SetModifiedFlag(modified);
        return text;
    }
    std::string journalText() { return FileText(journal().FileName()); }
    // Copies the Shape place and pastes it into the class diagram, moved.
    void PastePlace() {
        doc->MarkMasters(false);
        doc->CopyToClipboardFile(model, std::vector<Drawable*>{place});
        model->DeselectAll(nullptr, false);
        ASSERT_TRUE(doc->PasteFromClipboardFile(true, model, CPoint(500, 500)));
    }

    // Toggles the annotation mark of the place master's member (an index
    // below the attribute count names an attribute, else a method) and
    // records it as the annotation pane does.
    void ToggleMember(size_t index) {
        Master& master = *place->master;
        Journal().BeginChange(doc.get(), ChangeKind::Annotation);
        bool on;
        if (index < master.attributes.size()) {
            MasterAttribute* attribute = master.attributes[index].get();
            on = (attribute->mode & ModeAnnotate) == 0;
            master.SetMemberAnnotation(doc.get(), model, place, on, attribute, nullptr, nullptr);
        } else {
            MasterMethod* method = master.methods[index - master.attributes.size()].get();
            on = (method->mode & ModeAnnotate) == 0;
            master.SetMemberAnnotation(doc.get(), model, place, on, nullptr, method, nullptr);
        }
    }
    // Changes the comment of the place's master as its property sheet does,
    // recorded in model (or without one).
    void ChangeComment(Model* in) { ChangeSheet(in, "a new comment", 0); }
    // Applies the place's sheet as the property sheet does: the master's
    // comment (unchanged when null) and the place's flags toggled by flip.
    void ChangeSheet(Model* in, const char* comment, uint32_t flip) {
        Master& master = *place->master;
        std::unique_ptr<ModelObject> previous = master.Clone();
        previous->SetDetached();
        journal().BeginChange(ChangeKind::PropertyChanges);
        if (comment != nullptr)
            master.comment = comment;
        journal().AddChangedObject(&master, std::move(previous));
        if (flip != 0) {
            journal().AddChangedObject(place, nullptr);
            journal().SetSavedFlags(place->placeFlags);
            place->placeFlags ^= flip;
        }
        journal().RecordChange(ChangeKind::PropertyChanges, "Property Changes", in, &master);
    }
    // Records an empty replace under description: a record of known form
    // whose size the description sets.
    void RecordPlain(const std::string& description) {
        journal().BeginChange(ChangeKind::Replace);
        journal().RecordChange(ChangeKind::Replace, description, model, nullptr);
    }

    // Selects exactly the drawables of these ids in the model of that name.
    Model* SelectIn(const char* modelName, const std::vector<const char*>& ids) {
        Model* in = doc->FindModelByName(modelName);
        EXPECT_NE(in, nullptr);
        in->DeselectAll(nullptr, false);
        for (const char* id : ids) {
            auto* drawable = dynamic_cast<Drawable*>(doc->IdMap().Lookup(id));
            EXPECT_NE(drawable, nullptr) << id;
            in->Select(drawable, true, nullptr, false);
        }
        return in;
    }
    using Apply = std::function<void(UndoJournalTest&)>;
    struct Operation {
        const char* name;
        Apply apply;
        Apply prepare = nullptr; // the project's state before, when not the fixture's
    };
    // The editing operations of the model and the document that record a change.
    static std::vector<Operation> OperationCases();
    static void AddJunction(UndoJournalTest& t);
    // Two swimlanes in the Interaction model: "Queue" in the first, "Page"
    // and "Rest" in the model's own list.
    static void LanesAndPlaces(UndoJournalTest& t);
    // Explodes the unused master Loose into a new submodel of the class diagram.
    static void ExplodeLoose(UndoJournalTest& t);
    // What a drag does: moves the drawable, carries it (and the links given)
    // from one group to another (null: the model), refits the groups and
    // records the move.
    static void Drag(UndoJournalTest& t, Model* in, Drawable* drawable, CPoint offset,
                     PlaceGroup* from, PlaceGroup* to, const std::vector<Drawable*>& links = {});
    Drawable* Find(const char* id) { return dynamic_cast<Drawable*>(doc->IdMap().Lookup(id)); }

    // ---- the sequence diagram: the life line of User with two call boxes ----
    SequenceModel* Sequence() {
        return dynamic_cast<SequenceModel*>(doc->FindModelByName("Sequence"));
    }
    ScenarioPlace* User() {
        return dynamic_cast<ScenarioPlace*>(doc->IdMap().Lookup("s-user-000001"));
    }
    // The second life line of the diagram, when there is one.
    ScenarioPlace* Server() {
        for (const auto& drawable : Sequence()->Drawables()) {
            auto* scenario = dynamic_cast<ScenarioPlace*>(drawable.get());
            if (scenario != nullptr && scenario != User())
                return scenario;
        }
        return nullptr;
    }
    Link* Message() {
        for (const auto& drawable : Sequence()->Drawables()) {
            if (auto* link = dynamic_cast<Link*>(drawable.get()))
                return link;
        }
        return nullptr;
    }
    // Adds the life line of Server; with message, also a message from User
    // to Server at y 100 (on User's first box) labelled "1. call()". The
    // journal starts empty.
    static void AddServer(UndoJournalTest& t, bool message);
    // The call-box drags as the editor ends them: box index of User moved
    // by (dx, dy) and dropped on the life line (kept or merged) or off it
    // (deleted with its messages).
    static void DragCallBox(UndoJournalTest& t, int index, CPoint by, bool onLifeLine);

    std::unique_ptr<CCASEDoc> doc;
    Model* model = nullptr;
    Place* place = nullptr;
};

TEST_F(UndoJournalTest, RecordsHoldTheirFormAndOffsetsAndANewRecordCutsTheUndoneOnes) {
    ASSERT_NE(place, nullptr);
    ASSERT_NE(model, nullptr);
    EXPECT_FALSE(journal().CanUndo());
    EXPECT_FALSE(journal().CanRedo());

    ToggleMember(0);
    const std::string first = journalText();
    EXPECT_EQ(first, ";; Annotation:\n(model \"d-class-00001\" \"p-shape-00001\" 0)\n\n");
    ASSERT_EQ(journal().Records().size(), 1u);
    EXPECT_EQ(journal().Records()[0].start, 0u);
    EXPECT_EQ(journal().Records()[0].end, first.size());
    EXPECT_EQ(journal().Records()[0].kind, static_cast<int>(ChangeKind::Annotation));
    EXPECT_EQ(journal().Records()[0].description, "Annotation");
    EXPECT_TRUE(doc->IsModified());

    ToggleMember(2);
    ToggleMember(1);
    ASSERT_EQ(journal().Records().size(), 3u);
    for (size_t i = 1; i < 3; ++i)
        EXPECT_EQ(journal().Records()[i].start, journal().Records()[i - 1].end);

    ASSERT_TRUE(journal().Replay(2, false));
    EXPECT_EQ(journal().Position(), 1);
    EXPECT_TRUE(journal().CanRedo());
    ToggleMember(3);
    EXPECT_EQ(journal().Records().size(), 2u);
    EXPECT_EQ(journal().Position(), 2);
    EXPECT_FALSE(journal().CanRedo());
    const std::string text = journalText();
    EXPECT_EQ(text, first + ";; Annotation:\n(model \"d-class-00001\" \"p-shape-00001\" 3)\n\n");
    EXPECT_EQ(journal().Records()[1].end, text.size());
}

TEST_F(UndoJournalTest, GroupsSetTheirFlagsAndReplayWhole) {
    journal().BeginGroup();
    ToggleMember(0);
    journal().EndGroup();
    EXPECT_EQ(journal().Records()[0].flags, 0);

    const std::string before = Saved(*doc);
    journal().BeginGroup();
    for (size_t member : {1, 2, 3})
        ToggleMember(member);
    journal().EndGroup();
    EXPECT_EQ(journal().GroupStart(), -1);
    std::vector<uint16_t> flags;
    for (const JournalRecord& record : journal().Records())
        flags.push_back(record.flags);
    EXPECT_EQ(flags, (std::vector<uint16_t>{0, 2, 3, 1}));

    const std::string after = Saved(*doc);
    const std::string bytes = journalText();
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(journal().Position(), 1);
    EXPECT_EQ(Saved(*doc), before);
    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_EQ(journal().Position(), 4);
    EXPECT_EQ(Saved(*doc), after);
    EXPECT_EQ(journalText(), bytes);
}

TEST_F(UndoJournalTest, TheSizeQuestionComesOncePerMegabyteAndNeverInsideAGroup) {
    const std::string question = "The undo journal file has exceeded %d MB.\nDo you want to reset "
                                 "it and clear undo history?";
    auto asked = [&](int megabytes) {
        std::string text = question;
        text.replace(text.find("%d"), 2, std::to_string(megabytes));
        return text;
    };
    // The comment line of this record brings the file to exactly 1 MB.
    RecordPlain("x");
    const size_t small = journalText().size();
    RecordPlain(std::string(1048576 - small - (small - 1), 'x'));
    ASSERT_EQ(journalText().size(), 1048576u);

    prompts.asked.clear();
    prompts.Script(PromptAnswer::No);
    RecordPlain("a");
    EXPECT_EQ(prompts.asked, (std::vector<std::string>{asked(1)}));
    RecordPlain("b");
    RecordPlain(std::string(1 << 20, 'y'));
    EXPECT_EQ(prompts.asked.size(), 1u);

    // Past 2 MB, but inside a group: no question.
    journal().BeginGroup();
    RecordPlain("c");
    journal().EndGroup();
    EXPECT_EQ(prompts.asked.size(), 1u);

    prompts.Script(PromptAnswer::Yes);
    RecordPlain("d");
    EXPECT_EQ(prompts.asked.back(), asked(2));
    ASSERT_EQ(journal().Records().size(), 1u);
    EXPECT_EQ(journal().Records()[0].start, 0u);
    EXPECT_EQ(journalText(), ";; d:\n(model \"d-class-00001\")\n\n");
}

// Each operation applied to the project, recorded, undone (the saved text is
// the text before) and redone (the text after).
TEST_F(UndoJournalTest, UndoAndRedoRestoreTheProjectTextOfEveryRecordedOperation) {
    struct Case {
        const char* name;
        std::function<void(UndoJournalTest&)> apply;
    };
    const std::vector<Case> cases = {
        {"annotate an attribute", [](UndoJournalTest& t) { t.ToggleMember(0); }},
        {"annotate a method", [](UndoJournalTest& t) { t.ToggleMember(3); }},
        {"annotate the place",
         [](UndoJournalTest& t) {
             t.place->placeFlags &= ~PfCompartments;
             t.place->master->Mark(0, 1, 0);
             ASSERT_TRUE(t.place->Annotate(t.doc.get(), 0xF));
         }},
        {"replace in a master",
         [](UndoJournalTest& t) {
             Journal().BeginChange(t.doc.get(), ChangeKind::Replace);
             t.place->master->Mark(0, 1, 0);
             ASSERT_GT(t.place->master->ReplaceText(t.doc.get(), "Shape", "Form", ReplaceAndRecord),
                       0);
             Journal().RecordChange(t.doc.get(), ChangeKind::Replace, "Replace All", t.model,
                                    nullptr);
         }},
        {"replace in a link's name",
         [](UndoJournalTest& t) {
             auto* link = dynamic_cast<Link*>(t.Find("l-inherit-001"));
             ASSERT_NE(link, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::Replace);
             ASSERT_GT(link->FindReplaceText(t.doc.get(), "is", "was", RF_REPLACE), 0);
             Journal().RecordChange(t.doc.get(), ChangeKind::Replace, "Replace All", t.model,
                                    nullptr);
         }},
        {"replace in a junction's text",
         [](UndoJournalTest& t) {
             auto* junction = dynamic_cast<Junction*>(t.Find("j-shape-00001"));
             ASSERT_NE(junction, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::Replace);
             ASSERT_GT(junction->FindReplaceText(t.doc.get(), "port", "gate", RF_REPLACE), 0);
             Journal().RecordChange(t.doc.get(), ChangeKind::Replace, "Replace All", t.model,
                                    nullptr);
         }},
        {"change a master's properties", [](UndoJournalTest& t) { t.ChangeComment(t.model); }},
        {"change properties without a model", [](UndoJournalTest& t) { t.ChangeComment(nullptr); }},
        {"change a place's flags alone",
         [](UndoJournalTest& t) { t.ChangeSheet(t.model, nullptr, PfCompartments); }},
        {"change a master and its place's flags",
         [](UndoJournalTest& t) {
             t.ChangeSheet(t.model, "new", PfCompartments | PfInstanceLabel);
         }},
        {"move a model up",
         [](UndoJournalTest& t) {
             Model* previous = t.doc->GetModelAt(t.doc->GetModelIndex(t.model) - 1);
             t.doc->MoveModel(t.model, previous, true);
             t.journal().BeginChange(ChangeKind::MoveModelUp);
             t.journal().RecordChange(ChangeKind::MoveModelUp, "Move Model Up", t.model, nullptr);
         }},
        {"move a model down",
         [](UndoJournalTest& t) {
             Model* next = t.doc->GetModelAt(t.doc->GetModelIndex(t.model) + 2);
             t.doc->MoveModel(t.model, next, false);
             t.journal().BeginChange(ChangeKind::MoveModelDown);
             t.journal().RecordChange(ChangeKind::MoveModelDown, "Move Model Down", t.model,
                                      nullptr);
         }},
    };
    std::vector<Operation> all;
    for (const Case& c : cases)
        all.push_back({c.name, c.apply});
    for (Operation& operation : OperationCases())
        all.push_back(std::move(operation));
    for (size_t i = 0; i < all.size(); ++i) {
        const Operation& c = all[i];
        SCOPED_TRACE(c.name);
        doc = Load(Project());
        model = doc->FindModelByName("Classes");
        place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
        ASSERT_NE(place, nullptr);
        ASSERT_EQ(doc->GetModelIndex(model), 1u);
        if (c.prepare)
            c.prepare(*this);
        const std::string before = Saved(*doc);
        c.apply(*this);
        const std::string after = Saved(*doc);
        EXPECT_NE(before, after);
        EXPECT_EQ(journal().Position(), 1) << testing::PrintToString(prompts.asked);
        if (journal().Position() != 1)
            continue;
        doc->SetModifiedFlag(false);
        EXPECT_TRUE(journal().Replay(1, false)) << testing::PrintToString(prompts.asked);
        EXPECT_EQ(Saved(*doc), before);
        EXPECT_TRUE(doc->IsModified());
        if (i < cases.size() && std::string(c.name) != "change properties without a model") {
            EXPECT_EQ(journal().ModelToShow(), model);
        }
        EXPECT_TRUE(journal().Replay(1, true)) << testing::PrintToString(prompts.asked);
        EXPECT_EQ(Saved(*doc), after);
    }
}

// Gives the Shape place a junction on its right side, outside the journal.
void UndoJournalTest::AddJunction(UndoJournalTest& t) {
    const CRect& at = t.place->bounds;
    ASSERT_NE(t.place->AddJunction(&t.doc->IdMap(), at.right, (at.top + at.bottom) / 2, 400),
              nullptr);
    t.place->UpdateRepaintRect();
    t.journal().Reset();
}

void UndoJournalTest::LanesAndPlaces(UndoJournalTest& t) {
    auto* in = dynamic_cast<CustomModel*>(t.doc->FindModelByName("Interaction"));
    ASSERT_NE(in, nullptr);
    ASSERT_NE(in->CreatePlaceOfTool(t.doc.get(), 10, "Queue", "", CRect(20, 300, 60, 340)),
              nullptr);
    CRect repaint;
    ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 10, repaint), nullptr);
    ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 300, repaint), nullptr);
    ASSERT_NE(in->CreatePlaceOfTool(t.doc.get(), 10, "Page", "", CRect(100, 100, 160, 140)),
              nullptr);
    ASSERT_NE(in->CreatePlaceOfTool(t.doc.get(), 10, "Rest", "", CRect(200, 500, 260, 540)),
              nullptr);
    auto* first = dynamic_cast<PlaceGroup*>(in->FindSwimlane(true));
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->MemberGroup().Members().size(), 1u);
    t.journal().Reset();
}

void UndoJournalTest::ExplodeLoose(UndoJournalTest& t) {
    Master* loose = t.doc->Masters().FindByGuid("m-loose-000001");
    ASSERT_NE(loose, nullptr);
    ASSERT_EQ(loose->refCount, 0);
    Model* made = t.doc->NewModel(MkClass, t.model);
    ASSERT_NE(made, nullptr);
    made->parentMaster = loose;
    loose->submodel = made;
    t.journal().Reset();
}

void UndoJournalTest::Drag(UndoJournalTest& t, Model* in, Drawable* drawable, CPoint offset,
                           PlaceGroup* from, PlaceGroup* to, const std::vector<Drawable*>& links) {
    in->DeselectAll(nullptr, false);
    in->Select(drawable, true, nullptr, false);
    in->MoveDrawables(drawable->Parent(), offset.x, offset.y, false);
    Journal().BeginChange(t.doc.get(), ChangeKind::MoveDrawables);
    Journal().SetSwimlanes(t.doc.get(), from, from != nullptr ? from->bounds : CRect(), to,
                           to != nullptr ? to->bounds : CRect());
    std::vector<Drawable*> carried{drawable};
    carried.insert(carried.end(), links.begin(), links.end());
    CRect area;
    CRect dirty;
    if (from != nullptr) {
        from->SaveBounds();
        for (Drawable* d : carried)
            from->ReleaseMember(in, d, area, dirty);
    }
    if (to != nullptr) {
        to->SaveBounds();
        for (Drawable* d : carried)
            to->AddMember(in, d, area, dirty);
    }
    in->UpdateLinkGeometry(nullptr, dirty, false);
    Journal().AddChangedObject(t.doc.get(), drawable, nullptr);
    Journal().SetOffset(t.doc.get(), offset);
    Journal().RecordChange(t.doc.get(), ChangeKind::MoveDrawables, "Drag Drawables", in, nullptr);
}

void UndoJournalTest::AddServer(UndoJournalTest& t, bool message) {
    SequenceModel* sequence = t.Sequence();
    ASSERT_NE(sequence, nullptr);
    auto* server = dynamic_cast<ScenarioPlace*>(
        sequence->CreatePlaceOfTool(t.doc.get(), 10, "Server", "", CRect(300, 0, 400, 50)));
    ASSERT_NE(server, nullptr);
    if (message) {
        Link* call = sequence->CreateLink(t.doc.get(), 3, "", t.User(), server);
        ASSERT_NE(call, nullptr);
        ASSERT_TRUE(call->SetVertices({CPoint(50, 100), CPoint(350, 100)}));
        call->LayoutName();
        call->LayoutEndLabels();
        call->UpdateRepaintRect();
        server->AddCallBoxAt(350, 100);
        ASSERT_NE(sequence->CreateFloater("1. call()", call, CPoint(200, 100)), nullptr);
    }
    t.journal().Reset();
}

void UndoJournalTest::DragCallBox(UndoJournalTest& t, int index, CPoint by, bool onLifeLine) {
    SequenceModel* sequence = t.Sequence();
    ScenarioPlace* user = t.User();
    const std::vector<CRect> before = user->callBoxes.boxes;
    const CRect start = user->GetCallBox(index);
    ASSERT_FALSE(start.IsRectEmpty());
    Journal().BeginChange(t.doc.get(),
                          onLifeLine ? ChangeKind::DragCallBox : ChangeKind::DeleteCallBox);
    Journal().SetOffset(t.doc.get(), by);
    user->callBoxes.currentIndex = index;
    CRect dirty;
    user->MoveCurrentCallBox(by.x, by.y, dirty);
    const CRect dropped = user->GetCurrentCallBox();
    const int dy = dropped.top - start.top;
    DrawableRefList messages;
    sequence->CollectCallBoxMessages(*user, start, messages);
    if (!onLifeLine) {
        user->RemoveCallBox(index);
        DrawableList taken = sequence->TakeWithAttachments(t.doc.get(), messages, &dirty);
        for (auto& drawable : taken) {
            Journal().AddChangedObject(t.doc.get(), drawable.get(), nullptr);
            Journal().HoldRemovedObject(t.doc.get(), std::move(drawable));
        }
        Journal().SaveDragContext(t.doc.get(), before, user->callBoxes.boxes, user->lifeLinePoint);
        Journal().RecordChange(t.doc.get(), ChangeKind::DeleteCallBox, "Delete Call-box", sequence,
                               user);
        return;
    }
    if (!user->MergeCallBox(dropped, index)) {
        CRect kept = start;
        kept.OffsetRect(0, dy);
        user->callBoxes.boxes[size_t(index)] = kept;
    }
    sequence->MoveMessages(messages, dy, &dirty);
    for (Drawable* drawable : messages)
        Journal().AddChangedObject(t.doc.get(), drawable, nullptr);
    Journal().SaveDragContext(t.doc.get(), before, user->callBoxes.boxes, user->lifeLinePoint);
    Journal().RecordChange(t.doc.get(), ChangeKind::DragCallBox, "Drag Call-box", sequence, user);
}

std::vector<UndoJournalTest::Operation> UndoJournalTest::OperationCases() {
    auto remove = [](ChangeKind kind, std::vector<const char*> ids) {
        return [kind, ids](UndoJournalTest& t) {
            Model* in = t.SelectIn("Classes", ids);
            DrawableList left = in->DeleteDrawables(t.doc.get(), nullptr, kind, false);
            EXPECT_TRUE(left.empty());
        };
    };
    auto turn = [](const char* modelName, const char* id, int code, ChangeKind kind) {
        return [=](UndoJournalTest& t) {
            Model* in = t.SelectIn(modelName, {id});
            CRect repaint;
            in->FlipOrRotate(t.doc.get(), repaint, code, kind, ChangeKindDescription(kind));
        };
    };
    auto order = [](ChangeKind kind, std::vector<const char*> ids) {
        return [kind, ids](UndoJournalTest& t) {
            Model* in = t.SelectIn("Classes", ids);
            CRect repaint;
            in->ChangeOrder(t.doc.get(), repaint, kind, ChangeKindDescription(kind));
        };
    };
    return {
        {"delete a place with its link", remove(ChangeKind::Delete, {"p-circle-0001"})},
        {"delete a link", remove(ChangeKind::Delete, {"l-inherit-001"})},
        {"cut the first drawables", remove(ChangeKind::Cut, {"text-1", "box-1"})},
        {"delete unused masters",
         [](UndoJournalTest& t) {
             t.doc->MarkMasters(false);
             t.doc->Masters().FindByGuid("m-loose-000001")->Mark(1, 1, 0);
             t.doc->Masters().FindByGuid("m-state-000001")->Mark(1, 1, 0);
             EXPECT_EQ(t.doc->DeleteMasters(ChangeKind::Delete, false), 2);
         }},
        {"paste a place", [](UndoJournalTest& t) { t.PastePlace(); }},
        {"create a place of a new master",
         [](UndoJournalTest& t) {
             auto* diagram = dynamic_cast<CustomModel*>(t.model);
             ASSERT_NE(diagram, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::Create);
             Drawable* made = diagram->CreatePlaceOfTool(t.doc.get(), 10, "Fresh", "",
                                                         CRect(500, 500, 600, 560));
             ASSERT_NE(made, nullptr);
             Journal().AddChangedObject(t.doc.get(), dynamic_cast<Place*>(made)->master, nullptr);
             Journal().AddChangedObject(t.doc.get(), made, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::Create, "Create Place", t.model, made);
         }},
        {"move drawables",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"p-circle-0001", "text-1"});
             Journal().BeginChange(t.doc.get(), ChangeKind::MoveDrawables);
             in->MoveDrawables(nullptr, 30, -5, false);
             for (Drawable* drawable : in->Selection())
                 Journal().AddChangedObject(t.doc.get(), drawable, nullptr);
             Journal().SetOffset(t.doc.get(), CPoint(30, -5));
             Journal().RecordChange(t.doc.get(), ChangeKind::MoveDrawables, "Drag Drawables", in,
                                    nullptr);
         },
         [](UndoJournalTest& t) {
             // The link as the model routes it.
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"auto size",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"p-circle-0001", "text-1"});
             CRect repaint;
             in->AutoSize(t.doc.get(), repaint);
         },
         [](UndoJournalTest& t) {
             // The place's label and the link as the model lays them out.
             auto* circle = dynamic_cast<Drawable*>(t.doc->IdMap().Lookup("p-circle-0001"));
             circle->SetBounds(circle->bounds);
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"auto-size a place",
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Drawable*>(t.doc->IdMap().Lookup("p-circle-0001"));
             // The state before, as the view keeps it: the rectangles.
             auto previous = std::make_unique<Drawable>();
             previous->bounds = circle->bounds;
             previous->labelRect = circle->labelRect;
             previous->SetDetached();
             Journal().BeginChange(t.doc.get(), ChangeKind::AutoSizeDrawable);
             CRect repaint;
             t.model->SetDrawableBounds(circle, CRect(300, 200, 380, 240), repaint);
             Journal().AddChangedObject(t.doc.get(), circle, std::move(previous));
             Journal().RecordChange(t.doc.get(), ChangeKind::AutoSizeDrawable, "Auto-size Place",
                                    t.model, circle);
         },
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Drawable*>(t.doc->IdMap().Lookup("p-circle-0001"));
             circle->SetBounds(circle->bounds);
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"drag a knob of a place",
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Drawable*>(t.doc->IdMap().Lookup("p-circle-0001"));
             Journal().BeginChange(t.doc.get(), ChangeKind::Reshape);
             circle->SaveBounds();
             CRect repaint;
             CRect bigger = circle->bounds;
             bigger.right += 40;
             bigger.bottom += 25;
             t.model->SetDrawableBounds(circle, bigger, repaint);
             Journal().AddChangedObject(t.doc.get(), circle, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::Reshape, "Drag Knob", t.model, circle);
         },
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Drawable*>(t.doc->IdMap().Lookup("p-circle-0001"));
             circle->SetBounds(circle->bounds);
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"drag a knob of a place with a junction",
         [](UndoJournalTest& t) {
             Journal().BeginChange(t.doc.get(), ChangeKind::Reshape);
             t.place->SaveBounds();
             CRect repaint;
             t.model->SetDrawableBounds(t.place, CRect(0, 0, 160, 90), repaint);
             Journal().AddChangedObject(t.doc.get(), t.place, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::Reshape, "Drag Knob", t.model,
                                    t.place);
         },
         [](UndoJournalTest& t) {
             t.place->SetBounds(t.place->bounds);
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"drag a link's edge",
         [](UndoJournalTest& t) {
             auto* link = dynamic_cast<Link*>(t.doc->IdMap().Lookup("l-inherit-001"));
             ASSERT_NE(link, nullptr);
             std::vector<CPoint> points;
             link->GetVertices(points);
             ASSERT_GE(points.size(), 2u);
             Journal().BeginChange(t.doc.get(), ChangeKind::Reshape4);
             Journal().AddPoints(t.doc.get(), points);
             link->savedVertexCount = uint8_t(points.size());
             link->savedBounds = link->labelRect;
             Journal().SetSavedFlags(t.doc.get(), uint32_t(link->options));
             // A bend in the middle of the first edge, the label moved along.
             const CPoint bend((points[0].x + points[1].x) / 2 + 30,
                               (points[0].y + points[1].y) / 2 + 30);
             points.insert(points.begin() + 1, bend);
             ASSERT_TRUE(link->SetVertices(points));
             CRect label = link->labelRect;
             label.OffsetRect(30, 30);
             link->SetLabelRect(label);
             Journal().AddChangedObject(t.doc.get(), link, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::Reshape4, "Drag Link Edge", t.model,
                                    link);
         },
         [](UndoJournalTest& t) {
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"drag a junction",
         [](UndoJournalTest& t) {
             Junction* junction = t.place->Junctions().back().get();
             Journal().BeginChange(t.doc.get(), ChangeKind::DragJunction);
             junction->savedBounds.left = junction->point.x;
             junction->savedBounds.top = junction->point.y;
             t.place->currentJunction = junction;
             CRect dirty;
             t.place->MoveCurrentJunction(12, 7, dirty);
             Journal().RecordChange(t.doc.get(), ChangeKind::DragJunction, "Drag Junction", t.model,
                                    junction);
         },
         AddJunction},
        {"add a junction",
         [](UndoJournalTest& t) {
             Journal().BeginChange(t.doc.get(), ChangeKind::AddJunction);
             const CRect& at = t.place->bounds;
             Junction* junction =
                 t.place->AddJunction(&t.doc->IdMap(), at.left, (at.top + at.bottom) / 2, 401);
             ASSERT_NE(junction, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::AddJunction, "Add Junction", t.model,
                                    junction);
         },
         [](UndoJournalTest& t) { t.place->UpdateRepaintRect(); }},
        {"delete a junction",
         [](UndoJournalTest& t) {
             Junction* junction = t.place->Junctions().back().get();
             Journal().BeginChange(t.doc.get(), ChangeKind::DeleteJunction);
             junction->savedBounds.left = junction->point.x;
             junction->savedBounds.top = junction->point.y;
             std::unique_ptr<Junction> taken = t.place->DetachJunction(junction);
             t.place->UpdateRepaintRect();
             Journal().HoldRemovedObject(t.doc.get(), std::move(taken));
             Journal().RecordChange(t.doc.get(), ChangeKind::DeleteJunction, "Delete Junction",
                                    t.model, junction);
         },
         AddJunction},
        {"explode into a new submodel",
         [](UndoJournalTest& t) {
             Master* circle = dynamic_cast<Place*>(t.doc->IdMap().Lookup("p-circle-0001"))->master;
             Model* made = t.doc->NewModel(MkClass, t.model);
             ASSERT_NE(made, nullptr);
             made->parentMaster = circle;
             circle->submodel = made;
             Journal().BeginChange(t.doc.get(), ChangeKind::Explode);
             Journal().RecordChange(t.doc.get(), ChangeKind::Explode, "Explode", made, nullptr);
         }},
        {"explode into an existing model",
         [](UndoJournalTest& t) {
             Master* circle = dynamic_cast<Place*>(t.doc->IdMap().Lookup("p-circle-0001"))->master;
             Model* existing = t.doc->FindModelByName("Use cases");
             ASSERT_NE(existing, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::ExplodeToExisting);
             circle->submodel = existing;
             existing->parentMaster = circle;
             Journal().AddChangedObject(t.doc.get(), circle, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::ExplodeToExisting,
                                    "Explode to Existing", t.model, existing);
         }},
        {"break an explode",
         [](UndoJournalTest& t) {
             Master* shape = t.place->master;
             auto* submodel = dynamic_cast<Model*>(shape->submodel);
             ASSERT_NE(submodel, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::BreakExplode);
             shape->submodel = nullptr;
             shape->submodelRef = ObjectRef();
             submodel->parentMaster = nullptr;
             submodel->parentMasterRef = ObjectRef();
             Journal().AddChangedObject(t.doc.get(), shape, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::BreakExplode, "Break Explode", t.model,
                                    submodel);
         }},
        {"rename a place's own master",
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Place*>(t.doc->IdMap().Lookup("p-circle-0001"));
             Master* own = circle->master;
             Journal().BeginChange(t.doc.get(), ChangeKind::PlaceMasterSwitch);
             ASSERT_EQ(t.doc->RenamePlaceMaster(circle, "Ring", "geo", false), own);
             circle->Relayout();
             circle->UpdateRepaintRect();
             t.journal().SetTexts("Circle", "Ring");
             Journal().AddChangedObject(t.doc.get(), own, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::PlaceMasterSwitch,
                                    "Place Master Switch", t.model, circle);
         },
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Place*>(t.doc->IdMap().Lookup("p-circle-0001"));
             circle->Relayout();
             circle->UpdateRepaintRect();
         }},
        {"new model",
         [](UndoJournalTest& t) {
             Model* made = t.doc->NewModel(MkClass, t.model);
             ASSERT_NE(made, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::NewModel);
             Journal().RecordChange(t.doc.get(), ChangeKind::NewModel, "New Model", made, nullptr);
         }},
        {"text edit",
         [](UndoJournalTest& t) {
             auto* text = dynamic_cast<Drawable*>(t.doc->IdMap().Lookup("text-1"));
             std::unique_ptr<ModelObject> previous = text->Clone();
             ASSERT_NE(previous, nullptr);
             previous->SetDetached();
             Journal().BeginChange(t.doc.get(), ChangeKind::TextEdit);
             CRect rect;
             *text->GetEditableText(rect) = "Goodbye \"world\"";
             Journal().AddChangedObject(t.doc.get(), text, std::move(previous));
             Journal().RecordChange(t.doc.get(), ChangeKind::TextEdit, "Text Edit", t.model, text);
         }},
        {"delete a swimlane between two",
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             auto* first = dynamic_cast<Swimlane*>(in->FindSwimlane(true));
             ASSERT_NE(first, nullptr);
             ASSERT_NE(first->NextLane(), nullptr);
             in->DeselectAll(nullptr, false);
             in->Select(first->NextLane(), true, nullptr, false);
             DrawableList left =
                 in->DeleteDrawables(t.doc.get(), nullptr, ChangeKind::Delete, false);
             EXPECT_TRUE(left.empty());
         },
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             CRect repaint;
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 10, repaint), nullptr);
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 300, repaint), nullptr);
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 500, repaint), nullptr);
             t.journal().Reset();
         }},
        {"swap swimlanes",
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             auto* first = dynamic_cast<Drawable*>(in->FindSwimlane(true));
             ASSERT_NE(first, nullptr);
             auto* second = dynamic_cast<Swimlane*>(first)->NextLane();
             ASSERT_NE(second, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::SwapSwimlanes);
             CRect repaint;
             in->SwapSwimlanes(first, second, repaint);
             Journal().AddChangedObject(t.doc.get(), first, nullptr);
             Journal().AddChangedObject(t.doc.get(), second, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::SwapSwimlanes, "Swap Swimlanes", in,
                                    nullptr);
         },
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             CRect repaint;
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 10, repaint), nullptr);
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 300, repaint), nullptr);
             t.journal().Reset();
         }},
        {"looks change",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"p-circle-0001", "box-1"});
             Journal().BeginChange(t.doc.get(), ChangeKind::LooksChange);
             // Only the fill colour and the height change.
             Looks mask{0, 0, 1, 0, 0, 0, 1, 0};
             Looks looks = in->Selection().front()->looks;
             looks.fillColor = 5;
             looks.height = -20;
             CRect repaint;
             in->ChangeSelectionLooks(mask, looks, repaint, nullptr, false);
             for (Drawable* drawable : in->Selection())
                 Journal().AddChangedObject(t.doc.get(), drawable, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::LooksChange, "Looks Change", in,
                                    nullptr);
         }},
        {"bring to front", order(ChangeKind::BringToFront, {"text-1"})},
        {"send to back", order(ChangeKind::SendToBack, {"l-inherit-001", "p-circle-0001"})},
        {"flip horizontally", turn("Default", "line-1", 0, ChangeKind::FlipHorizontal)},
        {"flip vertically", turn("Default", "line-1", 1, ChangeKind::FlipVertical)},
        {"rotate left", turn("Default", "line-1", 2, ChangeKind::RotateLeft)},
        {"rotate right", turn("Default", "line-1", 3, ChangeKind::RotateRight)},
        {"reposition",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"text-1", "box-1"});
             CRect repaint;
             in->Reposition(t.doc.get(), RmAlignLeft | RmAlignBottom, repaint);
         }},
        {"links looks",
         [](UndoJournalTest& t) { t.model->ChangeLinksLooks(t.doc.get(), MfStepLink, false); },
         [](UndoJournalTest& t) {
             // The fixture's link as the model's link style routes it.
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
         }},
        {"group as primitive",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"text-1", "box-1"});
             CRect repaint;
             EXPECT_NE(in->Group(t.doc.get(), nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                                 ChangeKind::GroupAsPrimitive, "Group as Primitive"),
                       nullptr);
         }},
        {"group as place",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"p-circle-0001", "p-shape-00001"});
             CRect repaint;
             EXPECT_NE(in->Group(t.doc.get(), nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                                 ChangeKind::GroupAsPlace, "Group as Place"),
                       nullptr);
         }},
        {"ungroup",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("States", {"g-1"});
             CRect repaint;
             in->Ungroup(t.doc.get(), repaint, ChangeKind::UngroupPrimitive);
         }},
        {"ungroup a place group with a link on it",
         [](UndoJournalTest& t) {
             CRect repaint;
             t.model->Ungroup(t.doc.get(), repaint, ChangeKind::UngroupPlace);
         },
         [](UndoJournalTest& t) {
             // A place group of the circle, with a link from the shape to it.
             Model* in = t.SelectIn("Classes", {"p-circle-0001"});
             CRect repaint;
             Drawable* group = in->Group(t.doc.get(), nullptr, repaint, true, nullptr, nullptr, 0,
                                         nullptr, ChangeKind::ProjectSaved, "");
             ASSERT_NE(group, nullptr);
             auto* shape = dynamic_cast<NodeDrawable*>(t.doc->IdMap().Lookup("p-shape-00001"));
             auto* made = dynamic_cast<NodeDrawable*>(group);
             ASSERT_NE(made, nullptr);
             auto link = std::make_unique<Link>(&t.doc->IdMap());
             link->Connect(2, nullptr, shape, made, 0);
             in->AddDrawable(std::move(link));
             in->DeselectAll(nullptr, false);
             in->Select(group, true, nullptr, false);
         }},
        // Drags between swimlanes and place groups: the drawables go back to
        // the list they left, at their place there, and the groups get
        // their bounds back.
        {"move a place from one lane to another",
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             auto* first = dynamic_cast<Swimlane*>(in->FindSwimlane(true));
             ASSERT_NE(first, nullptr);
             Drawable* queue = first->MemberGroup().Members().front().get();
             Drag(t, in, queue, CPoint(150, 20), first, first->NextLane());
             EXPECT_EQ(queue->Parent(), &first->NextLane()->MemberGroup());
         },
         LanesAndPlaces},
        {"move a place out of a lane into the model",
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             auto* first = dynamic_cast<Swimlane*>(in->FindSwimlane(true));
             ASSERT_NE(first, nullptr);
             Drawable* queue = first->MemberGroup().Members().front().get();
             Drag(t, in, queue, CPoint(400, 0), first, nullptr);
             EXPECT_EQ(queue->Parent(), nullptr);
         },
         LanesAndPlaces},
        {"move a place from the model into a lane",
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             auto* last = dynamic_cast<Swimlane*>(in->FindSwimlane(false));
             ASSERT_NE(last, nullptr);
             // "Page" stands before "Rest" in the model's list: undo puts it there again.
             Drawable* page = nullptr;
             for (const auto& d : in->Drawables()) {
                 if (d->IsPlace() && !d->IsSwimlane() && page == nullptr)
                     page = d.get();
             }
             ASSERT_NE(page, nullptr);
             ASSERT_NE(page, in->Drawables().back().get());
             Drag(t, in, page, CPoint(10, 10), nullptr, last);
             EXPECT_EQ(page->Parent(), &last->MemberGroup());
         },
         LanesAndPlaces},
        {"move a place out of a place group that refits",
         [](UndoJournalTest& t) {
             auto* group = dynamic_cast<PlaceGroup*>(t.place->Parent()->Parent());
             ASSERT_NE(group, nullptr);
             const CRect before = group->bounds;
             // The link to the place left in the group goes along.
             Drag(t, t.model, t.Find("p-circle-0001"), CPoint(500, 400), group, nullptr,
                  {t.Find("l-inherit-001")});
             EXPECT_NE(group->bounds, before);
             EXPECT_EQ(t.Find("l-inherit-001")->Parent(), nullptr);
         },
         [](UndoJournalTest& t) {
             // The link as the model routes it, then a group that fits
             // itself to its members around both places.
             t.model->ChangeLinksLooks(t.doc.get(), MfCurveLink, true);
             t.model->ChangeLinksLooks(t.doc.get(), 0, true);
             Model* in = t.SelectIn("Classes", {"p-circle-0001", "p-shape-00001"});
             CRect repaint;
             auto* group = dynamic_cast<PlaceGroup*>(in->Group(t.doc.get(), nullptr, repaint, true,
                                                               nullptr, nullptr, 0, nullptr,
                                                               ChangeKind::ProjectSaved, ""));
             ASSERT_NE(group, nullptr);
             group->placeFlags |= PfGroupFits;
             t.journal().Reset();
         }},
        // A master with an exploded submodel: deleted on its own (the
        // submodel stays) and with its submodel (as a model's deletion takes
        // it); undo brings back both and the link between them.
        {"delete a master whose submodel stays",
         [](UndoJournalTest& t) {
             t.doc->MarkMasters(false);
             Master* loose = t.doc->Masters().FindByGuid("m-loose-000001");
             loose->Mark(1, 1, 0);
             Model* submodel = dynamic_cast<Model*>(loose->submodel);
             EXPECT_EQ(t.doc->DeleteMasters(ChangeKind::Delete, false), 1);
             EXPECT_TRUE(t.doc->HasModel(submodel));
         },
         ExplodeLoose},
        {"delete a master with its exploded submodel",
         [](UndoJournalTest& t) {
             Master* loose = t.doc->Masters().FindByGuid("m-loose-000001");
             Model* submodel = dynamic_cast<Model*>(loose->submodel);
             Journal().BeginChange(t.doc.get(), ChangeKind::Delete);
             t.doc->RemoveMaster(loose, t.model, false);
             Journal().RecordChange(t.doc.get(), ChangeKind::Delete, "Delete Masters", nullptr,
                                    nullptr);
             EXPECT_FALSE(t.doc->HasModel(submodel));
         },
         ExplodeLoose},
        {"rename a place to bind it to another existing master",
         [](UndoJournalTest& t) {
             auto* circle = dynamic_cast<Place*>(t.Find("p-circle-0001"));
             Master* own = circle->master;
             Master* ring = t.doc->Masters().FindMaster(own->Kind(), "Ring", "geo");
             ASSERT_NE(ring, nullptr);
             Journal().BeginChange(t.doc.get(), ChangeKind::PlaceMasterSwitch);
             ASSERT_EQ(t.doc->RenamePlaceMaster(circle, "Ring", "geo", false), ring);
             circle->master = ring;
             circle->Relayout();
             circle->UpdateRepaintRect();
             t.journal().SetTexts("Circle", "Ring");
             Journal().AddChangedObject(t.doc.get(), own, nullptr);
             Journal().AddChangedObject(t.doc.get(), ring, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::PlaceMasterSwitch,
                                    "Place Master Switch", t.model, circle);
             EXPECT_EQ(own->refCount, 0);
             EXPECT_EQ(ring->refCount, 2);
         },
         [](UndoJournalTest& t) {
             // A second master of the circle's kind and namespace, shown by a place.
             auto* diagram = dynamic_cast<CustomModel*>(t.model);
             ASSERT_NE(diagram->CreatePlaceOfTool(t.doc.get(), 10, "Ring", "geo",
                                                  CRect(600, 600, 660, 640)),
                       nullptr);
             auto* circle = dynamic_cast<Place*>(t.Find("p-circle-0001"));
             circle->Relayout();
             circle->UpdateRepaintRect();
             t.journal().Reset();
         }},
        {"group as place with the unused master an ungroup left",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"p-shape-00001"});
             CRect repaint;
             auto* group = dynamic_cast<Place*>(
                 in->Group(t.doc.get(), nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                           ChangeKind::GroupAsPlace, "Group as Place"));
             ASSERT_NE(group, nullptr);
             EXPECT_EQ(group->master->refCount, 1);
         },
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"p-circle-0001"});
             CRect repaint;
             ASSERT_NE(in->Group(t.doc.get(), nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                                 ChangeKind::GroupAsPlace, "Group as Place"),
                       nullptr);
             in->Ungroup(t.doc.get(), repaint, ChangeKind::UngroupPlace);
             t.journal().Reset();
         }},
        {"create a swimlane between two",
         [](UndoJournalTest& t) {
             Model* in = t.doc->FindModelByName("Interaction");
             CRect repaint;
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 130, repaint), nullptr);
         },
         [](UndoJournalTest& t) {
             t.model->DeselectAll(nullptr, false);
             Model* in = t.doc->FindModelByName("Interaction");
             CRect repaint;
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 10, repaint), nullptr);
             ASSERT_NE(in->CreateSwimlane(t.doc.get(), nullptr, 300, repaint), nullptr);
             t.journal().Reset();
         }},
        {"create a message between two life lines",
         [](UndoJournalTest& t) {
             Journal().BeginChange(t.doc.get(), ChangeKind::Create);
             Link* call = t.Sequence()->CreateLink(t.doc.get(), 3, "", t.User(), t.Server());
             ASSERT_NE(call, nullptr);
             // The message goes below the boxes there are: each end gets a
             // new box, as the message's insertion in time order gives it.
             ASSERT_TRUE(call->SetVertices({CPoint(50, 480), CPoint(350, 480)}));
             call->LayoutEndLabels();
             call->UpdateRepaintRect();
             t.User()->AddCallBoxAt(50, 480);
             t.Server()->AddCallBoxAt(350, 480);
             Journal().SaveLinkEnds(t.doc.get(), call, 0x3, true);
             Journal().AddChangedObject(t.doc.get(), call, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::Create, "Create Link", t.Sequence(),
                                    call);
         },
         [](UndoJournalTest& t) { AddServer(t, false); }},
        {"resize a call box",
         [](UndoJournalTest& t) {
             ScenarioPlace* user = t.User();
             const std::vector<CRect> before = user->callBoxes.boxes;
             Journal().BeginChange(t.doc.get(), ChangeKind::ResizeCallBox);
             Journal().SetOffset(t.doc.get(), CPoint(0, 30));
             user->callBoxes.boxes[1].bottom += 30;
             Journal().SaveDragContext(t.doc.get(), before, user->callBoxes.boxes,
                                       user->lifeLinePoint);
             Journal().RecordChange(t.doc.get(), ChangeKind::ResizeCallBox, "Resize Call-box",
                                    t.Sequence(), user);
         },
         [](UndoJournalTest& t) { AddServer(t, true); }},
        {"drag a call box with its message",
         [](UndoJournalTest& t) { DragCallBox(t, 0, CPoint(3, 20), true); },
         [](UndoJournalTest& t) { AddServer(t, true); }},
        {"drag a call box into its neighbour",
         [](UndoJournalTest& t) { DragCallBox(t, 1, CPoint(0, -50), true); },
         [](UndoJournalTest& t) { AddServer(t, true); }},
        {"delete a call box with its message",
         [](UndoJournalTest& t) { DragCallBox(t, 0, CPoint(60, 0), false); },
         [](UndoJournalTest& t) { AddServer(t, true); }},
        {"delete the last call box of a life line",
         [](UndoJournalTest& t) { DragCallBox(t, 0, CPoint(60, 0), false); },
         [](UndoJournalTest& t) {
             t.User()->RemoveCallBox(1);
             t.journal().Reset();
         }},
        {"drag a message in a sequence diagram",
         [](UndoJournalTest& t) {
             Link* call = t.Message();
             ASSERT_NE(call, nullptr);
             std::vector<CPoint> points;
             call->GetVertices(points);
             Journal().BeginChange(t.doc.get(), ChangeKind::Reshape4);
             Journal().SaveLinkEnds(t.doc.get(), call, 0x3, false);
             Journal().AddPoints(t.doc.get(), points);
             call->savedVertexCount = uint8_t(points.size());
             call->savedBounds = call->labelRect;
             Journal().SetSavedFlags(t.doc.get(), uint32_t(call->options));
             // Below every call box: both ends get a new one, as the
             // message's ends are attached again.
             for (CPoint& point : points)
                 point.y = 300;
             ASSERT_TRUE(call->SetVertices(points));
             call->LayoutEndLabels();
             call->UpdateRepaintRect();
             t.User()->AddCallBoxAt(50, 300);
             t.Server()->AddCallBoxAt(350, 300);
             Journal().SaveLinkEnds(t.doc.get(), call, 0x3, true);
             Journal().AddChangedObject(t.doc.get(), call, nullptr);
             Journal().RecordChange(t.doc.get(), ChangeKind::Reshape4, "Drag Link Edge",
                                    t.Sequence(), call);
         },
         [](UndoJournalTest& t) { AddServer(t, true); }},
        {"delete a junction with its link",
         [](UndoJournalTest& t) {
             Junction* junction = t.place->Junctions().back().get();
             Journal().BeginChange(t.doc.get(), ChangeKind::DeleteJunction);
             junction->savedBounds.left = junction->point.x;
             junction->savedBounds.top = junction->point.y;
             DrawableRefList links;
             for (const auto& drawable : t.model->Drawables()) {
                 auto* link = dynamic_cast<Link*>(drawable.get());
                 if (link != nullptr &&
                     (link->GetSource() == junction || link->GetTarget() == junction))
                     links.push_back(link);
             }
             ASSERT_EQ(links.size(), 1u);
             Journal().HoldRemovedObject(t.doc.get(), t.place->DetachJunction(junction));
             t.place->UpdateRepaintRect();
             CRect dirty;
             DrawableList taken = t.model->TakeWithAttachments(t.doc.get(), links, &dirty);
             for (auto& drawable : taken) {
                 Journal().AddChangedObject(t.doc.get(), drawable.get(), nullptr);
                 Journal().HoldRemovedObject(t.doc.get(), std::move(drawable));
             }
             Journal().RecordChange(t.doc.get(), ChangeKind::DeleteJunction, "Delete Junction",
                                    t.model, junction);
         },
         [](UndoJournalTest& t) {
             AddJunction(t);
             auto* circle = dynamic_cast<NodeDrawable*>(t.doc->IdMap().Lookup("p-circle-0001"));
             ASSERT_NE(
                 dynamic_cast<CustomModel*>(t.model)->CreateLink(
                     t.doc.get(), 3, "to the port", circle, t.place->Junctions().back().get()),
                 nullptr);
             t.journal().Reset();
         }},
    };
}

// Renaming a place whose master another place shares, to a name no master
// has, binds it to a master made for that name: undo takes the made master
// away again (the project reads as before) and redo brings it back under
// its id. A name another master has makes none, and undo leaves that one.
TEST_F(UndoJournalTest, AMasterSwitchUndoTakesAwayOnlyTheMasterItMade) {
    struct Case {
        const char* text;
        bool made;
    };
    for (const Case& c : {Case{"Hoop", true}, Case{"Ring", false}}) {
        SCOPED_TRACE(c.text);
        doc = Load(Project());
        model = doc->FindModelByName("Classes");
        auto* diagram = dynamic_cast<CustomModel*>(model);
        ASSERT_NE(diagram, nullptr);
        ASSERT_NE(
            diagram->CreatePlaceOfTool(doc.get(), 10, "Circle", "geo", CRect(600, 600, 660, 640)),
            nullptr);
        ASSERT_NE(
            diagram->CreatePlaceOfTool(doc.get(), 10, "Ring", "geo", CRect(700, 600, 760, 640)),
            nullptr);
        auto* circle = dynamic_cast<Place*>(Find("p-circle-0001"));
        ASSERT_NE(circle, nullptr);
        Master* own = circle->master;
        ASSERT_EQ(own->refCount, 2);
        circle->Relayout();
        circle->UpdateRepaintRect();
        journal().Reset();
        const size_t masters = doc->Masters().Count();
        const std::string before = Saved(*doc);

        journal().BeginChange(ChangeKind::PlaceMasterSwitch);
        Master* switched = doc->RenamePlaceMaster(circle, c.text, "geo", false);
        ASSERT_NE(switched, own);
        circle->master = switched;
        circle->Relayout();
        circle->UpdateRepaintRect();
        journal().SetTexts("Circle", c.text);
        journal().AddChangedObject(own, nullptr);
        journal().AddChangedObject(switched, nullptr);
        journal().RecordChange(ChangeKind::PlaceMasterSwitch, "Place Master Switch", model, circle);
        ASSERT_EQ(doc->Masters().Count(), masters + (c.made ? 1 : 0));
        const std::string id = switched->Id().Text();
        const std::string after = Saved(*doc);

        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(journal().Replay(1, false)) << testing::PrintToString(prompts.asked);
            EXPECT_EQ(Saved(*doc), before);
            EXPECT_EQ(circle->master, own);
            EXPECT_EQ(doc->Masters().FindByGuid(id.c_str()) == nullptr, c.made);
            if (round == 1)
                break;
            ASSERT_TRUE(journal().Replay(1, true)) << testing::PrintToString(prompts.asked);
            EXPECT_EQ(Saved(*doc), after);
            ASSERT_NE(circle->master, nullptr);
            EXPECT_EQ(circle->master->Id().Text(), id);
            EXPECT_EQ(circle->master->refCount, c.made ? 1 : 2);
        }
    }
}

// A group as place counts one use of its master, so that once ungrouped the
// master is unused and can be deleted; a file that counted two reads as one.
TEST_F(UndoJournalTest, GroupAsPlaceCountsItsMasterOnce) {
    Model* in = SelectIn("Classes", {"p-circle-0001"});
    CRect repaint;
    auto* group =
        dynamic_cast<Place*>(in->Group(doc.get(), nullptr, repaint, true, nullptr, nullptr, 0,
                                       nullptr, ChangeKind::GroupAsPlace, "Group as Place"));
    ASSERT_NE(group, nullptr);
    Master* master = group->master;
    ASSERT_NE(master, nullptr);
    const std::string id = master->Id().Text();
    EXPECT_EQ(master->refCount, 1);
    master->refCount = 2;
    std::unique_ptr<CCASEDoc> reread = Load(Saved(*doc));
    ASSERT_NE(reread, nullptr);
    ASSERT_NE(reread->Masters().FindByGuid(id.c_str()), nullptr);
    EXPECT_EQ(reread->Masters().FindByGuid(id.c_str())->refCount, 1);
    master->refCount = 1;

    in->DeselectAll(nullptr, false);
    in->Select(group, true, nullptr, false);
    in->Ungroup(doc.get(), repaint, ChangeKind::UngroupPlace);
    EXPECT_EQ(master->refCount, 0);
    doc->MarkMasters(false);
    master->Mark(1, 1, 0);
    EXPECT_EQ(doc->DeleteMasters(ChangeKind::Delete, false), 1);
    EXPECT_EQ(doc->Masters().FindByGuid(id.c_str()), nullptr);
    // Undo brings the master back unused, then the group that uses it once.
    ASSERT_TRUE(journal().Replay(2, false));
    master = doc->Masters().FindByGuid(id.c_str());
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->refCount, 1);
    ASSERT_TRUE(journal().Replay(2, true));
    EXPECT_EQ(doc->Masters().FindByGuid(id.c_str()), nullptr);
}

// A created place: the comment line, the form headed by the model and its
// id with the ids of what was made, the objects whole, and an empty line.
TEST_F(UndoJournalTest, ACreateRecordHoldsTheNewObjectsWhole) {
    auto* diagram = dynamic_cast<CustomModel*>(model);
    ASSERT_NE(diagram, nullptr);
    Journal().BeginChange(doc.get(), ChangeKind::Create);
    Drawable* made = diagram->CreatePlaceOfTool(doc.get(), 10, "Fresh", "", CRect(5, 5, 60, 40));
    ASSERT_NE(made, nullptr);
    Master* master = dynamic_cast<Place*>(made)->master;
    Journal().AddChangedObject(doc.get(), master, nullptr);
    Journal().AddChangedObject(doc.get(), made, nullptr);
    Journal().RecordChange(doc.get(), ChangeKind::Create, "Create Place", model, made);
    const std::string text = journalText();
    // Ids are written as the printer quotes them (they may hold quotes).
    auto quoted = [](const char* id) { return kest::prettystring(kest::mkstr(id)); };
    const std::string head = ";; Create Place:\n((model \"d-class-00001\" (model) (master " +
                             quoted(master->Id().Text()) + ") \n        (drawable " +
                             quoted(made->Id().Text()) + ")";
    EXPECT_EQ(text.rfind(head, 0), 0u) << text;
    // One place shows the new master: its use count is 1.
    EXPECT_NE(text.find("((master " + quoted(master->Id().Text()) + " 1 3 \"Fresh\""),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 3), ")\n\n");
    EXPECT_EQ(journal().Records()[0].end, text.size());
}

// A move names the swimlanes it left and entered, each with the rectangle
// saved for it and its bounds after the move; a move inside the model names
// none and holds no rectangles.
TEST_F(UndoJournalTest, AMoveRecordNamesTheSwimlanesLeftAndEntered) {
    LanesAndPlaces(*this);
    Model* in = doc->FindModelByName("Interaction");
    auto* first = dynamic_cast<Swimlane*>(in->FindSwimlane(true));
    ASSERT_NE(first, nullptr);
    Swimlane* second = first->NextLane();
    ASSERT_NE(second, nullptr);
    Drawable* queue = first->MemberGroup().Members().front().get();
    Drag(*this, in, queue, CPoint(150, 20), first, second);
    auto quoted = [](const Drawable* d) { return kest::prettystring(kest::mkstr(d->Id().Text())); };
    auto rect = [](const CRect& r) {
        return "(" + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
               std::to_string(r.right) + " " + std::to_string(r.bottom) + ")";
    };
    // The printer may break lines between elements: compare with single spaces.
    auto squeeze = [](std::string text) {
        for (size_t at; (at = text.find("\n")) != std::string::npos;)
            text.replace(at, 1, " ");
        for (size_t at; (at = text.find("  ")) != std::string::npos;)
            text.erase(at, 1);
        return text;
    };
    const std::string text = squeeze(journalText());
    const std::string lanes = "(150 20) (" + quoted(first) + " " + rect(first->bounds) + " " +
                              rect(first->bounds) + ") (" + quoted(second) + " " +
                              rect(second->bounds) + " " + rect(second->bounds) + ")";
    EXPECT_NE(text.find(squeeze(lanes)), std::string::npos) << text;
    EXPECT_NE(text.find(squeeze("(transferred " + quoted(queue) + " 0)")), std::string::npos)
        << text;

    journal().Reset();
    SelectIn("Classes", {"text-1"});
    Drag(*this, model, Find("text-1"), CPoint(5, 5), nullptr, nullptr);
    EXPECT_EQ(journalText(), ";; Drag Drawables:\n(model \"d-class-00001\" (5 5) (\"\" nil nil) "
                             "(\"\" nil nil) (drawable \"text-1\"))\n\n");
}

// A damaged move record that would put a swimlane into its own members
// fails and changes nothing.
TEST_F(UndoJournalTest, AMoveRecordThatPutsAGroupIntoItselfFails) {
    LanesAndPlaces(*this);
    Model* in = doc->FindModelByName("Interaction");
    auto* first = dynamic_cast<Swimlane*>(in->FindSwimlane(true));
    ASSERT_NE(first, nullptr);
    Drawable* queue = first->MemberGroup().Members().front().get();
    Drag(*this, in, queue, CPoint(400, 0), first, nullptr);
    // The lane left stands where the drawable that changed lists should.
    const auto quoted = [](const Drawable* d) {
        return kest::prettystring(kest::mkstr(d->Id().Text()));
    };
    std::string text = journalText();
    const std::string was = "(transferred " + quoted(queue);
    const size_t at = text.find(was);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, was.size(), "(transferred " + quoted(first));
    // The record keeps its length: the comment line takes up the difference
    // of the two ids' printed lengths.
    const size_t size = journalText().size();
    if (text.size() < size)
        text.insert(text.find('\n'), size - text.size(), ' ');
    else
        text.erase(3, text.size() - size);
    ASSERT_EQ(text.size(), size);
    int fd = ::open(journal().FileName().c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, text.data(), text.size(), 0), ssize_t(text.size()));
    ::close(fd);

    const std::string saved = Saved(*doc);
    prompts.asked.clear();
    EXPECT_FALSE(journal().Replay(1, false));
    EXPECT_EQ(prompts.asked, (std::vector<std::string>{"The undo journal record cannot be read"}));
    EXPECT_EQ(Saved(*doc), saved);
    EXPECT_EQ(journal().Position(), 1);
}

// A call-box record names the place and keeps its boxes before and after
// the drag with the life line's point; a life line left without boxes is
// written apart from a part the record does not keep.
TEST_F(UndoJournalTest, ACallBoxRecordKeepsTheBoxesBeforeAndAfter) {
    auto flat = [](std::string text) {
        std::string out;
        for (char c : text) {
            if (c == '\n' || (c == ' ' && !out.empty() && (out.back() == ' ' || out.back() == '(')))
                continue;
            out += c;
        }
        return out;
    };
    AddServer(*this, true);
    const std::string message = kest::prettystring(kest::mkstr(Message()->Id().Text()));
    DragCallBox(*this, 0, CPoint(3, 20), true);
    EXPECT_NE(flat(journalText())
                  .find("(model \"d-seq-0000001\" (3 20) \"s-user-000001\" "
                        "(((46 62 54 162) (46 194 54 220)) (50 450) "
                        "((46 82 54 182) (46 194 54 220)) (50 450)) (drawable " +
                        message + "))"),
              std::string::npos)
        << journalText();
    // The box kept its x; its message moved down with it.
    EXPECT_EQ(User()->GetCallBox(0), CRect(46, 82, 54, 182));
    EXPECT_EQ(Message()->Vertices().front(), CPoint(50, 120));

    doc = Load(Project());
    User()->RemoveCallBox(1);
    journal().Reset();
    DragCallBox(*this, 0, CPoint(60, 0), false);
    EXPECT_NE(flat(journalText()).find("(((46 62 54 162)) (50 450) none (50 450)) (drawable) nil"),
              std::string::npos)
        << journalText();
}

TEST_F(UndoJournalTest, PasteKeepsItsIdsAcrossUndoAndRedo) {
    PastePlace();
    std::vector<std::string> ids;
    for (Drawable* drawable : model->Selection())
        ids.emplace_back(drawable->Id().Text());
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_NE(ids[0], "p-shape-00001");
    ASSERT_EQ(journal().Records().back().description, "Paste");
    const std::string after = Saved(*doc);

    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(doc->IdMap().Lookup(ids[0].c_str()), nullptr);
    ASSERT_TRUE(journal().Replay(1, true));
    auto* back = dynamic_cast<Drawable*>(doc->IdMap().Lookup(ids[0].c_str()));
    ASSERT_NE(back, nullptr);
    EXPECT_NE(FindIn(model->Drawables(), back), model->Drawables().end());
    EXPECT_EQ(journal().ToSelect(), std::vector<Drawable*>{back});
    EXPECT_EQ(Saved(*doc), after);
    // Twice more: the ids hold on every round.
    ASSERT_TRUE(journal().Replay(1, false));
    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_NE(doc->IdMap().Lookup(ids[0].c_str()), nullptr);
    EXPECT_EQ(Saved(*doc), after);
}

// The record keeps the operation's code; undo turns the other way.
TEST_F(UndoJournalTest, FlipAndRotateRecordTheirCodeAndUndoTurnsBack) {
    Model* in = SelectIn("Default", {"line-1"});
    auto* line = dynamic_cast<Drawable*>(doc->IdMap().Lookup("line-1"));
    ASSERT_NE(line, nullptr);
    std::vector<CPoint> start;
    line->GetVertices(start);
    CRect repaint;
    in->FlipOrRotate(doc.get(), repaint, 2, ChangeKind::RotateLeft, "Rotate Left");
    EXPECT_EQ(journalText(),
              ";; Rotate Left:\n(model \"d-default-0001\" 2 (drawable \"line-1\"))\n\n");
    std::vector<CPoint> turned;
    line->GetVertices(turned);
    ASSERT_NE(turned, start);
    ASSERT_TRUE(journal().Replay(1, false));
    std::vector<CPoint> back;
    line->GetVertices(back);
    EXPECT_EQ(back, start);
    // A second turn of the other way, undone, comes back to the first.
    ASSERT_TRUE(journal().Replay(1, true));
    SelectIn("Default", {"line-1"});
    in->FlipOrRotate(doc.get(), repaint, 3, ChangeKind::RotateRight, "Rotate Right");
    line->GetVertices(back);
    EXPECT_EQ(back, start);
    ASSERT_TRUE(journal().Replay(1, false));
    line->GetVertices(back);
    EXPECT_EQ(back, turned);
}

// Renumbering by picks: a numbered message, an unnumbered one and one picked
// twice all come back to their texts.
TEST_F(UndoJournalTest, RenumberMessagesUndoesAndRedoesEveryPick) {
    auto* diagram_ = dynamic_cast<CustomModel*>(model);
    ASSERT_NE(diagram_, nullptr);
    CustomModel& diagram = *diagram_;
    diagram.SetDocument(doc.get());
    auto* link = dynamic_cast<Link*>(doc->IdMap().Lookup("l-inherit-001"));
    ASSERT_NE(link, nullptr);
    Floater* first = diagram.CreateFloater("7. a()", link, CPoint(200, 100));
    Floater* second = diagram.CreateFloater("c()", link, CPoint(250, 150));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    // Labels fit their texts, as renumbering measures them.
    for (Floater* floater : {first, second})
        floater->MeasureLabel(doc.get(), diagram.zoom);
    const std::string before = Saved(*doc);

    CRect rect;
    diagram.ToggleRenumberMessages();
    EXPECT_TRUE(diagram.PickMessage(first, false, rect));
    EXPECT_TRUE(diagram.PickMessage(second, false, rect));
    EXPECT_TRUE(diagram.PickMessage(first, false, rect));
    diagram.ToggleRenumberMessages();
    ASSERT_EQ(journal().Position(), 1);
    EXPECT_EQ(journal().Records()[0].description, "Renumber Messages");
    const std::string after = Saved(*doc);
    ASSERT_NE(before, after);

    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(first->text, "7. a()");
    EXPECT_EQ(Saved(*doc), before);
    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_EQ(Saved(*doc), after);
    EXPECT_EQ(journal().ToSelect().size(), 3u);
}

TEST_F(UndoJournalTest, ProjectSavedWritesNothing) {
    ToggleMember(0);
    const std::string bytes = journalText();
    ASSERT_TRUE(doc->OnSaveDocument(scratch / "saved.pro"));
    EXPECT_EQ(journalText(), bytes);
    EXPECT_EQ(journal().Records().size(), 1u);
    EXPECT_FALSE(doc->IsModified());
}

// A record ends the change it was prepared for: a later record made without
// a BeginChange of its own (the save's marker) reads none of its objects,
// which an undo or redo in between has freed and re-created. The events hold
// the objects a change and a replay name by id, so a replay that takes them
// away leaves nothing for the events to read.
TEST_F(UndoJournalTest, ARecordAfterAnUndoOrRedoReadsNoObjectOfAnEarlierChange) {
    auto* diagram = dynamic_cast<CustomModel*>(model);
    ASSERT_NE(diagram, nullptr);
    const std::string path = scratch / "saved.pro";
    for (const bool redo : {false, true}) {
        SCOPED_TRACE(redo ? "create, undo, redo, save" : "create, undo, save");
        journal().Reset();
        const std::string before = Saved(*doc);
        Journal().BeginChange(doc.get(), ChangeKind::Create);
        Drawable* made =
            diagram->CreatePlaceOfTool(doc.get(), 10, "Fresh", "", CRect(5, 5, 60, 40));
        ASSERT_NE(made, nullptr);
        Journal().AddChangedObject(doc.get(), dynamic_cast<Place*>(made)->master, nullptr);
        Journal().AddChangedObject(doc.get(), made, nullptr);
        Journal().RecordChange(doc.get(), ChangeKind::Create, "Create Place", model, made);
        const std::string after = Saved(*doc);
        ASSERT_TRUE(journal().Replay(1, false));
        if (redo) {
            ASSERT_TRUE(journal().Replay(1, true));
        }
        ASSERT_TRUE(doc->OnSaveDocument(path));
        // The header's repository line holds the modified flag of the save.
        auto body = [](const std::string& text) { return text.substr(text.find("(notation")); };
        EXPECT_EQ(body(ReadWholeFile(path, 1 << 24).value_or("(notation")),
                  body(redo ? after : before));
        if (redo) {
            ASSERT_TRUE(journal().Replay(1, false));
        }
    }
}

// A pasted master that names a master of the same name already there binds
// the pasted places to that master while the paste is read, and no longer:
// once undo has taken that master away, pasting the same copy again makes
// its master afresh instead of binding to the freed one.
TEST_F(UndoJournalTest, APasteBindsToAMasterOfTheSameNameOnlyWhileItIsRead) {
    auto* diagram = dynamic_cast<CustomModel*>(model);
    ASSERT_NE(diagram, nullptr);
    auto create = [&] {
        Journal().BeginChange(doc.get(), ChangeKind::Create);
        Drawable* made =
            diagram->CreatePlaceOfTool(doc.get(), 10, "Fresh", "", CRect(5, 5, 60, 40));
        Journal().AddChangedObject(doc.get(), dynamic_cast<Place*>(made)->master, nullptr);
        Journal().AddChangedObject(doc.get(), made, nullptr);
        Journal().RecordChange(doc.get(), ChangeKind::Create, "Create Place", model, made);
        return made;
    };
    journal().Reset();
    const std::string before = Saved(*doc);
    // The copy names the first "Fresh" master, which undo then frees.
    Drawable* first = create();
    model->DeselectAll(nullptr, false);
    model->Select(first, true, nullptr, false);
    model->CopySelection(doc.get(), false);
    ASSERT_TRUE(journal().Replay(1, false));
    // A second "Fresh" master under another id: the paste binds to it.
    Drawable* second = create();
    const std::string secondMaster = dynamic_cast<Place*>(second)->master->Id().Text();
    model->DeselectAll(nullptr, false);
    ASSERT_TRUE(doc->PasteFromClipboardFile(true, model, CPoint(500, 500)));
    // Undo the paste and the second master's creation: that master goes.
    ASSERT_TRUE(journal().Replay(2, false));
    ASSERT_EQ(doc->ProjectMap()->Lookup(secondMaster.c_str()), nullptr);
    EXPECT_EQ(Saved(*doc), before);
    // The same copy pasted again makes its own master.
    model->DeselectAll(nullptr, false);
    ASSERT_TRUE(doc->PasteFromClipboardFile(true, model, CPoint(500, 500)));
    const Place* pasted = nullptr;
    for (const auto& drawable : model->Drawables())
        if (auto* p = dynamic_cast<const Place*>(drawable.get());
            p && p->master && p->master->name == "Fresh")
            pasted = p;
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(doc->Masters().FindByGuid(pasted->master->Id().Text()), pasted->master);
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(Saved(*doc), before);
}

// A lane copied from the middle of a chain and pasted keeps no link to the
// lanes it was copied beside, which do not link back to it: the chain stays
// as it was, and undoing and redoing the paste gives back the text of the
// project before and after it.
TEST_F(UndoJournalTest, APastedLaneKeepsOnlyLinksItsNeighboursHoldToo) {
    auto* in = dynamic_cast<CustomModel*>(doc->FindModelByName("Interaction"));
    ASSERT_NE(in, nullptr);
    CRect repaint;
    auto* first = dynamic_cast<Swimlane*>(in->CreateSwimlane(doc.get(), nullptr, 10, repaint));
    auto* second = dynamic_cast<Swimlane*>(in->CreateSwimlane(doc.get(), nullptr, 300, repaint));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(first->NextLane(), second);
    in->DeselectAll(nullptr, false);
    in->Select(second, true, nullptr, false);
    in->CopySelection(doc.get(), false);
    journal().Reset();
    const std::string before = Saved(*doc);
    in->DeselectAll(nullptr, false);
    ASSERT_TRUE(doc->PasteFromClipboardFile(true, in, CPoint(0, 0)));
    Swimlane* pasted = nullptr;
    for (const auto& drawable : in->Drawables())
        if (auto* lane = dynamic_cast<Swimlane*>(drawable.get());
            lane != nullptr && lane->IsSwimlane() && lane != first && lane != second)
            pasted = lane;
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->PreviousLane(), nullptr);
    EXPECT_EQ(pasted->NextLane(), nullptr);
    EXPECT_EQ(first->NextLane(), second);
    EXPECT_EQ(second->PreviousLane(), first);
    const std::string after = Saved(*doc);
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_EQ(Saved(*doc), before);
    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_EQ(Saved(*doc), after);
}

TEST_F(UndoJournalTest, AChangeInAToolModelMarksTheTemplateNotTheDocument) {
    ASSERT_NE(doc->Template(), nullptr);
    ToolModel* tool = doc->FindTool(10);
    ASSERT_NE(tool, nullptr);
    doc->SetModifiedFlag(false);
    doc->Template()->modified = false;
    journal().BeginChange(ChangeKind::Replace);
    journal().RecordChange(ChangeKind::Replace, "Replace", tool, nullptr);
    EXPECT_TRUE(doc->Template()->modified);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(journalText().rfind(";; Replace:\n(toolModel ", 0), 0u);
}

// A new tool model: undo hides the tool, redo shows it again; the record
// names the tool model only.
TEST_F(UndoJournalTest, ANewToolModelIsHiddenByUndoAndShownByRedo) {
    ASSERT_NE(doc->Template(), nullptr);
    bool enlarge = false;
    ToolModel* tool =
        doc->Template()->AddTool(std::make_unique<ToolModel>(doc->TemplateMap()), enlarge);
    ASSERT_NE(tool, nullptr);
    journal().BeginChange(ChangeKind::NewToolModel);
    journal().RecordChange(ChangeKind::NewToolModel, "New Tool Model", tool, nullptr);
    // The head and the tool model's id string (its characters escaped), nothing else.
    const std::string text = journalText();
    EXPECT_EQ(text.rfind(";; New Tool Model:\n(toolModel \"", 0), 0u) << text;
    EXPECT_TRUE(text.size() > 4 && text.compare(text.size() - 4, 4, "\")\n\n") == 0) << text;
    EXPECT_EQ(journal().Records().size(), 1u);
    ASSERT_TRUE(journal().Replay(1, false));
    EXPECT_TRUE(tool->IsHidden());
    ASSERT_TRUE(journal().Replay(1, true));
    EXPECT_FALSE(tool->IsHidden());
}

// A record whose target is gone fails with the message and counts as
// replayed; one that does not read changes nothing at all.
TEST_F(UndoJournalTest, FailedUndoShowsWhyAndLeavesTheProjectAsItWas) {
    struct Case {
        const char* name;
        std::function<void(UndoJournalTest&)> record;
        const char* message;
        int32_t position; // after the failed undo
    };
    const std::vector<Case> cases = {
        {"model deleted afterwards",
         [](UndoJournalTest& t) {
             Model gone;
             t.journal().BeginChange(ChangeKind::Replace);
             t.journal().RecordChange(ChangeKind::Replace, "Replace", &gone, nullptr);
         },
         "Can't undo/redo change to project (parent model inaccessible)", 1},
        {"template switched",
         [](UndoJournalTest& t) {
             auto gone = std::make_unique<ToolModel>();
             t.journal().BeginChange(ChangeKind::Replace);
             t.journal().RecordChange(ChangeKind::Replace, "Replace", gone.get(), nullptr);
         },
         "Can't undo/redo change to template, probably because the template was later switched!",
         1},
        {"damaged record",
         [](UndoJournalTest& t) {
             t.ToggleMember(0);
             int fd = ::open(t.journal().FileName().c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             off_t at = t.journal().Records().back().start + 15;
             ASSERT_EQ(::pwrite(fd, "(model \"d-class-00001\" ((\"", 26, at), 26);
             ::close(fd);
         },
         "The undo journal record cannot be read", 2},
        {"truncated file",
         [](UndoJournalTest& t) {
             t.ToggleMember(0);
             off_t at = t.journal().Records().back().start + 10;
             ASSERT_EQ(::truncate(t.journal().FileName().c_str(), at), 0);
         },
         "The undo journal record cannot be read", 2},
        {"unknown object",
         [](UndoJournalTest& t) {
             t.ToggleMember(0);
             int fd = ::open(t.journal().FileName().c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             // "p-shape-00001" becomes "q-shape-00001".
             off_t at = t.journal().Records().back().start + 39;
             ASSERT_EQ(::pwrite(fd, "q", 1, at), 1);
             ::close(fd);
         },
         "GUID map lookup failed", 1},
        {"delete record that names another drawable than it holds",
         [](UndoJournalTest& t) {
             Model* in = t.SelectIn("Classes", {"l-inherit-001"});
             EXPECT_TRUE(
                 in->DeleteDrawables(t.doc.get(), nullptr, ChangeKind::Delete, false).empty());
             const std::string text = t.journalText();
             const size_t at = text.find("\"l-inherit-001\"", t.journal().Records().back().start);
             ASSERT_NE(at, std::string::npos);
             int fd = ::open(t.journal().FileName().c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::pwrite(fd, "k", 1, off_t(at + 1)), 1);
             ::close(fd);
         },
         "The undo journal record cannot be read", 2},
        {"masters' delete record that holds drawables",
         [](UndoJournalTest& t) {
             t.doc->MarkMasters(false);
             t.doc->Masters().FindByGuid("m-loose-000001")->Mark(1, 1, 0);
             EXPECT_EQ(t.doc->DeleteMasters(ChangeKind::Delete, false), 1);
             // The record names no model; its drawables element (before the
             // message ends, nil here) becomes a list.
             const std::string text = t.journalText();
             const size_t at = text.rfind("nil nil)");
             ASSERT_NE(at, std::string::npos);
             int fd = ::open(t.journal().FileName().c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::pwrite(fd, "(1)", 3, off_t(at)), 3);
             ::close(fd);
         },
         "Can't undo/redo (model inaccessible)", 1},
        {"junction deleted afterwards",
         [](UndoJournalTest& t) {
             Junction* junction = t.place->Junctions().front().get();
             junction->savedBounds.left = junction->point.x;
             junction->savedBounds.top = junction->point.y;
             t.journal().BeginChange(ChangeKind::DragJunction);
             junction->MoveJunction(5, 5);
             t.journal().RecordChange(ChangeKind::DragJunction, "Drag Junction", t.model, junction);
             GuidScope scope(t.doc->ProjectMap(), t.doc->TemplateMap());
             t.place->DetachJunction(junction)->Detach(&scope);
         },
         "GUID map lookup failed", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc = Load(Project());
        model = doc->FindModelByName("Classes");
        place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
        ToggleMember(1);
        c.record(*this);
        const std::string text = Saved(*doc);
        const int32_t position = journal().Position();
        ASSERT_EQ(position, 2);
        prompts.asked.clear();
        doc->SetModifiedFlag(false);
        EXPECT_FALSE(journal().Replay(1, false));
        EXPECT_EQ(prompts.asked, (std::vector<std::string>{c.message}));
        EXPECT_EQ(journal().Position(), c.position);
        EXPECT_EQ(Saved(*doc), text);
        EXPECT_FALSE(doc->IsModified());
        // The journal stays usable: a new change records and undoes.
        ToggleMember(2);
        EXPECT_EQ(journal().Position(), c.position + 1);
        EXPECT_TRUE(journal().Replay(1, false));
    }
}

TEST_F(UndoJournalTest, AGroupThatFailsPartWayIsRevertedWhole) {
    ToggleMember(0);
    journal().BeginGroup();
    for (size_t member : {1, 2, 3})
        ToggleMember(member);
    journal().EndGroup();
    // The group's first record no longer reads.
    int fd = ::open(journal().FileName().c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const JournalRecord& first = journal().Records()[1];
    ASSERT_EQ(::pwrite(fd, "(((", 3, first.start + 15), 3);
    ::close(fd);

    const std::string text = Saved(*doc);
    EXPECT_FALSE(journal().Replay(1, false));
    EXPECT_EQ(journal().Position(), 4);
    EXPECT_EQ(Saved(*doc), text);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// The scopes end a group and drop an unrecorded change however they are
// left, directly on the journal and through the installed one alike.
TEST_F(UndoJournalTest, ScopesEndTheirGroupAndDropAnUnrecordedChangeOnEveryWayOut) {
    EXPECT_THROW(
        {
            JournalGroup group(journal());
            ToggleMember(0);
            ToggleMember(1);
            throw std::runtime_error("left part way");
        },
        std::runtime_error);
    EXPECT_EQ(journal().GroupStart(), -1);
    ToggleMember(2);
    std::vector<uint16_t> flags;
    for (const JournalRecord& record : journal().Records())
        flags.push_back(record.flags);
    EXPECT_EQ(flags, (std::vector<uint16_t>{2, 1, 0})) << "the third record stands alone";

    {
        JournalChange change(journal(), ChangeKind::PropertyChanges);
        journal().AddChangedObject(place, nullptr);
        EXPECT_TRUE(journal().HasChangedObjects());
    }
    EXPECT_FALSE(journal().HasChangedObjects());
    {
        JournalChange change(doc.get(), ChangeKind::PropertyChanges);
        Journal().AddChangedObject(doc.get(), place, nullptr);
        EXPECT_TRUE(journal().HasChangedObjects());
    }
    EXPECT_FALSE(journal().HasChangedObjects());
    EXPECT_EQ(journal().Records().size(), 3u) << "an abandoned change records nothing";
}

} // namespace
} // namespace qm
