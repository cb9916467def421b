// The diagram view driven as a user drives it: real mouse and key events on an
// offscreen view over a fixture project, the Edit and Arrange commands with
// their rules, zoom and scroll sizes, in-place label editing and the
// clipboard forms of a copy.
#include "editor/TContent.h"

#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/DiagramView.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/TEdit.h"
#include "editor/ViewClipboard.h"
#include "editor/operations/OperationSupport.h"
#include "model/CommandIds.h"
#include "platform/Colors.h"
#include "platform/DesktopClipboard.h"
#include "platform/UserSettings.h"
#include "tests/document/DocumentFixture.h"
#include "tests/editor/OpFixture.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

constexpr int kSnap = 8;

class ViewTest : public test::DocumentTest {
  protected:
    ViewTest() : userSettings(SnapToGrid, kSnap) {
        previousSettings = Install(&userSettings);
        QApplication::clipboard()->clear();
        doc = Load(ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or(""));
        classes = doc->FindModelByName("Classes");
        doc->SetCurrentModel(classes);
        view = MakeView(*doc, host);
        shape = Find<Place>("p-shape-00001");
        circle = Find<Place>("p-circle-0001");
    }
    ~ViewTest() override {
        view.reset();
        Install(previousSettings);
    }

    static std::unique_ptr<TContent> MakeView(CCASEDoc& document, EditorHost& host) {
        auto made = std::make_unique<TContent>(document, host);
        made->resize(800, 600);
        made->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(made.get()));
        return made;
    }
    template <class T> T* Find(const char* id) {
        auto* found = dynamic_cast<T*>(doc->IdMap().Lookup(id));
        EXPECT_NE(found, nullptr) << id;
        return found;
    }
    // The client point where model point p shows.
    QPoint At(CPoint p) const {
        const CPoint scroll = view->ScrollPosition();
        const double zoom = view->CurrentModel()->zoom;
        return QPoint(static_cast<int>(p.x * zoom) - scroll.x,
                      static_cast<int>(p.y * zoom) - scroll.y);
    }
    void Click(CPoint p, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, At(p));
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* port = view->viewport();
        QTest::mousePress(port, Qt::LeftButton, modifiers, from);
        // Moves in a few steps, as a hand does.
        for (int i = 1; i <= 4; ++i) {
            const QPoint p = from + (to - from) * i / 4;
            QMouseEvent move(QEvent::MouseMove, p, port->mapToGlobal(p), Qt::NoButton,
                             Qt::LeftButton, modifiers);
            QApplication::sendEvent(port, &move);
        }
        QTest::mouseRelease(port, Qt::LeftButton, modifiers, to);
    }
    // A move with no button held.
    void Hover(CPoint p) {
        QWidget* port = view->viewport();
        const QPoint at = At(p);
        QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
    }
    std::vector<std::string> Selected() const {
        std::vector<std::string> ids;
        for (Drawable* drawable : view->CurrentModel()->Selection())
            ids.push_back(drawable->Id().Text());
        return ids;
    }
    std::vector<std::string> Descriptions() {
        std::vector<std::string> names;
        for (const JournalRecord& record : doc->GetJournal().Records())
            names.push_back(record.description);
        return names;
    }
    bool Enabled(TContent& target, int id) {
        CommandState state;
        EXPECT_TRUE(target.OnUpdateCommand(id, state)) << id;
        return state.enabled;
    }
    static std::string Saved(CCASEDoc& project) {
        const bool modified = project.IsModified();
        project.SetModifiedFlag(false);
        std::string text = project.StoreText();
        project.SetModifiedFlag(modified);
        return text;
    }

    FixedUserSettings userSettings;
    const UserSettings* previousSettings = nullptr;
    NullEditorHost host;
    std::unique_ptr<CCASEDoc> doc;
    Model* classes = nullptr;
    std::unique_ptr<TContent> view;
    Place* shape = nullptr;
    Place* circle = nullptr;
};

TEST_F(ViewTest, ClicksSelectAndShiftClickAdds) {
    Click(CPoint(370, 250));
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-circle-0001"});
    // Another plain click selects the other place alone.
    Click(CPoint(60, 50));
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-shape-00001"});
    Click(CPoint(370, 250), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<std::string>{"p-shape-00001", "p-circle-0001"}));
    // Shift-click on a selected place takes it out again.
    Click(CPoint(370, 250), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-shape-00001"});
    // A plain click on blank ground deselects everything.
    Click(CPoint(900, 700));
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(view->Mode(), DM_NONE);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
}

// The band selects what it meets; without Shift it replaces the selection,
// with Shift it toggles what it meets and keeps the rest.
TEST_F(ViewTest, RubberBandSelectsWhatItMeetsAndShiftToggles) {
    using Ids = std::vector<std::string>;
    const Ids onlyShape{"p-shape-00001"};
    const Ids shapeAndCircle{"p-circle-0001", "p-shape-00001"};
    struct Case {
        const char* name;
        Ids before;
        CPoint from, to;
        bool shift;
        Ids after;
    } cases[] = {
        // The band meets the circle in part only, and misses the link.
        {"part of a place", onlyShape, {520, 120}, {350, 320}, false, {"p-circle-0001"}},
        // Dragged up and left, meeting the circle and the link's end.
        {"place and link",
         onlyShape,
         {520, 320},
         {250, 120},
         false,
         {"l-inherit-001", "p-circle-0001"}},
        {"nothing met", shapeAndCircle, {600, 400}, {700, 500}, false, {}},
        {"shift adds", onlyShape, {520, 120}, {350, 320}, true, shapeAndCircle},
        {"shift takes out", shapeAndCircle, {520, 120}, {350, 320}, true, onlyShape},
        {"shift meeting nothing", shapeAndCircle, {600, 400}, {700, 500}, true, shapeAndCircle},
    };
    for (const Case& c : cases) {
        view->DeselectAll();
        std::vector<Drawable*> before;
        for (const std::string& id : c.before)
            before.push_back(Find<Drawable>(id.c_str()));
        view->SelectList(before);
        Drag(At(c.from), At(c.to), c.shift ? Qt::ShiftModifier : Qt::NoModifier);
        Ids selected = Selected();
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected, c.after) << c.name;
        EXPECT_EQ(view->Mode(), DM_NONE) << c.name;
    }
    EXPECT_TRUE(doc->GetJournal().Records().empty());
}

// A click on a junction selects the place it sits on with the junction as
// its current one; a double click on the junction's label edits it in place.
TEST_F(ViewTest, AClickSelectsAJunctionAndADoubleClickEditsItsLabel) {
    Junction* junction = circle->AddJunction(&doc->IdMap(), 400, 232, kFirstJunctionTool);
    ASSERT_NE(junction, nullptr);
    view->viewport()->update();
    const CPoint glyph = junction->bounds.CenterPoint();
    const CPoint label = junction->labelRect.CenterPoint();
    ASSERT_FALSE(junction->labelRect.PtInRect(glyph));

    Click(glyph);
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-circle-0001"});
    EXPECT_EQ(circle->currentJunction, junction);
    EXPECT_EQ(view->Mode(), DM_NONE);
    Hover(label);
    EXPECT_EQ(view->CursorShown(), CurIBeam);
    Hover(glyph);
    EXPECT_EQ(view->CursorShown(), CurCallBox);

    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, At(label));
    ASSERT_TRUE(view->IsEditingLabel());
    TEdit* edit = view->LabelEditor();
    ASSERT_TRUE(edit->isVisible());
    edit->selectAll();
    QTest::keyClicks(edit, "in");
    Click(CPoint(900, 700));
    EXPECT_FALSE(view->IsEditingLabel());
    EXPECT_EQ(junction->text, "in");
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(circle->currentJunction, nullptr);
}

// The pixels that differ between two pictures of the same size (all of them
// when the sizes differ).
int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return a.width() * a.height() + b.width() * b.height();
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            differing += x.pixel(col, row) != y.pixel(col, row) ? 1 : 0;
    return differing;
}

// While a place joined by a stepped link is dragged, what the view shows after
// each move (only the areas the drag dirtied painted again) is what a full
// repaint of the same state shows: no ghost of the old path, no gap.
TEST_F(ViewTest, EveryFrameOfADragWithASteppedLinkEqualsAFullRepaint) {
    auto* link = Find<Link>("l-inherit-001");
    link->options |= LoStepped;
    link->MakeStepped();
    CRect dirty;
    link->KeepStepped(dirty, nullptr);
    link->UpdateRepaintRect();
    ASSERT_GT(link->VertexCount(), 2);
    QWidget* port = view->viewport();
    port->repaint();
    auto shown = [&] {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        return view->screen()->grabWindow(view->winId()).toImage();
    };
    auto expectFullRepaint = [&](const std::string& when) {
        const QImage frame = shown();
        port->repaint();
        const QImage full = shown();
        EXPECT_EQ(DifferingPixels(frame, full), 0) << when;
    };
    const QPoint from = At(CPoint(370, 250));
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, from);
    expectFullRepaint("after the press");
    QPoint at = from;
    for (int i = 1; i <= 12; ++i) {
        at = from + QPoint(9 * i, (i % 4) * 11 + 3 * i);
        QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        expectFullRepaint("move " + std::to_string(i));
    }
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, at);
    expectFullRepaint("after the release");
    EXPECT_NE(circle->bounds, CRect(300, 200, 400, 260));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
}

