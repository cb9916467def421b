// The windowed application's frames, offscreen: the menus built from the
// command tables, the update rules along the chain, the zoom box, auto-save,
// the Tasks menu, the viewer of attachments, the log window and About box.
#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "document/DocumentManager.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "drawables/UiControl.h"
#include "editor/TContent.h"
#include "editor/TEdit.h"
#include "model/ChangeJournal.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "platform/UserSettings.h"
#include "shell/MainWindow.h"
#include "shell/bars/Palettes.h"
#include "shell/bars/TToolBar.h"
#include "shell/bars/ZoomComboBox.h"
#include "shell/frames/AboutDialog.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/frames/UndoListDialog.h"
#include "shell/panes/LogWindow.h"
#include "shell/panes/Overview.h"
#include "shell/panes/SidePane.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace qm {
namespace {

// The picture a tool bar button shows, and the one of a template's tool icon
// slot, in one format to compare.
QImage ShownButtonIcon(TToolBar& bar, int id) {
    return bar.ActionOf(id)
        ->icon()
        .pixmap(QSize(16, 15))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage ToolSlotPicture(const NotationTemplate& notation, int slot) {
    return StripPixmap(notation.toolBitmap)
        .copy(16 * slot, 0, 16, 15)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void Mouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class Frames : public test::WindowedAppTest {
  protected:
    // The place of the fixture's Shape class (two attributes, two methods).
    Place* ShapePlace() {
        for (const auto& drawable : Document().CurrentModel()->Drawables())
            if (auto* p = dynamic_cast<Place*>(drawable.get()); p && p->master &&
                                                                p->master->attributes.size() >= 2 &&
                                                                p->master->methods.size() >= 2)
                return p;
        return nullptr;
    }
    // One recorded edit: shows or hides member index (attributes, then
    // methods) of the Shape class in the diagram.
    void ToggleMember(size_t index) {
        CCASEDoc& document = Document();
        Place* place = ShapePlace();
        Master& master = *place->master;
        Journal().BeginChange(&document, ChangeKind::Annotation);
        if (index < 2) {
            MasterAttribute* a = master.attributes[index].get();
            master.SetMemberAnnotation(&document, document.CurrentModel(), place,
                                       (a->mode & ModeAnnotate) == 0, a, nullptr, nullptr);
        } else {
            MasterMethod* m = master.methods[index - 2].get();
            master.SetMemberAnnotation(&document, document.CurrentModel(), place,
                                       (m->mode & ModeAnnotate) == 0, nullptr, m, nullptr);
        }
    }

    // "Menu/Sub/Item\tShortcut" of every item, in order.
    static void Collect(QMenu& menu, const std::string& path, std::vector<std::string>& out) {
        for (QAction* action : menu.actions()) {
            if (action->isSeparator()) {
                out.push_back(path + "/-");
                continue;
            }
            const std::string text = PlainLabel(action->text().toStdString());
            if (QMenu* sub = action->menu()) {
                Collect(*sub, path + "/" + text, out);
                continue;
            }
            std::string item = path + "/" + text;
            if (!action->shortcut().isEmpty())
                item += "\t" + action->shortcut().toString().toStdString();
            out.push_back(item);
        }
    }
};

TEST_F(Frames, MenusHoldTheLabelsAndShortcutsInOrder) {
    CMainFrame& frame = Start({project});
    std::vector<std::string> items;
    for (QAction* top : frame.menuBar()->actions())
        Collect(*top->menu(), PlainLabel(top->text().toStdString()), items);
    const std::vector<std::string> expected = {
        "File/New\tCtrl+N",
        "File/Open...\tCtrl+O",
        "File/Close",
        "File/Save\tCtrl+S",
        "File/Save As...",
        "File/Save Template...",
        "File/Switch to Template...",
        "File/-",
        "File/Open File Separately",
        "File/Load Reference Project...",
        "File/-",
        "File/Repository/Browse...",
        "File/Repository/Check In",
        "File/-",
        "File/Print...\tCtrl+P",
        "File/Save Image...",
        "File/Print Setup...",
        "File/-",
        "File/Exit",
        "Edit/Undo\tCtrl+Z",
        "Edit/Redo\tCtrl+Y",
        "Edit/-",
        "Edit/Cut\tCtrl+X",
        "Edit/Copy\tCtrl+C",
        "Edit/Shallow Copy\tCtrl+W",
        "Edit/Paste\tCtrl+V",
        "Edit/Delete\tDel",
        "Edit/-",
        "Edit/Find...\tCtrl+F",
        "Edit/Replace...\tCtrl+R",
        "Edit/-",
        "Edit/Properties...\tCtrl+I",
        "Edit/Select All\tCtrl+A",
        "Edit/Select Explodes",
        "Arrange/Bring To Front",
        "Arrange/Send To Back",
        "Arrange/Flip Horizontal",
        "Arrange/Flip Vertical",
        "Arrange/Rotate Right",
        "Arrange/Rotate Left",
        "Arrange/Group  As Primitive\tCtrl+G",
        "Arrange/Group As Place\tCtrl+H",
        "Arrange/Ungroup\tCtrl+U",
        "Arrange/Reposition...\tCtrl+J",
        "Arrange/Auto Size\tCtrl+E",
        "View/Normal Size\tCtrl+=",
        "View/Zoom In\tCtrl+[",
        "View/Zoom Out\tCtrl+]",
        "View/Pan to Selected\tCtrl+?",
        "View/-",
        "View/Show Page Breaks",
        "View/Show Namespaces",
        "View/Show Roles/Cardinalities",
        "View/Highlight Groups",
        "View/Show Hyper Links",
        "View/-",
        "View/Refresh",
        "View/-",
        "View/Miscellaneous Toolbar",
        "View/Custom Toolbar",
        "View/Log Window",
        "Model/New Model...",
        "Model/-",
        "Model/Explode...\tCtrl+{",
        "Model/Submodel\tCtrl++",
        "Model/Implode\tCtrl+}",
        "Model/Break Explode Link",
        "Model/-",
        "Model/Move Up\tCtrl+:",
        "Model/Move Down\tCtrl+;",
        "Model/Best Page Matrix\tCtrl+B",
        "Model/-",
        "Model/Renumber Messages",
        "Model/-",
        "Model/New Tool Model",
        "Model/New Stereotype Model",
        "Looks/Fill Color",
        "Looks/Line Color",
        "Looks/Line Style",
        "Looks/Font...",
        "Looks/-",
        "Looks/Apply Template\tCtrl+T",
        "Looks/-",
        "Looks/Normal Links",
        "Looks/Step Links",
        "Looks/Curve Links",
        "Looks/-",
        "Looks/Annotation...",
        "Tools/Generate Code...",
        "Tools/Generate Documentation...",
        "Tools/Run Other Script...",
        "Tools/Import Project...",
        "Tools/Export Project...",
        "Tools/-",
        "Tools/Reverse Engineer...",
        "Tools/Redo Last Reverse Engineer...",
        "Tools/-",
        "Tools/Clear Combo Histories",
        "Tools/Set This Project as Default",
        "Tools/Reset (no Default Project)",
        "Tools/Options...",
        "Tasks/ProjectSummary",
        "Tasks/Run in Debug Mode",
        "Tasks/Define New Task...",
        "Help/Contents...",
        "Help/Index...",
        "Help/-",
        "Help/About Quillmark...",
    };
    EXPECT_EQ(items, expected);
}

TEST_F(Frames, PaneRowsGoToTheirSlotAndSeparatorsNeverDouble) {
    QMenuBar bar;
    const std::vector<CommandEntry> frameRows = {
        {1, "&Edit", "&Undo\tCtrl+Z"}, {kSeparatorRow, "&Edit", ""}, {kPaneSlotRow, "&Edit", ""},
        {kSeparatorRow, "&Edit", ""},  {2, "&Edit", "&Find..."},     {kSeparatorRow, "&Edit", ""},
    };
    CommandRouting routing{[](int) {}, [](int, CommandState&) {}};
    auto items = [&](const std::vector<CommandEntry>& paneRows) {
        bar.clear();
        BuildMenuBar(bar, {"&File", "&Edit"}, {frameRows}, paneRows, routing);
        std::vector<std::string> out;
        for (QAction* top : bar.actions())
            Collect(*top->menu(), PlainLabel(top->text().toStdString()), out);
        return out;
    };
    EXPECT_EQ(items({}), (std::vector<std::string>{"Edit/Undo\tCtrl+Z", "Edit/-", "Edit/Find..."}));
    EXPECT_EQ(items({{3, "Edit", "&Delete\tDel"}, {4, "Arrange", "&Group"}}),
              (std::vector<std::string>{"Edit/Undo\tCtrl+Z", "Edit/-", "Edit/Delete\tDel", "Edit/-",
                                        "Edit/Find...", "Arrange/Group"}));
}

// Rows of a later table that name a place go to the mark of that name in
// the earlier table's menu; without a mark they go to the menu's end.
TEST_F(Frames, RowsNamingAPlaceGoToItsMark) {
    QMenuBar bar;
    CommandRouting routing{[](int) {}, [](int, CommandState&) {}};
    const std::vector<CommandEntry> frameRows = {
        {1, "&File", "&Save"},
        {kSeparatorRow, "&File", ""},
        {kMenuSlotRow, "&File", "print"},
        {2, "&File", "P&rint Setup..."},
        {kSeparatorRow, "&File", ""},
        {3, "&File", "E&xit"},
    };
    const std::vector<CommandEntry> familyRows = {
        {4, "&File#print", "Save &Image..."},
        {5, "&File#print", "&Print...\tCtrl+P"},
        {6, "&File#elsewhere", "&Other"},
        {7, "&Tools#print", "&Tool"},
    };
    BuildMenuBar(bar, {"&File", "&Tools"}, {frameRows, familyRows}, {}, routing);
    std::vector<std::string> items;
    for (QAction* top : bar.actions())
        Collect(*top->menu(), PlainLabel(top->text().toStdString()), items);
    EXPECT_EQ(items, (std::vector<std::string>{"File/Save", "File/-", "File/Save Image...",
                                               "File/Print...\tCtrl+P", "File/Print Setup...",
                                               "File/-", "File/Exit", "File/Other", "Tools/Tool"}));
}

TEST_F(Frames, UpdateRulesFollowTheProjectAndTheSelection) {
    CMainFrame& frame = Start({project});
    CCASEDoc& document = Document();
    ASSERT_NE(document.CurrentModel(), nullptr);
    Profile& settings = app->Env()->Settings();
    settings.Options |= ShowPageBreaks;
    settings.Options &= ~0x4000u;
    settings.DefaultProject.clear();

    struct Rule {
        int id;
        bool enabled;
        bool checked;
    };
    auto check = [&](const char* when, std::initializer_list<Rule> rules) {
        for (const Rule& rule : rules) {
            const CommandState state = frame.RouteUpdate(rule.id);
            EXPECT_EQ(state.enabled, rule.enabled) << when << ": " << rule.id;
            EXPECT_EQ(state.checked, rule.checked) << when << ": " << rule.id;
        }
    };
    check("a model, no selection", {{cmd::EditUndo, false, false},
                                    {cmd::EditRedo, false, false},
                                    {cmd::EditSelectAll, true, false},
                                    {cmd::PanToSelected, false, false},
                                    {cmd::ZoomIn, true, false},
                                    {cmd::NormalSize, true, false},
                                    {cmd::PointerTool, true, true},
                                    {cmd::LineTool, true, false},
                                    {cmd::TagTool, true, false},
                                    {cmd::ModelEdit, true, true},
                                    {cmd::ToolDesignEdit, true, false},
                                    {cmd::ShowPageBreaks, true, true},
                                    {cmd::ShowNamespaces, true, false},
                                    {cmd::SetDefaultProject, true, false},
                                    {cmd::ResetDefaultProject, false, false},
                                    {cmd::ViewMiscToolBar, true, true},
                                    {cmd::ViewLogWindow, true, false},
                                    {cmd::RepositoryCheckIn, false, false},
                                    {cmd::EditFind, true, false},
                                    {99999, false, false}});

    EXPECT_TRUE(frame.RouteCommand(cmd::EditSelectAll));
    EXPECT_FALSE(document.CurrentModel()->Selection().empty());
    EXPECT_TRUE(frame.RouteCommand(cmd::LineTool));
    EXPECT_TRUE(frame.RouteCommand(cmd::ShowNamespaces));
    EXPECT_TRUE(frame.RouteCommand(cmd::SetDefaultProject));
    check("selection, line tool", {{cmd::PanToSelected, true, false},
                                   {cmd::PointerTool, true, false},
                                   {cmd::LineTool, true, true},
                                   {cmd::ShowNamespaces, true, true},
                                   {cmd::ResetDefaultProject, true, false}});
    EXPECT_EQ(settings.DefaultProject, project);
    // Icon editing shows a tool model; Model Edit comes back to the diagram.
    Model* diagram = document.CurrentModel();
    EXPECT_TRUE(frame.RouteCommand(cmd::ToolIconEdit));
    check("icon editing", {{cmd::ToolIconEdit, true, true}, {cmd::ModelEdit, true, false}});
    EXPECT_TRUE(frame.RouteCommand(cmd::ModelEdit));
    ASSERT_EQ(document.CurrentModel(), diagram);

    // An edit makes Undo available, its undo Redo.
    ASSERT_NE(ShapePlace(), nullptr);
    ToggleMember(0);
    ASSERT_EQ(document.GetJournal().Records().size(), 1u);
    check("after an edit", {{cmd::EditUndo, true, false}, {cmd::UndoButton, true, false}});
    EXPECT_TRUE(frame.RouteCommand(cmd::EditUndo));
    check("after its undo", {{cmd::EditUndo, false, false}, {cmd::RedoButton, true, false}});

    // Without a current model every model-dependent tool is disabled.
    document.SetCurrentModel(nullptr);
    check("no model", {{cmd::PointerTool, true, false},
                       {cmd::LineTool, false, true},
                       {cmd::TextTool, false, false},
                       {2010, false, false},
                       {cmd::ZoomIn, false, false},
                       {cmd::EditSelectAll, false, false}});
}

TEST_F(Frames, UserToolCommandsDoNothing) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    const int tool = child->CurrentTool();
    const bool modified = Document().IsModified();
    for (int id :
         {static_cast<int>(cmd::FirstUserTool), 3456, static_cast<int>(cmd::LastUserTool)}) {
        EXPECT_TRUE(frame.RouteCommand(id)) << id; // taken, by an empty handler
        EXPECT_EQ(child->CurrentTool(), tool);
        EXPECT_EQ(Document().IsModified(), modified);
    }
    // Library symbols are tools of their own id.
    EXPECT_TRUE(frame.RouteCommand(11010));
    EXPECT_EQ(child->CurrentTool(), 11010);
    EXPECT_FALSE(frame.RouteCommand(2999));
}

TEST_F(Frames, ChildFrameSplittersKeepTheirShare) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->MainSplitter()->widget(1), child->GetContent());
    EXPECT_EQ(child->SubSplitter()->widget(0), child->GetExplorerPane());
    EXPECT_EQ(child->SubSplitter()->widget(1), child->GetExtraPane());
    child->showNormal();
    child->resize(700, 400);
    QApplication::processEvents();
    const int left = child->MainSplitter()->sizes()[0];
    const int top = child->SubSplitter()->sizes()[0];
    {
        // A new frame's panes start at their size.
        CChildFrame fresh(*app, Document(), frame);
        fresh.resize(640, 380);
        fresh.show();
        QApplication::processEvents();
        EXPECT_EQ(fresh.MainSplitter()->sizes()[0], CChildFrame::kLeftPaneSize);
        EXPECT_EQ(fresh.SubSplitter()->sizes()[0], CChildFrame::kLeftPaneSize);
    }
    const QSize before = child->MainSplitter()->size();
    child->resize(700 + before.width(), 400 + before.height());
    QApplication::processEvents();
    const QSize after = child->MainSplitter()->size();
    EXPECT_NEAR(child->MainSplitter()->sizes()[0], left * after.width() / before.width(), 2)
        << before.width() << " -> " << after.width();
    EXPECT_NEAR(child->SubSplitter()->sizes()[0], top * after.height() / before.height(), 2)
        << before.height() << " -> " << after.height();
}

