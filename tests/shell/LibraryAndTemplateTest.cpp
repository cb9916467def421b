// The library menu on a small library project (its sub-menus, the symbols'
// order and pictures, a library that cannot be opened, a symbol placed as a
// place) and the template commands of a project window (new tool and
// stereotype models, Save Template read back, Switch Template).
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelDialogs.h"
#include "dialogs/options/OptionSheet.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/PlaceGroup.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "editor/TContent.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "shell/CCASEApp.h"
#include "shell/bars/LibraryMenu.h"
#include "shell/commands/ModelCommands.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/panes/Explorer.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QAction>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace qm {
namespace {

const std::string kLibrary = QM_FIXTURES "/shell/library.pro";

// File dialogs that answer with a fixed path (or cancel with none) and
// remember what they were asked.
class FixedFileDialogs : public FileDialogs {
  public:
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
        asked.push_back(request);
        return answer;
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
        asked.push_back(request);
        return answer;
    }
    std::optional<std::string> ChooseTemplate(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> answer;
    std::vector<FileDialogRequest> asked;
};

// Chooses an entry of the template dialog by its text.
class ChooseTemplate : public DialogAnswerer {
  public:
    explicit ChooseTemplate(std::string entry) : entry_(std::move(entry)) {}
    void Answer(QDialog& dialog) override {
        auto* choice = dynamic_cast<CTemplateDialog*>(&dialog);
        const auto found =
            choice != nullptr
                ? choice->List()->findItems(QString::fromStdString(entry_), Qt::MatchExactly)
                : QList<QListWidgetItem*>();
        if (found.isEmpty()) {
            dialog.reject();
            return;
        }
        choice->List()->setCurrentItem(found.front());
        dialog.accept();
    }

  private:
    std::string entry_;
};

class WindowTest : public test::ProjectWindowTest {
  protected:
    WindowTest() {
        saved = app->Env()->Context().dialogs;
        app->Env()->Context().dialogs = &dialogs;
    }
    ~WindowTest() override { app->Env()->Context().dialogs = saved; }

    CChildFrame& Frame() { return *frame->ActiveChild(); }
    LibraryMenu& Library() { return *frame->Library(); }
    CommandState State(int id) {
        CommandState state;
        EXPECT_TRUE(Frame().OnUpdateCommand(id, state)) << id;
        return state;
    }
    std::string LastRecord() {
        const auto& records = Document().GetJournal().Records();
        return records.empty() ? "" : records.back().description;
    }
    static std::vector<std::string> Texts(const QMenu& menu) {
        std::vector<std::string> texts;
        for (QAction* action : menu.actions())
            texts.push_back(action->isSeparator() ? "|" : action->text().toStdString());
        return texts;
    }