// A corner knob of a place, a primitive or a tag resizes it about its centre;
// with Ctrl held the opposite corner stays where it is.
TEST_F(ViewTest, CornerDragsAreSymmetricAboutTheCentreUnlessCtrlIsHeld) {
    auto make = [&](int tool, CPoint from, CPoint to) {
        host.SetCurrentTool(tool);
        Drag(At(from), At(to));
        host.SetCurrentTool(TkPointer);
        return classes->Drawables().back().get();
    };
    Drawable* rectangle = make(29, CPoint(480, 400), CPoint(560, 456));
    Drawable* ellipse = make(31, CPoint(640, 400), CPoint(720, 456));
    Drawable* tag = make(25, CPoint(50, 50), CPoint(200, 400));
    ASSERT_TRUE(rectangle->IsPrimitive());
    ASSERT_TRUE(ellipse->IsPrimitive());
    ASSERT_NE(dynamic_cast<Tag*>(tag), nullptr);
    struct Case {
        const char* name;
        Drawable* drawable;
        bool ctrl;
    } cases[] = {
        {"place", circle, false},
        {"place with Ctrl", circle, true},
        {"rectangle", rectangle, false},
        {"rectangle with Ctrl", rectangle, true},
        {"ellipse", ellipse, false},
        {"ellipse with Ctrl", ellipse, true},
        {"tag", tag, false},
        {"tag with Ctrl", tag, true},
    };
    const CSize d(24, 16);
    for (const Case& c : cases) {
        Drawable& drawable = *c.drawable;
        view->SelectList({&drawable});
        const CRect before = drawable.bounds;
        // The bottom-right knob, just outside the corner.
        const CPoint knob(before.right + 2, before.bottom + 2);
        const CPoint pressed = view->SnapToGrid(knob);
        Drag(At(knob), At(pressed + d), c.ctrl ? Qt::ControlModifier : Qt::NoModifier);
        const CRect expected =
            c.ctrl ? CRect(before.left, before.top, before.right + d.cx, before.bottom + d.cy)
                   : CRect(before.left - d.cx, before.top - d.cy, before.right + d.cx,
                           before.bottom + d.cy);
        EXPECT_EQ(drawable.bounds, expected) << c.name;
        EXPECT_EQ(Descriptions().back(), "Drag Knob") << c.name;
    }
}

// Scrolled so that both ends of a link lie off screen, the view still draws
// the part of the link that crosses it, the first time and after a refresh.
TEST_F(ViewTest, ALinkWithBothEndsOffScreenIsDrawnAfterAScroll) {
    auto* link = Find<Link>("l-inherit-001");
    view->SetZoom(4.0);
    view->horizontalScrollBar()->setValue(500);
    view->verticalScrollBar()->setValue(300);
    ASSERT_EQ(view->ScrollPosition(), CPoint(500, 300));
    // The link runs from (1200, 920) to (400, 120) at this zoom: through
    // view point (800, 520), client point (300, 220); its ends are outside.
    const std::vector<CPoint>& v = link->Vertices();
    ASSERT_EQ(v.size(), 2u);
    ASSERT_EQ(v.front(), CPoint(300, 230));
    ASSERT_EQ(v.back(), CPoint(100, 30));
    auto darkNear = [&](const QImage& image, QPoint p) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (qGray(image.pixel(p + QPoint(dx, dy))) < 100)
                    return true;
        return false;
    };
    auto shown = [&] {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        return view->screen()->grabWindow(view->winId()).toImage();
    };
    const QPoint crossing = view->viewport()->mapTo(view.get(), QPoint(300, 220));
    EXPECT_TRUE(darkNear(shown(), crossing));
    view->OnCommand(cmd::Refresh);
    EXPECT_TRUE(darkNear(shown(), crossing));
}

// The fixture's link was saved with placeholder areas. Scrolled so that one
// end lies off screen, a repaint of part of the view draws the link as a
// repaint of the whole view does, and so does every frame of a band dragged
// over it; the band then holds the link.
TEST_F(ViewTest, ALinkSavedWithPlaceholderAreasIsDrawnByPartialRepaintsAfterAScroll) {
    auto* link = Find<Link>("l-inherit-001");
    ASSERT_EQ(link->bounds, CRect(0, 0, 10, 10));
    view->SetZoom(2.0);
    const std::string saved = Saved(*doc);
    view->horizontalScrollBar()->setValue(300);
    view->verticalScrollBar()->setValue(0);
    ASSERT_EQ(view->ScrollPosition(), CPoint(300, 0));
    // At this zoom the link runs from (600, 460) to (200, 60): its source
    // end shows at client (300, 460), its target end lies left of the view,
    // and client (100, 260) is on its path.
    QWidget* port = view->viewport();
    auto shown = [&] {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        return port->grab().toImage();
    };
    auto darkNear = [](const QImage& image, QPoint p) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (qGray(image.pixel(p + QPoint(dx, dy))) < 100)
                    return true;
        return false;
    };
    auto expectFullRepaint = [&](const QImage& frame, const std::string& when) {
        port->repaint();
        EXPECT_EQ(DifferingPixels(frame, shown()), 0) << when;
    };
    const QPoint onPath(100, 260);
    port->repaint(QRect(onPath - QPoint(40, 40), QSize(80, 80)));
    const QImage part = shown();
    EXPECT_TRUE(darkNear(part, onPath));
    expectFullRepaint(part, "a partial repaint");
    view->OnCommand(cmd::Refresh);
    EXPECT_TRUE(darkNear(shown(), onPath)) << "after a refresh";

    const QPoint from(60, 300), to(140, 220);
    QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 4; ++i) {
        const QPoint p = from + (to - from) * i / 4;
        QMouseEvent move(QEvent::MouseMove, p, port->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        const QImage frame = shown();
        EXPECT_TRUE(darkNear(frame, onPath)) << "band move " << i;
        expectFullRepaint(frame, "band move " + std::to_string(i));
    }
    QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_EQ(Selected(), std::vector<std::string>{"l-inherit-001"});
    // Nothing was saved differently for having been drawn.
    EXPECT_EQ(Saved(*doc), saved);
    // Nudged with its ends and put back by undo, the link still covers its
    // path and the project saves as it was read.
    view->SelectList({shape, circle, link});
    QTest::keyClick(view.get(), Qt::Key_Right);
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    for (const CPoint& v : link->Vertices())
        EXPECT_TRUE(link->repaintRect.PtInRect(v)) << v.x << "," << v.y;
    EXPECT_EQ(Saved(*doc), saved);
}

TEST_F(ViewTest, DragBelowTheThresholdMovesNothing) {
    const std::string before = Saved(*doc);
    Click(CPoint(370, 250));
    // A wobble of a pixel or two keeps the snapped point and stays under the
    // platform's drag distance.
    Drag(At(CPoint(370, 250)), At(CPoint(372, 251)));
    EXPECT_EQ(circle->bounds, CRect(300, 200, 400, 260));
    EXPECT_EQ(Saved(*doc), before);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-circle-0001"});
    // Past the threshold a press on the place (not selected, so not on its
    // label's editor) moves it, snapped, as one step.
    Click(CPoint(900, 700));
    Drag(At(CPoint(370, 250)), At(CPoint(410, 290)));
    EXPECT_EQ(circle->bounds, CRect(340, 240, 440, 300));
    EXPECT_EQ(doc->GetJournal().Records().size(), 1u);
}

TEST_F(ViewTest, ArrowKeysNudgeTheSelectionByTheSnapSize) {
    view->SelectList({shape, circle});
    const CRect shapeBefore = shape->bounds;
    const CRect circleBefore = circle->bounds;
    QTest::keyClick(view.get(), Qt::Key_Right);
    CRect expected = shapeBefore;
    expected.OffsetRect(kSnap, 0);
    EXPECT_EQ(shape->bounds, expected);
    expected = circleBefore;
    expected.OffsetRect(kSnap, 0);
    EXPECT_EQ(circle->bounds, expected);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Nudge Drawables"});
    // The nudge undoes as one step.
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(shape->bounds, shapeBefore);
    EXPECT_EQ(circle->bounds, circleBefore);

    // With nothing selected the arrows scroll and record nothing.
    view->DeselectAll();
    view->SetZoom(4.0);
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(view->ScrollPosition().y, kSnap);
    EXPECT_EQ(doc->GetJournal().Records().size(), 1u);
}

// A nudge moves links, tags, message floaters and place groups with what it
// moves; undo and redo give each of them back exactly as it was.
TEST_F(ViewTest, UndoAndRedoOfANudgeGiveBackEveryFollowerExactly) {
    struct Case {
        const char* nudged;
        Qt::Key key;
    };
    const Case cases[] = {
        {"p-shape-00001", Qt::Key_Right},
        {"p-circle-0001", Qt::Key_Down},
        {"s-user-000001", Qt::Key_Up},
        {"p-inner-00001", Qt::Key_Left},
    };
    for (const Case& c : cases) {
        view.reset();
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
        doc->SetCurrentModel(doc->FindModelByName("Everything"));
        view = MakeView(*doc, host);
        auto* nudged = Find<Drawable>(c.nudged);
        ASSERT_NE(nudged, nullptr);
        Model& model = *doc->CurrentModel();
        // The fixture's links keep their routes but have no rectangles yet;
        // a project saved by the program always has them.
        std::vector<Drawable*> all;
        model.CollectAllDrawables(all);
        for (Drawable* drawable : all)
            drawable->UpdateRepaintRect();
        const std::string before = test::PreparedSavedText(*doc, model);
        view->SelectList({nudged});
        QTest::keyClick(view.get(), c.key);
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Nudge Drawables"}) << c.nudged;
        const std::string after = test::PreparedSavedText(*doc, model);
        ASSERT_NE(after, before) << c.nudged;
        ASSERT_TRUE(doc->GetJournal().Replay(1, false)) << c.nudged;
        EXPECT_TRUE(test::SameText(test::PreparedSavedText(*doc, model), before)) << c.nudged;
        ASSERT_TRUE(doc->GetJournal().Replay(1, true)) << c.nudged;
        EXPECT_TRUE(test::SameText(test::PreparedSavedText(*doc, model), after)) << c.nudged;
    }
}