TEST(UndoList, LinesSelectionAndButtonText) {
    auto record = [](const char* text, uint16_t flags, ChangeKind kind = ChangeKind::Annotation) {
        JournalRecord r;
        r.description = text;
        r.flags = flags;
        r.kind = static_cast<int32_t>(kind);
        return r;
    };
    const uint16_t continues = UndoJournal::GroupContinues;
    const uint16_t continued = UndoJournal::GroupContinued;
    // Records 1 to 6; 3 and 4 are one group, 2 marks a save.
    const std::vector<JournalRecord> records = {
        record("Move", 0),           record("(Project Saved)", 0, ChangeKind::ProjectSaved),
        record("Delete", continues), record("Delete", continued),
        record("Resize", 0),         record("Rename", 0),
    };
    EXPECT_EQ(UndoListLines(records, 6, false),
              (std::vector<std::string>{"6. Rename", "5. Resize", "4. ...& Delete", "3. Delete...",
                                        "2. (Project Saved)", "1. Move"}));
    EXPECT_EQ(
        UndoListLines(records, 2, true),
        (std::vector<std::string>{"3. Delete...", "4. ...& Delete", "5. Resize", "6. Rename"}));
    EXPECT_TRUE(UndoListLines(records, 0, false).empty());

    const struct {
        int32_t position;
        bool redo;
        int anchor;
        std::vector<bool> selected;
        int count;
        std::string button;
    } cases[] = {
        // The third line, continued by the fourth of the same group.
        {6, false, 2, {true, true, true, true, false, false}, 4, "Undo 4 actions"},
        {6, false, 0, {true, false, false, false, false, false}, 1, "Undo 1 action"},
        // A save marker counts as a step but is never highlighted.
        {6, false, 4, {true, true, true, true, false, false}, 5, "Undo 5 actions"},
        {6, false, 5, {true, true, true, true, false, true}, 6, "Undo 6 actions"},
        // Redo completes a group with the records that continue it.
        {2, true, 0, {true, true, false, false}, 2, "Redo 2 actions"},
        {0, false, 0, {}, 0, "Undo 0 action"},
    };
    for (const auto& c : cases) {
        const UndoListSelection selection = SelectUndoSteps(records, c.position, c.redo, c.anchor);
        EXPECT_EQ(selection.selected, c.selected) << c.position << " " << c.anchor;
        EXPECT_EQ(selection.count, c.count) << c.position << " " << c.anchor;
        EXPECT_EQ(UndoButtonText(c.redo, selection.count), c.button);
    }
    // A position beyond the records (a damaged journal) lists nothing past them.
    EXPECT_EQ(UndoListLines(records, 99, false).size(), records.size());
    EXPECT_EQ(SelectUndoSteps(records, -3, true, 1).count, 2);
}

