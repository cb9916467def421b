// The masters clipboard file: copying and pasting masters, models and
// drawables between projects, the sequence rule, an empty paste, and
// malformed files that must leave the project as it was.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "model/ChangeJournal.h"
#include "platform/DesktopClipboard.h"
#include "platform/Errors.h"
#include "tests/document/DocumentFixture.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qm {
namespace {

using test::DocumentTest;

std::string EveryRecord() {
    return ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or("");
}

const char* const kMinimal = "(Quillmark \"8.0\" project)\n"
                             "(notation \"<Internal>\")\n"
                             "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
                             "(codeFiles)\n"
                             "(docFiles)\n"
                             "(masters)\n";

struct RecordingJournal : ChangeJournal {
    void RecordChange(ModelDocument*, ChangeKind kind, const char* name, ModelObject* model,
                      ModelObject*) override {
        entries.push_back({kind, name, model});
    }
    struct Entry {
        ChangeKind kind;
        std::string name;
        ModelObject* model;
    };
    std::vector<Entry> entries;
};

std::vector<Drawable*> TopLevel(Model& model) {
    std::vector<Drawable*> all;
    for (const std::unique_ptr<Drawable>& d : model.Drawables())
        all.push_back(d.get());
    return all;
}

TEST_F(DocumentTest, CopyingNothingPastesNothing) {
    auto doc = Load(EveryRecord());
    doc->CopyToClipboardFile(static_cast<qm::Model*>(nullptr), std::vector<qm::Drawable*>{});
    std::string before = doc->StoreText();
    RecordingJournal journal;
    ScopedInstall<ChangeJournal> installed(&journal);
    EXPECT_FALSE(doc->PasteFromClipboardFile(true, doc->FindModelByName("Classes"), {}));
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(journal.entries.empty());
    EXPECT_EQ(doc->StoreText(), before);
}

TEST_F(DocumentTest, DrawablesPasteIntoAnotherProjectSelected) {
    auto from = Load(EveryRecord());
    Model* classes = from->FindModelByName("Classes");
    from->Masters().FindByGuid("m-shape-000001")->Mark(1, 1, 0);
    from->Masters().FindByGuid("m-circle-00001")->Mark(1, 1, 0);
    from->CopyToClipboardFile(classes, TopLevel(*classes));

    auto to = Load(kMinimal);
    Model* target = to->NewModel(MkClass, nullptr);
    RecordingJournal journal;
    ScopedInstall<ChangeJournal> installed(&journal);
    ASSERT_TRUE(to->PasteFromClipboardFile(true, target, {10, 20}));
    ASSERT_EQ(target->Drawables().size(), classes->Drawables().size());
    for (const std::unique_ptr<Drawable>& d : target->Drawables())
        EXPECT_NE(d->flags & MoSelected, 0u);
    EXPECT_EQ(to->Masters().Count(), 2u);
    EXPECT_EQ(target->Drawables().front()->bounds.left,
              classes->Drawables().front()->bounds.left + 10);
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].kind, ChangeKind::Paste);
    EXPECT_EQ(journal.entries[0].name, "Paste");
    EXPECT_EQ(journal.entries[0].model, target);
    EXPECT_EQ(prompts.beeps, 0);
    // The result saves and loads again.
    EXPECT_NO_THROW(Load(to->StoreText()));

    // Pasting into the same project again: the ids are taken, so the copies get new ones.
    size_t count = classes->Drawables().size();
    ASSERT_TRUE(from->PasteFromClipboardFile(true, classes, {}));
    EXPECT_EQ(classes->Drawables().size(), 2 * count);
    EXPECT_NO_THROW(Load(from->StoreText()));
}

