// The model commands of a project window on the shapes fixture: their
// update rules, Explode into a new submodel and back with Implode, Break
// Explode Link, each recorded under its journal name and undone back to the
// project's saved text, and Best Page Matrix with the page pane. The view's
// pop-up menu reaches the same commands through the frame's routing.
#include "shell/commands/ModelCommands.h"
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelTypeDialog.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "editor/TContent.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "platform/Prompt.h"
#include "shell/CCASEApp.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "shell/panes/SidePane.h"
#include "tests/shell/CommandChecks.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include <functional>

#include <gtest/gtest.h>

namespace qm {
namespace {

// Answers the model type dialog by choosing the item whose text is wanted
// (a diagram type or an existing model), or cancels it when wanted is empty.
class ChooseModelType : public DialogAnswerer {
  public:
    explicit ChooseModelType(std::string wanted) : wanted_(std::move(wanted)) {}
    void Answer(QDialog& dialog) override {
        ++asked;
        auto* types = dynamic_cast<CModelTypeDialog*>(&dialog);
        if (types == nullptr || wanted_.empty()) {
            dialog.reject();
            return;
        }
        const auto found = types->Tree()->findItems(QString::fromStdString(wanted_),
                                                    Qt::MatchExactly | Qt::MatchRecursive);
        if (found.isEmpty()) {
            dialog.reject();
            return;
        }
        types->Tree()->setCurrentItem(found.front());
        dialog.accept();
    }
    int asked = 0;

  private:
    std::string wanted_;
};

class ModelCommandsTest : public test::ProjectWindowTest {
  protected:
    CChildFrame& Frame() { return *frame->ActiveChild(); }
    Place* PlaceOf(const std::string& name) {
        for (const auto& drawable : Document().CurrentModel()->Drawables())
            if (auto* p = dynamic_cast<Place*>(drawable.get());
                p != nullptr && p->master != nullptr && p->master->name == name)
                return p;
        return nullptr;
    }
    void SelectOnly(Drawable* drawable) { test::SelectOnly(Frame(), drawable); }
    bool Enabled(int id) { return test::CommandEnabled(Frame(), id); }
    void ExpectUndoRestores(const std::string& saved) {
        test::ExpectUndoRestores(Document(), saved);
    }
    std::string LastRecord() {
        const auto& records = Document().GetJournal().Records();
        return records.empty() ? "" : records.back().description;
    }
    // Right-clicks the middle of drawable and returns the view's pop-up menu
    // item of that label (null when none).
    QAction* PopupItemOn(Drawable& drawable, const std::string& label) {
        TContent& view = *Frame().View();
        const CRect& r = drawable.bounds;
        const CPoint scroll = view.ScrollPosition();
        const double zoom = view.CurrentModel()->zoom;
        const QPoint at(static_cast<int>((r.left + r.right) / 2 * zoom) - scroll.x,
                        static_cast<int>((r.top + r.bottom) / 2 * zoom) - scroll.y);
        QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, at);
        QMenu* menu = view.ContextMenu();
        if (menu == nullptr)
            return nullptr;
        menu->hide();
        for (QAction* action : menu->actions())
            if (action->text().toStdString() == label)
                return action;
        return nullptr;
    }
};

TEST_F(ModelCommandsTest, ExplodeMakesASubmodelNamedAfterTheMasterAndImplodeReturns) {
    Model* top = Document().CurrentModel();
    ASSERT_NE(top, nullptr);
    Place* circle = PlaceOf("Circle");
    ASSERT_NE(circle, nullptr);
    ASSERT_EQ(circle->master->submodel, nullptr);

    // Nothing selected: no explode; the top model has no parent to implode to.
    Frame().View()->DeselectAll();
    EXPECT_FALSE(Enabled(cmd::ModelExplode));
    EXPECT_FALSE(Enabled(cmd::ModelImplode));
    SelectOnly(circle);
    EXPECT_TRUE(Enabled(cmd::ModelExplode));
    EXPECT_FALSE(Enabled(cmd::ModelSubmodel));

    // A refused dialog changes nothing and records nothing.
    const size_t records = Document().GetJournal().Records().size();
    {
        ChooseModelType cancel("");
        ScopedDialogAnswerer scoped(&cancel);
        EXPECT_TRUE(Frame().OnCommand(cmd::ModelExplode));
        EXPECT_EQ(cancel.asked, 1);
    }
    EXPECT_EQ(circle->master->submodel, nullptr);
    EXPECT_EQ(Document().GetJournal().Records().size(), records);

    const std::string saved = test::SavedTextBaseline(Document());
    ChooseModelType classDiagram("Class Diagram");
    ScopedDialogAnswerer scoped(&classDiagram);
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelExplode));
    auto* submodel = dynamic_cast<Model*>(circle->master->submodel);
    ASSERT_NE(submodel, nullptr);
    EXPECT_EQ(submodel->name, "Circle");
    EXPECT_EQ(submodel->kind, MkClass);
    EXPECT_EQ(Document().CurrentModel(), submodel);
    EXPECT_EQ(LastRecord(), "Explode");

    // Implode goes back to the parent and selects the place of the master.
    EXPECT_TRUE(Enabled(cmd::ModelImplode));
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelImplode));
    EXPECT_EQ(Document().CurrentModel(), top);
    ASSERT_EQ(top->Selection().size(), 1u);
    EXPECT_EQ(*top->Selection().begin(), circle);

    // Exploding again shows the submodel without asking.
    EXPECT_TRUE(Enabled(cmd::ModelSubmodel));
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelExplode));
    EXPECT_EQ(classDiagram.asked, 1);
    EXPECT_EQ(Document().CurrentModel(), submodel);
    ExpectUndoRestores(saved);
}