TEST_F(Frames, UndoListReplaysTheChosenSteps) {
    CMainFrame& frame = Start({project});
    CCASEDoc& document = Document();
    ASSERT_NE(ShapePlace(), nullptr);
    auto toggle = [&](size_t index) { ToggleMember(index); };
    // Five edits: the second and third one group.
    toggle(0);
    Journal().BeginGroup(&document);
    toggle(1);
    toggle(2);
    Journal().EndGroup(&document);
    toggle(3);
    toggle(0);
    UndoJournal& journal = document.GetJournal();
    ASSERT_EQ(journal.Records().size(), 5u);

    CChildFrame* child = frame.ActiveChild();
    child->ShowUndoList(QPoint(10, 10), true);
    UndoListDialog& list = *frame.UndoList();
    ASSERT_TRUE(list.isVisible());
    ASSERT_EQ(list.List()->count(), 5);
    EXPECT_EQ(list.List()->item(2)->text().toStdString(), "3. ...& Annotation");
    EXPECT_EQ(list.ActionButton()->text().toStdString(), "Undo 1 action");
    QTest::mouseClick(list.List()->viewport(), Qt::LeftButton, {},
                      list.List()->visualItemRect(list.List()->item(2)).center());
    EXPECT_EQ(list.ActionButton()->text().toStdString(), "Undo 4 actions");
    EXPECT_EQ(list.List()->selectedItems().size(), 4);
    QTest::mouseClick(list.ActionButton(), Qt::LeftButton);
    EXPECT_FALSE(list.isVisible());
    EXPECT_EQ(journal.Position(), 1);

    child->ShowUndoList(QPoint(10, 10), false);
    ASSERT_EQ(list.List()->count(), 4);
    EXPECT_EQ(list.ActionButton()->text().toStdString(), "Redo 2 actions");
    const QPoint first = list.List()->visualItemRect(list.List()->item(0)).center();
    QTest::mouseClick(list.List()->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list.List()->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(journal.Position(), 3);
}

TEST(ZoomBox, TextToPercentAndFitToPage) {
    const struct {
        const char* text;
        int percent;
    } texts[] = {{"150", 150},        {"150%", 150}, {"10%", 10}, {"abc", 0},
                 {"Fit To Page", 77}, {" 75 %", 75}, {"-5", -5},  {"99999999999999", 1000000}};
    for (const auto& t : texts)
        EXPECT_EQ(ZoomPercentOfText(t.text, 77), t.percent) << t.text;
    EXPECT_EQ(FitToPagePercent(800, 600, 1000, 500), 80);
    EXPECT_EQ(FitToPagePercent(800, 300, 1000, 500), 60);
    EXPECT_EQ(FitToPagePercent(800, 600, 0, 500), 100); // an empty page matrix
}

TEST_F(Frames, ZoomBoxAppliesClampedPercentages) {
    CMainFrame& frame = Start({project});
    ZoomComboBox& box = *frame.ZoomBox();
    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    auto typeAndLeave = [&](const char* text) {
        box.setFocus();
        box.lineEdit()->setText(text);
        box.ApplyText();
    };
    typeAndLeave("150");
    EXPECT_DOUBLE_EQ(model->zoom, 1.5);
    EXPECT_EQ(box.currentText().toStdString(), "150%");
    typeAndLeave("10%");
    EXPECT_DOUBLE_EQ(model->zoom, 0.2);
    EXPECT_EQ(box.LastApplied(), 20);
    typeAndLeave("1000");
    EXPECT_DOUBLE_EQ(model->zoom, 4.0);
    typeAndLeave("Fit To Page");
    const CRect& page = model->pageMatrix;
    const QSize view = frame.ActiveChild()->GetContent()->size();
    const int fit = std::clamp(
        FitToPagePercent(view.width(), view.height(), page.Width(), page.Height()), 20, 400);
    EXPECT_EQ(box.LastApplied(), fit);
    EXPECT_NEAR(model->zoom, fit / 100.0, 1e-9);

    // Losing the focus applies what was typed.
    frame.activateWindow();
    box.lineEdit()->setFocus();
    box.lineEdit()->setText("50");
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box.lineEdit(), &out);
    EXPECT_DOUBLE_EQ(model->zoom, 0.5);

    // SetZoom shows a truncated percentage and adds it once.
    const int entries = box.count();
    box.SetZoom(0.755);
    box.SetZoom(0.755);
    EXPECT_EQ(box.currentText().toStdString(), "75%");
    EXPECT_EQ(box.count(), entries);
    box.SetZoom(1.234);
    EXPECT_EQ(box.currentText().toStdString(), "123%");
    EXPECT_EQ(box.count(), entries + 1);

    // Zoom In at the upper bound changes nothing.
    model->SetZoomFactor(4.0);
    frame.RouteCommand(cmd::ZoomIn);
    EXPECT_DOUBLE_EQ(model->zoom, 4.0);
}

// Zoom In and Zoom Out step by a tenth and land on every tenth exactly, from
// the menu and from the tool bar, so that 400% and 20% are reached.
TEST_F(Frames, ZoomStepsReachFourAndOneFifthExactly) {
    CMainFrame& frame = Start({project});
    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->zoom, 1.0);
    for (int tenths = 11; tenths <= 40; ++tenths) {
        frame.RouteCommand(tenths % 2 == 0 ? cmd::ZoomIn : cmd::ZoomInButton);
        ASSERT_EQ(model->zoom, tenths / 10.0) << tenths;
        EXPECT_EQ(frame.ZoomBox()->currentText().toStdString(), std::to_string(tenths * 10) + "%");
    }
    EXPECT_EQ(frame.ZoomBox()->currentText().toStdString(), "400%");
    frame.RouteCommand(cmd::ZoomIn);
    EXPECT_EQ(model->zoom, 4.0);
    for (int tenths = 39; tenths >= 2; --tenths) {
        frame.RouteCommand(tenths % 2 == 0 ? cmd::ZoomOut : cmd::ZoomOutButton);
        ASSERT_EQ(model->zoom, tenths / 10.0) << tenths;
    }
    EXPECT_EQ(frame.ZoomBox()->currentText().toStdString(), "20%");
    frame.RouteCommand(cmd::ZoomOutButton);
    EXPECT_EQ(model->zoom, 0.2);
    frame.RouteCommand(cmd::NormalSize);
    EXPECT_EQ(model->zoom, 1.0);
}

TEST_F(Frames, AutoSaveSavesAsksOnceAndWaitsForCreation) {
    CMainFrame& frame = Start({project});
    CCASEDoc& titled = Document();
    Profile& settings = app->Env()->Settings();
    const std::string before = ReadWholeFile(project, 1 << 24).value_or("");

    settings.Options &= ~static_cast<uint32_t>(AutoSave);
    titled.SetModifiedFlag(true);
    frame.OnAutoSaveTimer();
    EXPECT_TRUE(titled.IsModified()); // the option is off

    settings.Options |= AutoSave;
    bool creating = true;
    frame.ActiveChild()->creationInProgress_ = [&] { return creating; };
    frame.OnAutoSaveTimer();
    EXPECT_TRUE(titled.IsModified()); // a creation is in progress
    creating = false;
    frame.OnAutoSaveTimer();
    EXPECT_FALSE(titled.IsModified());
    EXPECT_TRUE(prompts.asked.empty());

    // An untitled project is asked once; after No never again.
    app->Env()->newProjectTemplate = QM_SOURCE_DIR "/resources/Notations/UML2.1.not";
    app->Env()->fileNewArmed = 1;
    CCASEDoc* untitled = app->OnFileNew();
    ASSERT_NE(untitled, nullptr);
    app->Env()->SetActiveDocument(untitled);
    ASSERT_EQ(&frame.ActiveChild()->Document(), untitled);
    untitled->SetModifiedFlag(true);
    prompts.asked.clear();
    prompts.Script(PromptAnswer::No);
    frame.OnAutoSaveTimer();
    frame.OnAutoSaveTimer();
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "You haven't saved this project yet. Would you like to?\n(This "
                                "prompt is generated by Auto-Save; see Tools:Options)");
    EXPECT_TRUE(untitled->IsModified());
    // The period follows the settings at each tick, never below a minute.
    settings.AutosavePeriod = 0;
    frame.OnAutoSaveTimer();
    EXPECT_EQ(frame.AutoSaveTimer()->interval(), 60000);
    settings.AutosavePeriod = 7;
    frame.OnAutoSaveTimer();
    EXPECT_EQ(frame.AutoSaveTimer()->interval(), 7 * 60000);
    EXPECT_TRUE(frame.AutoSaveTimer()->isActive());
    static_cast<void>(before);
}

TEST_F(Frames, TasksMenuListsAndRunsTheTaskScripts) {
    MakeDirectories(scratch / "Scripts/task");
    const std::string out = scratch / "ran.txt";
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/task/Touch.vxs",
                                   "(def KestTask (lam ()\n  (setq c (open \"" + out +
                                       "\" \"w\"))\n  (print 'touched c)\n  (close c)))\n"));
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/task/Another.vxs", "(def KestTask nil)\n"));
    ASSERT_TRUE(WriteFileReplacing(scratch / "Scripts/task/notes.txt", "not a task"));
    EXPECT_EQ(ListTaskScripts(scratch / "Scripts"),
              (std::vector<std::string>{scratch / "Scripts/task/Another.vxs",
                                        scratch / "Scripts/task/Touch.vxs"}));
    EXPECT_TRUE(ListTaskScripts(scratch / "nowhere").empty());

    CMainFrame& frame = Start({project});
    app->Env()->Settings().ScriptFolder = scratch / "Scripts";
    frame.FillTasksMenu();
    QMenu* tasks = frame.menuBar()->findChild<QMenu*>("Tasks");
    ASSERT_NE(tasks, nullptr);
    std::vector<std::string> names;
    for (QAction* action : tasks->actions())
        names.push_back(action->text().toStdString());
    // The task scripts come first, before the menu's own rows.
    EXPECT_EQ(names, (std::vector<std::string>{"Another", "Touch", "Run in &Debug Mode",
                                               "Define New &Task..."}));
    tasks->actions()[1]->trigger();
    EXPECT_NE(ReadWholeFile(out, 1 << 16).value_or("").find("touched"), std::string::npos);
    EXPECT_FALSE(frame.RouteUpdate(cmd::FirstTask + 2).enabled);
}

