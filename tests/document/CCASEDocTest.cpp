// The project document: the project file's records in order and their older
// forms, load failures, the template look-up, the title, and saving safely.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/ProjectFile.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/TemplateFile.h"
#include "kernel/Kernel.h"
#include "model/ChangeJournal.h"
#include "tests/document/DocumentFixture.h"

#include <csignal>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace qm {
namespace {

using test::DocumentTest;

// A project of every record: a check-in stamp, masters of several kinds with
// members, a model of every diagram kind holding primitives, groups, places
// with a junction, a scenario place and a link, the four folder lists.
std::string EveryRecord() {
    return ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or("");
}

const char* const kMinimal = "(Quillmark \"8.0\" project)\n"
                             "(notation \"<Internal>\")\n"
                             "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
                             "(codeFiles)\n"
                             "(docFiles)\n"
                             "(masters)\n";

TEST_F(DocumentTest, EveryRecordLoadsAndSavesToTheSameBytes) {
    std::string text = EveryRecord();
    ASSERT_FALSE(text.empty());
    auto doc = Load(text);
    EXPECT_EQ(doc->RepositoryVersion(), "1.7");
    EXPECT_EQ(doc->Folders().otherFiles.size(), 2u);
    EXPECT_EQ(doc->Folders().revFiles.size(), 1u);
    EXPECT_GE(doc->Masters().Count(), 3u);
    EXPECT_EQ(doc->ModelCount(), 9u);
    std::string saved = doc->StoreText();
    EXPECT_EQ(saved, text);
    // The records come in the file's order, and the text ends with a newline.
    size_t at = 0;
    for (const char* head : {"(Quillmark", "(repository", "(notation", "(genProfile", "(codeFiles",
                             "(docFiles", "(otherFiles", "(revFiles", "(masters", "(customModel"}) {
        size_t found = saved.find(head, at);
        ASSERT_NE(found, std::string::npos) << head;
        at = found;
    }
    EXPECT_EQ(saved.back(), '\n');
}

// A project is read from its file as the reader goes, in blocks: records,
// strings and lines that run across the blocks read as they do from the
// whole text.
TEST_F(DocumentTest, AProjectOpenedFromItsFileIsTheOneItsTextMakes) {
    auto made = Load(EveryRecord());
    ASSERT_GE(made->Masters().Count(), 3u);
    // Strings as long as the reader takes, one just short of a block.
    std::string comment;
    for (int line = 0; comment.size() < 100000; ++line)
        comment += "line " + std::to_string(line) + " of a long comment \"quoted\"\n";
    made->Masters().At(0)->comment = comment;
    made->Masters().At(1)->comment = comment;
    made->Masters().At(2)->comment = comment.substr(0, 65536 - 17);
    const std::string text = made->StoreText();
    ASSERT_GT(text.size(), 3u * 65536);

    const std::string path = WriteFile("large.pro", text);
    auto opened = NewDoc();
    ASSERT_TRUE(opened->OnOpenDocument(path))
        << (prompts.asked.empty() ? "" : prompts.asked.back());
    EXPECT_EQ(opened->Masters().At(0)->comment, comment);
    EXPECT_EQ(opened->StoreText(), text);
    EXPECT_EQ(opened->ModelCount(), made->ModelCount());
}

// A model's record is printed one drawable at a time on its way to the file;
// the text is the one the whole record's cells print, for every model of
// every kind, for one whose fields alone fill a line and for an empty one
// whose record fits on a line.
TEST_F(DocumentTest, EachModelPrintedDrawableByDrawableReadsAsItsWholeRecord) {
    auto doc = Load(EveryRecord());
    Model* made = doc->NewModel(MkClass, nullptr);
    ASSERT_NE(made, nullptr);
    Model* named = doc->NewModel(MkClass, nullptr);
    ASSERT_NE(named, nullptr);
    named->name = std::string(90, 'n') + " \"quoted\" \\ name";
    named->comment = "a comment\nof two lines";
    named->SetPageMatrix(CRect(0, 0, 0, 0));
    made->name = "m";
    made->SetPageMatrix(CRect(0, 0, 0, 0));
    size_t streamedWithDrawables = 0;
    for (size_t i = 0; i < doc->ModelCount(); ++i) {
        Model& model = *doc->GetModelAt(i);
        HeapMark mark;
        GuidScope whole(doc->ProjectMap(), doc->TemplateMap());
        const std::string expected = kest::prettystring(WriteModelRecord(doc.get(), model, &whole));
        GuidScope parts(doc->ProjectMap(), doc->TemplateMap());
        kest::LocalChannel out;
        WriteModelRecord(doc.get(), model, &parts, out.get());
        EXPECT_EQ(out.Text(), expected) << model.name;
        streamedWithDrawables += model.Drawables().empty() ? 0 : 1;
    }
    EXPECT_GE(streamedWithDrawables, 5u);
}

TEST_F(DocumentTest, MissingRecordsGetTheirDefaults) {
    auto doc = Load(kMinimal);
    EXPECT_EQ(doc->RepositoryVersion(), "");
    std::string saved = doc->StoreText();
    EXPECT_NE(saved.find("(repository \"\" 0)\n(notation \"<Internal>\")"), std::string::npos);
    EXPECT_NE(saved.find("(otherFiles)\n(revFiles \"C++\")\n(masters)"), std::string::npos);
    EXPECT_EQ(doc->ModelCount(), 0u);
    // And the text with both written loads to the same text again.
    EXPECT_EQ(Load(saved)->StoreText(), saved);
}

// A project whose one diagram holds every kind of drawable the record
// factory knows: primitives and a primitive group, places and a scenario
// place with junctions, a place group holding a place with a junction, a
// swimlane, links between places, junctions and links, a message floater
// and tags on a place, on junctions and on a link.
std::string EveryDrawable() {
    return ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or("");
}

TEST_F(DocumentTest, EveryDrawableKeepsItsReferencesThroughSaveAndOpen) {
    // Saved without a journal: its "(Project Saved)" entry would set the
    // modified flag, and with it the check-in stamp's changed flag.
    ChangeJournal none;
    ScopedInstall<ChangeJournal> noJournal{&none};
    const std::string text = EveryDrawable();
    ASSERT_FALSE(text.empty());
    auto first = Load(text);
    const std::string written = first->StoreText();
    EXPECT_EQ(written, text);
    // Every reference to a junction, a place or a link comes back: none is
    // lost to an empty id.
    for (const char* reference : {
             "(link \"p-circle-0001\" \"j-shape-00001\"", // place to junction
             "(link \"j-shape-00001\" \"p-circle-0001\"", // junction to place
             "(link \"j-circle-0001\" \"j-shape-00001\"", // junction to junction
             "(link \"p-shape-00001\" \"j-inner-00001\"", // to a junction in a group
             "(link \"j-user-00001\" \"p-circle-0001\"",  // from a scenario place's junction
             "(link \"p-shape-00001\" \"l-inherit-001\"", // place to link
             "tag \"l-inherit-001\"",                     // a message on its link
             "(tag \"p-shape-00001\"",                    // tags on a place,
             "(tag \"j-shape-00001\"",                    // on junctions,
             "(tag \"j-inner-00001\"",
             "(tag \"l-to-junc-001\"", // and on a link
         })
        EXPECT_NE(written.find(reference), std::string::npos) << reference;

    // Through the file, as the user saves and opens it: the second writing
    // is the first.
    const std::string path = scratch / "every.pro";
    ASSERT_TRUE(first->OnSaveDocument(path));
    auto reopened = NewDoc();
    ASSERT_TRUE(reopened->OnOpenDocument(path));
    EXPECT_EQ(reopened->StoreText(), written);
    EXPECT_EQ(Load(reopened->StoreText())->StoreText(), written);
}

TEST_F(DocumentTest, ALinkEndNamingNoObjectIsReportedAndKeepsItsId) {
    ChangeJournal none;
    ScopedInstall<ChangeJournal> noJournal{&none};
    const std::string text = EveryDrawable();
    const struct {
        const char* link;     // the link's ends in the fixture
        const char* dangling; // the same with one end naming nothing
        const char* id;
    } cases[] = {
        {"(link \"p-circle-0001\" \"p-shape-00001\"", "(link \"p-circle-0001\" \"p-gone-000001\"",
         "p-gone-000001"},
        {"(link \"j-shape-00001\" \"p-circle-0001\"", "(link \"j-gone-000001\" \"p-circle-0001\"",
         "j-gone-000001"},
    };
    for (const auto& c : cases) {
        std::string dangling = text;
        const size_t at = dangling.find(c.link);
        ASSERT_NE(at, std::string::npos) << c.link;
        dangling.replace(at, std::strlen(c.link), c.dangling);
        const std::string path = WriteFile("dangling.pro", dangling);
        log.Clear();
        prompts.asked.clear();
        auto doc = NewDoc();
        ASSERT_TRUE(doc->OnOpenDocument(path)) << c.id;
        EXPECT_TRUE(prompts.asked.empty());
        // Said when the project is read, with the file and the id.
        EXPECT_EQ(log.Text(), path + ": a link end names the id \"" + c.id +
                                  "\", which the project does not hold; the end is left "
                                  "unconnected and keeps the id.\r\n");
        EXPECT_EQ(doc->UnresolvedIds(), std::vector<std::string>{c.id});
        // Saved as it was read: the id is not turned into "".
        EXPECT_EQ(doc->StoreText(), dangling) << c.id;
    }
}

TEST_F(DocumentTest, TitleNamesFileTemplateAccessAndVersion) {
    auto doc = Load(kMinimal);
    doc->SetTitle("");
    EXPECT_EQ(doc->GetTitle(), "Untitled (uses <Internal>, editable, version: none)");
    std::string path = WriteFile("p.pro", kMinimal);
    doc->SetRepositoryStamp("2.3", 0);
    doc->SetPathName(path);
    EXPECT_EQ(doc->GetTitle(), "p.pro (uses <Internal>, editable, version: 2.3)");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    doc->SetPathName(path);
    EXPECT_EQ(doc->GetTitle(), "p.pro (uses <Internal>, readonly, version: 2.3)");
    ::chmod(path.c_str(), 0644);
}

TEST_F(DocumentTest, LoadFailuresShowTheirTextAndLeaveNoHeapMark) {
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {std::string(kMinimal) + "(master)\n", "customModel expected"},
        {"(Quillmark \"8.0\" project)\n(notation 12)\n", "template file name expected"},
        {"(Quillmark \"8.0\" project)\n(repository \"1\" 0)\n(genProfile)\n",
         "template file name expected"},
        {"(Quillmark \"8.0\" notation)\n", "bad file header"},
        {"(Quillmark \"9.0\" project)\n",
         "can't open a version 9.0 file using version 8.0 software"},
        {"(Quillmark \"8.0\" project)\n(notation \"<Internal>\")\n(codeFiles)\n",
         "genProfile sym expected"},
        {"(Quillmark \"8.0\" project)\n(notation \"<Internal>\")\n"
         "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n(codeFiles)\n(docFiles)\n(models)\n",
         "masters sym expected"},
    };
    for (const Case& c : cases) {
        std::string path = WriteFile("bad.pro", c.text);
        prompts.asked.clear();
        auto doc = NewDoc(false);
        EXPECT_FALSE(doc->OnOpenDocument(path)) << c.message;
        ASSERT_FALSE(prompts.asked.empty()) << c.message;
        EXPECT_NE(prompts.asked.back().find(c.message), std::string::npos) << prompts.asked.back();
        EXPECT_FALSE(kest::markactive()) << c.message;
        EXPECT_FALSE(context.libraryLoad);
    }
    // A message about what a file holds names the file, with no system error
    // text after it; once the open ended, failure checks name no file.
    const struct {
        const char* text;
        const char* message;
    } named[] = {
        {"(Quillmark \"8.0\" notation)\n", "Operation failed: bad file header: "},
        {"(Quillmark \"8.0\" project)\n(notation \"<Inter",
         "Operation failed: broken string in file: "},
    };
    for (const auto& c : named) {
        const std::string path = WriteFile("named.pro", c.text);
        prompts.asked.clear();
        EXPECT_FALSE(NewDoc(false)->OnOpenDocument(path));
        ASSERT_FALSE(prompts.asked.empty()) << c.message;
        EXPECT_EQ(prompts.asked.front(), c.message + path + ".");
    }
    prompts.asked.clear();
    EXPECT_THROW(ReportOperationFailure(false, "bad file header"), CIgnoreException);
    EXPECT_EQ(prompts.asked.back(), "Operation failed: bad file header.");
    // A file that is not there.
    prompts.asked.clear();
    EXPECT_FALSE(NewDoc()->OnOpenDocument(scratch / "none.pro"));
    EXPECT_EQ(prompts.asked.back(), "Command failed due to an error:\nCan't open project file: " +
                                        (scratch / "none.pro") + "\nNo such file or directory");
    // A folder opens but gives no bytes: it is no project file, as a file
    // that is not there.
    prompts.asked.clear();
    EXPECT_FALSE(NewDoc()->OnOpenDocument(scratch.Path()));
    EXPECT_EQ(prompts.asked.back(), "Command failed due to an error:\nCan't open project file: " +
                                        scratch.Path() + "\nIs a directory");
    // A file cut short: the reader's reason and the file, in place of the
    // bare "KestScript Error" that ends a read outside any script.
    const std::string cut = WriteFile("cut.pro", std::string(kMinimal) + "(customModel 1 (2");
    prompts.asked.clear();
    EXPECT_FALSE(NewDoc(false)->OnOpenDocument(cut));
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked.back(),
              "Command failed due to an error:\nunexpected end of file: " + cut);
}