class SwimlaneViewTest : public ViewTest {
  protected:
    SwimlaneViewTest() {
        lanes = doc->NewModel(MkInteraction, nullptr);
        view->ShowModel(lanes);
        CRect repaint;
        first = dynamic_cast<Swimlane*>(lanes->CreateSwimlane(doc.get(), nullptr, 10, repaint));
        second = dynamic_cast<Swimlane*>(lanes->CreateSwimlane(doc.get(), nullptr, 300, repaint));
        doc->GetJournal().Reset();
    }
    Model* lanes = nullptr;
    Swimlane* first = nullptr;
    Swimlane* second = nullptr;
};

TEST_F(SwimlaneViewTest, LeftAndRightSwapOneSelectedLane) {
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->PreviousLane(), first);
    view->SelectList({second});
    const int32_t firstLeft = first->bounds.left;
    QTest::keyClick(view.get(), Qt::Key_Left);
    EXPECT_EQ(second->bounds.left, firstLeft);
    EXPECT_EQ(first->PreviousLane(), second);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Swap Swimlanes"});
    EXPECT_EQ(Selected(), std::vector<std::string>{second->Id().Text()});
    // Left of the first lane there is none to swap with.
    QTest::keyClick(view.get(), Qt::Key_Left);
    EXPECT_EQ(Descriptions().size(), 1u);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(SwimlaneViewTest, TwoSelectedWithALaneAreRefusedWithTheirMessage) {
    view->SelectList({first, second});
    const CRect before = first->bounds;
    QTest::keyClick(view.get(), Qt::Key_Right);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0],
              "To swap a swimlane using left & right arrow keys, select exactly one lane.");
    EXPECT_EQ(first->bounds, before);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
}

TEST_F(ViewTest, DeleteAllThenUndoAndRedoGiveBackTheSavedText) {
    const std::string saved = Saved(*doc);
    view->OnCommand(cmd::EditSelectAll);
    EXPECT_EQ(classes->Selection().size(), classes->Drawables().size());
    view->OnCommand(cmd::EditDelete);
    EXPECT_TRUE(classes->Drawables().empty());
    const std::string deleted = Saved(*doc);
    UndoJournal& journal = doc->GetJournal();
    ASSERT_TRUE(journal.Replay(1, false));
    EXPECT_EQ(Saved(*doc), saved);
    ASSERT_TRUE(journal.Replay(1, true));
    EXPECT_EQ(Saved(*doc), deleted);
    ASSERT_TRUE(journal.Replay(1, false));
    EXPECT_EQ(Saved(*doc), saved);
    // The view shows the drawables again and holds no stale ones.
    view->repaint();
    Click(CPoint(900, 700));
    Click(CPoint(370, 250));
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-circle-0001"});
}

TEST_F(ViewTest, CutThenPasteIntoAnotherDocumentMakesTheSameDrawables) {
    auto other = NewDoc();
    other->LoadText(ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or(""));
    Model* target = other->NewModel(MkClass, nullptr);
    other->SetCurrentModel(target);
    NullEditorHost otherHost;
    std::unique_ptr<TContent> second = MakeView(*other, otherHost);
    ASSERT_EQ(second->CurrentModel(), target);
    EXPECT_FALSE(Enabled(*second, cmd::EditPaste));

    view->SelectList({shape, circle, Find<Drawable>("l-inherit-001")});
    view->OnCommand(cmd::EditCut);
    EXPECT_EQ(classes->Drawables().size(), 2u); // the text and the box stay
    EXPECT_EQ(Descriptions().back(), "Cut Drawables");
    ASSERT_TRUE(Enabled(*second, cmd::EditPaste));
    second->OnCommand(cmd::EditPaste);

    // The pasted drawables are selected there, places with masters of their names.
    std::vector<std::string> names;
    for (Drawable* drawable : target->Selection()) {
        if (auto* place = dynamic_cast<Place*>(drawable)) {
            ASSERT_NE(place->master, nullptr);
            names.push_back(place->master->name);
        } else {
            names.push_back(drawable->IsLink() ? "link" : "other");
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Circle", "Shape", "link"}));
    EXPECT_EQ(target->Drawables().size(), 3u);
    second.reset();
}

TEST_F(ViewTest, EveryCommandIsDisabledByItsRule) {
    struct Case {
        int id;
        const char* name;
    };
    const Case needSelection[] = {
        {cmd::EditDelete, "Delete"},
        {cmd::EditCut, "Cut"},
        {cmd::EditCopy, "Copy"},
        {cmd::EditShallowCopy, "Shallow Copy"},
        {cmd::PopupDelete, "context Delete"},
        {cmd::BringToFront, "Bring To Front"},
        {cmd::SendToBack, "Send To Back"},
        {cmd::FlipHorizontal, "Flip Horizontal"},
        {cmd::FlipVertical, "Flip Vertical"},
        {cmd::RotateRight, "Rotate Right"},
        {cmd::RotateLeft, "Rotate Left"},
        {cmd::GroupAsPrimitive, "Group As Primitive"},
        {cmd::GroupAsPlace, "Group As Place"},
        {cmd::Ungroup, "Ungroup"},
        {cmd::Reposition, "Reposition"},
        {cmd::AutoSize, "Auto Size"},
    };
    for (const Case& c : needSelection)
        EXPECT_FALSE(Enabled(*view, c.id)) << c.name << " with nothing selected";
    // Paste wants the masters clipboard file, which no copy has written yet.
    EXPECT_FALSE(Enabled(*view, cmd::EditPaste));

    // One place: grouping as a primitive needs two, ungrouping a group.
    view->SelectList({circle});
    EXPECT_TRUE(Enabled(*view, cmd::EditDelete));
    EXPECT_TRUE(Enabled(*view, cmd::GroupAsPlace));
    EXPECT_FALSE(Enabled(*view, cmd::GroupAsPrimitive));
    EXPECT_FALSE(Enabled(*view, cmd::Ungroup));
    view->SelectList({circle, shape});
    EXPECT_TRUE(Enabled(*view, cmd::GroupAsPrimitive));

    // A disabled command does nothing when it is sent anyway.
    view->DeselectAll();
    EXPECT_TRUE(view->OnCommand(cmd::EditDelete));
    EXPECT_EQ(classes->Drawables().size(), 5u);

    // In a tool model Group As Place is not offered.
    ASSERT_NE(doc->Template(), nullptr);
    ToolModel* tool = doc->Template()->ToolAt(0);
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(view->ShowModel(tool));
    ASSERT_FALSE(tool->Drawables().empty());
    view->SelectList({tool->Drawables().front().get()});
    EXPECT_FALSE(Enabled(*view, cmd::GroupAsPlace));
    EXPECT_TRUE(Enabled(*view, cmd::EditDelete));
    // The context menu carries the same rules under its labels.
    view->ShowModel(classes);
    view->DeselectAll();
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, At(CPoint(370, 250)));
    ASSERT_NE(view->ContextMenu(), nullptr);
    std::map<std::string, bool> items;
    for (QAction* action : view->ContextMenu()->actions())
        if (!action->isSeparator())
            items[action->text().toStdString()] = action->isEnabled();
    view->ContextMenu()->hide();
    EXPECT_EQ(Selected(), std::vector<std::string>{"p-circle-0001"});
    EXPECT_TRUE(items.at("Delete"));
    EXPECT_TRUE(items.at("Explode..."));
    EXPECT_FALSE(items.at("Paste"));
    EXPECT_FALSE(items.at("Implode"));
    EXPECT_FALSE(items.at("Call..."));
}

TEST_F(ViewTest, ZoomOutsideItsRangeIsIgnoredAndTheStepsFollowThePageMatrix) {
    view->SetZoom(0.19);
    EXPECT_DOUBLE_EQ(classes->zoom, 1.0);
    view->SetZoom(4.01);
    EXPECT_DOUBLE_EQ(classes->zoom, 1.0);
    view->SetZoom(0.2);
    EXPECT_DOUBLE_EQ(classes->zoom, 0.2);
    // Zoom In steps by 0.1 up to 4.0 and stops there; at each zoom the
    // scroll range is the zoomed page matrix less the client area.
    const QSize client = view->viewport()->size();
    for (int step = 0; step < 45; ++step) {
        const double before = classes->zoom;
        view->OnCommand(cmd::ZoomIn);
        EXPECT_NEAR(classes->zoom, std::min(before + 0.1, 4.0), 1e-9);
        const CSize page = classes->GetPageSize(false);
        EXPECT_EQ(page.cx, static_cast<int>(2000 * classes->zoom));
        EXPECT_EQ(view->horizontalScrollBar()->maximum(), std::max(0, page.cx - client.width()));
        EXPECT_EQ(view->verticalScrollBar()->maximum(), std::max(0, page.cy - client.height()));
    }
    EXPECT_DOUBLE_EQ(classes->zoom, 4.0);
    view->OnCommand(cmd::ZoomOut);
    EXPECT_NEAR(classes->zoom, 3.9, 1e-9);
    view->OnCommand(cmd::NormalSize);
    EXPECT_DOUBLE_EQ(classes->zoom, 1.0);
}

// A name typed in place that no longer fits makes its place grow about its
// centre, in the same undo step as the name; a name that fits changes no size.
TEST_F(ViewTest, ANameTypedInPlaceGrowsThePlaceToHoldIt) {
    auto* diagram = dynamic_cast<CustomModel*>(classes);
    ASSERT_NE(diagram, nullptr);
    auto* place = dynamic_cast<Place*>(
        diagram->CreatePlaceOfTool(doc.get(), 10, "Ab", "", CRect(600, 600, 660, 640)));
    ASSERT_NE(place, nullptr);
    doc->GetJournal().Reset();
    const CRect before = place->bounds;
    for (const char* name : {"Cd", "A rather long name for a class"}) {
        view->EditLabel(place);
        view->LabelEditor()->selectAll();
        QTest::keyClicks(view->LabelEditor(), name);
        view->EditLabel(nullptr);
        ASSERT_EQ(place->master->name, name);
    }
    EXPECT_GT(place->bounds.Width(), before.Width());
    EXPECT_GE(place->bounds.Height(), before.Height());
    EXPECT_EQ(place->bounds.CenterPoint(), before.CenterPoint());
    EXPECT_EQ(Descriptions().back(), "Auto-size Place");
    EXPECT_EQ(Descriptions().size(), 3u) << "the short name changed no size";
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(place->master->name, "Cd");
    EXPECT_EQ(place->bounds, before);
}

TEST_F(ViewTest, EditingAPlacesLabelRenamesOrSwitchesItsMasterInOneStep) {
    Master* own = shape->master;
    view->SelectList({circle});
    view->EditLabel(circle);
    TEdit* edit = view->LabelEditor();
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->toPlainText().toStdString(), "Circle");
    // The caret stands at the end.
    EXPECT_EQ(edit->textCursor().position(), 6);
    edit->selectAll();
    QTest::keyClicks(edit, "Round");
    view->EditLabel(nullptr);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_EQ(circle->master->name, "Round");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Place Master Switch"});
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(circle->master->name, "Circle");

    // A name that is another master's of the same tool binds the place to
    // that master, which then counts one more use.
    auto* diagram = dynamic_cast<CustomModel*>(classes);
    ASSERT_NE(diagram, nullptr);
    auto* other = dynamic_cast<Place*>(
        diagram->CreatePlaceOfTool(doc.get(), 10, "Other", "geo", CRect(600, 600, 660, 640)));
    ASSERT_NE(other, nullptr);
    Master* otherMaster = other->master;
    const int uses = otherMaster->refCount;
    doc->GetJournal().Reset();
    view->EditLabel(circle);
    view->LabelEditor()->selectAll();
    QTest::keyClicks(view->LabelEditor(), "Other");
    view->EditLabel(nullptr);
    EXPECT_EQ(circle->master, otherMaster);
    EXPECT_EQ(otherMaster->refCount, uses + 1);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Place Master Switch"});
    EXPECT_EQ(shape->master, own);
    // An edit that changes nothing records nothing.
    const size_t records = doc->GetJournal().Records().size();
    view->EditLabel(shape);
    view->EditLabel(nullptr);
    EXPECT_EQ(doc->GetJournal().Records().size(), records);
}