TEST_F(Frames, AttachmentsOpenThroughTheConfiguredViewer) {
    CMainFrame& frame = Start({project});
    Environment& environment = *app->Env();
    std::vector<std::vector<std::string>> started;
    environment.startProgram = [&](const std::vector<std::string>& argv) {
        started.push_back(argv);
    };
    const std::string viewer = scratch / "viewer";
    ASSERT_TRUE(WriteFileReplacing(viewer, "#!/bin/sh\n"));
    environment.Settings().Viewers = {{"H", viewer}};

    Place* place = nullptr;
    for (const auto& drawable : Document().CurrentModel()->Drawables())
        if (auto* p = dynamic_cast<Place*>(drawable.get()); p && p->master)
            place = p;
    ASSERT_NE(place, nullptr);
    place->master->link = "shape.h";
    place->master->masterFlags &= ~0x10;
    place->OpenAttachment();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{viewer, "shape.h"}));

    // A project attachment opens as a project; a missing viewer program is
    // asked about.
    started.clear();
    place->master->link = project;
    place->OpenAttachment();
    EXPECT_TRUE(started.empty());
    environment.Settings().Viewers = {{"H", scratch / "missing"}};
    prompts.Script(PromptAnswer::No);
    frame.OpenWithViewer("shape.h");
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_EQ(prompts.asked.back(), "Application '" + (scratch / "missing") +
                                        "' doesn't exist!\nWould you like to use Tools:Options "
                                        "to nominate another viewer?");
    frame.OpenWithViewer("notes.xyz");
    EXPECT_EQ(prompts.asked.back(), "No viewer has been specified for '.xyz' files!\nWould you "
                                    "like to use Tools:Options to specify one?");
    EXPECT_TRUE(started.empty());
}

// What the main window showed when each message appeared: the project
// windows in it and whether its progress bar was up.
class WindowAtMessage : public HeadlessPrompts {
  public:
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override {
        int windows = 0;
        bool progress = false;
        if (frame != nullptr) {
            if (auto* area = frame->findChild<QMdiArea*>())
                windows = static_cast<int>(area->subWindowList().size());
            for (QProgressBar* bar : frame->findChildren<QProgressBar*>())
                progress = progress || bar->isVisible();
        }
        shown.push_back({text, windows, progress});
        return HeadlessPrompts::Ask(text, icon, buttons, defaultAnswer);
    }
    struct Shown {
        std::string text;
        int windows;
        bool progress;
    };
    QWidget* frame = nullptr;
    std::vector<Shown> shown;
};

TEST_F(Frames, AProjectThatCannotBeReadLeavesNoWindowAndNamesFileAndReason) {
    const std::string text = ReadWholeFile(project, 1 << 20).value_or("");
    // Cut in a diagram record, after its name: every class is read before the cut.
    const size_t cut = text.find("\"Classes\"", text.find("(customModel"));
    ASSERT_NE(cut, std::string::npos);
    const std::string truncated = scratch / "truncated.pro";
    ASSERT_TRUE(WriteFileReplacing(truncated, text.substr(0, cut + 9)));
    const std::string header = scratch / "header.pro";
    ASSERT_TRUE(WriteFileReplacing(header, "(Quillmark \"8.0\" notation)\n"));
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {truncated, "Command failed due to an error:\nunexpected end of file: " + truncated},
        {header, "Operation failed: bad file header: " + header + "."},
        {scratch / "none.pro", "Command failed due to an error:\nCan't open project file: " +
                                   (scratch / "none.pro") + "\nNo such file or directory"},
    };
    for (const auto& c : cases) {
        // Named on the command line: the error over a clean main window.
        WindowAtMessage messages;
        ScopedPromptService scoped(&messages);
        app = std::make_unique<CCASEApp>([&](CCASEApp& made) {
            std::unique_ptr<MainFrame> frame = CreateMainWindow(made);
            messages.frame = dynamic_cast<QWidget*>(frame.get());
            return frame;
        });
        EXPECT_TRUE(app->InitInstance({c.path}));
        auto* frame = dynamic_cast<CMainFrame*>(app->Frame());
        ASSERT_NE(frame, nullptr);
        ASSERT_EQ(messages.shown.size(), 1u) << c.path;
        EXPECT_EQ(messages.shown[0].text, c.message);
        EXPECT_EQ(messages.shown[0].windows, 0) << c.path;
        EXPECT_FALSE(messages.shown[0].progress) << c.path;
        EXPECT_TRUE(app->Env()->Documents().Documents().empty());

        // Opened over a project already open: that one stays, alone.
        messages.shown.clear();
        ASSERT_NE(app->OpenDocumentFile(project), nullptr);
        EXPECT_EQ(app->OpenDocumentFile(c.path), nullptr);
        ASSERT_EQ(messages.shown.size(), 1u) << c.path;
        EXPECT_EQ(messages.shown[0].text, c.message);
        EXPECT_EQ(messages.shown[0].windows, 1) << c.path;
        EXPECT_FALSE(messages.shown[0].progress) << c.path;
        ASSERT_EQ(app->Env()->Documents().Documents().size(), 1u);
        EXPECT_EQ(app->Env()->Documents().Documents()[0]->GetPathName(), project);
        EXPECT_FALSE(kest::markactive());
        app.reset();
    }
}

TEST_F(Frames, BarsStatusBarAndToggles) {
    CMainFrame& frame = Start({project});
    for (TToolBar* bar : {frame.MainToolBar(), frame.MiscToolBar(), frame.CustomToolBar()})
        EXPECT_TRUE(bar->isVisible()) << bar->windowTitle().toStdString();
    EXPECT_NE(frame.MainToolBar()->ActionOf(cmd::UndoButton), nullptr);
    EXPECT_EQ(frame.MainToolBar()->ActionOf(cmd::FileNew)->text().toStdString(), "New Project");
    // The zoom box sits between Zoom In and New Model.
    EXPECT_TRUE(frame.MainToolBar()->isAncestorOf(frame.ZoomBox()));
    EXPECT_TRUE(frame.statusBar()->isVisible());
    std::vector<std::string> panes;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        panes.push_back(label->accessibleName().toStdString());
    for (const char* pane : {"CAP", "NUM", "SCRL"})
        EXPECT_NE(std::find(panes.begin(), panes.end(), pane), panes.end()) << pane;
    frame.BeginProgress(10);
    EXPECT_TRUE(frame.Progress()->isVisible());
    frame.EndProgress("Saved");
    EXPECT_FALSE(frame.Progress()->isVisible());

    for (int twice = 0; twice < 2; ++twice) {
        frame.RouteCommand(cmd::ViewMiscToolBar);
        EXPECT_EQ(frame.MiscToolBar()->isVisible(), twice == 1);
        EXPECT_EQ(frame.RouteUpdate(cmd::ViewMiscToolBar).checked, twice == 1);
    }
    // The log window: made hidden, keeps what is appended, shown on demand.
    Log().Append("line one\r\n");
    EXPECT_FALSE(frame.Log()->isVisible());
    frame.RouteCommand(cmd::ViewLogWindow);
    EXPECT_TRUE(frame.Log()->isVisible());
    EXPECT_TRUE(frame.RouteUpdate(cmd::ViewLogWindow).checked);
    EXPECT_EQ(frame.Log()->Text(), "line one\n");
    frame.RouteCommand(cmd::ViewLogWindow);
    EXPECT_FALSE(frame.Log()->isVisible());
}

TEST(Palettes, GridsCellsAndTools) {
    const PaletteGrid icons = PickerGrid(49);
    const PaletteGrid junctions = PickerGrid(48);
    EXPECT_EQ(icons.WindowSize(), QSize(150, 98));
    EXPECT_EQ(junctions.WindowSize(), QSize(30, 144));
    const struct {
        QPoint point;
        bool inside;
        int row;
        int column;
        int tool;
    } cells[] = {
        {{5, 5}, true, 0, 0, 500},   {{4 + 24 * 5 + 3, 4 + 23 * 3 + 2}, true, 3, 5, 523},
        {{30, 30}, true, 1, 1, 507}, {{148, 10}, false, 0, 0, 0}, // right of the last column
        {{10, 97}, false, 0, 0, 0},  {{2, 2}, false, 0, 0, 0},
    };
    for (const auto& c : cells) {
        int row = -1;
        int column = -1;
        EXPECT_EQ(icons.CellAt(c.point, row, column), c.inside)
            << c.point.x() << "," << c.point.y();
        if (!c.inside)
            continue;
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
        EXPECT_EQ(PickerToolAt(49, icons, row, column), c.tool);
    }
    EXPECT_EQ(PickerToolAt(48, junctions, 5, 0), 405);

    // Two base tools; the second has three variants, one of them hidden
    // and one more visible variant elsewhere.
    auto tool = [](int id, int base, bool hidden = false) {
        PaletteTool t;
        t.id = id;
        t.baseId = base;
        t.hidden = hidden;
        t.name = "T" + std::to_string(id);
        return t;
    };
    const std::vector<PaletteTool> tools = {tool(10, -1),  tool(11, -1),       tool(100, 11),
                                            tool(101, 11), tool(102, 11),      tool(103, 11, true),
                                            tool(104, 10), tool(105, -1, true)};
    const PaletteGrid all = ToolPaletteGrid(tools, -1);
    EXPECT_EQ(all.columns, 2);
    EXPECT_EQ(all.rows, 4);
    EXPECT_EQ(ToolPaletteAt(tools, -1, 0, 1)->id, 11);
    EXPECT_EQ(ToolPaletteAt(tools, -1, 3, 1)->id, 102);
    EXPECT_EQ(ToolPaletteAt(tools, -1, 1, 0)->id, 104);
    EXPECT_EQ(ToolPaletteAt(tools, -1, 2, 0), nullptr);
    EXPECT_EQ(ToolPaletteAt(tools, -1, 0, 2), nullptr);
    const PaletteGrid one = ToolPaletteGrid(tools, 11);
    EXPECT_EQ(one.columns, 1);
    EXPECT_EQ(one.rows, 4);
    EXPECT_EQ(ToolPaletteAt(tools, 11, -1, 7)->id, 11); // a negative row counts as 0
    EXPECT_EQ(ToolPaletteAt(tools, 11, 2, 0)->id, 101);
}