// Renumber Messages switches the view's renumbering mode: the selection is
// dropped, the command shows its mark, and switching off ends the mode.
TEST_F(ModelCommandsTest, RenumberMessagesSwitchesTheViewsMode) {
    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    EXPECT_FALSE(Enabled(cmd::RenumberMessages)); // a class diagram has no messages
    model->kind = MkCollaboration;
    ASSERT_TRUE(Enabled(cmd::RenumberMessages));
    SelectOnly(PlaceOf("Circle"));
    ASSERT_TRUE(Frame().OnCommand(cmd::RenumberMessages));
    EXPECT_TRUE(Frame().View()->IsRenumbering());
    EXPECT_TRUE(model->Selection().empty());
    CommandState state;
    Frame().OnUpdateCommand(cmd::RenumberMessages, state);
    EXPECT_TRUE(state.checked);
    ASSERT_TRUE(Frame().OnCommand(cmd::RenumberMessages));
    EXPECT_FALSE(Frame().View()->IsRenumbering());
    model->kind = MkClass;
}

TEST_F(ModelCommandsTest, BreakExplodeRemovesTheLinkAndUndoBringsItBack) {
    Place* shape = PlaceOf("Shape");
    ASSERT_NE(shape, nullptr);
    auto* submodel = dynamic_cast<Model*>(shape->master->submodel);
    ASSERT_NE(submodel, nullptr);
    SelectOnly(shape);
    const std::string saved = test::SavedTextBaseline(Document());
    EXPECT_TRUE(Enabled(cmd::ModelBreakExplode));
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelBreakExplode));
    EXPECT_EQ(shape->master->submodel, nullptr);
    EXPECT_EQ(submodel->parentMaster, nullptr);
    EXPECT_EQ(LastRecord(), "Break Explode");
    EXPECT_FALSE(Enabled(cmd::ModelBreakExplode));

    ExpectUndoRestores(saved);
    EXPECT_EQ(shape->master->submodel, submodel);
}

TEST_F(ModelCommandsTest, ExplodeToExistingAsksAndMovesTheLinkFromTheOldMaster) {
    Place* shape = PlaceOf("Shape");
    Place* circle = PlaceOf("Circle");
    ASSERT_TRUE(shape != nullptr && circle != nullptr);
    auto* submodel = dynamic_cast<Model*>(shape->master->submodel);
    ASSERT_NE(submodel, nullptr);
    Model* top = Document().CurrentModel();
    SelectOnly(circle);
    ChooseModelType existing("Shape");

    // Refusing the question keeps the old link.
    {
        ScopedDialogAnswerer scoped(&existing);
        prompts.Script(PromptAnswer::No);
        EXPECT_TRUE(Frame().OnCommand(cmd::ModelExplode));
    }
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_NE(prompts.asked.back().find("already has a parent master"), std::string::npos);
    EXPECT_EQ(shape->master->submodel, submodel);
    EXPECT_EQ(circle->master->submodel, nullptr);

    const std::string saved = test::SavedTextBaseline(Document());
    ScopedDialogAnswerer scoped(&existing);
    prompts.Script(PromptAnswer::Yes);
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelExplode));
    EXPECT_EQ(circle->master->submodel, submodel);
    EXPECT_EQ(submodel->parentMaster, circle->master);
    EXPECT_EQ(shape->master->submodel, nullptr);
    EXPECT_EQ(LastRecord(), "Explode to Existing");
    // The view stays on the current model.
    EXPECT_EQ(Document().CurrentModel(), top);
    ExpectUndoRestores(saved);
    EXPECT_EQ(shape->master->submodel, submodel);
    EXPECT_EQ(submodel->parentMaster, shape->master);
    EXPECT_EQ(circle->master->submodel, nullptr);
    // Redo moves the link again.
    ASSERT_TRUE(Document().GetJournal().Replay(1, true));
    EXPECT_EQ(circle->master->submodel, submodel);
    EXPECT_EQ(submodel->parentMaster, circle->master);
    EXPECT_EQ(shape->master->submodel, nullptr);
}