// A label edit of a place whose master another place shares makes a master
// for the new name; undo leaves the project as it was, without that master.
// Scrolling ends an in-place edit; an edit that changed a name tells the
// frame, whose open property sheet then shows the new name.
TEST_F(ViewTest, ScrollingEndsAnEditAndAChangedNameReachesTheSheet) {
    struct Host : NullEditorHost {
        void LabelCommitted() override { ++committed; }
        int committed = 0;
    } counting;
    auto other = MakeView(*doc, counting);
    other->EditLabel(circle);
    ASSERT_TRUE(other->IsEditingLabel());
    other->LabelEditor()->selectAll();
    QTest::keyClicks(other->LabelEditor(), "Round");
    other->verticalScrollBar()->setValue(40);
    EXPECT_FALSE(other->IsEditingLabel());
    EXPECT_EQ(circle->master->name, "Round");
    EXPECT_EQ(counting.committed, 1);
    // An edit that changes nothing tells nothing.
    other->EditLabel(circle);
    other->EditLabel(nullptr);
    EXPECT_EQ(counting.committed, 1);
}

TEST_F(ViewTest, UndoOfALabelEditThatMadeAMasterLeavesTheProjectAsBefore) {
    auto* diagram = dynamic_cast<CustomModel*>(classes);
    ASSERT_NE(diagram, nullptr);
    ASSERT_NE(diagram->CreatePlaceOfTool(doc.get(), 10, circle->master->name,
                                         circle->master->nameSpace, CRect(600, 600, 660, 640)),
              nullptr);
    // The fixture's label rectangle is not the one layout computes.
    circle->Relayout();
    doc->GetJournal().Reset();
    const std::string before = test::PreparedSavedText(*doc, *classes);
    view->EditLabel(circle);
    view->LabelEditor()->selectAll();
    QTest::keyClicks(view->LabelEditor(), "Hoop");
    view->EditLabel(nullptr);
    ASSERT_EQ(circle->master->name, "Hoop");
    const std::string after = test::PreparedSavedText(*doc, *classes);
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_TRUE(test::SameText(test::PreparedSavedText(*doc, *classes), before));
    ASSERT_TRUE(doc->GetJournal().Replay(1, true));
    EXPECT_TRUE(test::SameText(test::PreparedSavedText(*doc, *classes), after));
}

TEST_F(ViewTest, LabelOfOneCharacterIsSelectedWholeAndAPressOnItKeepsTheEditor) {
    auto* text = Find<Drawable>("text-1");
    CRect rect;
    *text->GetEditableText(rect) = "X";
    view->SelectList({text});
    view->EditLabel(text);
    EXPECT_EQ(view->LabelEditor()->textCursor().selectedText().toStdString(), "X");
    QTest::keyClicks(view->LabelEditor(), "Y");
    view->EditLabel(nullptr);
    EXPECT_EQ(*text->GetEditableText(rect), "Y");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Text Edit"});
}

TEST_F(ViewTest, CopyPutsTheSelectionAsSvgAndAsAnImageAtFullSize) {
    view->SetZoom(2.5);
    view->SelectList({shape, circle});
    view->OnCommand(cmd::EditCopy);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasFormat(kSvgMime));
    const QString svg = QString::fromUtf8(data->data(kSvgMime));
    EXPECT_TRUE(svg.contains("Shape")) << svg.left(400).toStdString();
    EXPECT_TRUE(svg.contains("Circle"));
    CRect bounds;
    classes->GetSelectionBounds(bounds);
    const QImage image = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(image.size(), QSize(bounds.Width(), bounds.Height()));
    // The masters clipboard file is referred to beside the pictures, and
    // copying changed nothing in the project.
    EXPECT_TRUE(data->hasFormat(kMastersClipboardMime));
    EXPECT_TRUE(doc->GetJournal().Records().empty());
    EXPECT_TRUE(Enabled(*view, cmd::EditPaste));
}