    FixedFileDialogs dialogs;
    FileDialogs* saved = nullptr;
};

// ---- the library menu ----

TEST_F(WindowTest, ALibraryProjectsSymbolsFillTheMenuColumnByColumn) {
    Library().Load(kLibrary);
    ASSERT_NE(Library().Document(), nullptr);
    // Primitive sub-menus first, then after a separator the place ones; a
    // model without symbols is greyed.
    EXPECT_EQ(Texts(Library().Menu()),
              (std::vector<std::string>{"Use As Primitive", "Use As Place", "Load Library...", "|",
                                        "Shapes", "Empty", "|", "Blocks", "Mixed"}));
    ASSERT_EQ(Library().Submenus().size(), 4u);
    TLibMenu& shapes = *Library().Submenus()[0];
    TLibMenu& empty = *Library().Submenus()[1];
    TLibMenu& blocks = *Library().Submenus()[2];
    EXPECT_FALSE(empty.isEnabled());
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_TRUE(blocks.HoldsPlaces());
    // As many primitive as place symbols: the places are kept.
    TLibMenu& mixed = *Library().Submenus()[3];
    EXPECT_TRUE(mixed.HoldsPlaces());
    EXPECT_EQ(mixed.Count(), 1);

    // The file lists the symbols backwards; the menu follows the drawing's
    // columns, top to bottom, eight to a column.
    const std::vector<std::string> order{"Box",   "Round", "Oval", "Frame", "Note",
                                         "Cloud", "Drum",  "Disk", "Sun"};
    ASSERT_EQ(shapes.Items().size(), order.size());
    auto* grid = static_cast<QGridLayout*>(shapes.Grid()->layout());
    for (size_t i = 0; i < order.size(); ++i) {
        QAction* item = shapes.Items()[i];
        EXPECT_EQ(item->text().toStdString(), order[i]);
        EXPECT_EQ(item->data().toInt(), LibraryMenu::kFirstSymbolId + int(i));
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(int(i), &row, &column, &rows, &columns);
        EXPECT_EQ(row, int(i) % 8) << order[i];
        EXPECT_EQ(column, int(i) / 8) << order[i];
    }
    EXPECT_EQ(blocks.FirstId(), LibraryMenu::kFirstSymbolId + 9);
    EXPECT_EQ(blocks.Items()[0]->text().toStdString(), "Block");

    // Commands find their symbol and model; ids outside every range none.
    struct Case {
        int command;
        const char* model;
        const char* symbol;
    };
    for (const Case& c : {Case{11010, "Shapes", "Box"}, Case{11018, "Shapes", "Sun"},
                          Case{11019, "Blocks", "Block"}, Case{11020, "Blocks", "Store"},
                          Case{11021, "Mixed", "Store"}, Case{11022, nullptr, nullptr},
                          Case{11009, nullptr, nullptr}}) {
        Model* model = Library().GetModelForCommand(c.command);
        Drawable* symbol = Library().GetSymbolForCommand(c.command);
        if (c.model == nullptr) {
            EXPECT_EQ(model, nullptr) << c.command;
            EXPECT_EQ(symbol, nullptr) << c.command;
            continue;
        }
        ASSERT_NE(model, nullptr) << c.command;
        ASSERT_NE(symbol, nullptr) << c.command;
        EXPECT_EQ(model->name, c.model);
        EXPECT_EQ(TLibMenu::SymbolName(*symbol, 0), c.symbol);
    }

    // Each item shows its symbol: the picture is not blank.
    for (QAction* item : {shapes.Items()[0], blocks.Items()[0]}) {
        const QImage picture = item->icon()
                                   .pixmap(TLibMenu::ItemSize(item == blocks.Items()[0]))
                                   .toImage()
                                   .convertToFormat(QImage::Format_RGB32);
        int dark = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                dark += qGray(picture.pixel(x, y)) < 128;
        EXPECT_GT(dark, 20) << item->text().toStdString();
    }

    // The same library again is not read again.
    CCASEDoc* document = Library().Document();
    Library().Load(kLibrary);
    EXPECT_EQ(Library().Document(), document);
}

TEST_F(WindowTest, ALibraryThatCannotBeOpenedShowsCantOpen) {
    const std::string garbage = scratch / "garbage.pro";
    ASSERT_TRUE(WriteFileReplacing(garbage, "(Quillmark \"8.0\" project)\n(masters (master"));
    for (const std::string& path : {scratch / "missing.pro", garbage}) {
        Library().Load(path);
        const std::vector<std::string> texts = Texts(Library().Menu());
        ASSERT_EQ(texts.size(), 5u) << path;
        EXPECT_EQ(texts.back(), "Can't open " + path);
        EXPECT_FALSE(Library().Menu().actions().back()->isEnabled());
        EXPECT_TRUE(Library().Submenus().empty());
        ASSERT_NE(Library().Document(), nullptr);
        EXPECT_EQ(Library().Document()->ModelCount(), 0u);
        EXPECT_TRUE(Library().Entry(cmd::LibraryUseAsPlace)->isEnabled());
        EXPECT_EQ(Library().GetSymbolForCommand(11010), nullptr);
    }
    // A good library afterwards replaces the entry.
    Library().Load(kLibrary);
    EXPECT_EQ(Texts(Library().Menu()).size(), 9u);
}

TEST_F(WindowTest, LoadLibraryAsksForAProjectAndKeepsItInTheSettings) {
    dialogs.answer = kLibrary;
    EXPECT_TRUE(Frame().OnCommand(cmd::LibraryLoad));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].filter, "Library Project Files (*.pro) | *.pro ||");
    EXPECT_EQ(dialogs.asked[0].defaultExtension, "pro");
    EXPECT_EQ(app->Env()->Settings().DefaultLibrary, kLibrary);
    EXPECT_EQ(Library().Submenus().size(), 4u);

    // Cancelled, nothing changes.
    dialogs.answer.reset();
    EXPECT_TRUE(Frame().OnCommand(cmd::LibraryLoad));
    EXPECT_EQ(app->Env()->Settings().DefaultLibrary, kLibrary);
}