TEST_F(DocumentTest, PasteIntoAnotherProjectUndoesAndRedoesWithItsIds) {
    auto from = Load(EveryRecord());
    Model* classes = from->FindModelByName("Classes");
    from->Masters().FindByGuid("m-shape-000001")->Mark(1, 1, 0);
    from->Masters().FindByGuid("m-circle-00001")->Mark(1, 1, 0);
    from->CopyToClipboardFile(classes, TopLevel(*classes));

    auto to = Load(kMinimal);
    Model* target = to->NewModel(MkClass, nullptr);
    ASSERT_TRUE(to->PasteFromClipboardFile(true, target, {}));
    ASSERT_FALSE(to->GetJournal().Records().empty());
    EXPECT_EQ(to->GetJournal().Records().back().description, "Paste");
    std::vector<std::string> ids;
    for (Drawable* drawable : target->Selection())
        ids.emplace_back(drawable->Id().Text());
    ASSERT_EQ(ids.size(), classes->Drawables().size());

    ASSERT_TRUE(to->GetJournal().Replay(1, false));
    EXPECT_TRUE(target->Drawables().empty());
    for (const std::string& id : ids)
        EXPECT_EQ(to->IdMap().Lookup(id.c_str()), nullptr) << id;

    ASSERT_TRUE(to->GetJournal().Replay(1, true));
    EXPECT_EQ(target->Drawables().size(), ids.size());
    for (const std::string& id : ids) {
        auto* back = dynamic_cast<Drawable*>(to->IdMap().Lookup(id.c_str()));
        ASSERT_NE(back, nullptr) << id;
        EXPECT_NE(target->FindObjectById(id.c_str()), nullptr) << id;
    }
    EXPECT_NO_THROW(Load(to->StoreText()));

    // A second paste while the first paste's drawables are selected: only
    // the second's are selected afterwards, and its undo takes only them.
    for (const std::unique_ptr<Drawable>& drawable : target->Drawables())
        target->Select(drawable.get(), 1, 1, 0);
    ASSERT_TRUE(to->PasteFromClipboardFile(true, target, {40, 40}));
    EXPECT_EQ(target->Selection().size(), ids.size());
    for (Drawable* drawable : target->Selection())
        EXPECT_EQ(std::find(ids.begin(), ids.end(), drawable->Id().Text()), ids.end());
    ASSERT_TRUE(to->GetJournal().Replay(1, false));
    EXPECT_EQ(target->Drawables().size(), ids.size());
    for (const std::string& id : ids)
        EXPECT_NE(target->FindObjectById(id.c_str()), nullptr) << id;
}

TEST_F(DocumentTest, SequenceAndOtherModelsShareNoDrawables) {
    auto from = Load(EveryRecord());
    Model* classes = from->FindModelByName("Classes");
    from->Masters().FindByGuid("m-shape-000001")->Mark(1, 1, 0);
    from->Masters().FindByGuid("m-circle-00001")->Mark(1, 1, 0);
    from->FindModelByName("States")->Mark(1, 1, 0);
    from->CopyToClipboardFile(classes, TopLevel(*classes));

    auto to = Load(kMinimal);
    Model* sequence = to->NewModel(MkSequence, nullptr);
    size_t models = to->ModelCount();
    ASSERT_TRUE(to->PasteFromClipboardFile(true, sequence, {}));
    EXPECT_TRUE(sequence->Drawables().empty());
    EXPECT_EQ(prompts.asked, std::vector<std::string>{
                                 "Can't copy and paste between sequence and non-sequence models."});
    // The masters and the model are still pasted.
    EXPECT_EQ(to->Masters().Count(), 2u);
    EXPECT_EQ(to->ModelCount(), models + 1);
    EXPECT_NE(to->FindModelByName("States"), nullptr);
}