TEST(ViewClipboard, IconBytesKeepTheirLayoutAndRefuseOtherLengths) {
    QImage icon(16, 15, QImage::Format_RGB32);
    icon.fill(qRgb(255, 255, 255));
    icon.setPixel(3, 4, qRgb(255, 0, 0));
    const QByteArray bytes = IconToClipboardBytes(icon);
    ASSERT_EQ(bytes.size(), 16 * 15 + 1024);
    const auto back = IconFromClipboardBytes(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_EQ(back->pixel(0, 0), qRgb(255, 255, 255));
    for (qsizetype size : {qsizetype(0), qsizetype(1263), qsizetype(1265), qsizetype(1 << 20)})
        EXPECT_FALSE(IconFromClipboardBytes(QByteArray(size, '\0')).has_value()) << size;
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(ViewTest, LooksChangeOfTheSelectionIsOneUndoableStep) {
    view->SelectList({circle, shape});
    const uint32_t fillBefore = circle->looks.fillColor;
    Looks mask{0, 0, 1, 0, 0, 0, 1, 0};
    Looks looks = circle->looks;
    looks.fillColor = 5;
    view->LooksChange(mask, looks);
    EXPECT_EQ(circle->looks.fillColor, 5u);
    EXPECT_EQ(shape->looks.fillColor, 5u);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Looks Change"});
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(circle->looks.fillColor, fillBefore);
    // Nothing selected: nothing changes, nothing is recorded.
    view->DeselectAll();
    view->LooksChange(mask, looks);
    EXPECT_EQ(doc->GetJournal().Records().size(), 1u);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST(ViewCursors, EveryCursorOfTheTablesHasItsPicture) {
    for (const ViewCursor cursor : kPictureCursors) {
        const QCursor shape = ViewCursorShape(cursor);
        EXPECT_EQ(shape.shape(), Qt::BitmapCursor) << cursor;
        EXPECT_EQ(shape.pixmap().size(), QSize(32, 32)) << cursor;
    }
    EXPECT_EQ(ViewCursorShape(CurArrow).shape(), Qt::ArrowCursor);
    EXPECT_EQ(ViewCursorShape(CurIBeam).shape(), Qt::IBeamCursor);
    // The view and its operations name their cursors from the table, the
    // link target, free hand and will-be-deleted cursors among them.
    for (const ViewCursor cursor : {CurLinkTarget, CurFreeHand, CurWillDelete})
        EXPECT_NE(std::find(std::begin(kPictureCursors), std::end(kPictureCursors), cursor),
                  std::end(kPictureCursors))
            << cursor;
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(ViewTest, APlaceToolClickCreatesAPlaceAndTheToolReturnsToThePointer) {
    const size_t before = classes->Drawables().size();
    host.SetCurrentTool(10);
    Click(CPoint(800, 600));
    ASSERT_EQ(classes->Drawables().size(), before + 1);
    auto* made = dynamic_cast<Place*>(classes->Drawables().back().get());
    ASSERT_NE(made, nullptr);
    // The tool's default rectangle comes out centred on the press.
    EXPECT_EQ(made->bounds.CenterPoint().x / kSnap, 800 / kSnap);
    EXPECT_EQ(host.CurrentTool(), 24);
    EXPECT_EQ(doc->GetJournal().Records().size(), 1u);
    // With Shift held the tool stays for the next place.
    host.SetCurrentTool(10);
    Click(CPoint(1000, 600), Qt::ShiftModifier);
    EXPECT_EQ(classes->Drawables().size(), before + 2);
    EXPECT_EQ(host.CurrentTool(), 10);
}

TEST_F(ViewTest, PasteIntoTheLabelEditorTakesTheClipboardTextCutAtACharacter) {
    view->SelectList({Find<Drawable>("text-1")});
    view->EditLabel(Find<Drawable>("text-1"));
    view->LabelEditor()->selectAll();
    // "é" is two bytes: a text that would be cut inside it loses it whole.
    std::string text(0x1FFFF - 1, 'a');
    text += "\xC3\xA9tail";
    QApplication::clipboard()->setText(QString::fromStdString(text));
    view->OnCommand(cmd::EditPaste);
    const std::string pasted = view->LabelEditor()->toPlainText().toStdString();
    EXPECT_EQ(pasted, std::string(0x1FFFF - 1, 'a'));
    QApplication::clipboard()->setText("short");
    view->LabelEditor()->selectAll();
    view->OnCommand(cmd::EditPaste);
    EXPECT_EQ(view->LabelEditor()->toPlainText().toStdString(), "short");
    view->EditLabel(nullptr);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Text Edit"});
}

TEST_F(ViewTest, HoverShowsTheToolAndTheCursorFollowsThePart) {
    Hover(CPoint(350, 225));
    EXPECT_NE(host.statusText.find("(Semantics = "), std::string::npos) << host.statusText;
    EXPECT_EQ(view->CursorShown(), CurMove);
    Hover(CPoint(700, 500));
    EXPECT_EQ(view->CursorShown(), CurArrow);
    host.SetCurrentTool(10);
    Hover(CPoint(650, 450));
    EXPECT_EQ(view->CursorShown(), CurCreateTool);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST_F(ViewTest, ATemplateEditedInOneWindowIsRefusedInAnother) {
    auto other = Load(ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or(""));
    ASSERT_EQ(other->Template(), doc->Template()); // the shared built-in template
    NullEditorHost otherHost;
    std::unique_ptr<TContent> second = MakeView(*other, otherHost);
    ToolModel* tool = doc->Template()->ToolAt(0);
    ASSERT_TRUE(view->ShowModel(tool));
    EXPECT_FALSE(second->ShowModel(tool));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "This template is currently being edited in another window");
    // Once the first window shows a diagram again, the second may edit it.
    ASSERT_TRUE(view->ShowModel(classes));
    EXPECT_TRUE(second->ShowModel(tool));
    second.reset();
}

// Icon editing as the view drives it: presses paint into the tool's cell and
// keep the painting tool; Delete, Cut, Copy and Paste act on the cell.
class ViewIconTest : public ViewTest {
  protected:
    ViewIconTest() {
        tool = doc->FindTool(10);
        EXPECT_TRUE(view->ShowModel(tool));
        EXPECT_TRUE(view->SetIconEditing(true));
        strip = doc->IconStripOf(*tool);
        doc->GetJournal().Reset();
    }
    // The colour of icon pixel (x, y) of the tool's cell.
    COLORREF Pixel(int x, int y) const {
        return strip->Colour(strip->PixelAt(tool->iconSlot * kIconWidth + x, y));
    }
    std::vector<COLORREF> Cell() const {
        std::vector<COLORREF> cell;
        for (int y = 0; y < kIconHeight; ++y)
            for (int x = 0; x < kIconWidth; ++x)
                cell.push_back(Pixel(x, y));
        return cell;
    }
    // The client point at the middle of icon pixel (x, y).
    QPoint IconPixel(int x, int y) const {
        return At(
            CPoint(x * kIconCellSize + kIconCellSize / 2, y * kIconCellSize + kIconCellSize / 2));
    }
    // An index of the strip's table whose colour differs from every pixel of the cell.
    uint8_t UnusedColour() const {
        const std::vector<COLORREF> cell = Cell();
        for (int i = 0; i < ToolBitmap::kColours; ++i)
            if (std::find(cell.begin(), cell.end(), strip->Colour(i)) == cell.end())
                return uint8_t(i);
        return 0;
    }

    ToolModel* tool = nullptr;
    ToolBitmap* strip = nullptr;
};

TEST_F(ViewIconTest, APressPaintsThePixelUnderItAndKeepsThePaintingTool) {
    ASSERT_NE(strip, nullptr);
    const std::vector<COLORREF> before = Cell();
    host.SetCurrentTool(27);
    // Nothing is selected, yet the press paints rather than selects.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, IconPixel(3, 4));
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Icon Edit"});
    EXPECT_EQ(host.CurrentTool(), 27);
    std::vector<COLORREF> expected = before;
    expected[4 * kIconWidth + 3] = ColorFromCode(host.CurrentLooks().lineColor);
    EXPECT_EQ(Cell(), expected);
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(Cell(), before);

    // With the pointer a press changes nothing and records nothing.
    doc->GetJournal().Reset();
    host.SetCurrentTool(TkPointer);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, IconPixel(5, 5));
    EXPECT_EQ(Cell(), before);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
}

// A stroke's colour code goes through the colour codes' colours to the
// strip's table: the pixel shows the code's colour when the table has it,
// else the nearest colour the table has. Ctrl paints code 16.
TEST_F(ViewIconTest, StrokesPaintEveryColourCodeThroughTheColourTable) {
    ASSERT_NE(strip, nullptr);
    host.SetCurrentTool(27);
    auto distance = [](COLORREF a, COLORREF b) {
        int64_t sum = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int64_t d = int64_t((a >> shift) & 0xFF) - int64_t((b >> shift) & 0xFF);
            sum += d * d;
        }
        return sum;
    };
    auto nearestDistance = [&](COLORREF colour) {
        int64_t best = -1;
        for (int i = 0; i < ToolBitmap::kColours; ++i)
            if (const int64_t d = distance(strip->Colour(i), colour); best < 0 || d < best)
                best = d;
        return best;
    };
    std::vector<uint32_t> codes;
    for (uint32_t code = 0; code < kColorCodeMore; ++code)
        if (code != kColorCodeInherit)
            codes.push_back(code);
    codes.push_back(RGB(0x33, 0x66, 0x99));
    codes.push_back(RGB(0xFF, 0x80, 0x00));
    for (const bool ctrl : {false, true}) {
        for (const uint32_t code : codes) {
            Looks looks = host.CurrentLooks();
            looks.lineColor = code;
            host.SetCurrentLooks(looks);
            QTest::mouseClick(view->viewport(), Qt::LeftButton,
                              ctrl ? Qt::ControlModifier : Qt::NoModifier, IconPixel(6, 5));
            const COLORREF wanted = ColorFromCode(ctrl ? kColorCodeSystem : code);
            const COLORREF shown = Pixel(6, 5);
            EXPECT_EQ(distance(shown, wanted), nearestDistance(wanted))
                << "code " << code << (ctrl ? " with Ctrl" : "");
            if (ctrl)
                break;
        }
    }
    // The table's own colours come out exactly: black, white and red.
    for (const uint32_t code : {0u, 15u, 9u}) {
        Looks looks = host.CurrentLooks();
        looks.lineColor = code;
        host.SetCurrentLooks(looks);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, IconPixel(6, 5));
        if (nearestDistance(ColorFromCode(code)) == 0) {
            EXPECT_EQ(Pixel(6, 5), ColorFromCode(code)) << code;
        }
    }
}

// The pen follows the line kind: a solid kind of width w paints a line w
// pixels thick, the dotted and dash-dot kinds leave gaps, a dash is longer
// than an icon.
TEST_F(ViewIconTest, LineStrokesFollowTheLineKind) {
    ASSERT_NE(strip, nullptr);
    host.SetCurrentTool(26);
    const uint8_t background = UnusedColour();
    for (int kind = 0; kind < kLineKindSolid1 + 8; ++kind) {
        for (int y = 0; y < kIconHeight; ++y)
            for (int x = 0; x < kIconWidth; ++x)
                strip->SetPixel(tool->iconSlot * kIconWidth + x, y, background);
        Looks looks = host.CurrentLooks();
        looks.lineKind = uint8_t(kind);
        looks.lineColor = 0;
        host.SetCurrentLooks(looks);
        Drag(IconPixel(1, 7), IconPixel(15, 7));
        int rows = 0;
        bool gap = false;
        for (int y = 0; y < kIconHeight; ++y) {
            int painted = 0;
            for (int x = 1; x < 15; ++x)
                painted += Pixel(x, y) != strip->Colour(background) ? 1 : 0;
            if (painted > 0)
                ++rows;
            if (y == 7 && painted < 14)
                gap = true;
        }
        const int width = LineKindPenWidth(kind);
        EXPECT_EQ(rows, width) << "kind " << kind;
        const bool broken = LineKindPenStyle(kind) != PS_SOLID && LineKindPenStyle(kind) != PS_DASH;
        EXPECT_EQ(gap, broken) << "kind " << kind;
    }
}

TEST_F(ViewIconTest, TheViewShowsTheIconMagnifiedWithItsGrid) {
    ASSERT_NE(strip, nullptr);
    const uint8_t mark = UnusedColour();
    strip->SetPixel(tool->iconSlot * kIconWidth + 3, 4, mark);
    const QImage shown = view->viewport()->grab().toImage();
    auto colourAt = [&](QPoint p) {
        const QRgb c = shown.pixel(p);
        return RGB(qRed(c), qGreen(c), qBlue(c));
    };
    EXPECT_EQ(colourAt(IconPixel(3, 4)), strip->Colour(mark));
    EXPECT_EQ(colourAt(IconPixel(5, 5)), Pixel(5, 5));
    EXPECT_EQ(colourAt(IconPixel(15, 14)), Pixel(15, 14));
    // The grid line between the first two columns.
    EXPECT_EQ(colourAt(At(CPoint(kIconCellSize, kIconCellSize / 2))),
              GetSysColor(COLOR_INACTIVECAPTION));
}

TEST_F(ViewIconTest, CopyDeletePasteAndCutActOnTheIconCell) {
    ASSERT_NE(strip, nullptr);
    // A mark in a colour the cell lacks, so that its return shows the paste.
    strip->SetPixel(tool->iconSlot * kIconWidth + 7, 6, UnusedColour());
    const std::vector<COLORREF> original = Cell();
    EXPECT_TRUE(Enabled(*view, cmd::EditDelete));
    EXPECT_TRUE(Enabled(*view, cmd::EditPaste));

    view->OnCommand(cmd::EditCopy);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasFormat(kIconMime));
    EXPECT_EQ(data->data(kIconMime).size(), kIconWidth * kIconHeight + 1024);
    EXPECT_TRUE(doc->GetJournal().Records().empty());

    view->OnCommand(cmd::EditDelete);
    const std::vector<COLORREF> cleared = Cell();
    EXPECT_NE(cleared, original);
    const Looks& looks = host.CurrentLooks();
    if (looks.lineColor < uint32_t(ToolBitmap::kColours)) {
        EXPECT_EQ(Pixel(0, 0), strip->Colour(int(looks.lineColor)));
        EXPECT_EQ(Pixel(kIconWidth - 1, kIconHeight - 1), strip->Colour(int(looks.lineColor)));
    }

    view->OnCommand(cmd::EditPaste);
    EXPECT_EQ(Cell(), original);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"Icon Delete", "Icon Paste"}));
    // Each change undoes by itself.
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(Cell(), cleared);

    view->OnCommand(cmd::EditCut);
    EXPECT_EQ(Descriptions().back(), "Icon Cut");
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(kIconMime));
}

