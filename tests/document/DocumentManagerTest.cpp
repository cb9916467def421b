// The document manager (new, open, save, save as, close with its question,
// recent files) and the model library's hidden document.
#include "document/DocumentManager.h"
#include "document/ModelLibrary.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "platform/Registry.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>
#include <set>

namespace qm {
namespace {

using test::DocumentTest;

const char* const kProject = "(Quillmark \"8.0\" project)\n"
                             "(repository \"\" 0)\n"
                             "(notation \"<Internal>\")\n"
                             "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
                             "(codeFiles)\n"
                             "(docFiles)\n"
                             "(masters)\n";

struct DocumentManagerTest : DocumentTest {
    DocumentManager manager{context};
};

TEST_F(DocumentManagerTest, NewDocumentsTakeTheChosenOrDefaultTemplate) {
    // Interactive: the dialog chooses; cancelling it makes no document.
    EXPECT_EQ(manager.NewDocument(), nullptr);
    dialogs.templates.push_back("<Internal>");
    CCASEDoc* doc = manager.NewDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), "Untitled (uses <Internal>, editable, version: none)");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_NE(doc->JournalFileName().find("_Quillmark.jnl"), std::string::npos);

    // Armed by the command line: its template, then the default one (missing:
    // the built-in one with a message).
    context.newProjectArmed = true;
    context.commandLineTemplate = "<Internal>";
    ASSERT_NE(manager.NewDocument(), nullptr);
    EXPECT_FALSE(context.newProjectArmed);
    EXPECT_TRUE(context.commandLineTemplate.empty());
    context.newProjectArmed = true;
    prompts.asked.clear();
    CCASEDoc* fallback = manager.NewDocument();
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(fallback->Template()->path, "<Internal>");
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_NE(prompts.asked[0].find("Will use <Internal> template instead."), std::string::npos);
    EXPECT_EQ(manager.Documents().size(), 3u);
    // One template, shared.
    EXPECT_EQ(templates.Templates().size(), 1u);
}

TEST_F(DocumentManagerTest, OpenSaveAndRecentFiles) {
    std::string path = WriteFile("one.pro", kProject);
    CCASEDoc* doc = manager.OpenDocument(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(manager.OpenDocument(path), doc); // already open
    EXPECT_EQ(manager.RecentFiles(), std::vector<std::string>{path});
    EXPECT_EQ(doc->GetTitle(), "one.pro (uses <Internal>, editable, version: none)");

    // Save As: the chosen name loses a doubled extension and becomes the path.
    dialogs.save.push_back(scratch / "two.PRO.pro");
    ASSERT_TRUE(manager.SaveDocumentAs(*doc));
    EXPECT_EQ(doc->GetPathName(), scratch / "two.pro");
    EXPECT_EQ(FileText(scratch / "two.pro"), doc->StoreText());
    EXPECT_EQ(dialogs.requests.back().filter, "Project Files (*.pro) | *.pro ||");
    EXPECT_EQ(manager.RecentFiles(), (std::vector<std::string>{scratch / "two.pro", path}));

    // The list keeps four, most recent first, and lives in the settings.
    for (const char* name : {"a.pro", "b.pro", "c.pro", "a.pro"})
        manager.AddToRecentFiles(scratch / name);
    std::vector<std::string> expected{scratch / "a.pro", scratch / "c.pro", scratch / "b.pro",
                                      scratch / "two.pro"};
    EXPECT_EQ(manager.RecentFiles(), expected);
    DocumentManager again(context);
    again.LoadRecentFiles();
    EXPECT_EQ(again.RecentFiles(), expected);
    EXPECT_EQ(Registry(RegistryRoot::CurrentUser).GetValue(kRecentFileKey, "File1"),
              scratch / "a.pro");

    // A file that does not load leaves no document.
    size_t open = manager.Documents().size();
    EXPECT_EQ(manager.OpenDocument(WriteFile("bad.pro", "(Quillmark \"8.0\" notation)\n")),
              nullptr);
    EXPECT_EQ(manager.Documents().size(), open);
}

TEST_F(DocumentManagerTest, UntitledSaveGoesToSaveAsAndCancelSavesNothing) {
    dialogs.templates.push_back("<Internal>");
    CCASEDoc* doc = manager.NewDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(manager.SaveDocument(*doc));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].initialName, "*.pro");
    EXPECT_TRUE(ListFiles(scratch.Path(), "*.pro").empty());
}

TEST_F(DocumentManagerTest, ClosingAModifiedDocumentAsks) {
    std::string path = WriteFile("m.pro", kProject);
    CCASEDoc* doc = manager.OpenDocument(path);
    ASSERT_NE(doc, nullptr);
    std::string journal = doc->JournalFileName();
    ASSERT_TRUE(WriteFileReplacing(journal, "journal"));
    doc->SetModifiedFlag();
    doc->Profile().flags = 7; // a change the save writes

    prompts.Script(PromptAnswer::Cancel);
    EXPECT_FALSE(manager.CloseDocument(doc));
    EXPECT_EQ(prompts.asked.back(), "Save changes to m.pro?");
    EXPECT_EQ(manager.Documents().size(), 1u);

    prompts.Script(PromptAnswer::Yes);
    EXPECT_TRUE(manager.CloseDocument(doc));
    EXPECT_TRUE(manager.Documents().empty());
    EXPECT_NE(FileText(path).find("(genProfile 7 "), std::string::npos);
    EXPECT_FALSE(FileExists(journal)); // the journal file goes with the document
    EXPECT_TRUE(templates.Templates().empty());

    doc = manager.OpenDocument(path);
    doc->SetModifiedFlag();
    prompts.Script(PromptAnswer::No);
    EXPECT_TRUE(manager.CloseAll());
    EXPECT_NE(FileText(path).find("(genProfile 7 "), std::string::npos);
}

