// The way into a command: the diagram view's pop-up menu runs through the
// frame's routing (the view first, then the frame's command families), and
// the Edit menu's Properties and Select All reach the diagram view once when
// no other pane takes them.
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelTypeDialog.h"
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "editor/TContent.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "shell/CCASEApp.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "tests/shell/CommandChecks.h"
#include "tests/shell/ScriptCommandsFixture.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace qm {
namespace {

// Answers the model type dialog with the diagram type of that text.
class ChooseType : public DialogAnswerer {
  public:
    explicit ChooseType(std::string wanted) : wanted_(std::move(wanted)) {}
    void Answer(QDialog& dialog) override {
        ++asked;
        auto* types = dynamic_cast<CModelTypeDialog*>(&dialog);
        const auto found = types == nullptr
                               ? QList<QTreeWidgetItem*>()
                               : types->Tree()->findItems(QString::fromStdString(wanted_),
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

class CommandRoutingTest : public test::ProjectWindowTest {
  protected:
    CCASEDoc& Document() { return *app->Env()->ActiveDocument(); }
    CChildFrame& Frame() { return *frame->ActiveChild(); }
    Place* PlaceOf(const std::string& name) {
        for (const auto& drawable : Document().CurrentModel()->Drawables())
            if (auto* p = dynamic_cast<Place*>(drawable.get());
                p != nullptr && p->master != nullptr && p->master->name == name)
                return p;
        return nullptr;
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

// Explode... and New Model... of the view's pop-up menu are ruled on by the
// view and carried out by the frame's model commands, as their Model menu
// twins are.
TEST_F(CommandRoutingTest, TheViewsPopupModelCommandsReachTheFramesFamilies) {
    Place* circle = PlaceOf("Circle");
    ASSERT_NE(circle, nullptr);
    const std::string saved = test::SavedTextBaseline(Document());

    QAction* explode = PopupItemOn(*circle, "Explode...");
    ASSERT_NE(explode, nullptr);
    ASSERT_TRUE(explode->isEnabled());
    ChooseType classDiagram("Class Diagram");
    {
        ScopedDialogAnswerer scoped(&classDiagram);
        explode->trigger();
    }
    EXPECT_EQ(classDiagram.asked, 1);
    auto* submodel = dynamic_cast<Model*>(circle->master->submodel);
    ASSERT_NE(submodel, nullptr);
    EXPECT_EQ(Document().CurrentModel(), submodel);
    test::ExpectUndoRestores(Document(), saved);

    // New Model... makes a model as Model/New Model... does.
    Frame().ShowModel(Document().GetModelAt(0));
    const size_t models = Document().ModelCount();
    QAction* newModel = PopupItemOn(*PlaceOf("Circle"), "New Model...");
    ASSERT_NE(newModel, nullptr);
    ASSERT_TRUE(newModel->isEnabled());
    ChooseType sequence("Sequence Diagram");
    {
        ScopedDialogAnswerer scoped(&sequence);
        newModel->trigger();
    }
    EXPECT_EQ(sequence.asked, 1);
    EXPECT_EQ(Document().ModelCount(), models + 1);
    const auto& records = Document().GetJournal().Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().description, "New Model");
}

// With the diagram view as the active pane, Select All and Properties are the
// view's; the frame's own rows only place them in the Edit menu.
TEST_F(CommandRoutingTest, SelectAllAndPropertiesAreTheActivePanesOnce) {
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