TEST_F(ViewIconTest, PasteOfAMalformedIconChangesNothing) {
    ASSERT_NE(strip, nullptr);
    const std::vector<COLORREF> before = Cell();
    for (const qsizetype size :
         {qsizetype(0), qsizetype(kIconWidth * kIconHeight),
          qsizetype(kIconWidth * kIconHeight + 1023), qsizetype(kIconWidth * kIconHeight + 1025)}) {
        auto* data = new QMimeData;
        data->setData(kIconMime, QByteArray(size, '\x05'));
        QApplication::clipboard()->setMimeData(data);
        view->OnCommand(cmd::EditPaste);
        EXPECT_EQ(Cell(), before) << size;
    }
    // Drawables on the clipboard are no icon either.
    QApplication::clipboard()->clear();
    view->OnCommand(cmd::EditPaste);
    EXPECT_EQ(Cell(), before);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
}

// The frame's overview panes hear of every scroll and of every change of the
// scroll sizes.
TEST_F(ViewTest, ScrollsAndScrollSizeChangesReachTheHost) {
    struct Host : NullEditorHost {
        void ViewScrolled(bool sizesChanged) override { (sizesChanged ? sized : scrolled)++; }
        int scrolled = 0;
        int sized = 0;
    } recording;
    std::unique_ptr<TContent> second = MakeView(*doc, recording);
    second->SetZoom(4.0);
    EXPECT_GT(recording.sized, 0);
    recording.scrolled = 0;
    second->verticalScrollBar()->setValue(second->verticalScrollBar()->value() + 40);
    EXPECT_EQ(recording.scrolled, 1);
    second.reset();
}

// A master's change lays out its places again; with automatic sizing a
// place takes the size its new name needs, as one undoable step, unless the
// change asks to suppress it.
TEST_F(ViewTest, AChangedMasterResizesItsPlacesWithAutomaticSizing) {
    ASSERT_NE(shape->master, nullptr);
    auto* tool = dynamic_cast<ToolModel*>(shape->master->tool);
    ASSERT_NE(tool, nullptr);
    const uint32_t toolFlags = tool->modelFlags;
    tool->modelFlags |= 0x2;
    userSettings.SetOptionWord(SnapToGrid | AutoResizeToText);
    const CRect before = shape->bounds;
    shape->master->name = "AMuchLongerClassNameThanTheShapeHadBefore";

    view->NotifyChange(VcPlace, shape->master, true);
    EXPECT_EQ(shape->bounds, before);
    EXPECT_TRUE(doc->GetJournal().Records().empty());

    view->NotifyChange(VcPlace, shape->master, false);
    const CRect grown = shape->bounds;
    EXPECT_GT(grown.Width(), before.Width());
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Auto-size Place"});
    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(shape->bounds, before);

    // Without the option, or with a tool that does not size its places,
    // only the label is laid out again.
    doc->GetJournal().Reset();
    userSettings.SetOptionWord(SnapToGrid);
    view->NotifyChange(VcPlace, shape->master, false);
    tool->modelFlags = toolFlags & ~0x2u;
    userSettings.SetOptionWord(SnapToGrid | AutoResizeToText);
    view->NotifyChange(VcPlace, shape->master, false);
    EXPECT_EQ(shape->bounds, before);
    EXPECT_TRUE(doc->GetJournal().Records().empty());
    tool->modelFlags = toolFlags;
}

// The offer to add a called operation: asked once per missing name, never
// for an empty or "?" name or with the offer switched off; the chosen class
// gains the method in one undoable step.
TEST_F(ViewTest, OfferToAddAMethodAddsItToTheChosenClassOnce) {
    struct Host : NullEditorHost {
        ObjectHandle OfferToAddMethod(CCASEDoc&, const std::vector<ObjectHandle>& candidates,
                                      const std::string& method) override {
            asked.push_back(method);
            return candidates.empty() ? ObjectHandle() : candidates.front();
        }
        std::vector<std::string> asked;
    } answering;
    std::unique_ptr<TContent> second = MakeView(*doc, answering);
    Master* master = shape->master;
    ASSERT_NE(master, nullptr);
    const size_t methods = master->methods.size();

    second->OfferAddMethod(nullptr, "redraw(Canvas c)", master);
    EXPECT_TRUE(answering.asked.empty()); // the offer is off

    userSettings.SetOptionWord(SnapToGrid | OfferAddMethod);
    for (const char* text : {"", "?", "(x)", "?(y)"})
        second->OfferAddMethod(nullptr, text, master);
    EXPECT_TRUE(answering.asked.empty());

    second->OfferAddMethod(nullptr, "1: result := redraw(Canvas c)", master);
    ASSERT_EQ(answering.asked, std::vector<std::string>{"redraw"});
    ASSERT_EQ(master->methods.size(), methods + 1);
    EXPECT_EQ(master->methods.back()->name, "redraw");
    EXPECT_EQ(master->methods.back()->access, 3);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Property Changes"});

    // The class has it now: no second question.
    second->OfferAddMethod(nullptr, "redraw()", master);
    EXPECT_EQ(answering.asked.size(), 1u);

    ASSERT_TRUE(doc->GetJournal().Replay(1, false));
    EXPECT_EQ(master->methods.size(), methods);
    second.reset();
}

// "Call..." on a message shows the operations of the class it calls, at the
// middle of the message's label on the screen; with no single message or
// call link selected nothing pops up.
TEST_F(ViewTest, CallOnAMessageShowsTheCalledClassOperationsAtItsLabel) {
    struct Host : NullEditorHost {
        int PopupMenu(const std::vector<std::string>& items, CPoint at) override {
            shown = items;
            point = at;
            return -1;
        }
        std::vector<std::string> shown;
        CPoint point;
    } menuHost;
    auto project =
        Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
    Model* everything = project->FindModelByName("Everything");
    ASSERT_NE(everything, nullptr);
    project->SetCurrentModel(everything);
    std::unique_ptr<TContent> second = MakeView(*project, menuHost);
    auto* message = dynamic_cast<Floater*>(project->IdMap().Lookup("f-message-001"));
    ASSERT_NE(message, nullptr);
    ASSERT_NE(message->GetLink(), nullptr);
    Master* called = message->GetLink()->GetTargetMaster();

    second->DeselectAll();
    second->OnCommand(cmd::PopupCall);
    EXPECT_TRUE(menuHost.shown.empty());

    second->SelectList({message});
    ASSERT_EQ(everything->Selection().size(), 1u);
    ASSERT_EQ(second->CurrentModel(), everything);
    second->OnCommand(cmd::PopupCall);
    ASSERT_NE(called, nullptr);
    ASSERT_FALSE(called->methods.empty());
    // "<None>" first, then the methods of the class (and of classes nested in
    // it) as class::method(...).
    ASSERT_GT(menuHost.shown.size(), called->methods.size());
    EXPECT_EQ(menuHost.shown.front(), "<None>");
    for (const auto& method : called->methods) {
        const std::string prefix = called->name + "::" + method->name + "(";
        EXPECT_TRUE(
            std::any_of(menuHost.shown.begin(), menuHost.shown.end(),
                        [&](const std::string& item) { return item.rfind(prefix, 0) == 0; }))
            << prefix;
    }
    const CPoint centre = message->labelRect.CenterPoint();
    const QPoint expected = second->viewport()->mapToGlobal(
        QPoint(static_cast<int>(centre.x * everything->zoom) - second->ScrollPosition().x,
               static_cast<int>(centre.y * everything->zoom) - second->ScrollPosition().y));
    EXPECT_EQ(menuHost.point, CPoint(expected.x(), expected.y()));
    second.reset();
}