TEST_F(Frames, PickerChoosesTheCellUnderTheRelease) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_TRUE(frame.PopupPaletteFor(cmd::IconTool, QRect(100, 100, 20, 20)));
    PickerPalette& picker = *frame.IconPicker();
    ASSERT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.size(), QSize(150, 98));
    // A release in the margin right of the last column chooses nothing.
    QTest::mousePress(&picker, Qt::LeftButton, {}, QPoint(148, 10));
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, QPoint(148, 10));
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(child->CurrentTool(), TkPointer);

    ASSERT_TRUE(frame.PopupPaletteFor(cmd::IconTool, QRect(100, 100, 20, 20)));
    QTest::mousePress(&picker, Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(child->CurrentTool(), 507);
    EXPECT_TRUE(frame.RouteUpdate(cmd::IconTool).checked);
    // The icon button shows the picked icon; back to its own picture once
    // another tool is current.
    QAction* iconButton = frame.MiscToolBar()->ActionOf(cmd::IconTool);
    ASSERT_NE(iconButton, nullptr);
    EXPECT_EQ(iconButton->property("image").toInt(), kFirstIconImage + 7);
    EXPECT_EQ(iconButton->icon().pixmap(QSize(16, 15)).toImage(),
              StripPicture("icons", 7).toImage());
    child->SetCurrentTool(TkPointer);
    frame.RouteUpdate(cmd::IconTool);
    EXPECT_EQ(iconButton->property("image").toInt(), 12);
    EXPECT_EQ(iconButton->icon().pixmap(QSize(16, 15)).toImage(),
              StripPicture("misc", 12).toImage());

    // The tool palette of the extra place tools: the template's places.
    ASSERT_TRUE(frame.PopupPaletteFor(cmd::ExtraPlaceTools, QRect(100, 100, 20, 20)));
    EXPECT_FALSE(frame.Tools()->Tools().empty());
    EXPECT_TRUE(frame.Tools()->isVisible());
    // Choosing a tool closes every palette.
    child->SetCurrentTool(TkPointer);
    EXPECT_FALSE(frame.Tools()->isVisible());
}

// The control tools palette of the misc bar offers the ten form-design
// controls; the tool chosen there puts its control into the window of a
// form design where the view is clicked.
TEST_F(Frames, TheControlPaletteOffersTheControlToolsAndMakesControls) {
    const std::string form = scratch / "form.pro";
    ASSERT_TRUE(WriteFileReplacing(
        form, ReadWholeFile(QM_FIXTURES "/document/every_control.pro", 1 << 20).value_or("")));
    CMainFrame& frame = Start({form});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    ASSERT_NE(frame.MiscToolBar()->ActionOf(cmd::ControlTools), nullptr);
    ASSERT_TRUE(frame.RouteUpdate(cmd::ControlTools).enabled);
    ASSERT_TRUE(frame.PopupPaletteFor(cmd::ControlTools, QRect(100, 100, 20, 20)));
    PickerPalette& picker = *frame.ControlPicker();
    ASSERT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.size(), QSize(24 * 5 + 6, 23 * 2 + 6));
    EXPECT_EQ(picker.accessibleName(), QStringLiteral("Control Tools"));
    const PaletteGrid grid = PickerGrid(kControlPicker);
    std::vector<int> offered;
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < grid.columns; ++column)
            offered.push_back(PickerToolAt(kControlPicker, grid, row, column));
    EXPECT_EQ(offered, (std::vector<int>{35, 36, 37, 38, 39, 40, 41, 42, 43, 44}));

    // Row 1, column 2: the list box.
    const QPoint cell = grid.PictureRect(1, 2).center();
    QTest::mousePress(&picker, Qt::LeftButton, {}, cell);
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, cell);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(child->CurrentTool(), TkUiListBox);
    EXPECT_TRUE(frame.RouteUpdate(cmd::ControlTools).checked);
    // The button itself keeps the control tool in use.
    ASSERT_TRUE(frame.RouteCommand(cmd::ControlTools));
    EXPECT_EQ(child->CurrentTool(), TkUiListBox);

    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    UiWindowControl* window = nullptr;
    for (const auto& drawable : model->Drawables())
        if (auto* w = dynamic_cast<UiWindowControl*>(drawable.get()); w != nullptr && !window)
            window = w;
    ASSERT_NE(window, nullptr);
    const size_t members = window->Members().size();
    // A point of the window's client area beside every member.
    const CRect client = window->ClientArea();
    CPoint free(-1, -1);
    for (int y = client.top + 2; y < client.bottom && free.x < 0; y += 3)
        for (int x = client.left + 2; x < client.right && free.x < 0; x += 3) {
            int part = 0;
            int knob = 0;
            if (window->HitTest(x, y, part, knob, 0) == window)
                free = CPoint(x, y);
        }
    ASSERT_GE(free.x, 0);
    TContent* view = child->View();
    const CPoint scroll = view->ScrollPosition();
    const QPoint at(static_cast<int>(free.x * model->zoom) - scroll.x,
                    static_cast<int>(free.y * model->zoom) - scroll.y);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(window->Members().size(), members + 1);
    EXPECT_NE(dynamic_cast<const UiListBoxControl*>(window->Members().back().get()), nullptr);
    EXPECT_EQ(Document().GetJournal().Records().back().description, "Create Control");
    // A tool model offers no controls.
    ASSERT_TRUE(view->ShowModel(Document().FindTool(10)));
    EXPECT_FALSE(frame.RouteUpdate(cmd::ControlTools).enabled);
}

// Tools chosen as a person chooses them, through the main window: the
// mouse comes onto a custom-bar button, the tool palette opens over it, and
// a click where the button is lands on the palette's first cell, the
// button's own tool. Hovering on to the next button replaces the palette;
// leaving both closes it. Two classes and an inheritance between them are
// then drawn with the chosen tools.
TEST_F(Frames, ClickingCustomBarButtonsChoosesToolsAndDraws) {
    // A new project of the shipped template, as a first run makes it.
    CMainFrame& frame = Start({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    const NotationTemplate* notation = Document().Template();
    ASSERT_NE(notation, nullptr);
    const ToolModel* linkTool = Document().FindTool(0);
    const ToolModel* placeTool = Document().FindTool(TkFirstPlace);
    ASSERT_NE(linkTool, nullptr);
    ASSERT_NE(placeTool, nullptr);
    ASSERT_TRUE(linkTool->IsLinkTool());
    Model* diagram = Document().CurrentModel();
    ASSERT_NE(diagram, nullptr);
    ASSERT_TRUE(diagram->Drawables().empty());

    QWindow* window = frame.windowHandle();
    ASSERT_NE(window, nullptr);
    TToolBar& bar = *frame.CustomToolBar();
    auto button = [&](int id) { return bar.widgetForAction(bar.ActionOf(id)); };
    // The middle of a widget in the main window's coordinates.
    auto middle = [&](QWidget* widget) { return widget->mapTo(&frame, widget->rect().center()); };
    auto screenRect = [](QWidget* widget) {
        return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    };
    ToolPalette& palette = *frame.Tools();
    // What the window system adds to the mouse's moves and clicks: a pop-up
    // that opens grabs the mouse, so the main window sees the mouse leave;
    // when it closes, the mouse enters the main window again.
    QWidget* popupShown = nullptr;
    auto windowSystem = [&](QPoint at) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup != nullptr && popupShown == nullptr) {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(window, &leave);
        } else if (popup == nullptr && popupShown != nullptr) {
            QEnterEvent enter(at, at, frame.mapToGlobal(at));
            QApplication::sendEvent(window, &enter);
        }
        popupShown = popup;
    };
    auto move = [&](QPoint at) {
        QTest::mouseMove(window, at);
        windowSystem(at);
    };
    auto click = [&](QPoint at) {
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        windowSystem(at);
    };
    // The mouse comes into the main window.
    const QPoint inside = middle(frame.Area());
    QEnterEvent enter(inside, inside, frame.mapToGlobal(inside));
    QApplication::sendEvent(window, &enter);
    auto choose = [&](int id) {
        QWidget* target = button(id);
        move(middle(target));
        EXPECT_TRUE(palette.isVisible()) << id;
        EXPECT_EQ(frame.PopupButton(), id);
        // The palette lies over the button: the click lands on its cell.
        EXPECT_EQ(palette.geometry().topLeft(), screenRect(target).topLeft());
        EXPECT_TRUE(QRect(palette.geometry()).contains(screenRect(target).center()));
        click(middle(target));
        EXPECT_FALSE(palette.isVisible());
        EXPECT_EQ(child->CurrentTool(), id - cmd::FirstLinkTool);
        EXPECT_TRUE(frame.RouteUpdate(id).checked);
    };

    // Hovering from one button to the next replaces the palette; back on
    // the palette's own button nothing changes; away from both it closes.
    const int second = cmd::FirstLinkTool + 1;
    move(middle(button(cmd::FirstLinkTool)));
    ASSERT_TRUE(palette.isVisible());
    EXPECT_EQ(frame.PopupButton(), cmd::FirstLinkTool);
    EXPECT_EQ(palette.Opener(), screenRect(button(cmd::FirstLinkTool)));
    const QPoint nextButton =
        button(second)->mapTo(&frame, button(second)->rect().bottomRight() - QPoint(2, 2));
    move(nextButton);
    EXPECT_TRUE(palette.isVisible());
    EXPECT_EQ(frame.PopupButton(), second);
    EXPECT_EQ(palette.geometry().topLeft(), screenRect(button(second)).topLeft());
    move(middle(button(second)));
    EXPECT_EQ(frame.PopupButton(), second);
    move(middle(frame.Area()));
    EXPECT_FALSE(palette.isVisible());
    EXPECT_EQ(frame.PopupButton(), -1);

    // The palette's cells show the template's icons, not letters.
    move(middle(button(cmd::FirstLinkTool)));
    ASSERT_TRUE(palette.isVisible());
    const QImage shown = palette.grab().toImage().copy(QRect(4, 4, 16, 15));
    const QImage icon = StripPixmap(notation->toolBitmap)
                            .copy(16 * linkTool->iconSlot, 0, 16, 15)
                            .toImage()
                            .convertToFormat(shown.format());
    EXPECT_EQ(shown, icon);
    move(middle(frame.Area()));

    // Two classes by clicks, then an inheritance dragged from the second
    // to the first.
    QWidget* port = child->View()->viewport();
    const int classButton = cmd::FirstLinkTool + int{TkFirstPlace};
    choose(classButton);
    move(port->mapTo(&frame, QPoint(60, 60)));
    click(port->mapTo(&frame, QPoint(60, 60)));
    choose(classButton);
    move(port->mapTo(&frame, QPoint(300, 200)));
    click(port->mapTo(&frame, QPoint(300, 200)));
    std::vector<Drawable*> places;
    for (const auto& drawable : diagram->Drawables())
        if (drawable->kindCode == TkFirstPlace)
            places.push_back(drawable.get());
    ASSERT_EQ(places.size(), 2u);
    choose(cmd::FirstLinkTool);
    const QPoint from = port->mapTo(
        &frame, QPoint(places[1]->bounds.CenterPoint().x, places[1]->bounds.CenterPoint().y));
    const QPoint to = port->mapTo(
        &frame, QPoint(places[0]->bounds.CenterPoint().x, places[0]->bounds.CenterPoint().y));
    move(from);
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(window, from + (to - from) * step / 4);
    QTest::mouseRelease(window, Qt::LeftButton, {}, to);
    const Link* inheritance = nullptr;
    for (const auto& drawable : diagram->Drawables())
        if (auto* link = dynamic_cast<const Link*>(drawable.get()))
            inheritance = link;
    ASSERT_NE(inheritance, nullptr);
    EXPECT_EQ(inheritance->kindCode, 0);
    EXPECT_EQ(inheritance->GetSourcePlace(), places[1]);
    EXPECT_EQ(inheritance->GetTargetPlace(), places[0]);
}

