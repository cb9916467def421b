// The side pane on the shapes fixture: its tabs, the master lister (texts,
// sorting, dragging a master out, undo re-creating a master), the locater,
// the size matrix, the reference pane and the annotation pane.
#include "shell/panes/SidePane.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Place.h"
#include "editor/Annotater.h"
#include "editor/operations/CreationTools.h"
#include "model/Members.h"
#include "shell/panes/Lister.h"
#include "shell/panes/Overview.h"
#include "shell/panes/PaneCommands.h"
#include "shell/panes/Reference.h"
#include "tests/shell/PaneFixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace qm::test {
namespace {

// Sends a mouse event at pos (widget coordinates) with the buttons held.
void Mouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class SidePaneTest : public PaneTest {
  protected:
    SidePaneTest() {
        doc->SetCurrentModel(ModelNamed("Classes"));
        extra = std::make_unique<TExtra>(*window);
        extra->resize(300, 400);
        extra->show();
    }
    TLister& Lister() { return *extra->Lister(); }
    std::vector<std::string> Column(const MasterList& list, int column) {
        std::vector<std::string> texts;
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            texts.push_back(list.topLevelItem(i)->text(column).toStdString());
        return texts;
    }
    QPoint RowCentre(MasterList& list, const std::string& name) {
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            if (list.topLevelItem(i)->text(0).toStdString() == name)
                return list.visualItemRect(list.topLevelItem(i)).center();
        ADD_FAILURE() << "no row " << name;
        return {};
    }

    std::unique_ptr<TExtra> extra;
};

TEST_F(SidePaneTest, TabsWithTheirTitlesAndTheCommandsOfTabZero) {
    QTabBar* tabs = extra->Tabs();
    ASSERT_EQ(tabs->count(), 5);
    const char* titles[] = {"Master Lister", "Class Annotation", "Drawing Locater",
                            "Drawing Size (Matrix)",
                            "Not loaded -- see 'File:Load Reference Project'"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->tabToolTip(i).toStdString(), titles[i]);
    EXPECT_EQ(extra->SelectedTab(), TabLister);

    Lister().topLevelItem(0)->setSelected(true);
    CommandState state;
    ASSERT_TRUE(extra->OnUpdateCommand(cmd::EditCopy, state));
    EXPECT_TRUE(state.enabled);
    // Another tab greys the master commands, whatever the lister selects.
    extra->SelectTab(TabMatrix);
    for (int id : {cmd::EditCopy, cmd::EditCut, cmd::EditDelete, cmd::EditPaste}) {
        ASSERT_TRUE(extra->OnUpdateCommand(id, state));
        EXPECT_FALSE(state.enabled) << id;
    }
    extra->SelectTab(7);
    EXPECT_EQ(extra->SelectedTab(), TabMatrix);
}

TEST_F(SidePaneTest, ListerShowsOneRowPerMasterWithItsSixTexts) {
    EXPECT_EQ(Lister().topLevelItemCount(), int(doc->Masters().Count()));
    Master* shape = MasterNamed("Shape");
    const MasterRow* row = Lister().RowOf(shape->guid);
    ASSERT_NE(row, nullptr);
    const std::vector<std::string> expected = {"Shape", shape->GetToolName(),
                                               "geo",   std::to_string(shape->refCount),
                                               "Shape", "m-shape-000001"};
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(row->text(column).toStdString(), expected[size_t(column)]) << column;
    EXPECT_FALSE(expected[1].empty());
    // A master's change reaches its row.
    shape->nameSpace = "shapes";
    doc->Events().NoteChanged(nullptr, nullptr, {shape});
    doc->Events().Publish();
    EXPECT_EQ(row->text(2).toStdString(), "shapes");
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

// An explode made anywhere (here as the diagram view's command makes it)
// repaints the lister, whose Submodel cell then names the new model; Select
// Explodes on the lister's tab selects the rows of masters with a submodel.
TEST_F(SidePaneTest, TheListerFollowsAnExplodeAndSelectsTheExploded) {
    Master* circle = MasterNamed("Circle");
    ASSERT_EQ(circle->submodel, nullptr);
    QApplication::processEvents();
    PaintCounter counter(Lister().viewport());
    OperationContext context;
    context.document = doc.get();
    context.model = ModelNamed("Classes");
    Model* made = CreateExplodeModel(context, MkClass, circle, context.model);
    ASSERT_NE(made, nullptr);
    Journal().BeginChange(ChangeKind::Explode);
    Journal().RecordChange(ChangeKind::Explode, "Explode", made, nullptr);
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(Lister().RowOf(circle->guid)->text(4).toStdString(), "Circle");

    CommandState state;
    ASSERT_TRUE(extra->OnUpdateCommand(cmd::SelectExplodes, state));
    EXPECT_TRUE(state.enabled);
    Lister().RowOf(MasterNamed("Loose")->guid)->setSelected(true);
    ASSERT_TRUE(extra->OnCommand(cmd::SelectExplodes));
    std::vector<Master*> masters;
    Lister().GetSelectedMasters(masters);
    std::vector<std::string> selected;
    for (const Master* master : masters)
        selected.push_back(master->name);
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<std::string>{"Circle", "Shape"}));
    // On another tab the command is the view's.
    extra->SelectTab(TabMatrix);
    EXPECT_FALSE(extra->OnCommand(cmd::SelectExplodes));
}