TEST_F(WindowTest, ANewDefaultLibraryInTheOptionsReloadsTheLibraryMenuAtOnce) {
    ASSERT_TRUE(frame->RouteCommand(cmd::ToolsOptions));
    COptionSheet* sheet = frame->OptionSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(Library().Path(), kLibrary);
    sheet->Locations()
        .Edit(COptionPage2::DefaultLibrary)
        ->setText(QString::fromStdString(kLibrary));
    sheet->OkButton()->click();
    EXPECT_EQ(app->Env()->Settings().DefaultLibrary, kLibrary);
    EXPECT_EQ(Library().Path(), kLibrary);
    EXPECT_EQ(Library().Submenus().size(), 4u);
    ASSERT_NE(Library().Document(), nullptr);
    EXPECT_GT(Library().Document()->ModelCount(), 0u);

    // The options applied again with the same library read nothing anew.
    const CCASEDoc* loaded = Library().Document();
    ASSERT_TRUE(frame->RouteCommand(cmd::ToolsOptions));
    sheet->OkButton()->click();
    EXPECT_EQ(Library().Document(), loaded);
}

TEST_F(WindowTest, UseAsPlaceCreatesAPlaceGroupOfTheSymbolAtTheClick) {
    Library().Load(kLibrary);
    // The switch: one check mark at a time, "Use As Place" at first.
    EXPECT_EQ(Library().Mode(), 1);
    EXPECT_TRUE(Frame().OnCommand(cmd::LibraryUseAsPrimitive));
    EXPECT_EQ(Library().Mode(), 0);
    EXPECT_TRUE(Library().Entry(cmd::LibraryUseAsPrimitive)->isChecked());
    EXPECT_FALSE(Library().Entry(cmd::LibraryUseAsPlace)->isChecked());
    EXPECT_TRUE(Frame().OnCommand(cmd::LibraryUseAsPlace));
    EXPECT_EQ(Library().Mode(), 1);
    EXPECT_TRUE(Library().Entry(cmd::LibraryUseAsPlace)->isChecked());
    EXPECT_FALSE(Library().Entry(cmd::LibraryUseAsPrimitive)->isChecked());

    // Choosing the "Oval" item makes it the current tool and closes the
    // whole menu, so that the next click reaches the diagram.
    Library().Menu().popup(QPoint(10, 10));
    Library().Submenus()[0]->popup(QPoint(100, 10));
    QAction* oval = Library().Submenus()[0]->Items()[2];
    oval->trigger();
    EXPECT_EQ(Frame().CurrentTool(), 11012);
    EXPECT_FALSE(Library().Menu().isVisible());
    EXPECT_FALSE(Library().Submenus()[0]->isVisible());

    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    // Undo leaves the project modified: the text compared is a modified one's.
    Document().SetModifiedFlag(true);
    const std::string before = Document().StoreText();
    const size_t count = model->Drawables().size();
    TContent& view = *Frame().View();
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    const CPoint click(600, 400);
    const CPoint scroll = view.ScrollPosition();
    QTest::mouseClick(
        view.viewport(), Qt::LeftButton, Qt::NoModifier,
        QPoint(int(click.x * model->zoom) - scroll.x, int(click.y * model->zoom) - scroll.y));
    ASSERT_EQ(model->Drawables().size(), count + 1);
    auto* made = dynamic_cast<PlaceGroup*>(model->Drawables().back().get());
    ASSERT_NE(made, nullptr);
    ASSERT_NE(made->master, nullptr);
    EXPECT_EQ(made->master->name, "Oval");
    EXPECT_NEAR(made->bounds.CenterPoint().x, click.x, 1);
    EXPECT_NEAR(made->bounds.CenterPoint().y, click.y, 1);
    EXPECT_EQ(LastRecord(), "Create Symbol from Library");
    // The tool was for one symbol.
    EXPECT_EQ(Frame().CurrentTool(), TkPointer);

    ASSERT_TRUE(Document().GetJournal().Replay(1, false));
    EXPECT_EQ(Document().StoreText(), before);
}

TEST_F(WindowTest, TheLibraryButtonIsOffInAToolModel) {
    EXPECT_TRUE(State(cmd::LibraryDropDown).enabled);
    Frame().ShowModel(Document().Template()->GetTool(10));
    EXPECT_FALSE(State(cmd::LibraryDropDown).enabled);
}

// ---- the template commands ----