TEST_F(ModelCommandsTest, NewModelRecordsItsJournalEntry) {
    const size_t models = Document().ModelCount();
    const std::string saved = test::SavedTextBaseline(Document());
    ChooseModelType sequence("Sequence Diagram");
    ScopedDialogAnswerer scoped(&sequence);
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelNew));
    ASSERT_EQ(Document().ModelCount(), models + 1);
    EXPECT_EQ(LastRecord(), "New Model");
    // Moving is offered for every diagram; at the end of its siblings the
    // move is refused with a beep and changes nothing.
    auto* prompts = dynamic_cast<HeadlessPrompts*>(&Prompts());
    ASSERT_NE(prompts, nullptr);
    const size_t recorded = Document().GetJournal().Records().size();
    for (const auto& [index, down] : {std::pair<size_t, bool>{Document().ModelCount() - 1, true},
                                      std::pair<size_t, bool>{0, false}}) {
        Model* model = Document().GetModelAt(index);
        Frame().ShowModel(model);
        const int id = down ? cmd::ModelMoveDown : cmd::ModelMoveUp;
        EXPECT_TRUE(Enabled(id));
        const int beeps = prompts->beeps;
        EXPECT_TRUE(Frame().OnCommand(id));
        EXPECT_EQ(prompts->beeps, beeps + 1);
        EXPECT_EQ(Document().GetModelAt(index), model);
    }
    EXPECT_EQ(Document().GetJournal().Records().size(), recorded);
    ExpectUndoRestores(saved);
    EXPECT_EQ(Document().ModelCount(), models);
}

// The window's title names the model it shows, through a rename, a new
// model and the undo of both.
TEST_F(ModelCommandsTest, TheTitleFollowsTheShownModel) {
    auto title = [&] { return Frame().windowTitle().toStdString(); };
    auto names = [&](const std::string& name) {
        const std::string tail = " - " + name;
        return title().size() >= tail.size() &&
               title().compare(title().size() - tail.size(), tail.size(), tail) == 0;
    };
    Model* shown = Document().CurrentModel();
    ASSERT_NE(shown, nullptr);
    const std::string before = shown->name;
    EXPECT_TRUE(names(before)) << title();

    shown->name = "Renamed";
    Document().Events().Publish();
    EXPECT_TRUE(names("Renamed")) << title();
    shown->name = before;
    Document().Events().Publish();
    EXPECT_TRUE(names(before)) << title();

    ChooseModelType sequence("Sequence Diagram");
    ScopedDialogAnswerer scoped(&sequence);
    EXPECT_TRUE(Frame().OnCommand(cmd::ModelNew));
    Model* made = Document().CurrentModel();
    ASSERT_NE(made, shown);
    made->name = "Made here";
    Document().Events().Publish();
    EXPECT_TRUE(names("Made here")) << title();
    EXPECT_TRUE(Frame().OnCommand(cmd::EditUndo));
    EXPECT_FALSE(names("Made here")) << title();
    if (Model* now = Document().CurrentModel()) {
        EXPECT_TRUE(names(now->name)) << title();
    }
}