TEST_F(SidePaneTest, ScriptsSeeTheListersSelection) {
    ListerSelection selection;
    ScopedInstall<MasterListerSelection> install(&selection);
    Lister().RowOf(MasterNamed("User")->guid)->setSelected(true);
    Lister().RowOf(MasterNamed("Idle")->guid)->setSelected(true);
    std::vector<Master*> selected = MasterLister().SelectedMasters(doc.get());
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0]->name, "Idle");
    EXPECT_EQ(selected[1]->name, "User");
    // A project without a window has nothing selected.
    auto other = Load(FixtureText());
    EXPECT_TRUE(MasterLister().SelectedMasters(other.get()).empty());
}

TEST_F(SidePaneTest, SortingByRefsOrdersByTheCountNotTheText) {
    const std::pair<const char*, int> counts[] = {
        {"Shape", 10}, {"Circle", 9}, {"User", 2}, {"Idle", 1}, {"Loose", 0}};
    for (const auto& [name, count] : counts)
        MasterNamed(name)->refCount = int16_t(count);
    QHeaderView* header = Lister().header();
    const QPoint section(header->sectionViewportPosition(3) + 5, header->height() / 2);
    Mouse(header->viewport(), QEvent::MouseButtonPress, section, Qt::LeftButton);
    Mouse(header->viewport(), QEvent::MouseButtonRelease, section, Qt::NoButton);
    EXPECT_EQ(Lister().SortColumn(), 3);
    EXPECT_EQ(Column(Lister(), 3), (std::vector<std::string>{"0", "1", "2", "9", "10"}));
    // Ties are broken by name; "Submodel" puts masters without one first.
    Lister().SortByColumn(4);
    EXPECT_EQ(Column(Lister(), 0).back(), "Shape");
    EXPECT_EQ(Column(Lister(), 0).front(), "Circle");
}