// A scenario pasted into a sequence model continues it: the pasted call
// boxes, messages and their floaters move down together until the first
// pasted box starts below the target's last box; when the target has no box
// or the pasted boxes already follow, only the paste offset applies.
TEST_F(DocumentTest, PastedCallBoxesFollowTheTargetsLastCallBox) {
    struct Case {
        const char* name;
        bool intoNewModel;
        CPoint offset;
        bool shifted;
    } cases[] = {
        {"below the target's boxes", false, {400, 0}, true},
        {"already below them", false, {400, 2000}, false},
        {"a target without boxes", true, {0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Load(EveryRecord());
        auto* sequence = dynamic_cast<SequenceModel*>(doc->FindModelByName("Sequence"));
        ASSERT_NE(sequence, nullptr);
        auto* user = dynamic_cast<ScenarioPlace*>(sequence->FindObjectById("s-user-000001"));
        ASSERT_NE(user, nullptr);
        auto* server = dynamic_cast<ScenarioPlace*>(
            sequence->CreatePlaceOfTool(doc.get(), 10, "Server", "", CRect(300, 0, 400, 50)));
        ASSERT_NE(server, nullptr);
        Link* call = sequence->CreateLink(doc.get(), 3, "", user, server);
        ASSERT_NE(call, nullptr);
        ASSERT_NE(sequence->CreateFloater("1. call()", call, call->Vertices().front()), nullptr);

        std::vector<Drawable*> originals = TopLevel(*sequence);
        ASSERT_EQ(originals.size(), 4u);
        int32_t lastBottom = 0;
        int32_t firstTop = INT32_MAX;
        for (const ScenarioPlace* place : {user, server})
            for (const CRect& box : place->callBoxes.boxes) {
                lastBottom = std::max(lastBottom, box.bottom);
                firstTop = std::min(firstTop, box.top);
            }
        doc->CopyToClipboardFile(sequence, originals);

        Model* target = c.intoNewModel ? doc->NewModel(MkSequence, nullptr) : sequence;
        ASSERT_TRUE(doc->PasteFromClipboardFile(true, target, c.offset));
        const size_t before = c.intoNewModel ? 0 : originals.size();
        ASSERT_EQ(target->Drawables().size(), before + originals.size());
        EXPECT_EQ(target->Selection().size(), originals.size());
        const int dy = c.offset.y + (c.shifted ? lastBottom + 12 - firstTop : 0);
        const std::vector<Drawable*> all = TopLevel(*target);

        for (size_t i = 0; i < originals.size(); ++i) {
            const Drawable* from = originals[i];
            const Drawable* pasted = all[before + i];
            EXPECT_NE(pasted->flags & MoSelected, 0u) << i;
            if (auto* place = dynamic_cast<const ScenarioPlace*>(from)) {
                // The object stays at the top; its boxes move along its lifeline.
                auto* copy = dynamic_cast<const ScenarioPlace*>(pasted);
                ASSERT_NE(copy, nullptr);
                CRect bounds = place->bounds;
                bounds.OffsetRect(c.offset.x, c.offset.y);
                EXPECT_EQ(copy->bounds, bounds);
                ASSERT_EQ(copy->callBoxes.Count(), place->callBoxes.Count());
                for (int b = 0; b < place->callBoxes.Count(); ++b) {
                    CRect box = place->GetCallBox(b);
                    box.OffsetRect(c.offset.x, dy);
                    EXPECT_EQ(copy->GetCallBox(b), box) << b;
                }
                EXPECT_GE(copy->lifeLinePoint.y, copy->callBoxes.boxes.back().bottom);
            } else if (auto* link = dynamic_cast<const Link*>(from)) {
                auto* copy = dynamic_cast<const Link*>(pasted);
                ASSERT_NE(copy, nullptr);
                ASSERT_EQ(copy->VertexCount(), link->VertexCount());
                for (int v = 0; v < link->VertexCount(); ++v)
                    EXPECT_EQ(copy->Vertices()[size_t(v)],
                              CPoint(link->Vertices()[size_t(v)].x + c.offset.x,
                                     link->Vertices()[size_t(v)].y + dy));
            } else {
                CRect bounds = from->bounds;
                bounds.OffsetRect(c.offset.x, dy);
                EXPECT_EQ(pasted->bounds, bounds);
            }
        }
        // The originals stay where they were.
        EXPECT_EQ(user->GetCallBox(1), CRect(46, 194, 54, 220));
        EXPECT_NO_THROW(Load(doc->StoreText()));

        // Undo takes back only the pasted drawables.
        ASSERT_TRUE(doc->GetJournal().Replay(1, false));
        EXPECT_EQ(target->Drawables().size(), before);
    }
}

TEST_F(DocumentTest, MalformedClipboardFilesPasteNothing) {
    const std::string header = "(Quillmark \"8.0\" clipboard)\n";
    const std::string master =
        "(masters (master \"m-new-0000001\" 1 3 \"New\" \"\" \"\" \"\" \"\" \"\" 1 nil nil nil "
        "nil nil 10 \"\"))\n";
    const std::string model = "(customModel \"d-new-0000001\" 11 3 \"Pasted\" \"\" \"\" 1 \"\" "
                              "\"\" 1.0 1.0 (0 0 10 10) (0 0 10 10))\n";
    struct Case {
        const char* name;
        std::string text;
        const char* shown; // the failure shown, or null for a silent one
    };
    const Case cases[] = {
        {"no masters", header + model, "masters sym expected"},
        {"stray record", header + master + model + "(junk)\n", "customModel or drawables"},
        {"no drawables", header + master + model, "customModel or drawables"},
        {"trailing", header + master + model + "(drawables 11)\n(more)\n",
         "end of clipborad file expected"},
        {"bad header", "(Quillmark \"8.0\" project)\n" + master, nullptr},
        {"bad model", header + master + "(customModel \"d-x\" 11 oops)\n(drawables 11)\n", nullptr},
        {"bad drawable", header + master + model + "(drawables 11 (place 5))\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Load(EveryRecord());
        Model* classes = doc->FindModelByName("Classes");
        std::string before = doc->StoreText();
        size_t masters = doc->Masters().Count();
        size_t drawables = classes->Drawables().size();
        ASSERT_TRUE(WriteFileReplacing(CCASEDoc::ClipboardFile(), c.text));
        prompts.asked.clear();
        EXPECT_ANY_THROW(doc->PasteFromClipboardFile(true, classes, {}));
        if (c.shown != nullptr) {
            ASSERT_FALSE(prompts.asked.empty());
            EXPECT_NE(prompts.asked.back().find(c.shown), std::string::npos)
                << prompts.asked.back();
        }
        EXPECT_EQ(doc->Masters().Count(), masters);
        EXPECT_EQ(classes->Drawables().size(), drawables);
        EXPECT_EQ(doc->Masters().FindByGuid("m-new-0000001"), nullptr);
        EXPECT_EQ(doc->FindModelByName("Pasted"), nullptr);
        EXPECT_EQ(doc->StoreText(), before);
    }
}

// Takes the top-level drawable out of the model.
std::unique_ptr<Drawable> TakeOut(Model& model, Drawable* drawable) {
    return model.TakeDrawable(drawable);
}

TEST_F(DocumentTest, AFailedPasteOfNestedPlaceGroupsLeavesEveryMastersCount) {
    auto doc = Load(EveryRecord());
    Model* classes = doc->FindModelByName("Classes");
    Drawable* shape = nullptr;
    Drawable* circle = nullptr;
    for (Drawable* d : TopLevel(*classes)) {
        if (d->IsPlace())
            (shape == nullptr ? shape : circle) = d;
    }
    ASSERT_NE(circle, nullptr);
    // An outer group of the circle and an inner group holding the shape.
    DrawableList inside;
    inside.push_back(TakeOut(*classes, shape));
    auto inner = std::make_unique<PlaceGroup>(doc->ProjectMap());
    inner->Fill(inside, nullptr, nullptr);
    DrawableList outside;
    outside.push_back(std::move(inner));
    outside.push_back(TakeOut(*classes, circle));
    auto outer = std::make_unique<PlaceGroup>(doc->ProjectMap());
    outer->Fill(outside, nullptr, nullptr);
    Drawable* group = classes->AddDrawable(std::move(outer));
    doc->CopyToClipboardFile(classes, std::vector<Drawable*>{group});

    // After the group, a place whose master is nowhere: the paste fails
    // once the group's places have counted their masters.
    std::string text = ReadWholeFile(CCASEDoc::ClipboardFile(), 1 << 20).value_or("");
    const size_t end = text.rfind(')');
    ASSERT_NE(end, std::string::npos);
    text.insert(end, " (place \"m-nowhere-0001\" (2) \"\" (junctions) 10 \"p-nowhere-001\" "
                     "(0 0 10 10) (-5 -5 15 15) (3 3 7 7) 1 0 (nil 1 -12 0 0 4 15 0) \"\")");
    ASSERT_TRUE(WriteFileReplacing(CCASEDoc::ClipboardFile(), text));
    std::vector<std::pair<std::string, int>> counts;
    for (const auto& master : doc->Masters().Masters())
        counts.emplace_back(master->name, master->refCount);
    const size_t drawables = classes->Drawables().size();

    EXPECT_ANY_THROW(doc->PasteFromClipboardFile(true, classes, {}));
    std::vector<std::pair<std::string, int>> after;
    for (const auto& master : doc->Masters().Masters())
        after.emplace_back(master->name, master->refCount);
    EXPECT_EQ(after, counts);
    EXPECT_EQ(classes->Drawables().size(), drawables);
}

TEST_F(DocumentTest, ModelsPastedOnTheirOwnBecomeChildrenOfTheCurrentModel) {
    const std::string text = "(Quillmark \"8.0\" clipboard)\n(masters)\n"
                             "(customModel \"d-new-0000001\" 11 3 \"Pasted\" \"\" \"\" 1 \"\" "
                             "\"\" 1.0 1.0 (0 0 10 10) (0 0 10 10))\n"
                             "(customModel \"d-new-0000002\" 11 3 \"Second\" \"\" \"\" 1 \"\" "
                             "\"\" 1.0 1.0 (0 0 10 10) (0 0 10 10))\n(drawables 11)\n";
    struct Case {
        const char* current; // the current model, or null for none
        bool intoModel;
        const char* parent; // the first pasted model's parent afterwards
    } cases[] = {
        {"Classes", false, "Classes"},
        {"States", false, "States"},
        {nullptr, false, nullptr},
        {"Classes", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.current ? c.current : "none") << " " << c.intoModel);
        auto doc = Load(EveryRecord());
        doc->SetCurrentModel(c.current != nullptr ? doc->FindModelByName(c.current) : nullptr);
        ASSERT_TRUE(WriteFileReplacing(CCASEDoc::ClipboardFile(), text));
        ASSERT_TRUE(doc->PasteFromClipboardFile(c.intoModel, nullptr, {}));
        Model* pasted = doc->FindModelByName("Pasted");
        ASSERT_NE(pasted, nullptr);
        EXPECT_EQ(pasted->parentModel,
                  c.parent != nullptr ? doc->FindModelByName(c.parent) : nullptr);
        EXPECT_EQ(doc->FindModelByName("Second")->parentModel, nullptr);
        // Written with the parent and read back the same.
        const std::string saved = doc->StoreText();
        EXPECT_EQ(Load(saved)->StoreText(), saved);
    }
}

TEST_F(DocumentTest, PasteFindsTheFileTheDesktopClipboardRefersTo) {
    auto from = Load(EveryRecord());
    from->Masters().FindByGuid("m-shape-000001")->Mark(1, 1, 0);
    from->CopyToClipboardFile(static_cast<Model*>(nullptr), std::vector<Drawable*>{});
    EXPECT_EQ(GetFileReference(kMastersClipboardMime), CCASEDoc::ClipboardFile());

    // Another instance of this user copied: its file, elsewhere, is the one
    // the reference names, and this instance has none of its own.
    MakeDirectories(scratch / "other");
    const std::string other = scratch / "other/Quillmark.clp";
    ASSERT_TRUE(MoveFile(CCASEDoc::ClipboardFile(), other));
    ASSERT_TRUE(PutFileReference(kMastersClipboardMime, other));
    auto to = Load(kMinimal);
    ASSERT_TRUE(to->PasteFromClipboardFile(false, nullptr, {}));
    EXPECT_NE(to->Masters().FindByGuid("m-shape-000001"), nullptr);

    // A reference to a file of another name is not followed.
    const std::string renamed = scratch / "other/notes.txt";
    ASSERT_TRUE(MoveFile(other, renamed));
    ASSERT_TRUE(PutFileReference(kMastersClipboardMime, renamed));
    auto untouched = Load(kMinimal);
    std::string before = untouched->StoreText();
    try {
        untouched->PasteFromClipboardFile(false, nullptr, {});
        ADD_FAILURE() << "pasted from a file that is no clipboard file";
    } catch (const CKestException& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Can't open clipboard file: " + CCASEDoc::ClipboardFile());
    }
    EXPECT_EQ(untouched->StoreText(), before);
}

} // namespace
} // namespace qm