// The custom bar's tool buttons carry their tool's name on the
// accessibility bus, as their tips do, and follow the template; labels keep
// their text there.
TEST_F(Frames, ToolButtonsAreNamedByTheirTools) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    TToolBar& bar = *frame.CustomToolBar();
    auto busName = [](QWidget* widget) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face != nullptr ? face->text(QAccessible::Name).toStdString() : std::string();
    };
    for (int number = 0; number <= cmd::LastPlaceTool - cmd::FirstLinkTool; ++number) {
        QAction* action = bar.ActionOf(cmd::FirstLinkTool + number);
        ASSERT_NE(action, nullptr);
        const ToolModel* tool = Document().FindTool(number);
        const std::string expected = tool != nullptr ? tool->name : number < 10 ? "Link" : "Place";
        EXPECT_EQ(busName(bar.widgetForAction(action)), expected) << number;
        EXPECT_EQ(action->toolTip().toStdString(), expected) << number;
    }
    ToolModel* tool = Document().FindTool(0);
    ASSERT_NE(tool, nullptr);
    tool->name = "Generalization";
    child->LoadToolBarBitmaps();
    EXPECT_EQ(busName(bar.widgetForAction(bar.ActionOf(cmd::FirstLinkTool))), "Generalization");

    AboutDialog about(*app->Env(), false, &frame);
    const std::string text = busName(about.Information());
    EXPECT_NE(text.find("Quillmark"), std::string::npos) << text;
    EXPECT_NE(text.find("KestScript"), std::string::npos) << text;
}

// A tool button stands for its tool and the stereotypes of it: it is
// checked, and shows the stereotype's icon, while a stereotype is the tool
// in use or the tool model shown. The extra place tools button does the
// same for a user tool of its own.
TEST_F(Frames, ToolButtonsFollowStereotypesAndTheShownToolModel) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    NotationTemplate* notation = Document().Template();
    ASSERT_NE(notation, nullptr);
    TToolBar* bar = frame.CustomToolBar();
    auto shown = [&](int id) { return ShownButtonIcon(*bar, id); };
    auto slotPicture = [&](int slot) { return ToolSlotPicture(*notation, slot); };
    ToolModel* base = Document().FindTool(10);
    ASSERT_NE(base, nullptr);
    bool needEnlarge = false;
    auto made = base->CloneTool();
    made->name = "Interface";
    made->baseId = base->id;
    ToolModel* stereotype = notation->AddTool(std::move(made), needEnlarge);
    ASSERT_NE(stereotype, nullptr);
    // A picture of the strip that differs from the base tool's.
    stereotype->iconSlot = Document().FindTool(0)->iconSlot;
    ASSERT_NE(slotPicture(stereotype->iconSlot), slotPicture(base->iconSlot));
    auto user = Document().FindTool(11)->CloneTool();
    user->name = "Screen";
    user->baseId = -1;
    ToolModel* own = notation->AddTool(std::move(user), needEnlarge);
    ASSERT_NE(own, nullptr);
    ASSERT_GE(own->id, 100);
    own->iconSlot = Document().FindTool(1)->iconSlot;

    const int button = cmd::FirstLinkTool + 10;
    struct Case {
        const char* what;
        int currentTool;
        ToolModel* shownTool;
        bool checked;
        int slot;
        bool extraChecked;
        int extraSlot;
    };
    const Case cases[] = {
        {"the pointer on a diagram", 24, nullptr, false, base->iconSlot, false, 27},
        {"the base tool in use", base->id, nullptr, true, base->iconSlot, false, 27},
        {"its stereotype in use", stereotype->id, nullptr, true, stereotype->iconSlot, false, 27},
        {"the stereotype's model shown", 24, stereotype, true, stereotype->iconSlot, false, 27},
        {"the base tool's model shown", 24, base, true, base->iconSlot, false, 27},
        {"a user tool in use", own->id, nullptr, false, base->iconSlot, true, own->iconSlot},
        {"a user tool's model shown", 24, own, false, base->iconSlot, true, own->iconSlot},
    };
    Model* diagram = Document().CurrentModel();
    ASSERT_NE(diagram, nullptr);
    for (const Case& c : cases) {
        ASSERT_TRUE(child->View()->ShowModel(c.shownTool != nullptr ? c.shownTool : diagram));
        child->SetCurrentTool(c.currentTool);
        frame.UpdateToolBars();
        EXPECT_EQ(bar->ActionOf(button)->isChecked(), c.checked) << c.what;
        EXPECT_EQ(shown(button), slotPicture(c.slot)) << c.what;
        EXPECT_EQ(bar->ActionOf(cmd::ExtraPlaceTools)->isChecked(), c.extraChecked) << c.what;
        const QImage extra = c.extraSlot != 27 ? slotPicture(c.extraSlot)
                                               : bar->Image(27, "Extra Place Tools")
                                                     .pixmap(QSize(16, 15))
                                                     .toImage()
                                                     .convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown(cmd::ExtraPlaceTools), extra) << c.what;
    }
}

// The locater of a tool model: a link tool's line under the tool's drawing,
// the icon itself while it is edited, and a rubber band that follows the
// knob until the release resizes the tool as one "Resize Tool" step.
TEST_F(Frames, TheLocaterShowsToolModelsAndTheirResizeBand) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    TGuide& locater = *child->Extra()->Locater();
    child->Extra()->SelectTab(TabLocater);
    locater.resize(200, 150);
    auto picture = [&] { return locater.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QRgb white = qRgb(255, 255, 255);

    ToolModel* link = Document().FindTool(0);
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(link->IsLinkTool());
    ASSERT_TRUE(child->View()->ShowModel(link));
    locater.Refresh(true);
    // The sample line runs across the middle of the tool's rectangle.
    const CRect frameOfLink = link->printFrame;
    const int middle = 1 + frameOfLink.top + frameOfLink.Height() / 2;
    EXPECT_NE(picture().pixel(1 + frameOfLink.left + 2, middle), white);

    // Icon editing shows the icon pixel for pixel at (1, 1).
    ToolModel* place = Document().FindTool(10);
    ASSERT_NE(place, nullptr);
    ASSERT_TRUE(child->View()->ShowModel(place));
    ASSERT_TRUE(child->View()->SetIconEditing(true));
    const QImage icon = StripPixmap(Document().Template()->toolBitmap)
                            .copy(16 * place->iconSlot, 0, 16, 15)
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(picture().copy(1, 1, 16, 15), icon);
    ASSERT_TRUE(child->View()->SetIconEditing(false));
    locater.Refresh(true);

    // A knob drag shows the band and hides the knob; the release resizes.
    const CRect before = place->printFrame;
    const QPoint knob(locater.Knob().left + 2, locater.Knob().top + 2);
    const size_t records = Document().GetJournal().Records().size();
    Mouse(&locater, QEvent::MouseButtonPress, knob, Qt::LeftButton);
    EXPECT_TRUE(locater.RubberBand().IsRectEmpty());
    Mouse(&locater, QEvent::MouseMove, knob + QPoint(20, 10), Qt::LeftButton);
    const CRect band(before.left, before.top, before.right + 20, before.bottom + 10);
    EXPECT_EQ(locater.RubberBand(), band);
    const QImage during = picture();
    bool edge = false;
    for (int x = band.left; x < band.right; ++x)
        edge = edge || during.pixel(x, band.bottom - 1) != white;
    EXPECT_TRUE(edge);
    EXPECT_EQ(place->printFrame, before);
    Mouse(&locater, QEvent::MouseButtonRelease, knob + QPoint(20, 10), Qt::NoButton);
    EXPECT_TRUE(locater.RubberBand().IsRectEmpty());
    EXPECT_EQ(place->printFrame, band);
    EXPECT_EQ(Document().GetJournal().Records().size(), records + 1);
    EXPECT_EQ(picture().pixel(locater.Knob().left + 1, locater.Knob().top + 1), qRgb(0, 0, 0));
}