TEST_F(SidePaneTest, DraggingAMasterIntoTheViewDropsItAndRaisesItsCount) {
    QWidget* viewport = Lister().viewport();
    window->dropArea = QRect(viewport->mapToGlobal(QPoint(900, 900)), QSize(400, 400));
    const int before = MasterNamed("Circle")->refCount;
    const QPoint row = RowCentre(Lister(), "Circle");
    // The press selects the row; moving with the button held starts the drag.
    Mouse(viewport, QEvent::MouseButtonPress, row, Qt::LeftButton);
    Mouse(viewport, QEvent::MouseMove, row + QPoint(3, 3), Qt::LeftButton);
    Mouse(viewport, QEvent::MouseMove, QPoint(1000, 1000), Qt::LeftButton);
    // The viewport holds the mouse, where the release outside the list
    // reaches the drag.
    EXPECT_EQ(QWidget::mouseGrabber(), viewport);
    Mouse(viewport, QEvent::MouseButtonRelease, QPoint(1000, 1000), Qt::NoButton);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    ASSERT_EQ(window->drops.size(), 1u);
    EXPECT_EQ(window->drops[0].master, "Circle");
    EXPECT_EQ(window->drops[0].point, viewport->mapToGlobal(QPoint(1000, 1000)));
    EXPECT_EQ(Lister().RowOf(MasterNamed("Circle")->guid)->text(3).toStdString(),
              std::to_string(before + 1));

    // Released outside the view: nothing is dropped.
    Mouse(viewport, QEvent::MouseButtonPress, row, Qt::LeftButton);
    Mouse(viewport, QEvent::MouseMove, QPoint(-300, -300), Qt::LeftButton);
    Mouse(viewport, QEvent::MouseButtonRelease, QPoint(-300, -300), Qt::NoButton);
    EXPECT_EQ(window->drops.size(), 1u);
}

TEST_F(SidePaneTest, ARowShowsTheMasterUndoRecreated) {
    Master* loose = MasterNamed("Loose");
    const Guid id = loose->guid;
    Lister().RowOf(id)->setSelected(true);
    extra->OnCommand(cmd::EditDelete);
    EXPECT_EQ(MasterNamed("Loose"), nullptr);
    EXPECT_EQ(Lister().RowOf(id), nullptr);

    ASSERT_TRUE(Journal().Replay(1, false));
    Master* again = MasterNamed("Loose");
    ASSERT_NE(again, nullptr);
    const MasterRow* row = Lister().RowOf(id);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetMaster(), again);
    EXPECT_EQ(row->text(0).toStdString(), "Loose");
    EXPECT_EQ(Lister().topLevelItemCount(), int(doc->Masters().Count()));
}