TEST_F(WindowTest, NewToolAndStereotypeModelsFollowTheExplorerAndTheCurrentTool) {
    NotationTemplate& notation = *Document().Template();
    TExplorer& explorer = *Frame().Explorer();
    const std::string before = Document().StoreText();

    // Nothing selected and the pointer tool: neither command.
    explorer.setCurrentItem(nullptr);
    Frame().SetCurrentTool(TkPointer);
    EXPECT_FALSE(State(cmd::NewToolModel).enabled);
    EXPECT_FALSE(State(cmd::NewStereotypeModel).enabled);
    // A place tool current: both.
    Frame().SetCurrentTool(12);
    EXPECT_TRUE(State(cmd::NewToolModel).enabled);
    EXPECT_TRUE(State(cmd::NewStereotypeModel).enabled);

    // With the "Links" folder selected a link tool is made; a stereotype
    // needs a tool to start from.
    Frame().SetCurrentTool(TkPointer);
    explorer.setCurrentItem(explorer.Folder(EfLinks));
    EXPECT_TRUE(State(cmd::NewToolModel).enabled);
    EXPECT_FALSE(State(cmd::NewStereotypeModel).enabled);
    EXPECT_TRUE(Frame().OnCommand(cmd::NewToolModel));
    ToolModel* link = notation.GetTool(100);
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->IsLinkTool());
    EXPECT_EQ(link->name, "Untitled");
    EXPECT_FALSE(link->IsVariant());
    EXPECT_EQ(LastRecord(), "New Tool Model");
    EXPECT_EQ(explorer.ModelOfItem(explorer.currentItem()), link);
    EXPECT_LT(link->iconSlot, notation.toolBitmap.SlotCount());

    // A stereotype of the selected tool, then one of that stereotype: both
    // refer to the tool that is no stereotype.
    EXPECT_TRUE(State(cmd::NewStereotypeModel).enabled);
    EXPECT_TRUE(Frame().OnCommand(cmd::NewStereotypeModel));
    ToolModel* first = notation.GetTool(101);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->baseId, 100);
    EXPECT_TRUE(first->IsLinkTool());
    EXPECT_EQ(LastRecord(), "New Stereotype Model");
    EXPECT_TRUE(Frame().OnCommand(cmd::NewStereotypeModel));
    ToolModel* second = notation.GetTool(102);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->baseId, 100);

    // The places folder makes a place tool.
    explorer.setCurrentItem(explorer.Folder(EfPlaces));
    EXPECT_TRUE(Frame().OnCommand(cmd::NewToolModel));
    ASSERT_NE(notation.GetTool(103), nullptr);
    EXPECT_TRUE(notation.GetTool(103)->IsPlaceTool());

    // Undo hides each new tool again; the project's text is as it was.
    ASSERT_TRUE(Document().GetJournal().Replay(4, false));
    for (int id = 100; id <= 103; ++id)
        EXPECT_TRUE(notation.GetTool(id)->IsHidden()) << id;
    EXPECT_EQ(Document().StoreText(), before);
}

TEST_F(WindowTest, SaveTemplateWritesATemplateTheNextStartReadsBackEqual) {
    NotationTemplate& notation = *Document().Template();
    Frame().Explorer()->setCurrentItem(Frame().Explorer()->Folder(EfPlaces));
    ASSERT_TRUE(Frame().OnCommand(cmd::NewToolModel));
    notation.GetTool(100)->name = "Actor";

    // Cancelled: nothing written.
    EXPECT_TRUE(Frame().OnCommand(cmd::SaveTemplate));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].filter, "Template Files (*.not) | *.not ||");

    const std::string path = scratch / "Mine.not";
    dialogs.answer = path;
    EXPECT_TRUE(Frame().OnCommand(cmd::SaveTemplate));
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(Document().Template()->path, path);
    EXPECT_NE(Document().GetTitle().find("Mine.not"), std::string::npos) << Document().GetTitle();

    NotationTemplate again;
    ASSERT_NE(CreateTemplate(again, path), 0);
    EXPECT_EQ(WriteTemplateText(again), WriteTemplateText(*Document().Template()));
    ASSERT_NE(again.GetTool(100), nullptr);
    EXPECT_EQ(again.GetTool(100)->name, "Actor");
}