// A template file as a writer that leaves hidden tools out makes it: the
// built-in template with tools 3 and 15 deleted from the explorer.
std::string TemplateWithoutHiddenBuiltIns() {
    NotationTemplate notation;
    CreateTemplate(notation, kInternalTemplateName);
    notation.HideTool(*notation.GetTool(3));
    notation.HideTool(*notation.GetTool(15));
    const std::string text = WriteTemplateText(notation);
    std::string kept;
    size_t at = 0;
    for (int tool = -1;; ++tool) {
        const size_t next = text.find("(toolModel", at + 1);
        const size_t end = next == std::string::npos ? text.find("(bitmap") : next;
        if (tool != 3 && tool != 15)
            kept += text.substr(at, end - at);
        if (next == std::string::npos)
            return kept + text.substr(end);
        at = next;
    }
}

TEST_F(DocumentTest, TemplatesWithoutTheirHiddenBuiltInToolsOpenAndTheirProjectsSave) {
    const std::string file = TemplateWithoutHiddenBuiltIns();
    const std::string path = settings.NotationFolder + "/Trimmed.not";
    ASSERT_TRUE(WriteFileReplacing(path, file));
    std::string text = EveryRecord();
    text.replace(text.find("<Internal>"), 10, "Trimmed.not");
    const std::string project = WriteFile("trimmed.pro", text);
    // A recorded save marks the project modified, which a project from the
    // repository writes into its stamp; without a journal the text stays.
    ChangeJournal none;
    ScopedInstall<ChangeJournal> noJournal{&none};

    auto doc = NewDoc();
    ASSERT_TRUE(doc->OnOpenDocument(project))
        << (prompts.asked.empty() ? "" : prompts.asked.back());
    const NotationTemplate& notation = *doc->Template();
    ASSERT_EQ(notation.ToolCount(), 24);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(notation.ToolAt(i)->id, i);
        EXPECT_EQ(notation.ToolAt(i)->ModelNumber(), -1 - i);
        EXPECT_EQ(notation.ToolAt(i)->IsHidden(), i == 3 || i == 15) << i;
    }
    NotationTemplate builtIn;
    CreateTemplate(builtIn, kInternalTemplateName);
    EXPECT_EQ(notation.GetTool(15)->name, builtIn.GetTool(15)->name);
    EXPECT_EQ(doc->StoreText(), text);
    EXPECT_TRUE(doc->OnSaveDocument(project));
    EXPECT_EQ(FileText(project), text);

    // Written again, the template holds every built-in tool, the two hidden.
    NotationTemplate again;
    ReadTemplateText(again, WriteTemplateText(*doc->Template()));
    EXPECT_TRUE(again.GetTool(3)->IsHidden());
    EXPECT_FALSE(again.GetTool(4)->IsHidden());
}