// A view over the fixture's "Everything" model, which holds a message on a
// link, junctions and links of every kind.
class EverythingViewTest : public ViewTest {
  protected:
    EverythingViewTest() {
        project =
            Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
        everything = dynamic_cast<CustomModel*>(project->FindModelByName("Everything"));
        EXPECT_NE(everything, nullptr);
        project->SetCurrentModel(everything);
        menuHost.SetCurrentTool(TkPointer);
        second = MakeView(*project, menuHost);
        message = dynamic_cast<Floater*>(project->IdMap().Lookup("f-message-001"));
        EXPECT_NE(message, nullptr);
    }
    ~EverythingViewTest() override { second.reset(); }

    // A second message, on the link into the shape's port, placed at rect.
    Floater* AddMessage(const std::string& text, const CRect& rect) {
        auto* link = dynamic_cast<Link*>(project->IdMap().Lookup("l-to-junc-001"));
        EXPECT_NE(link, nullptr);
        auto made = std::make_unique<Floater>(&project->IdMap());
        made->AttachToSegment(46, rect, link, 0);
        made->text = text;
        made->UpdateRepaintRect();
        return dynamic_cast<Floater*>(everything->AddDrawable(std::move(made)));
    }
    QPoint ClientOf(CPoint p) const {
        const CPoint scroll = second->ScrollPosition();
        return QPoint(p.x - scroll.x, p.y - scroll.y);
    }
    // A point of the drawable's label that the model's hit test answers
    // with the drawable (a link drawn across the label comes first in the
    // list and takes the points on its path); the centre when none is.
    CPoint PointOnLabel(const Drawable& drawable) const {
        const CRect& label = drawable.labelRect;
        for (int y = label.top; y < label.bottom; ++y)
            for (int x = label.left; x < label.right; ++x) {
                int part = 0;
                int knob = 0;
                if (everything->HitTest(TkPointer, x, y, part, knob, 0, nullptr) == &drawable)
                    return CPoint(x, y);
            }
        return label.CenterPoint();
    }
    void ClickOn(const Drawable& drawable, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(second->viewport(), Qt::LeftButton, modifiers,
                          ClientOf(PointOnLabel(drawable)));
    }
    int CursorOver(const Drawable& drawable, Qt::KeyboardModifiers modifiers) {
        const QPoint at = ClientOf(drawable.labelRect.CenterPoint());
        QMouseEvent move(QEvent::MouseMove, at, second->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, modifiers);
        QApplication::sendEvent(second->viewport(), &move);
        return second->CursorShown();
    }
    std::vector<std::string> ProjectDescriptions() {
        std::vector<std::string> names;
        for (const JournalRecord& record : project->GetJournal().Records())
            names.push_back(record.description);
        return names;
    }

    struct MenuHost : NullEditorHost {
        int PopupMenu(const std::vector<std::string>& items, CPoint) override {
            shown = items;
            return answer;
        }
        std::vector<std::string> shown;
        int answer = -1;
    } menuHost;
    std::unique_ptr<CCASEDoc> project;
    CustomModel* everything = nullptr;
    std::unique_ptr<TContent> second;
    Floater* message = nullptr;
};

// Renumbering by clicks: each plain click numbers the message after the one
// picked before, Shift or Ctrl only picks it; a click elsewhere ends the mode
// and all of it is one undoable "Renumber Messages".
TEST_F(EverythingViewTest, ClicksRenumberMessagesInClickOrderAsOneStep) {
    Floater* other = AddMessage("5. go()", CRect(20, 100, 40, 120));
    ASSERT_NE(other, nullptr);
    second->SelectList({message});
    second->ToggleRenumberMessages();
    ASSERT_TRUE(second->IsRenumbering());
    EXPECT_TRUE(everything->Selection().empty());
    EXPECT_EQ(CursorOver(*other, Qt::NoModifier), CurRenumberNext);
    EXPECT_EQ(CursorOver(*other, Qt::ControlModifier), CurRenumberSame);

    ClickOn(*other);
    EXPECT_EQ(other->text, "1. go()");
    ClickOn(*message);
    EXPECT_EQ(message->text, "2. order()");
    // Ctrl makes a message current without renumbering it; the next plain
    // click follows it.
    ClickOn(*message, Qt::ControlModifier);
    ClickOn(*other, Qt::ShiftModifier);
    EXPECT_EQ(other->text, "1. go()");
    ClickOn(*message);
    EXPECT_EQ(message->text, "2. order()");
    EXPECT_TRUE(everything->Selection().empty());
    EXPECT_TRUE(ProjectDescriptions().empty());

    // A click on blank space ends the mode and records the renumbering once.
    QTest::mouseClick(second->viewport(), Qt::LeftButton, Qt::NoModifier,
                      ClientOf(CPoint(950, 780)));
    EXPECT_FALSE(second->IsRenumbering());
    EXPECT_EQ(ProjectDescriptions(), std::vector<std::string>{"Renumber Messages"});
    EXPECT_EQ(CursorOver(*other, Qt::NoModifier), CurMove);
    ASSERT_TRUE(project->GetJournal().Replay(1, false));
    EXPECT_EQ(other->text, "5. go()");
    EXPECT_EQ(message->text, "1. order()");
}

TEST_F(EverythingViewTest, ShowingAnotherModelEndsRenumbering) {
    message->text = "7. order()";
    second->ToggleRenumberMessages();
    ClickOn(*message);
    EXPECT_EQ(message->text, "1. order()");
    ASSERT_TRUE(second->ShowModel(nullptr));
    EXPECT_FALSE(everything->IsRenumbering());
    EXPECT_EQ(ProjectDescriptions(), std::vector<std::string>{"Renumber Messages"});
}

// Any other change ends the mode first, so the renumbering is recorded
// before the change, never dropped with the journal's lists.
TEST_F(EverythingViewTest, AnotherChangeRecordsTheRenumberingBeforeIt) {
    message->text = "7. order()";
    second->ToggleRenumberMessages();
    ClickOn(*message);
    EXPECT_EQ(message->text, "1. order()");
    auto* note = dynamic_cast<Drawable*>(project->IdMap().Lookup("t-place-0001"));
    ASSERT_NE(note, nullptr);
    second->SelectList({note});
    second->setFocus();
    QTest::keyClick(second.get(), Qt::Key_Right);
    EXPECT_FALSE(everything->IsRenumbering());
    EXPECT_EQ(ProjectDescriptions(),
              (std::vector<std::string>{"Renumber Messages", "Nudge Drawables"}));
    ASSERT_TRUE(project->GetJournal().Replay(2, false));
    EXPECT_EQ(message->text, "7. order()");
}

// The operations of the "Call..." menu write the chosen operation into the
// label of the one selected message (keeping its number) or link, as one
// undoable "Text Edit"; "<None>" empties it; with no single selection
// nothing changes.
TEST_F(EverythingViewTest, AnOperationChosenFromTheCallMenuBecomesTheLabel) {
    Link* link = message->GetLink();
    ASSERT_NE(link, nullptr);
    Master* called = link->GetTargetMaster();
    ASSERT_NE(called, nullptr);
    ASSERT_FALSE(called->methods.empty());
    const std::string first = called->PickOperation(project.get(), nullptr, 0, 0, 1);
    ASSERT_FALSE(first.empty());

    // Chosen from the menu that "Call..." shows: its second item is the
    // first operation.
    second->SelectList({message});
    menuHost.answer = 1;
    second->OnCommand(cmd::PopupCall);
    ASSERT_GT(menuHost.shown.size(), 1u);
    EXPECT_EQ(message->text, "1. " + first);
    EXPECT_EQ(ProjectDescriptions(), std::vector<std::string>{"Text Edit"});
    ASSERT_TRUE(project->GetJournal().Replay(1, false));
    EXPECT_EQ(message->text, "1. order()");

    const struct {
        Drawable* selected;
        std::string before;
        int id;
        std::string after;
    } cases[] = {
        {message, "order()", PickNoneId + 1, first}, // no number, none added
        {message, "3. order()", PickNoneId, "3. "},
        {link, "is a", PickNoneId + 1, first},
        {link, "is a", PickNoneId, ""},
    };
    for (const auto& c : cases) {
        CRect rect;
        std::string* text = c.selected->GetEditableText(rect);
        ASSERT_NE(text, nullptr);
        *text = c.before;
        second->DeselectAll();
        second->SelectList({c.selected});
        EXPECT_TRUE(second->OnCommand(c.id));
        EXPECT_EQ(*text, c.after) << c.before << " " << c.id;
    }
    // Nothing with none or two selected.
    for (const std::vector<Drawable*>& selection :
         {std::vector<Drawable*>{}, std::vector<Drawable*>{message, link}}) {
        message->text = "1. order()";
        second->DeselectAll();
        second->SelectList(selection);
        second->OnCommand(PickNoneId + 1);
        EXPECT_EQ(message->text, "1. order()");
    }
}