TEST_F(WindowTest, ASharedTemplateSavedBecomesTheProjectsOwnCopy) {
    // The library project holds the same built-in template.
    Library().Load(kLibrary);
    NotationTemplate* shared = Document().Template();
    ASSERT_EQ(Library().Document()->Template(), shared);
    Master* circle = Document().Masters().FindByGuid("m-circle-00001");
    ASSERT_NE(circle, nullptr);

    const std::string path = scratch / "Copy.not";
    dialogs.answer = path;
    EXPECT_TRUE(Frame().OnCommand(cmd::SaveTemplate));
    NotationTemplate* copy = Document().Template();
    ASSERT_NE(copy, shared);
    EXPECT_EQ(copy->path, path);
    EXPECT_EQ(shared->path, kInternalTemplateName);
    EXPECT_EQ(Library().Document()->Template(), shared);
    EXPECT_EQ(shared->GetRefCount(), 1);
    EXPECT_EQ(copy->GetRefCount(), 1);
    // The project's masters use the copy's tools now.
    EXPECT_EQ(circle->tool, copy->GetTool(10));
    EXPECT_NE(Document().GetTitle().find("Copy.not"), std::string::npos);
}

TEST_F(WindowTest, SwitchTemplateWithoutModelsShowsNoToolModel) {
    const std::string folder = scratch / "Notations";
    ASSERT_TRUE(MakeDirectories(folder));
    app->Env()->Settings().NotationFolder = folder;
    {
        NotationTemplate other;
        ASSERT_NE(CreateTemplate(other, kInternalTemplateName), 0);
        ASSERT_TRUE(WriteFileReplacing(JoinPath(folder, "Other.not"), WriteTemplateText(other)));
    }
    TExplorer* explorer = Frame().Explorer();
    ASSERT_NE(explorer, nullptr);
    while (Document().ModelCount() > 0)
        explorer->DeleteModel(Document().GetModelAt(0), int(ChangeKind::Delete), false, false);
    NotationTemplate* old = Document().Template();
    ASSERT_TRUE(Frame().ShowModel(old->GetTool(10)));
    ASSERT_EQ(Document().CurrentModel(), old->GetTool(10));

    ChooseTemplate other("Other.not");
    ScopedDialogAnswerer scoped(&other);
    prompts.Script(PromptAnswer::Yes);
    EXPECT_TRUE(Frame().OnCommand(cmd::SwitchTemplate));
    ASSERT_NE(Document().Template(), old);
    EXPECT_EQ(Document().CurrentModel(), nullptr);
}

TEST_F(WindowTest, SwitchTemplateRebindsTheProjectsToolsByTheirNumbers) {
    // Another template: the built-in one with its class tool renamed.
    const std::string folder = scratch / "Notations";
    ASSERT_TRUE(MakeDirectories(folder));
    app->Env()->Settings().NotationFolder = folder;
    {
        NotationTemplate other;
        ASSERT_NE(CreateTemplate(other, kInternalTemplateName), 0);
        other.GetTool(10)->name = "Klasse";
        ASSERT_TRUE(WriteFileReplacing(JoinPath(folder, "Other.not"), WriteTemplateText(other)));
    }
    NotationTemplate* old = Document().Template();
    Master* circle = Document().Masters().FindByGuid("m-circle-00001");
    ASSERT_NE(circle, nullptr);
    ASSERT_EQ(circle->tool, old->GetTool(10));

    // The template in use: nothing asked, nothing changed.
    {
        ChooseTemplate same("<Internal>");
        ScopedDialogAnswerer scoped(&same);
        prompts.asked.clear();
        EXPECT_TRUE(Frame().OnCommand(cmd::SwitchTemplate));
        EXPECT_TRUE(prompts.asked.empty());
        EXPECT_EQ(Document().Template(), old);
    }
    ChooseTemplate other("Other.not");
    ScopedDialogAnswerer scoped(&other);
    // Declining the question changes nothing.
    const int references = old->GetRefCount();
    prompts.Script(PromptAnswer::No);
    EXPECT_TRUE(Frame().OnCommand(cmd::SwitchTemplate));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "Switching template will cause the undo/redo history to be "
                                "cleared.\nDo you want to proceed?");
    EXPECT_EQ(Document().Template(), old);
    EXPECT_EQ(old->GetRefCount(), references);
    EXPECT_EQ(app->Env()->Templates().Templates().size(), 1u);

    prompts.Script(PromptAnswer::Yes);
    EXPECT_TRUE(Frame().OnCommand(cmd::SwitchTemplate));
    NotationTemplate* now = Document().Template();
    ASSERT_NE(now, old);
    EXPECT_EQ(FileNameOfPath(now->path), "Other.not");
    EXPECT_EQ(circle->tool, now->GetTool(10));
    EXPECT_EQ(now->GetTool(10)->name, "Klasse");
    EXPECT_TRUE(Document().GetJournal().Records().empty());
    EXPECT_TRUE(Document().IsModified());
    EXPECT_NE(Document().GetTitle().find("Other.not"), std::string::npos);
}

} // namespace
} // namespace qm