TEST_F(DocumentTest, MissingTemplateFallsBackToTheBuiltInOne) {
    std::string text = kMinimal;
    text.replace(text.find("<Internal>"), 10, "Gone.not");
    prompts.Script(PromptAnswer::No);
    auto doc = Load(text);
    ASSERT_NE(doc->Template(), nullptr);
    EXPECT_EQ(doc->Template()->path, "<Internal>");
    ASSERT_EQ(prompts.asked.size(), 2u);
    const std::string name = settings.NotationFolder + "/Gone.not";
    EXPECT_EQ(prompts.asked[0], "Can't find template \"" + name +
                                    "\" \nWould you like to browse for it or another template?");
    EXPECT_EQ(prompts.asked[1],
              "Can't find template \"" + name + "\" \nWill use <Internal> template instead.");

    // The seven-element genProfile of that file kept the layout defaults.
    EXPECT_EQ(doc->Profile().layout.explorerWidth, 150);
    EXPECT_EQ(doc->Profile().layout.explorerHeight, 150);
    EXPECT_EQ(doc->Profile().layout.listerWidths, (std::array<int32_t, 6>{50, 50, 80, 50, 80, 60}));
}

TEST_F(DocumentTest, TemplateNamesAreLookedUpInTheNotationFolder) {
    std::string internal = "<Internal>";
    EXPECT_TRUE(NewDoc()->FindTemplate(internal, false));
    EXPECT_EQ(internal, "<Internal>");

    std::string present = settings.NotationFolder + "/UML2.1.not";
    WriteFileReplacing(present, "");
    // A full path elsewhere, with either separator, is looked up there by its file name.
    for (std::string name : {std::string("C:\\Notations\\UML2.1.not"), scratch / "x/UML2.1.not"}) {
        prompts.asked.clear();
        EXPECT_TRUE(NewDoc()->FindTemplate(name, false));
        EXPECT_EQ(name, present);
        EXPECT_TRUE(prompts.asked.empty());
    }
    // Browsing: Yes, then the chosen file.
    std::string missing = "missing.not";
    prompts.Script(PromptAnswer::Yes);
    dialogs.open.push_back(present);
    EXPECT_TRUE(NewDoc()->FindTemplate(missing, false));
    EXPECT_EQ(missing, present);
    // Reading a library: silently the built-in template.
    context.libraryLoad = true;
    std::string quiet = "missing.not";
    prompts.asked.clear();
    EXPECT_TRUE(NewDoc()->FindTemplate(quiet, false));
    EXPECT_EQ(quiet, "<Internal>");
    EXPECT_TRUE(prompts.asked.empty());
    context.libraryLoad = false;
}