// A message made with the message tool pops the call menu of the class its
// link calls; the operation chosen becomes its text, a step of its own after
// "Create Message". Declined, the message keeps "?".
TEST_F(EverythingViewTest, ANewMessagePopsTheCallMenuAndTakesTheOperationChosen) {
    auto* link = dynamic_cast<Link*>(project->IdMap().Lookup("l-inherit-001"));
    ASSERT_NE(link, nullptr);
    Master* called = link->GetTargetMaster();
    ASSERT_NE(called, nullptr);
    const std::string first = called->PickOperation(project.get(), nullptr, 0, 0, 1);
    ASSERT_FALSE(first.empty());
    const CPoint onLink(250, 180);
    for (const int answer : {1, -1}) {
        project->GetJournal().Reset();
        menuHost.shown.clear();
        menuHost.answer = answer;
        menuHost.SetCurrentTool(46);
        const size_t before = everything->Drawables().size();
        QTest::mouseClick(second->viewport(), Qt::LeftButton, Qt::NoModifier, ClientOf(onLink));
        ASSERT_EQ(everything->Drawables().size(), before + 1) << answer;
        auto* made = dynamic_cast<Floater*>(everything->Drawables().back().get());
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->GetLink(), link);
        EXPECT_GT(menuHost.shown.size(), 1u) << "the call menu popped up";
        EXPECT_EQ(menuHost.CurrentTool(), TkPointer);
        if (answer < 0) {
            EXPECT_EQ(made->text, "?");
            EXPECT_EQ(ProjectDescriptions(), std::vector<std::string>{"Create Message"});
            continue;
        }
        EXPECT_EQ(made->text, first);
        ASSERT_EQ(ProjectDescriptions(), (std::vector<std::string>{"Create Message", "Text Edit"}));
        ASSERT_TRUE(project->GetJournal().Replay(1, false));
        EXPECT_EQ(made->text, "?");
    }
}

// The status bar names what the mouse is over: a message's text; a place
// whose master has no tool is a "Place Group".
TEST_F(EverythingViewTest, HoverTextOverAMessageAndAPlaceWithoutATool) {
    CursorOver(*message, Qt::NoModifier);
    EXPECT_EQ(menuHost.statusText, message->text);
    auto* place = dynamic_cast<Place*>(project->IdMap().Lookup("p-circle-0001"));
    ASSERT_NE(place, nullptr);
    ASSERT_NE(place->master, nullptr);
    auto* tool = place->master->tool;
    place->master->tool = nullptr;
    CursorOver(*place, Qt::NoModifier);
    EXPECT_EQ(menuHost.statusText, "Place Group");
    place->master->tool = tool;
    CursorOver(*place, Qt::NoModifier);
    EXPECT_NE(menuHost.statusText.find("(Semantics = "), std::string::npos) << menuHost.statusText;
}

// With automatic sizing on, a changed link (of a tool that sizes its
// labels), message or junction takes the label its text needs, recorded
// under its own name and undone alone; the suppress flag or the option off
// leave it as it is.
TEST_F(EverythingViewTest, ChangedLabelsAreSizedToTheirTextWithAutomaticSizing) {
    auto* link = dynamic_cast<Link*>(project->IdMap().Lookup("l-inherit-001"));
    auto* junction = dynamic_cast<Drawable*>(project->IdMap().Lookup("j-circle-0001"));
    ASSERT_NE(link, nullptr);
    ASSERT_NE(junction, nullptr);
    auto* linkTool = dynamic_cast<ToolModel*>(link->Tool());
    ASSERT_NE(linkTool, nullptr);
    const uint32_t toolFlags = linkTool->modelFlags;
    linkTool->modelFlags |= 0x2;
    link->name = "a much longer name than before";
    message->text = "1. a much longer operation name(with, parameters)";
    const struct {
        Drawable* drawable;
        int code;
        const char* name;
    } cases[] = {
        {link, VcLink, "Auto-size Link"},
        {message, VcMessage, "Auto-size Message"},
        {junction, VcJunction, "Auto-size Junction"},
    };
    for (const auto& c : cases) {
        // Laid out, not sized, with the option off.
        userSettings.SetOptionWord(SnapToGrid);
        second->NotifyChange(c.code, c.drawable, false);
        project->GetJournal().Reset();
        const CRect before = c.drawable->labelRect;
        userSettings.SetOptionWord(SnapToGrid | AutoResizeToText);
        second->NotifyChange(c.code, c.drawable, true);
        EXPECT_EQ(c.drawable->labelRect, before) << c.name;
        EXPECT_TRUE(ProjectDescriptions().empty()) << c.name;

        second->NotifyChange(c.code, c.drawable, false);
        EXPECT_NE(c.drawable->labelRect, before) << c.name;
        EXPECT_EQ(ProjectDescriptions(), std::vector<std::string>{c.name});
        const CRect sized = c.drawable->labelRect;
        // Sized once, a second notice changes nothing more.
        second->NotifyChange(c.code, c.drawable, false);
        EXPECT_EQ(c.drawable->labelRect, sized) << c.name;
        EXPECT_EQ(ProjectDescriptions().size(), 1u) << c.name;
        ASSERT_TRUE(project->GetJournal().Replay(1, false));
        EXPECT_EQ(c.drawable->labelRect, before) << c.name;
    }
    // A link whose tool does not size its labels keeps its label.
    project->GetJournal().Reset();
    linkTool->modelFlags = toolFlags & ~0x2u;
    const CRect before = link->labelRect;
    second->NotifyChange(VcLink, link, false);
    EXPECT_EQ(link->labelRect, before);
    EXPECT_TRUE(ProjectDescriptions().empty());
    linkTool->modelFlags = toolFlags;
}

// The zoom animation: eleven outlines 10 ms apart between the place (or the
// client area's centre) and the client area, growing into a submodel and
// shrinking out of one, gone when it ends; leaving a submodel finds the
// place of its master in the parent model.
TEST_F(ViewTest, ZoomAnimationOutlinesElevenFramesBetweenThePlaceAndTheView) {
    std::vector<int> pauses;
    std::vector<CRect> drawn;
    // Each pause follows a frame drawn: the frames so far are on the view.
    view->SetAnimationPause([&](int milliseconds) {
        pauses.push_back(milliseconds);
        drawn = view->ZoomFrames();
    });
    const QRect client = view->viewport()->rect();
    const CRect clientRect(0, 0, client.width(), client.height());
    // Each step takes a third of what is left, so ten steps end within a
    // fiftieth of the way.
    auto near = [&](const CRect& a, const CRect& b) {
        const int slack = std::max(client.width(), client.height()) / 50 + 1;
        return std::abs(a.left - b.left) <= slack && std::abs(a.top - b.top) <= slack &&
               std::abs(a.right - b.right) <= slack && std::abs(a.bottom - b.bottom) <= slack;
    };
    auto growing = [&] {
        for (size_t i = 1; i < drawn.size(); ++i) {
            CRect both;
            both.UnionRect(drawn[i - 1], drawn[i]);
            if (both != drawn[i])
                return false;
        }
        return true;
    };

    // Entering: from the place outwards.
    EXPECT_EQ(view->AnimateZoom(shape, nullptr), shape);
    EXPECT_EQ(pauses, std::vector<int>(10, 10));
    ASSERT_EQ(drawn.size(), 10u);
    EXPECT_TRUE(near(drawn.front(), ScaleByZoom(shape->bounds, classes->zoom)));
    EXPECT_TRUE(growing());
    EXPECT_TRUE(view->ZoomFrames().empty());

    // Without a place: from a 70 x 50 rectangle at the centre.
    view->AnimateZoom(nullptr, nullptr);
    const CPoint centre = clientRect.CenterPoint();
    EXPECT_TRUE(
        near(drawn.front(), CRect(centre.x - 35, centre.y - 25, centre.x + 35, centre.y + 25)));
    EXPECT_TRUE(growing());

    // Leaving the class's submodel: from the view inwards to its place.
    Model* submodel = doc->FindModelByName("Shape");
    ASSERT_NE(submodel, nullptr);
    ASSERT_EQ(submodel->parentMaster, shape->master);
    ASSERT_TRUE(view->ShowModel(submodel));
    EXPECT_EQ(view->AnimateZoom(nullptr, submodel), shape);
    ASSERT_EQ(drawn.size(), 10u);
    EXPECT_EQ(drawn.front(), clientRect);
    std::reverse(drawn.begin(), drawn.end());
    EXPECT_TRUE(growing());

    // A hidden view draws nothing but still answers the place.
    view->hide();
    pauses.clear();
    EXPECT_EQ(view->AnimateZoom(nullptr, submodel), shape);
    EXPECT_TRUE(pauses.empty());
}

// Icon editing belongs to the tool model shown: showing a diagram ends it,
// showing another tool model carries it over to that one.
TEST_F(ViewIconTest, ShowingAnotherModelEndsIconEditingOrCarriesItOver) {
    ToolModel* other = nullptr;
    for (int i = 0; other == nullptr && i < doc->Template()->ToolCount(); ++i)
        if (doc->Template()->ToolAt(i) != tool)
            other = doc->Template()->ToolAt(i);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(tool->iconEditing);
    ASSERT_TRUE(view->ShowModel(other));
    EXPECT_FALSE(tool->iconEditing);
    EXPECT_TRUE(other->iconEditing);
    ASSERT_TRUE(view->ShowModel(classes));
    EXPECT_FALSE(other->iconEditing);
    // A tool model shown after a diagram starts in design.
    ASSERT_TRUE(view->ShowModel(tool));
    EXPECT_FALSE(tool->iconEditing);
}

} // namespace
} // namespace qm