// ---- the model library ----

const char* const kLibrary = "(Quillmark \"8.0\" project)\n"
                             "(notation \"Missing.not\")\n"
                             "(genProfile 178 \"C++\" nil #(setq evaluated 1) 0 nil nil)\n"
                             "(codeFiles)\n"
                             "(docFiles)\n"
                             "(masters (master \"l1\" 0 1 \"b\" \"\" \"\" \"\" \"\" \"\" 1 nil nil "
                             "nil nil nil 10 \"\") "
                             "(master \"l2\" 0 1 \"A\" \"\" \"\" \"\" \"\" \"\" 1 nil nil "
                             "nil nil nil 10 \"\") "
                             "(master \"l3\" 0 1 \"a\" \"\" \"\" \"\" \"\" \"\" 1 nil nil "
                             "nil nil nil 10 \"\") "
                             "(master \"l4\" 0 1 \"A\" \"\" \"\" \"\" \"\" \"\" 1 nil nil "
                             "nil nil nil 10 \"\") "
                             "(master \"l5\" 0 1 \"Pkg\" \"\" \"\" \"\" \"\" \"\" 1 nil nil "
                             "nil nil nil 12 \"\"))\n";

TEST_F(DocumentTest, ModelLibraryOffersItsClassNamesSorted) {
    std::vector<bool> panes;
    ModelLibrary library(context);
    library.updateLibraryPanes = [&](bool fill) { panes.push_back(fill); };
    std::string path = WriteFile("lib.pro", kLibrary);
    kest::readtimeevaluation = true;
    // Made before the read, so the read's own symbols going at the end of
    // its heap mark cannot hide a value set while reading.
    kest::Symbol* marker = kest::intern("evaluated");
    ASSERT_EQ(library.OpenDocumentFile(path), 1);
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_TRUE(library.Document()->IsHidden());
    // No question about the missing template, and the # form was not run.
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(marker->kind(), kest::KPlain);
    EXPECT_FALSE(context.libraryLoad);

    for (int mode : {0, 3}) {
        std::vector<std::string> none;
        library.AddClassNames(none, mode);
        EXPECT_TRUE(none.empty()) << mode;
    }
    std::vector<std::string> names;
    library.AddClassNames(names, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "a", "b"}));

    // The same path again changes nothing and keeps what was gathered.
    EXPECT_EQ(library.OpenDocumentFile(path), 0);
    EXPECT_EQ(library.ClassMasters().size(), 3u);
    // A file that cannot be opened leaves an empty, unloaded library.
    EXPECT_EQ(library.OpenDocumentFile(scratch / "none.pro"), 0);
    EXPECT_FALSE(library.IsLoaded());
    names.clear();
    library.AddClassNames(names, 2);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(panes, (std::vector<bool>{false, true, false}));

    // A library that does not load leaves no document and no flag set.
    std::string bad = WriteFile("bad.pro", "(Quillmark \"8.0\" project)\n(notation 1)\n");
    EXPECT_NE(failure([&] { library.OpenDocumentFile(bad); }), "");
    EXPECT_EQ(library.Document(), nullptr);
    EXPECT_FALSE(context.libraryLoad);
}

TEST_F(DocumentTest, TemplateFilesAreReadWithoutRunningThem) {
    kest::readtimeevaluation = true;
    // Made before the read, so the read's own symbols going at the end of
    // its heap mark cannot hide a value set while reading.
    kest::Symbol* marker = kest::intern("tplran");
    std::string path = WriteFile("Hostile.not", "(Quillmark \"8.0\" notation)\n#(setq tplran 1)\n");
    EXPECT_NE(failure([&] { templates.AcquireTemplate(path); }), "");
    EXPECT_EQ(marker->kind(), kest::KPlain);
    EXPECT_TRUE(kest::readtimeevaluation);
    EXPECT_TRUE(templates.Templates().empty());
}

TEST_F(DocumentManagerTest, EveryDocumentKeepsItsOwnJournalFile) {
    CCASEDoc* first = manager.OpenDocument(WriteFile("first.pro", kProject));
    CCASEDoc* second = manager.OpenDocument(WriteFile("second.pro", kProject));
    ModelLibrary library(context);
    ASSERT_EQ(library.OpenDocumentFile(WriteFile("lib.pro", kLibrary)), 1);
    CCASEDoc* hidden = library.Document();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(hidden, nullptr);
    const std::vector<CCASEDoc*> documents{first, second, hidden};
    std::set<std::string> names;
    for (CCASEDoc* document : documents) {
        names.insert(document->JournalFileName());
        // Claimed before any change is recorded.
        EXPECT_TRUE(FileExists(document->JournalFileName()));
    }
    EXPECT_EQ(names.size(), 3u);

    std::vector<size_t> counts;
    for (CCASEDoc* document : documents) {
        Model* made = document->NewModel(MkClass, nullptr);
        ASSERT_NE(made, nullptr);
        Journal().BeginChange(document, ChangeKind::NewModel);
        Journal().RecordChange(document, ChangeKind::NewModel, "New Model", made, nullptr);
        counts.push_back(document->ModelCount());
    }
    // Undo in each document takes back its own new model and nothing else.
    for (size_t undone = 0; undone < documents.size(); ++undone) {
        ASSERT_TRUE(documents[undone]->GetJournal().Replay(1, false));
        for (size_t i = 0; i < documents.size(); ++i)
            EXPECT_EQ(documents[i]->ModelCount(), counts[i] - (i <= undone ? 1 : 0))
                << "after undo in " << undone << ", document " << i;
    }
}

} // namespace
} // namespace qm