TEST_F(ModelCommandsTest, BestPageMatrixFitsTheDrawingOrOnlyBringsThePagePaneForward) {
    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(Enabled(cmd::BestPageMatrix));
    const int32_t pageW = Document().PageWidth();
    const int32_t pageH = Document().PageHeight();
    const size_t records = Document().GetJournal().Records().size();

    // Too many pages: the matrix shrinks to the drawing; the project stays
    // unmodified and nothing is journaled.
    model->SetPageMatrix(CRect(0, 0, 5 * pageW, 4 * pageH));
    Document().SetModifiedFlag(false);
    Frame().Extra()->SelectTab(TabLister);
    EXPECT_TRUE(Frame().OnCommand(cmd::BestPageMatrix));
    CRect drawing;
    model->GetBounds(drawing);
    const CRect fitted = model->pageMatrix;
    EXPECT_LT(fitted.right, 5 * pageW);
    EXPECT_GE(fitted.right, drawing.right);
    EXPECT_GE(fitted.bottom, drawing.bottom);
    EXPECT_EQ(fitted.right % pageW, 0);
    EXPECT_FALSE(Document().IsModified());
    EXPECT_EQ(Frame().Extra()->SelectedTab(), TabMatrix);
    EXPECT_EQ(Document().GetJournal().Records().size(), records);

    // Already fitting: nothing changes, only the tab comes forward.
    Document().SetModifiedFlag(false);
    Frame().Extra()->SelectTab(TabLister);
    EXPECT_TRUE(Frame().OnCommand(cmd::BestPageMatrix));
    EXPECT_EQ(model->pageMatrix, fitted);
    EXPECT_FALSE(Document().IsModified());
    EXPECT_EQ(Frame().Extra()->SelectedTab(), TabMatrix);
}

// Explode... and New Model... of the view's pop-up menu are ruled on by the
// view and carried out by the frame's model commands, as their Model menu
// twins are.
TEST_F(ModelCommandsTest, TheViewsPopupModelCommandsReachTheFramesFamilies) {
    Place* circle = PlaceOf("Circle");
    ASSERT_NE(circle, nullptr);
    const std::string saved = test::SavedTextBaseline(Document());

    QAction* explode = PopupItemOn(*circle, "Explode...");
    ASSERT_NE(explode, nullptr);
    ASSERT_TRUE(explode->isEnabled());
    ChooseModelType classDiagram("Class Diagram");
    {
        ScopedDialogAnswerer scoped(&classDiagram);
        explode->trigger();
    }
    EXPECT_EQ(classDiagram.asked, 1);
    auto* submodel = dynamic_cast<Model*>(circle->master->submodel);
    ASSERT_NE(submodel, nullptr);
    EXPECT_EQ(Document().CurrentModel(), submodel);
    ExpectUndoRestores(saved);

    // New Model... makes a model as Model/New Model... does.
    Frame().ShowModel(Document().GetModelAt(0));
    const size_t models = Document().ModelCount();
    QAction* newModel = PopupItemOn(*PlaceOf("Circle"), "New Model...");
    ASSERT_NE(newModel, nullptr);
    ASSERT_TRUE(newModel->isEnabled());
    ChooseModelType sequence("Sequence Diagram");
    {
        ScopedDialogAnswerer scoped(&sequence);
        newModel->trigger();
    }
    EXPECT_EQ(sequence.asked, 1);
    EXPECT_EQ(Document().ModelCount(), models + 1);
    EXPECT_EQ(LastRecord(), "New Model");
}

// With the diagram view as the active pane, Select All and Properties are the
// view's; the frame's own rows only place them in the Edit menu.
TEST_F(ModelCommandsTest, SelectAllAndPropertiesAreTheActivePanesOnce) {
    Model* model = Document().CurrentModel();
    ASSERT_NE(model, nullptr);
    Frame().View()->DeselectAll();
    ASSERT_TRUE(frame->RouteUpdate(cmd::EditSelectAll).enabled);
    EXPECT_TRUE(frame->RouteCommand(cmd::EditSelectAll));
    EXPECT_EQ(model->Selection().size(), model->Drawables().size());
    // The frame's table does not take them itself: the walk goes on.
    CommandState state;
    EXPECT_FALSE(DispatchCommand(Frame(), CChildFrame::CommandTable(),
                                 static_cast<int>(cmd::EditSelectAll)));
    EXPECT_FALSE(UpdateCommand(Frame(), CChildFrame::CommandTable(),
                               static_cast<int>(cmd::EditProperties), state));
    EXPECT_TRUE(Frame().PaneDefaults().OnUpdateCommand(cmd::EditProperties, state));
    EXPECT_TRUE(state.enabled);
}

} // namespace
} // namespace qm