// A first run opens the main window over most of the screen; the side
// pane's five picture tabs all fit its width.
TEST_F(Frames, FirstRunWindowAndSidePaneTabs) {
    EXPECT_EQ(FirstRunGeometry(QRect(0, 0, 1600, 1000)), QRect(80, 50, 1440, 900));
    EXPECT_EQ(FirstRunGeometry(QRect(0, 30, 1280, 770)), QRect(64, 68, 1152, 693));
    CMainFrame& frame = Start({project});
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(frame.size(), FirstRunGeometry(room).size());

    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    QTabBar* tabs = child->Extra()->Tabs();
    ASSERT_EQ(tabs->count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tabs->tabRect(i).size(), QSize(kSideTabWidth, kSideTabHeight)) << i;
        EXPECT_LE(tabs->tabRect(i).right(), tabs->width()) << i;
    }
    for (QToolButton* arrow : tabs->findChildren<QToolButton*>())
        EXPECT_FALSE(arrow->isVisible());
}

// Choosing a tool while a label is edited in place ends the edit and
// keeps what was typed.
TEST_F(Frames, ChoosingAToolEndsALabelEdit) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    TContent* view = child->View();
    Place* place = ShapePlace();
    ASSERT_NE(place, nullptr);
    ASSERT_EQ(child->CurrentTool(), TkPointer);
    view->EditLabel(place);
    ASSERT_TRUE(view->IsEditingLabel());
    view->LabelEditor()->selectAll();
    view->LabelEditor()->insertPlainText("Figure");
    child->SetCurrentTool(TkFirstPlace);
    EXPECT_FALSE(view->IsEditingLabel());
    EXPECT_FALSE(view->LabelEditor()->isVisible());
    EXPECT_EQ(place->master->name, "Figure");
    EXPECT_EQ(child->CurrentTool(), TkFirstPlace);
}

// The File menu lists the recent files above Exit, newest first, and
// opens the one chosen.
TEST_F(Frames, FileMenuListsAndOpensRecentFiles) {
    const std::string other = scratch / "other.pro";
    ASSERT_TRUE(WriteFileReplacing(other, ReadWholeFile(project, 1 << 20).value_or("")));
    CMainFrame& frame = Start({project});
    DocumentManager& documents = app->Env()->Documents();
    documents.AddToRecentFiles(other);
    QMenu* file = nullptr;
    for (QAction* top : frame.menuBar()->actions())
        if (PlainLabel(top->text().toStdString()) == "File")
            file = top->menu();
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    std::vector<std::string> tail;
    for (QAction* action : file->actions())
        tail.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    tail.erase(tail.begin(), tail.end() - 6);
    EXPECT_EQ(tail, (std::vector<std::string>{"P&rint Setup...", "-", "&1 " + other,
                                              "&2 " + project, "-", "E&xit"}));
    // Showing the menu again lists them once.
    emit file->aboutToShow();
    int listed = 0;
    QAction* first = nullptr;
    for (QAction* action : file->actions())
        if (action->data().toInt() >= cmd::FirstRecentFile &&
            action->data().toInt() <= cmd::LastRecentFile) {
            first = first != nullptr ? first : action;
            ++listed;
        }
    EXPECT_EQ(listed, 2);
    ASSERT_NE(first, nullptr);
    first->trigger();
    ASSERT_NE(app->Env()->ActiveDocument(), nullptr);
    EXPECT_EQ(app->Env()->ActiveDocument()->GetPathName(), other);
}

// The CAP, NUM and SCRL panes follow the lock keys, as the window system
// reports them: a pane shows its text while its key is on.
TEST_F(Frames, LockKeyPanesFollowTheKeys) {
    CMainFrame& frame = Start({project});
    LockKeys keys;
    frame.lockKeys = [&](LockKeys& out) {
        out = keys;
        return true;
    };
    const struct {
        LockKeys keys;
        const char* shown[3];
    } cases[] = {
        {{false, false, false}, {"", "", ""}},
        {{true, false, false}, {"CAP", "", ""}},
        {{false, true, true}, {"", "NUM", "SCRL"}},
        {{true, true, true}, {"CAP", "NUM", "SCRL"}},
    };
    for (const auto& c : cases) {
        keys = c.keys;
        frame.UpdateIndicators();
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(frame.Indicator(i)->text().toStdString(), c.shown[i]) << i;
            EXPECT_EQ(frame.Indicator(i)->accessibleDescription(),
                      *c.shown[i] != '\0' ? QString("On") : QString("Off"));
        }
    }
    // A window system that cannot tell shows the keys as off.
    frame.lockKeys = [](LockKeys&) { return false; };
    frame.UpdateIndicators();
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(frame.Indicator(i)->text(), QString()) << i;
}

TEST_F(Frames, KeepAliveRunsOnlyWhileLoggedIn) {
    CMainFrame& frame = Start({project});
    int alive = 0;
    bool loggedIn = false;
    frame.keepAlive = [&] { ++alive; };
    frame.repositoryLoggedIn = [&] { return loggedIn; };
    frame.OnKeepAliveTimer();
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(frame.RouteUpdate(cmd::RepositoryBrowse).enabled);
    loggedIn = true;
    frame.OnKeepAliveTimer();
    EXPECT_EQ(alive, 1);
    EXPECT_TRUE(frame.RouteUpdate(cmd::RepositoryCheckIn).enabled);
}

TEST_F(Frames, ToolEditModesSwitchIconEditing) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    Model* diagram = Document().CurrentModel();
    ASSERT_NE(diagram, nullptr);
    ASSERT_NE(diagram->kind, MkTool);

    // From a diagram: the template's first tool is shown, in icon editing.
    EXPECT_TRUE(child->OnCommand(cmd::ToolIconEdit));
    auto* tool = dynamic_cast<ToolModel*>(Document().CurrentModel());
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->iconEditing);
    EXPECT_EQ(child->ToolEditMode(), 1);
    EXPECT_EQ(child->Extra()->SelectedTab(), TabLocater);
    EXPECT_TRUE(frame.RouteUpdate(cmd::ToolIconEdit).checked);
    EXPECT_FALSE(frame.RouteUpdate(cmd::ToolDesignEdit).checked);

    // Design edit switches the same tool model back.
    child->Extra()->SelectTab(TabLister);
    EXPECT_TRUE(child->OnCommand(cmd::ToolDesignEdit));
    EXPECT_EQ(Document().CurrentModel(), tool);
    EXPECT_FALSE(tool->iconEditing);
    EXPECT_EQ(child->ToolEditMode(), 0);
    EXPECT_EQ(child->Extra()->SelectedTab(), TabLocater);
    // Asking again changes nothing.
    EXPECT_TRUE(child->OnCommand(cmd::ToolDesignEdit));
    EXPECT_FALSE(tool->iconEditing);

    // Model Edit returns to the diagram shown before and leaves the mode.
    EXPECT_TRUE(child->OnCommand(cmd::ToolIconEdit));
    EXPECT_TRUE(child->OnCommand(cmd::ModelEdit));
    EXPECT_EQ(Document().CurrentModel(), diagram);
    EXPECT_EQ(child->ToolEditMode(), 1);
}

// Undoing an icon edit shows the icon again in icon editing, whatever mode
// the tool model was switched to since: the frame's mode, its check marks
// and the view's scroll area follow the tool model's flag, and so do they
// on redo.
TEST_F(Frames, UndoOfAnIconEditShowsTheToolInIconEditing) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    TContent* view = child->View();
    ASSERT_TRUE(child->OnCommand(cmd::ToolIconEdit));
    auto* tool = dynamic_cast<ToolModel*>(Document().CurrentModel());
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(tool->iconEditing);
    child->SetCurrentTool(27);
    const CPoint scroll = view->ScrollPosition();
    const QPoint pixel(
        static_cast<int>((3 * kIconCellSize + kIconCellSize / 2) * tool->zoom) - scroll.x,
        static_cast<int>((4 * kIconCellSize + kIconCellSize / 2) * tool->zoom) - scroll.y);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, pixel);
    ASSERT_FALSE(Document().GetJournal().Records().empty());
    ASSERT_EQ(Document().GetJournal().Records().back().description, "Icon Edit");
    // The scroll range the view must have for the tool model as it is now.
    auto rangeOfModel = [&] {
        const CSize page = tool->GetPageSize(false);
        const QSize client = view->viewport()->size();
        return QSize(std::max(0, page.cx - client.width()), std::max(0, page.cy - client.height()));
    };
    auto rangeShown = [&] {
        return QSize(view->horizontalScrollBar()->maximum(), view->verticalScrollBar()->maximum());
    };
    // A view smaller than the icon's page, so that the page shows in the range.
    view->resize(120, 100);
    view->UpdateScrollSizes(false);
    const QSize iconRange = rangeOfModel();
    ASSERT_EQ(rangeShown(), iconRange);

    struct Step {
        const char* what;
        int command;
        bool toolShown;
        bool icon;
    };
    const Step steps[] = {
        {"design edit", cmd::ToolDesignEdit, true, false},
        {"undo", cmd::EditUndo, true, true},
        {"design edit again", cmd::ToolDesignEdit, true, false},
        {"redo", cmd::EditRedo, true, true},
        {"back to the diagram", cmd::ModelEdit, false, false},
        {"undo from the diagram", cmd::EditUndo, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(frame.RouteCommand(step.command));
        EXPECT_EQ(Document().CurrentModel() == tool, step.toolShown);
        if (!step.toolShown)
            continue;
        EXPECT_EQ(tool->iconEditing, step.icon);
        EXPECT_EQ(child->ToolEditMode(), step.icon ? 1 : 0);
        EXPECT_EQ(frame.RouteUpdate(cmd::ToolIconEdit).checked, step.icon);
        EXPECT_EQ(frame.RouteUpdate(cmd::ToolDesignEdit).checked, !step.icon);
        EXPECT_EQ(rangeShown(), rangeOfModel());
        EXPECT_EQ(rangeShown() == iconRange, step.icon)
            << rangeShown().width() << "x" << rangeShown().height();
    }
}