TEST_F(SidePaneTest, LocaterCentresTheViewWhereClickedAndFollowsScrolling) {
    extra->SelectTab(TabLocater);
    TGuide& locater = *extra->Locater();
    locater.resize(200, 150);
    locater.Refresh(false);
    EXPECT_NEAR(locater.Scale(), 0.095, 1e-9);
    EXPECT_EQ(locater.ViewFrame(), CRect(0, 0, 47, 37));

    Mouse(&locater, QEvent::MouseButtonPress, QPoint(100, 70), Qt::LeftButton);
    Mouse(&locater, QEvent::MouseButtonRelease, QPoint(100, 70), Qt::NoButton);
    ASSERT_EQ(window->scrolls.size(), 1u);
    const CPoint centre = locater.ViewFrame().CenterPoint();
    EXPECT_NEAR(centre.x, 100, 1);
    EXPECT_NEAR(centre.y, 70, 1);
    // Near the corner the frame stays on the page.
    Mouse(&locater, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Mouse(&locater, QEvent::MouseButtonRelease, QPoint(2, 2), Qt::NoButton);
    EXPECT_EQ(locater.ViewFrame().TopLeft(), CPoint(0, 0));

    // The view scrolled by itself: the frame follows.
    window->visible = CRect(1000, 800, 1500, 1200);
    locater.TrackVisibleArea(true);
    EXPECT_EQ(locater.ViewFrame(), CRect(95, 75, 142, 113));
    EXPECT_TRUE(Journal().Records().empty());
}

TEST_F(SidePaneTest, DraggingTheSizeMatrixSetsThePageMatrixUnjournaled) {
    extra->SelectTab(TabMatrix);
    TPager& matrix = *extra->Matrix();
    matrix.resize(300, 300);
    const CSize cell = matrix.CellSize();
    Model* model = ModelNamed("Classes");
    doc->SetModifiedFlag(false);
    Mouse(&matrix, QEvent::MouseButtonPress, QPoint(cell.cx / 2, cell.cy / 2), Qt::LeftButton);
    Mouse(&matrix, QEvent::MouseMove, QPoint(3 * cell.cx + 5, 2 * cell.cy + 5), Qt::LeftButton);
    // A repaint while the drag goes on shows the proposal and keeps it.
    matrix.grab();
    Mouse(&matrix, QEvent::MouseButtonRelease, QPoint(3 * cell.cx + 5, 2 * cell.cy + 5),
          Qt::NoButton);
    EXPECT_EQ(matrix.Columns(), 4);
    EXPECT_EQ(matrix.Rows(), 3);
    EXPECT_EQ(model->pageMatrix, CRect(0, 0, 4 * doc->PageWidth(), 3 * doc->PageHeight()));
    EXPECT_TRUE(Journal().Records().empty());
    EXPECT_TRUE(doc->IsModified());
    // A cell counts from its second pixel on, and the matrix never gets
    // smaller than one page.
    Mouse(&matrix, QEvent::MouseButtonPress, QPoint(cell.cx + 1, 0), Qt::LeftButton);
    EXPECT_EQ(matrix.Columns(), 1);
    EXPECT_EQ(matrix.Rows(), 1);
    Mouse(&matrix, QEvent::MouseMove, QPoint(cell.cx + 2, 1), Qt::LeftButton);
    EXPECT_EQ(matrix.Columns(), 2);
    Mouse(&matrix, QEvent::MouseButtonRelease, QPoint(cell.cx + 2, 1), Qt::NoButton);
}

TEST_F(SidePaneTest, ReferenceMastersAreCopiedWithTheirIdsWhenMissing) {
    std::string text = FixtureText();
    for (auto [from, to] : {std::pair<std::string, std::string>{"m-loose-000001", "m-extra-000001"},
                            {"\"Loose\"", "\"Extra\""}})
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
            text.replace(at, from.size(), to);
    auto reference = Load(text);
    TReference& pane = *extra->Reference();
    pane.Fill(reference.get());
    EXPECT_EQ(pane.topLevelItemCount(), int(reference->Masters().Count()));
    EXPECT_EQ(pane.headerItem()->text(0).toStdString(), "Reference");
    const QPoint inView = window->dropArea.center();
    const size_t masters = doc->Masters().Count();

    Master* extraMaster = reference->FindMaster(MasterNamed("Loose")->Kind(), "Extra", "");
    ASSERT_NE(extraMaster, nullptr);
    Master* copied = pane.DropReferenceMaster(*extraMaster, inView);
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, extraMaster);
    EXPECT_STREQ(copied->guid.Text(), "m-extra-000001");
    EXPECT_EQ(copied->submodel, nullptr);
    EXPECT_EQ(doc->Masters().Count(), masters + 1);
    EXPECT_NE(Lister().RowOf(copied->guid), nullptr);

    // The project has its own Shape: that one is placed, nothing copied.
    Master* referenceShape = reference->FindMaster(MasterNamed("Shape")->Kind(), "Shape", "geo");
    ASSERT_NE(referenceShape, nullptr);
    EXPECT_EQ(pane.DropReferenceMaster(*referenceShape, inView), MasterNamed("Shape"));
    EXPECT_EQ(doc->Masters().Count(), masters + 1);
    ASSERT_EQ(window->drops.size(), 2u);
    EXPECT_EQ(window->drops[1].master, "Shape");
    // A reference master whose id the project gives another object is
    // copied under a new id: the project's object keeps its own.
    Master* clash = reference->FindMaster(MasterNamed("User")->Kind(), "User", "");
    ASSERT_NE(clash, nullptr);
    clash->name = "Visitor";
    clash->NoteNameChange();
    Master* visitor = pane.DropReferenceMaster(*clash, inView);
    ASSERT_NE(visitor, nullptr);
    EXPECT_STRNE(visitor->guid.Text(), "m-actor-000001");
    EXPECT_EQ(doc->IdMap().Lookup("m-actor-000001"), MasterNamed("User"));
    EXPECT_EQ(doc->IdMap().Lookup(visitor->guid.Text()), visitor);
    // Outside the view nothing happens.
    EXPECT_EQ(pane.DropReferenceMaster(*referenceShape, QPoint(-5, -5)), nullptr);
    pane.Fill(nullptr);
}