TEST_F(DocumentTest, ReadOnlyFilesAreNotSaved) {
    std::string path = WriteFile("ro.pro", kMinimal);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    auto doc = Load(kMinimal);
    doc->Masters(); // unchanged document, but a save is still refused
    prompts.asked.clear();
    EXPECT_FALSE(doc->OnSaveDocument(path));
    EXPECT_EQ(prompts.asked, std::vector<std::string>{"Cannot save: project file is read-only"});
    EXPECT_EQ(FileText(path), kMinimal);
    ::chmod(path.c_str(), 0644);
}

TEST_F(DocumentTest, SaveKeepsABackupOfThePreviousFile) {
    std::string path = WriteFile("b.pro", "previous bytes\n");
    auto doc = Load(kMinimal);
    struct Recording : ChangeJournal {
        void RecordChange(ModelDocument* document, ChangeKind kind, const char* name, ModelObject*,
                          ModelObject*) override {
            entries.push_back({document, kind, name});
        }
        struct Entry {
            ModelDocument* document;
            ChangeKind kind;
            std::string name;
        };
        std::vector<Entry> entries;
    } journal;
    ScopedInstall<ChangeJournal> installed(&journal);
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(FileText(path + ".bak"), "previous bytes\n");
    EXPECT_EQ(FileText(path), doc->StoreText());
    ASSERT_EQ(journal.entries.size(), 1u);
    EXPECT_EQ(journal.entries[0].document, doc.get());
    EXPECT_EQ(journal.entries[0].kind, ChangeKind::ProjectSaved);
    EXPECT_EQ(journal.entries[0].name, "(Project Saved)");
    // Nothing but the file and its backup is left in the folder.
    std::vector<std::string> left = ListFiles(scratch.Path(), "b.pro*");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"b.pro", "b.pro.bak"}));

    // A backup that cannot be made stops the save: the file stays as it was.
    std::string blocked = WriteFile("c.pro", "keep me\n");
    ASSERT_TRUE(MakeDirectories(blocked + ".bak"));
    prompts.asked.clear();
    EXPECT_FALSE(doc->OnSaveDocument(blocked));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(
        prompts.asked[0].rfind("Command failed due to an error:\nCan't make the backup copy ", 0),
        0u);
    EXPECT_EQ(FileText(blocked), "keep me\n");
}