TEST_F(Frames, ButtonsShowTheirDrawnPictures) {
    CMainFrame& frame = Start({project});
    struct Case {
        TToolBar* bar;
        int id;
        const char* strip;
        int image;
    } cases[] = {
        {frame.MainToolBar(), cmd::FileOpen, "main", 1},
        {frame.MiscToolBar(), cmd::EllipseTool, "misc", 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QAction* action = c.bar->ActionOf(c.id);
        ASSERT_NE(action, nullptr);
        const QPixmap expected = StripPicture(c.strip, c.image);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(action->icon().pixmap(QSize(16, 15)).toImage(), expected.toImage());
        EXPECT_FALSE(action->text().isEmpty());
    }
    // Past the end of a strip there is no picture (the button keeps a glyph).
    EXPECT_TRUE(StripPicture("junctions", 6).isNull());
    EXPECT_TRUE(StripPicture("icons", -1).isNull());
}

// The custom bar's tool buttons show the template's own icons, follow an
// icon edit and its undo as they happen, and give a new tool its first icon.
TEST_F(Frames, CustomBarShowsTheTemplatesToolIcons) {
    CMainFrame& frame = Start({project});
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    NotationTemplate* notation = Document().Template();
    ASSERT_NE(notation, nullptr);
    TToolBar* bar = frame.CustomToolBar();
    auto shown = [&](int id) { return ShownButtonIcon(*bar, id); };
    auto slotPicture = [&](int slot) { return ToolSlotPicture(*notation, slot); };
    // The window was made before its project named the template: the tool
    // names reach the buttons all the same.
    EXPECT_EQ(bar->ActionOf(cmd::FirstLinkTool + 10)->toolTip().toStdString(),
              Document().FindTool(10)->name);
    // The buttons past the tools show the strip's slots 24 to 27.
    EXPECT_EQ(shown(cmd::ModelEdit), slotPicture(26));
    for (int number : {0, 9, 10, 23}) {
        const ToolModel* tool = Document().FindTool(number);
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(shown(cmd::FirstLinkTool + number), slotPicture(tool->iconSlot)) << number;
    }

    // An icon edit of the first place tool repaints its button.
    ToolModel* tool = Document().FindTool(10);
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(child->View()->ShowModel(tool));
    ASSERT_TRUE(child->View()->SetIconEditing(true));
    const QImage before = shown(cmd::FirstLinkTool + 10);
    child->SetCurrentTool(27);
    TContent* view = child->View();
    const CPoint scroll = view->ScrollPosition();
    const double zoom = tool->zoom;
    const QPoint pixel(static_cast<int>((3 * kIconCellSize + kIconCellSize / 2) * zoom) - scroll.x,
                       static_cast<int>((4 * kIconCellSize + kIconCellSize / 2) * zoom) - scroll.y);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, pixel);
    // The edit's own event repaints the button; no idle pass is needed.
    EXPECT_EQ(shown(cmd::FirstLinkTool + 10), slotPicture(tool->iconSlot));
    EXPECT_NE(shown(cmd::FirstLinkTool + 10), before);
    // Its undo brings the old picture back the same way.
    ASSERT_TRUE(frame.RouteCommand(cmd::EditUndo));
    EXPECT_EQ(shown(cmd::FirstLinkTool + 10), before);
    ASSERT_TRUE(frame.RouteCommand(cmd::EditRedo));
    EXPECT_NE(shown(cmd::FirstLinkTool + 10), before);

    // A new tool's first icon comes from the strip the bar shows.
    ToolBitmap strip;
    strip.Create(2 * kIconWidth, kIconHeight);
    strip.ColourTable() = notation->toolBitmap.ColourTable();
    ASSERT_TRUE(TemplateShellEnv().CopyToolBarIcon(10, strip, 1));
    EXPECT_EQ(
        StripPixmap(strip).copy(16, 0, 16, 15).toImage().convertToFormat(QImage::Format_RGB32),
        slotPicture(tool->iconSlot));
    EXPECT_FALSE(TemplateShellEnv().CopyToolBarIcon(10, strip, 2));
    EXPECT_FALSE(TemplateShellEnv().CopyToolBarIcon(9999, strip, 0));
}

TEST(LogWindowPlacement, AFifthOfTheFrameHeldTo100To200) {
    const struct {
        int height;
        int expected;
    } cases[] = {{400, 100}, {1500, 200}, {750, 150}, {100, 100}};
    for (const auto& c : cases) {
        const QRect placed = LogWindowGeometry(QRect(10, 20, 800, c.height));
        EXPECT_EQ(placed.height(), c.expected) << c.height;
        EXPECT_EQ(placed.bottom(), 20 + c.height - 1);
        EXPECT_EQ(placed.width(), 800);
    }
    LogWindow silent(true);
    silent.Append("kept");
    silent.Show(true);
    EXPECT_FALSE(silent.isVisible());
    EXPECT_EQ(silent.Text(), "kept");
    // The log window and the method code window are one layout: "Log".
    EXPECT_EQ(silent.windowTitle().toStdString(), "Log");
}

TEST_F(Frames, AboutBoxAndSplash) {
    CMainFrame& frame = Start({project});
    Environment& environment = *app->Env();
    AboutDialog about(environment, false, &frame);
    EXPECT_EQ(about.Information()->text().toStdString().substr(0, 26),
              "Quillmark 8.0 (Build 840)\n");
    EXPECT_FALSE(about.OkButton()->isHidden());
    EXPECT_FALSE(about.AgreementButton()->isHidden());
    std::vector<std::vector<std::string>> started;
    environment.startProgram = [&](const std::vector<std::string>& argv) {
        started.push_back(argv);
    };
    QTest::mouseClick(about.AgreementButton(), Qt::LeftButton);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].back().find("Legal.html"), std::string::npos);

    // A dialog's Help button opens its page through the same viewer.
    started.clear();
    ShowDialogHelp("Chapter8.html#Edit:Find");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].back().find("Chapter8.html"), std::string::npos);

    QPointer<AboutDialog> splash = new AboutDialog(environment, true, &frame);
    splash->show();
    EXPECT_TRUE(splash->OkButton()->isHidden());
    EXPECT_TRUE(splash->AgreementButton()->isHidden());
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 5000));
}

// The doors of showing a model keep their own ways. By index (a project
// read, a script, a reverse run) the document's model is set and the view
// refitted with the zoom box left alone, and an index beyond the models
// gives the first. By model the view shows it and the zoom box follows. To
// a drawable the selection becomes that drawable alone, in its model.
TEST_F(Frames, ShowingAModelByIndexByModelAndToADrawable) {
    CMainFrame& frame = Start({project});
    CChildFrame& child = *frame.ActiveChild();
    CCASEDoc& document = Document();
    ZoomComboBox& box = *frame.ZoomBox();
    Model* first = document.GetModelAt(0);
    ASSERT_NE(first, nullptr);
    Model* second = document.NewModel(MkClass, nullptr);
    ASSERT_NE(second, nullptr);
    first->SetZoomFactor(1.0);
    second->SetZoomFactor(1.5);
    const size_t secondIndex = document.ModelCount() - 1;
    ASSERT_EQ(document.GetModelAt(secondIndex), second);
    ASSERT_TRUE(child.ShowModel(first));
    ASSERT_EQ(box.currentText().toStdString(), "100%");

    child.ShowModelAt(int32_t(secondIndex));
    EXPECT_EQ(document.CurrentModel(), second);
    EXPECT_EQ(child.View()->CurrentModel(), second);
    EXPECT_EQ(box.currentText().toStdString(), "100%");

    EXPECT_TRUE(child.ShowModel(second));
    EXPECT_EQ(box.currentText().toStdString(), "150%");

    for (int32_t index : {int32_t(document.ModelCount()), -1}) {
        child.ShowModelAt(index);
        EXPECT_EQ(document.CurrentModel(), first) << index;
        child.ShowModelAt(int32_t(secondIndex));
    }
    EXPECT_EQ(box.currentText().toStdString(), "150%");

    child.ShowDrawable(*first, nullptr);
    ASSERT_EQ(document.CurrentModel(), first);
    EXPECT_EQ(box.currentText().toStdString(), "100%");
    EXPECT_TRUE(first->Selection().empty());
    Place* place = ShapePlace();
    ASSERT_NE(place, nullptr);
    child.ShowModel(second);
    child.ShowDrawable(*first, place);
    EXPECT_EQ(document.CurrentModel(), first);
    ASSERT_EQ(first->Selection().size(), 1u);
    EXPECT_EQ(first->Selection().front(), place);
    // Shown already: the selection is made again without showing it anew.
    first->SetZoomFactor(2.0);
    child.ShowDrawable(*first, nullptr);
    EXPECT_TRUE(first->Selection().empty());
    EXPECT_EQ(box.currentText().toStdString(), "100%");
}

} // namespace
} // namespace qm
