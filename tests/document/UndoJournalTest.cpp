// The undo journal: the records it writes, grouping, the size question,
// undo and redo of the recorded changes, and replays that fail.
#include "document/UndoJournal.h"

#include "drawables/CustomModel.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "model/Master.h"
#include "tests/document/DocumentFixture.h"

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
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
    void ChangeComment(Model* in) {
        Master& master = *place->master;
        std::unique_ptr<ModelObject> previous = master.Clone();
        previous->SetDetached();
        journal().BeginChange(ChangeKind::PropertyChanges);
        master.comment = "a new comment";
        journal().AddChangedObject(&master, std::move(previous));
        journal().RecordChange(ChangeKind::PropertyChanges, "Property Changes", in, &master);
    }
    // Records an empty replace under description: a record of known form
    // whose size the description sets.
    void RecordPlain(const std::string& description) {
        journal().BeginChange(ChangeKind::Replace);
        journal().RecordChange(ChangeKind::Replace, description, model, nullptr);
    }

    DocumentJournals journals;
    ScopedInstall<ChangeJournal> installed{&journals};
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
        {"change a master's properties", [](UndoJournalTest& t) { t.ChangeComment(t.model); }},
        {"change properties without a model", [](UndoJournalTest& t) { t.ChangeComment(nullptr); }},
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc = Load(Project());
        model = doc->FindModelByName("Classes");
        place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
        ASSERT_NE(place, nullptr);
        ASSERT_EQ(doc->GetModelIndex(model), 1u);
        const std::string before = Saved(*doc);
        c.apply(*this);
        const std::string after = Saved(*doc);
        ASSERT_NE(before, after);
        ASSERT_EQ(journal().Position(), 1) << testing::PrintToString(prompts.asked);
        doc->SetModifiedFlag(false);
        ASSERT_TRUE(journal().Replay(1, false));
        EXPECT_EQ(Saved(*doc), before);
        EXPECT_TRUE(doc->IsModified());
        if (std::string(c.name) != "change properties without a model") {
            EXPECT_EQ(journal().ModelToShow(), model);
        }
        ASSERT_TRUE(journal().Replay(1, true));
        EXPECT_EQ(Saved(*doc), after);
    }
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