TEST_F(SidePaneTest, CheckingTwoAttributesIsOneUndoStep) {
    auto* place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
    ASSERT_NE(place, nullptr);
    Master* shape = place->GetMaster();
    for (auto& attribute : shape->attributes)
        attribute->mode &= ~int32_t(ModeAnnotate);
    extra->SelectTab(TabAnnotation);
    TAnnotater& pane = *extra->Annotater();
    pane.Refill(place);
    ASSERT_GE(pane.count(), 3);
    EXPECT_EQ(pane.item(0)->text().toStdString(), "geo.Shape");
    EXPECT_EQ(pane.AttributeCount(), 2);
    EXPECT_EQ(pane.item(1)->text().toStdString(), "area");

    pane.item(1)->setSelected(true);
    pane.item(2)->setSelected(true);
    pane.SetChecked(1, true);
    EXPECT_EQ(pane.item(2)->checkState(), Qt::Checked);
    for (auto& attribute : shape->attributes)
        EXPECT_NE(attribute->mode & ModeAnnotate, 0);
    ASSERT_EQ(Journal().Records().size(), 2u);
    EXPECT_EQ(Journal().Records()[0].description, "Annotation");

    ASSERT_TRUE(Journal().Replay(1, false));
    EXPECT_EQ(Journal().Position(), 0);
    shape = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"))->GetMaster();
    for (auto& attribute : shape->attributes)
        EXPECT_EQ(attribute->mode & ModeAnnotate, 0);
    QApplication::processEvents();
    EXPECT_EQ(pane.item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(pane.item(2)->checkState(), Qt::Unchecked);

    // Two drawables selected: the pane empties.
    Model* classes = doc->CurrentModel();
    auto* circle = dynamic_cast<Place*>(doc->IdMap().Lookup("p-circle-0001"));
    ASSERT_NE(circle, nullptr);
    place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
    classes->Select(place, true, nullptr, false);
    classes->Select(circle, true, nullptr, false);
    ASSERT_EQ(classes->Selection().size(), 2u);
    ASSERT_GT(pane.count(), 0);
    doc->Events().Publish();
    EXPECT_EQ(pane.count(), 0);
}

// A double click on a member row opens the sheet of the master that owns it
// on that member's page, recording nothing; a toggle tells the view that the
// master's places show something else, so that they are sized again.
TEST_F(SidePaneTest, AnnotationRowsOpenTheMemberPageAndTogglesReachTheView) {
    auto* place = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
    ASSERT_NE(place, nullptr);
    Master* shape = place->GetMaster();
    extra->SelectTab(TabAnnotation);
    TAnnotater& pane = *extra->Annotater();
    pane.Refill(place);
    ASSERT_GE(pane.count(), 1 + 2 + 2);
    // The rows: the master, two attributes, the types, then the methods.
    const int firstMethod = pane.count() - int(shape->methods.size());
    ASSERT_EQ(pane.item(firstMethod + 1)->text().toStdString().rfind("Area", 0), 0u)
        << pane.item(firstMethod + 1)->text().toStdString();
    auto doubleClick = [&](int row) {
        pane.scrollToItem(pane.item(row));
        QTest::mouseDClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier,
                           pane.visualItemRect(pane.item(row)).center());
    };
    NullEditorHost& host = window->host;
    doubleClick(firstMethod + 1);
    doubleClick(2);
    EXPECT_EQ(host.memberPages, (std::vector<std::pair<int, int>>{{2, 1}, {0, 1}}));
    EXPECT_TRUE(Journal().Records().empty());

    const int before = host.mastersShownChanged;
    pane.SetChecked(0, (place->placeFlags & PfCompartments) == 0);
    EXPECT_EQ(host.mastersShownChanged, before + 1);
    pane.item(0)->setSelected(false);
    pane.SetChecked(1, (shape->attributes[0]->mode & ModeAnnotate) == 0);
    EXPECT_EQ(host.mastersShownChanged, before + 2);
    EXPECT_EQ(Journal().Records().size(), 2u);
}

} // namespace
} // namespace qm::test