// A disk that fills up mid-write: the file size limit makes the write fail.
TEST_F(DocumentTest, FailedSaveLeavesThePreviousFile) {
    std::string path = WriteFile("full.pro", kMinimal);
    auto doc = Load(kMinimal);
    for (int i = 0; i < 200; ++i)
        doc->Folders().otherFiles.push_back("a-long-file-name-that-fills-the-disk-" +
                                            std::to_string(i));
    settings.Options = 0;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 2048;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prompts.asked.clear();
    bool ok = doc->OnSaveDocument(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(
        prompts.asked[0].rfind("Command failed due to an error:\nCan't write project file: ", 0),
        0u)
        << prompts.asked[0];
    EXPECT_EQ(FileText(path), kMinimal);
    EXPECT_EQ(ListFiles(scratch.Path(), "full.pro*"), std::vector<std::string>{"full.pro"});
}

// What saves that were killed or ended by a limit left beside the project
// goes at the next save; what may still be written, or is not ours, stays.
TEST_F(DocumentTest, SavingRemovesTheStaleTemporaryFilesOfEarlierSaves) {
    ChangeJournal none;
    ScopedInstall<ChangeJournal> noJournal{&none};
    settings.Options = 0;
    const std::string path = WriteFile("orphans.pro", kMinimal);
    const time_t old = ::time(nullptr) - 3600;
    auto backdate = [&](const std::string& file) {
        const timeval times[2] = {{old, 0}, {old, 0}};
        ASSERT_EQ(::lutimes(file.c_str(), times), 0) << file;
    };
    const struct {
        const char* name;
        bool stale; // written an hour ago
        bool removed;
    } cases[] = {
        {"orphans.pro.Ab12Cd", true, true},   // a killed save's
        {"orphans.pro.zzzzzz", true, true},   //
        {"orphans.pro.Xy34Zw", false, false}, // written a moment ago
        {"orphans.pro.Lock01", true, false},  // locked: a save in progress
        {"orphans.pro.Ab12Cde", true, false}, // not the temporary pattern
        {"orphans.pro.Ab-2Cd", true, false},  //
        {"orphans.pro.bak", true, false},     //
        {"other.pro.Ab12Cd", true, false},    // another project's
        {"orphans.pro.Dir123", true, false},  // a folder
        {"orphans.pro.Lnk123", true, false},  // a link
        {"orphans.pro.Two123", true, false},  // a second name of a file
    };
    const std::string target = WriteFile("target.txt", "not ours");
    for (const auto& c : cases) {
        const std::string file = scratch / c.name;
        const std::string name = c.name;
        if (name.ends_with("Dir123"))
            ASSERT_TRUE(MakeDirectories(file));
        else if (name.ends_with("Lnk123"))
            ASSERT_EQ(::symlink(target.c_str(), file.c_str()), 0);
        else if (name.ends_with("Two123"))
            ASSERT_EQ(::link(target.c_str(), file.c_str()), 0);
        else
            WriteFile(c.name, "partial (masters");
        if (c.stale)
            backdate(file);
    }
    backdate(target);
    // A writer that holds its temporary file's lock, as a save does to its end.
    const int held = ::open((scratch / "orphans.pro.Lock01").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    auto doc = Load(kMinimal);
    ASSERT_TRUE(doc->OnSaveDocument(path));
    ::close(held);
    for (const auto& c : cases) {
        struct stat st {};
        EXPECT_EQ(::lstat((scratch / c.name).c_str(), &st) != 0, c.removed) << c.name;
    }
    EXPECT_EQ(FileText(target), "not ours");
    // The save's own temporary file is gone too: it was renamed over the project.
    EXPECT_EQ(FileText(path), doc->StoreText());

    // Once no writer holds it, the locked one goes at the next save.
    ASSERT_TRUE(doc->OnSaveDocument(path));
    struct stat st {};
    EXPECT_NE(::lstat((scratch / "orphans.pro.Lock01").c_str(), &st), 0);
}

TEST_F(DocumentTest, StampWrittenFollowsTheModifiedFlag) {
    auto doc = Load(kMinimal);
    struct Case {
        const char* version;
        int32_t changed;
        bool modified;
        const char* expected;
    } cases[] = {
        {"", 0, true, "(repository \"\" 0)"},
        {"1.2", 0, false, "(repository \"1.2\" 0)"},
        {"1.2", 0, true, "(repository \"1.2\" 1)"},
        {"", 1, false, "(repository \"\" 1)"},
    };
    for (const Case& c : cases) {
        doc->SetRepositoryStamp(c.version, c.changed);
        doc->SetModifiedFlag(c.modified);
        EXPECT_NE(doc->StoreText().find(c.expected), std::string::npos) << c.expected;
    }
}

TEST_F(DocumentTest, HashFormsAreReadWithoutRunningThem) {
    kest::readtimeevaluation = true;
    // Made before the read, so the read's own symbols going at the end of
    // its heap mark cannot hide a value set while reading.
    kest::Symbol* marker = kest::intern("ran");
    std::string text = kMinimal;
    text.replace(text.find("\"\" 0 nil nil"), 2, "#(setq ran 1)");
    auto doc = Load(text);
    EXPECT_EQ(doc->StoreText().find("setq"), std::string::npos);
    EXPECT_EQ(marker->kind(), kest::KPlain);
    EXPECT_TRUE(kest::readtimeevaluation);
}

// The index of links by source master answers as the pass over every model
// does, list by list and in the same order, and stops being current once a
// model changes.
TEST_F(DocumentTest, TheAssociationIndexAnswersAsThePassOverEveryModel) {
    auto doc = Load(EveryRecord());
    CCASEDoc::AssociationIndex index(*doc);
    EXPECT_TRUE(index.IsCurrent(*doc));
    size_t links = 0;
    for (const auto& master : doc->Masters().Masters()) {
        DrawableRefList passed[4], indexed[4];
        doc->CollectAssociations(master.get(), passed[0], passed[1], passed[2], passed[3]);
        doc->CollectAssociations(master.get(), indexed[0], indexed[1], indexed[2], indexed[3],
                                 &index);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(passed[i], indexed[i]) << master->name << " list " << i;
            links += passed[i].size();
        }
    }
    EXPECT_GT(links, 0u);

    Model* classes = doc->FindModelByName("Classes");
    ASSERT_NE(classes, nullptr);
    Drawable* link = nullptr;
    for (const auto& drawable : classes->Drawables())
        if (drawable->IsLink())
            link = drawable.get();
    ASSERT_NE(link, nullptr);
    std::unique_ptr<Drawable> taken = classes->RemoveDrawable(link, false);
    EXPECT_FALSE(index.IsCurrent(*doc));
}

TEST_F(DocumentTest, ModelListOperations) {
    auto doc = Load(kMinimal);
    std::vector<Model*> models;
    for (const char* name : {"a", "b", "c"}) {
        std::unique_ptr<Model> model = CreateModelOfKind(&doc->IdMap(), doc->Template(), MkClass);
        model->name = name;
        models.push_back(model.get());
        doc->AddModel(std::move(model));
    }
    EXPECT_EQ(doc->FindModelByName("b"), models[1]);
    EXPECT_EQ(doc->FindModelByName("B"), nullptr);
    EXPECT_EQ(doc->GetModelAt(3), nullptr);
    EXPECT_EQ(doc->GetModelIndex(nullptr), 0u);
    doc->MoveModel(models[2], models[0], false);
    EXPECT_EQ(doc->GetModelAt(0), models[2]);
    EXPECT_TRUE(doc->IsModified());
    doc->MoveModel(models[2], nullptr, false);
    EXPECT_EQ(doc->GetModelAt(2), models[2]);
    doc->MoveModel(models[1], nullptr, true);
    EXPECT_EQ(doc->GetModelAt(0), models[1]);
    doc->MoveModel(nullptr, models[0], true);
    EXPECT_EQ(prompts.beeps, 1);
    doc->SetCurrentModel(models[2]);
    EXPECT_EQ(doc->CurrentModelIndex(), 2);
}

TEST_F(DocumentTest, QueriesOverModelsAndDrawables) {
    // Saved without a journal: its "(Project Saved)" entry would set the
    // modified flag, and with it the check-in stamp's changed flag.
    ChangeJournal none;
    ScopedInstall<ChangeJournal> noJournal{&none};
    auto doc = Load(EveryRecord());
    Model* states = doc->FindModelByName("States");
    ASSERT_NE(states, nullptr);
    Drawable* member = FindObjectById(states->Drawables(), "m-2");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(doc->FindModelOfDrawable(member), states);
    EXPECT_EQ(doc->FindModelOfDrawable(nullptr), nullptr);

    doc->MarkModels(true);
    for (size_t i = 0; i < doc->ModelCount(); ++i)
        EXPECT_TRUE(doc->GetModelAt(i)->IsMarked());
    doc->MarkDrawables(true);
    EXPECT_TRUE(states->Drawables().front()->IsMarked());
    doc->MarkModels(false);
    EXPECT_FALSE(states->IsMarked());

    // The place of a master, with its model; none for a master without one.
    Master* shape = doc->Masters().FindByGuid("m-shape-000001");
    Master* loose = doc->Masters().FindByGuid("m-loose-000001");
    ASSERT_TRUE(shape != nullptr && loose != nullptr);
    Model* found = nullptr;
    Drawable* place = doc->FindPlaceOfMaster(shape, &found);
    ASSERT_NE(place, nullptr);
    EXPECT_STREQ(IdOf(place), "p-shape-00001");
    EXPECT_EQ(found, doc->FindModelByName("Classes"));
    EXPECT_EQ(doc->FindModelOfDrawable(place), found);
    EXPECT_EQ(doc->FindPlaceOfMaster(loose, &found), nullptr);
    EXPECT_EQ(found, nullptr);

    // Associations: the lists are emptied first, then the links that leave
    // the master's places are collected (Circle's inheritance from Shape).
    DrawableRefList a{member}, b{member}, c{member}, d{member};
    doc->CollectAssociations(doc->Masters().FindByGuid("m-circle-00001"), a, b, c, d);
    EXPECT_EQ(a.size() + b.size() + c.size() + d.size(), 1u);
    for (const DrawableRefList* list : {&a, &b, &c, &d}) {
        for (const Drawable* collected : *list)
            EXPECT_STREQ(IdOf(collected), "l-inherit-001");
    }
    doc->CollectAssociations(loose, a, b, c, d);
    EXPECT_TRUE(a.empty() && b.empty() && c.empty() && d.empty());

    ASSERT_NE(doc->FindTool(10), nullptr);
    EXPECT_EQ(doc->FindTool(5000), nullptr);
    doc->BindTemplate();
    EXPECT_EQ(doc->StoreText(), EveryRecord());

    // Auto-save skips a read-only file and saves a writable one.
    std::string path = WriteFile("auto.pro", "old\n");
    doc->SetPathName(path);
    ::chmod(path.c_str(), 0444);
    doc->AutoSave();
    EXPECT_EQ(FileText(path), "old\n");
    ::chmod(path.c_str(), 0644);
    doc->AutoSave();
    EXPECT_EQ(FileText(path), EveryRecord());
}

// A window that records what the document asks of it, and the project
// tree and the master lister that follow the document's events.
struct RecordingWindow : DocumentFrame, DocumentObserver {
    FrameLayout CurrentLayout() const override {
        return {700, 500, 160, 170, {1, 2, 3, 4, 5, 6}, 1};
    }
    void ShowModelAt(int32_t index) override { Note("show " + std::to_string(index)); }
    void ApplyLayout(const FrameLayout& layout, bool) override {
        Note("layout " + std::to_string(layout.frameWidth));
    }
    void BeginProgress(int range) override { Note("begin " + std::to_string(range)); }
    void SetProgress(int position) override { positions.push_back(position); }
    void EndProgress(const std::string& text) override { Note("end " + text); }
    void ClearLog() override { Note("clear log"); }
    void ProjectTreeChanged() override {
        Note("tree");
        Note("models");
    }
    void MastersChanged(const std::vector<Master*>& masters) override {
        listed += int(masters.size());
    }
    void SetTemplateLabel(const std::string& name) override { Note("label " + name); }
    void ShowFirstModel() override { Note("first"); }
    void UpdateLibraryPane(bool fill) override { Note(fill ? "library" : "no library"); }
    void Note(const std::string& what) { calls.push_back(what); }
    std::vector<std::string> calls;
    std::vector<int> positions;
    int listed = 0;
};

TEST_F(DocumentTest, ProgressAndPanesFollowLoadAndSave) {
    RecordingWindow window;
    auto doc = NewDoc(false);
    doc->SetFrame(&window);
    doc->Events().AddObserver(&window);
    doc->LoadText(EveryRecord());
    EXPECT_EQ(window.positions, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"clear log", "begin 100", "tree", "models",
                                                      "end Loaded", "show 3", "layout 640"}));
    EXPECT_EQ(window.listed, 5);

    window.calls.clear();
    window.positions.clear();
    std::string path = WriteFile("p.pro", "");
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(window.positions, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(window.calls, (std::vector<std::string>{"begin 100", "end Saved"}));
    // The save captured the window's layout.
    EXPECT_NE(FileText(path).find(" 700 500 160 170 1 2 3 4 5 6 1 0)"), std::string::npos);

    window.calls.clear();
    auto failing = NewDoc(false);
    failing->SetFrame(&window);
    EXPECT_NE(failure([&] { failing->LoadText("(Quillmark \"8.0\" project)\n(notation 1)\n"); }),
              "");
    EXPECT_EQ(window.calls.back(), "end Failed");

    // A hidden document touches no window.
    window.calls.clear();
    auto hidden = NewDoc(true);
    hidden->SetFrame(&window);
    hidden->LoadText(EveryRecord());
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(DocumentTest, ClipboardProgressEndsWithItsStatusWord) {
    RecordingWindow window;
    auto doc = NewDoc(false);
    doc->LoadText(EveryRecord());
    doc->SetFrame(&window);
    Model* classes = doc->FindModelByName("Classes");
    // Nothing marked and nothing selected.
    doc->CopyToClipboardFile(classes, std::vector<Drawable*>{});
    EXPECT_EQ(window.calls.back(), "end Copied");
    EXPECT_FALSE(doc->PasteFromClipboardFile(true, classes, {}));
    EXPECT_EQ(window.calls.back(), "end Nothing to Paste");
    EXPECT_EQ(prompts.beeps, 1);

    doc->CopyToClipboardFile(classes, std::vector<Drawable*>{classes->Drawables().front().get()});
    EXPECT_TRUE(doc->PasteFromClipboardFile(true, classes, {}));
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "end Pasted"),
              window.calls.end());
    EXPECT_EQ(prompts.beeps, 1);
}

} // namespace
} // namespace qm
