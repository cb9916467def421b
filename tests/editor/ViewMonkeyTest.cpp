// A seeded monkey through the diagram view: random presses, moves with the
// button held or not, releases, double clicks and keys (arrows, Delete,
// Escape, Ctrl+Z, Ctrl+Y) sent as real events to an offscreen view over the
// fixture that holds every drawable kind, with the current tool changed at
// random, the view's commands (group as place or primitive, ungroup, copy,
// cut, paste, zoom, select all) run as the frame routes them, and labels
// edited by a click on a selected drawable's label. After each event that
// leaves the view quiet, the journal's record check undoes and redoes the
// records written since the last one and compares the project's text.
// Afterwards the project saves, reads back and saves again to the same text,
// and undoing every recorded step gives back the text it started from.
// The same monkey runs over a sequence diagram with the tools a sequence
// diagram offers (scenario places, messages, call boxes on the life lines).
// QM_VIEW_MONKEY_EVENTS and QM_VIEW_MONKEY_SEED lengthen and vary the run by
// hand.
#include "editor/TContent.h"

#include "drawables/ScenarioPlace.h"
#include "editor/TEdit.h"
#include "editor/operations/OperationSupport.h"
#include "model/CommandIds.h"
#include "tests/editor/OpFixture.h"

#include <QApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <random>

namespace qm {
namespace {

// The frame as far as the view asks it: the call menu and the add-method
// offer answered at random, property sheets and frame commands counted.
struct MonkeyHost : NullEditorHost {
    explicit MonkeyHost(std::mt19937& random) : random(random) {}
    int PopupMenu(const std::vector<std::string>& items, CPoint) override {
        ++menus;
        return int(random() % uint32_t(items.size() + 1)) - 1;
    }
    ObjectHandle OfferToAddMethod(CCASEDoc&, const std::vector<ObjectHandle>& candidates,
                                  const std::string&) override {
        const size_t pick = random() % (candidates.size() + 1);
        return pick < candidates.size() ? candidates[pick] : ObjectHandle();
    }
    void ShowProperties(CCASEDoc&, const ObjectHandle&, int, const ObjectHandle&, bool) override {
        ++sheets;
    }
    bool RouteCommand(int, CommandTarget&) override {
        ++commands;
        return false;
    }

    std::mt19937& random;
    int menus = 0;
    int sheets = 0;
    int commands = 0;
};

// The palette of a class diagram as the monkey picks from it: the pointer
// (three times as likely), the link and place tools of the template, the
// primitives, the tag, message, lane and junction tools, icon instances.
const std::vector<int> kClassDiagramTools = {24, 24, 24,  0,   1,   2,   3,   10, 11, 12,
                                             13, 25, 26,  27,  28,  29,  30,  31, 32, 46,
                                             47, 48, 400, 401, 405, 500, 503, 523};
// The palette of a sequence diagram: the pointer (which also drags and
// stretches call boxes), the scenario places (class and object), the
// message links (control flow, data flow, message), the primitives and
// the tag, and an icon instance. Junction and lane tools are offered too:
// the view refuses them on scenario places.
const std::vector<int> kSequenceDiagramTools = {24, 24, 24, 4,  4,  5,  5,  6,  6,   10, 11,
                                                25, 26, 27, 28, 29, 31, 46, 47, 401, 500};

class ViewMonkeyTest : public test::OperationTest {
  protected:
    ViewMonkeyTest() : ViewMonkeyTest("every_drawable.pro", "Everything", kClassDiagramTools) {}
    ViewMonkeyTest(const char* fixture, const char* diagram, const std::vector<int>& palette)
        : random(uint32_t(test::EnvironmentCount("QM_VIEW_MONKEY_SEED", 20261210))),
          monkeyHost(random),
          scopedKeeping(&keeping),
          tools(palette) {
        doc = Load(
            ReadWholeFile(std::string(QM_FIXTURES "/document/") + fixture, 1 << 20).value_or(""));
        context.document = doc.get();
        UseModel(diagram);
        monkeyHost.SetCurrentTool(TkPointer);
        view = std::make_unique<TContent>(*doc, monkeyHost);
        view->resize(700, 500);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
        // Undo and Redo reach the journal as the frame's menu shortcuts do.
        for (const bool redo : {false, true}) {
            auto* shortcut = new QShortcut(
                QKeySequence(redo ? Qt::CTRL | Qt::Key_Y : Qt::CTRL | Qt::Key_Z), view.get());
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            QObject::connect(shortcut, &QShortcut::activated, [this, redo] {
                ++replays;
                doc->GetJournal().Replay(1, redo);
            });
        }
    }
    ~ViewMonkeyTest() override { view.reset(); }

    int Pick(int n) { return static_cast<int>(random() % uint32_t(n)); }

    // The client point where model point p shows.
    QPoint ClientOf(CPoint p) const {
        const CPoint scroll = view->ScrollPosition();
        const double zoom = view->CurrentModel()->zoom;
        return QPoint(static_cast<int>(p.x * zoom) - scroll.x,
                      static_cast<int>(p.y * zoom) - scroll.y);
    }
    // Half the time anywhere over the viewport (a little past its edges, to
    // scroll), else on or beside a corner, an edge's middle or the centre of
    // a drawable, where the knobs, borders and labels are.
    QPoint RandomPoint() {
        const QSize size = view->viewport()->size();
        if (Pick(2) == 0)
            return QPoint(Pick(size.width() + 40) - 20, Pick(size.height() + 40) - 20);
        std::vector<Drawable*> all;
        view->CurrentModel()->CollectAllDrawables(all);
        if (all.empty())
            return QPoint(Pick(size.width()), Pick(size.height()));
        const Drawable* drawable = all[size_t(Pick(int(all.size())))];
        const CRect b = drawable->bounds;
        // A scenario place's life line half the time, where messages
        // start and end and call boxes sit.
        if (const auto* scenario = dynamic_cast<const ScenarioPlace*>(drawable);
            scenario != nullptr && Pick(2) == 0) {
            CRect line;
            scenario->GetLifeLineBounds(line);
            return ClientOf(CPoint((line.left + line.right) / 2 + Pick(5) - 2,
                                   line.top + Pick(std::max(1, int(line.Height())))));
        }
        const int xs[] = {b.left, (b.left + b.right) / 2, b.right};
        const int ys[] = {b.top, (b.top + b.bottom) / 2, b.bottom};
        const CPoint at(xs[Pick(3)] + Pick(7) - 3, ys[Pick(3)] + Pick(7) - 3);
        return ClientOf(at);
    }
    Qt::KeyboardModifiers RandomModifiers() {
        const int which = Pick(8);
        return which == 0 ? Qt::ShiftModifier : which == 1 ? Qt::ControlModifier : Qt::NoModifier;
    }
    void MoveTo(QPoint p, Qt::KeyboardModifiers modifiers) {
        QWidget* port = view->viewport();
        QMouseEvent move(QEvent::MouseMove, p, port->mapToGlobal(p), Qt::NoButton,
                         held ? Qt::LeftButton : Qt::NoButton, modifiers);
        QApplication::sendEvent(port, &move);
        last = p;
    }

    // One random event, as a hand at the mouse and the keyboard gives it.
    void Event() {
        QWidget* port = view->viewport();
        // An open label editor takes typing; a press elsewhere ends it.
        if (view->IsEditingLabel() && !held && Pick(3) != 0) {
            static const char* const typed[] = {"x", "Ab", "  ", "1%"};
            const int what = Pick(6);
            if (what < 3)
                QTest::keyClicks(view->LabelEditor(), typed[Pick(4)]);
            else if (what == 3)
                QTest::keyClick(view->LabelEditor(), Qt::Key_Backspace);
            else
                QTest::keyClick(view->LabelEditor(), what == 4 ? Qt::Key_Escape : Qt::Key_Return);
            return;
        }
        const int action = Pick(20);
        const Qt::KeyboardModifiers modifiers = RandomModifiers();
        if (action < 2 && !held && view->Mode() == DM_NONE) {
            // Another tool from the diagram's palette.
            monkeyHost.SetCurrentTool(tools[size_t(Pick(int(tools.size())))]);
        } else if (action < 6) {
            if (held) {
                QTest::mouseRelease(port, Qt::LeftButton, modifiers, last);
                held = false;
            } else {
                last = RandomPoint();
                QTest::mousePress(port, Qt::LeftButton, modifiers, last);
                held = true;
            }
        } else if (action < 12) {
            // A hand moves in small steps while it drags.
            const QPoint to =
                held && Pick(2) == 0 ? last + QPoint(Pick(41) - 20, Pick(41) - 20) : RandomPoint();
            MoveTo(to, modifiers);
        } else if (action < 14 && held) {
            QTest::mouseRelease(port, Qt::LeftButton, modifiers, last);
            held = false;
        } else if (action == 14 && !held) {
            last = RandomPoint();
            QTest::mouseDClick(port, Qt::LeftButton, modifiers, last);
        } else if (action == 15 && !held && view->Mode() == DM_NONE) {
            Command();
        } else if (action == 16 && !held && view->Mode() == DM_NONE && Pick(2) == 0) {
            ClickALabel();
        } else {
            static const Qt::Key keys[] = {Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up, Qt::Key_Down,
                                           Qt::Key_Delete, Qt::Key_Escape, Qt::Key_Z,  Qt::Key_Y};
            const Qt::Key key = keys[Pick(int(std::size(keys)))];
            const bool command = key == Qt::Key_Z || key == Qt::Key_Y;
            QTest::keyClick(view.get(), key, command ? Qt::ControlModifier : modifiers);
        }
        // Now and then the window paints what changed.
        if (Pick(8) == 0)
            QApplication::processEvents();
    }

    // A command of the Edit, View or Arrange menu, as the frame routes it to
    // the view (the view's rules refuse what does not apply).
    void Command() {
        static const int commands[] = {cmd::GroupAsPlace, cmd::GroupAsPlace,  cmd::GroupAsPrimitive,
                                       cmd::Ungroup,      cmd::EditCopy,      cmd::EditCut,
                                       cmd::EditPaste,    cmd::EditPaste,     cmd::ZoomIn,
                                       cmd::ZoomOut,      cmd::NormalSize,    cmd::EditSelectAll,
                                       cmd::BringToFront, cmd::FlipHorizontal};
        view->OnCommand(commands[Pick(int(std::size(commands)))]);
    }
    // A click on a drawable that selects it, and a second on its label,
    // which opens the label editor where the drawable has a label.
    void ClickALabel() {
        std::vector<Drawable*> all;
        view->CurrentModel()->CollectAllDrawables(all);
        if (all.empty())
            return;
        Drawable* drawable = all[size_t(Pick(int(all.size())))];
        const CRect label =
            drawable->labelRect.IsRectEmpty() ? drawable->bounds : drawable->labelRect;
        last = ClientOf(label.CenterPoint());
        QWidget* port = view->viewport();
        QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, last);
        QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, last);
    }
    // Runs the journal's check of the records written since the last quiet
    // moment; a failure is reported once, with the event it followed.
    void CheckRecords(long event) {
        if (held || view->Mode() != DM_NONE || view->IsEditingLabel())
            return;
        const std::string failure = journal().CheckNewRecords();
        if (!failure.empty() && ++checkFailures <= 3)
            ADD_FAILURE() << "after event " << event << ": " << failure;
    }

    // The hand lets go: the button comes up, a point-by-point creation ends
    // with a click at its last point, the label editor closes.
    void Settle() {
        QWidget* port = view->viewport();
        if (held) {
            QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, last);
            held = false;
        }
        // A line built point by point ends with a click where its last
        // point went: a new point, then a click on it. A link goes on
        // taking points until it reaches a place or its vertex limit.
        for (int i = 0; i < 2 * kMaxLinkVertices + 8 && view->Mode() != DM_NONE; ++i) {
            if (i % 2 == 0)
                MoveTo(last + QPoint(i % 4 == 0 ? 30 : -30, 30), Qt::NoModifier);
            QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, last);
        }
        ASSERT_EQ(view->Mode(), DM_NONE);
        view->EditLabel(nullptr);
        monkeyHost.SetCurrentTool(TkPointer);
        QApplication::processEvents();
    }

    std::mt19937 random;
    MonkeyHost monkeyHost;
    test::JournalKeepingPrompts keeping;
    ScopedPromptService scopedKeeping;
    std::unique_ptr<TContent> view;
    QPoint last;
    bool held = false;
    int replays = 0;
    int checkFailures = 0;
    std::vector<int> tools;

    // The whole run: random events with the journal's check after each,
    // then save, read back, and undo of every step to the text at the start.
    void RunMonkey(const char* what) {
        const std::string start = Saved();
        const double zoom = model->zoom;
        const long events = test::EnvironmentCount("QM_VIEW_MONKEY_EVENTS", 1500);
        journal().SetRecordCheck([this] { return Saved(); });
        for (long event = 0; event < events; ++event) {
            Event();
            CheckRecords(event);
        }
        Settle();
        CheckRecords(events);
        journal().SetRecordCheck(nullptr);
        EXPECT_GT(replays, 0) << "Ctrl+Z and Ctrl+Y reached the journal";
        EXPECT_GT(journal().Records().size(), 0u);
        EXPECT_GT(journal().CheckedRecords(), 0);
        std::printf(
            "view monkey (%s): %ld events, %zu records, %ld checked, %d undo or redo keys\n", what,
            events, journal().Records().size(), journal().CheckedRecords(), replays);

        const std::string saved = Saved();
        auto again = Load(saved);
        ASSERT_NE(again, nullptr);
        again->SetModifiedFlag(false);
        EXPECT_TRUE(test::SameText(again->StoreText(), saved));

        while (journal().CanUndo()) {
            const JournalRecord& record = journal().Records()[size_t(journal().Position() - 1)];
            ASSERT_TRUE(journal().Replay(1, false))
                << record.description << ": "
                << (keeping.asked.empty() ? "" : keeping.asked.back());
        }
        // The zoom is the view's, kept with the model but never journaled.
        model->SetZoomFactor(zoom);
        QApplication::processEvents();
        EXPECT_TRUE(test::SameText(Saved(), start));
    }
};

// The monkey over the fixture's sequence diagram.
class SequenceMonkeyTest : public ViewMonkeyTest {
  protected:
    SequenceMonkeyTest() : ViewMonkeyTest("every_record.pro", "Sequence", kSequenceDiagramTools) {}
};

// Delete while a line is being built point by point ends the line first:
// the half-made line, which no record knows, leaves the model, and undoing
// the delete gives back the text from before the line was begun.
TEST_F(ViewMonkeyTest, DeleteDuringAPointByPointLineCancelsTheLine) {
    const std::string start = Saved();
    const size_t count = model->Drawables().size();
    QWidget* port = view->viewport();
    monkeyHost.SetCurrentTool(TkPolyline);
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(500, 700)));
    held = false;
    MoveTo(ClientOf(CPoint(600, 720)), Qt::NoModifier);
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(600, 720)));
    ASSERT_EQ(view->Mode(), DM_CREATE_POINTS);
    ASSERT_EQ(model->Drawables().size(), count + 1) << "the line being built";
    view->SelectList({Find<Drawable>("box-1")});
    QTest::keyClick(view.get(), Qt::Key_Delete);
    EXPECT_EQ(view->Mode(), DM_NONE);
    EXPECT_EQ(model->Drawables().size(), count - 1) << "the box deleted, the line gone";
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"Delete Drawables"});
    ASSERT_TRUE(Undo());
    EXPECT_TRUE(test::SameText(Saved(), start));
}

// Swapping two lanes with the arrow keys moves what they hold; the links
// and tags that follow get back exactly their geometry on undo and redo.
TEST_F(ViewMonkeyTest, SwappedLanesGiveBackTheirFollowersExactly) {
    CRect repaint;
    auto* lane = model->CreateSwimlane(doc.get(), nullptr, 10, repaint);
    ASSERT_NE(lane, nullptr);
    journal().Reset();
    const std::string start = Saved();
    view->SelectList({lane});
    QTest::keyClick(view.get(), Qt::Key_Right);
    ASSERT_EQ(Descriptions(), std::vector<std::string>{"Swap Swimlanes"});
    EXPECT_TRUE(UndoRedoUndo(start, Saved()));
}

// Ctrl+Z while a link is being built from a new place undoes that place:
// the link being built ends with it, and moving on touches nothing freed.
TEST_F(ViewMonkeyTest, UndoWhileALinkIsBuiltEndsTheLink) {
    const std::string start = Saved();
    QWidget* port = view->viewport();
    monkeyHost.SetCurrentTool(10);
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(500, 700)));
    ASSERT_EQ(Descriptions(), std::vector<std::string>{"Create Place"});
    monkeyHost.SetCurrentTool(0);
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(500, 700)));
    MoveTo(ClientOf(CPoint(600, 600)), Qt::NoModifier);
    ASSERT_EQ(view->Mode(), DM_CREATE_POINTS);
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(replays, 1);
    EXPECT_EQ(view->Mode(), DM_NONE);
    MoveTo(ClientOf(CPoint(650, 560)), Qt::NoModifier);
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(650, 560)));
    QApplication::processEvents();
    EXPECT_TRUE(test::SameText(Saved(), start));
}

// An arrow key that nudges the selection while a link is being built ends
// the link first: the nudge's record does not name the unrecorded link, so
// every step undoes to the start.
TEST_F(ViewMonkeyTest, NudgeWhileALinkIsBuiltEndsTheLinkFirst) {
    const std::string start = Saved();
    QWidget* port = view->viewport();
    for (const int x : {500, 640}) {
        monkeyHost.SetCurrentTool(10);
        QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(x, 700)));
    }
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    monkeyHost.SetCurrentTool(0);
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(CPoint(500, 700)));
    MoveTo(ClientOf(CPoint(560, 600)), Qt::NoModifier);
    ASSERT_EQ(view->Mode(), DM_CREATE_POINTS);
    // Redo selects the place it brings back; Right nudges it.
    QTest::keyClick(view.get(), Qt::Key_Y, Qt::ControlModifier);
    ASSERT_FALSE(model->Selection().empty());
    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_EQ(view->Mode(), DM_NONE);
    EXPECT_EQ(Descriptions(),
              (std::vector<std::string>{"Create Place", "Create Place", "Nudge Drawables"}));
    while (journal().CanUndo())
        ASSERT_TRUE(Undo()) << journal().Position();
    EXPECT_TRUE(test::SameText(Saved(), start));
}

// Ctrl+Z or Ctrl+Y pressed while the button still drags ends the drag
// before the journal replays: the release afterwards changes nothing, so
// the project is what the plain undo or redo leaves, and a cancelled knob
// drag leaves no record that a redo could bring back.
TEST_F(ViewMonkeyTest, UndoOrRedoDuringADragEndsTheDragFirst) {
    struct Case {
        const char* what;
        bool knob; // the box's bottom-right knob, else its body
        bool redo;
    };
    const Case cases[] = {{"body, Ctrl+Z", false, false},
                          {"knob, Ctrl+Z", true, false},
                          {"body, Ctrl+Y", false, true},
                          {"knob, Ctrl+Y", true, true}};
    view->resize(1100, 900);
    QWidget* port = view->viewport();
    const std::string start = Saved();
    auto drag = [&](CPoint from, CPoint to, bool keyWhileHeld, bool redo) {
        QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, ClientOf(from));
        held = true;
        for (int step = 1; step <= 4; ++step)
            MoveTo(ClientOf(CPoint(from.x + (to.x - from.x) * step / 4,
                                   from.y + (to.y - from.y) * step / 4)),
                   Qt::NoModifier);
        if (keyWhileHeld)
            QTest::keyClick(view.get(), redo ? Qt::Key_Y : Qt::Key_Z, Qt::ControlModifier);
        QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, last);
        held = false;
        QApplication::processEvents();
    };
    auto center = [&] { return Find<Drawable>("box-1")->bounds.CenterPoint(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        while (journal().CanUndo())
            ASSERT_TRUE(Undo());
        journal().Reset();
        ASSERT_TRUE(test::SameText(Saved(), start));
        // A finished drag upwards, undone for a redo case.
        const CPoint first = center();
        drag(first, CPoint(first.x, first.y - 100), false, false);
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
        const std::string moved = Saved();
        if (c.redo) {
            ASSERT_TRUE(Undo());
        }
        // The box selected, then the second drag: into the lane, or its
        // corner knob outwards.
        const CPoint body = center();
        QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, ClientOf(body));
        const CRect box = Find<Drawable>("box-1")->bounds;
        if (c.knob)
            drag(CPoint(box.right, box.bottom), CPoint(box.right + 60, box.bottom + 40), true,
                 c.redo);
        else
            drag(body, CPoint(850, 300), true, c.redo);
        EXPECT_EQ(view->Mode(), DM_NONE);
        EXPECT_TRUE(test::SameText(Saved(), c.redo ? moved : start));
        EXPECT_EQ(Descriptions(), std::vector<std::string>{"Drag Drawables"});
        EXPECT_EQ(journal().Position(), c.redo ? 1 : 0);
    }
}

// A place nudged past the group that holds the members of its place group
// leaves that group as it was; a junction added on the place group's
// border then fits the group around its members again. Undo gives back
// the group's rectangle with the project before, redo the one after.
TEST_F(ViewMonkeyTest, JunctionOnAPlaceGroupGivesBackItsMemberGroup) {
    QWidget* port = view->viewport();
    view->SelectList({Find<Drawable>("p-inner-00001")});
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down})
        QTest::keyClick(view.get(), key);
    const std::string nudged = Saved();
    monkeyHost.SetCurrentTool(401);
    QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, ClientOf(CPoint(413, 337)));
    ASSERT_EQ(Descriptions().back(), "Add Junction");
    EXPECT_TRUE(UndoRedoUndo(nudged, Saved()));
}

// Deleting lanes closes the gap each leaves; undoing the delete opens the
// gaps again, so every lane comes back where it was, wherever the deleted
// lanes lay among the others and in whatever order they were selected.
TEST_F(ViewMonkeyTest, UndoOfDeletedLanesPutsEveryLaneBack) {
    CRect repaint;
    const std::string second = model->CreateSwimlane(doc.get(), nullptr, 10, repaint)->Id().Text();
    const std::string first = model->CreateSwimlane(doc.get(), nullptr, 10, repaint)->Id().Text();
    const std::string third = "lane-0000001";
    journal().Reset();
    auto rects = [&] {
        std::vector<CRect> out;
        for (const std::string& id : {first, second, third})
            out.push_back(Find<Drawable>(id.c_str())->bounds);
        return out;
    };
    const std::vector<CRect> before = rects();
    ASSERT_LT(before[0].right, before[2].left) << "the first and third lanes are apart";
    const std::vector<std::vector<std::string>> selections = {
        {first, third}, {third, first}, {second, third}, {first, second, third}};
    for (const std::vector<std::string>& ids : selections) {
        SCOPED_TRACE(ids.size());
        std::vector<Drawable*> lanes;
        for (const std::string& id : ids)
            lanes.push_back(Find<Drawable>(id.c_str()));
        view->SelectList(lanes);
        QTest::keyClick(view.get(), Qt::Key_Delete);
        ASSERT_EQ(Descriptions(), std::vector<std::string>{"Delete Drawables"});
        ASSERT_TRUE(Undo());
        EXPECT_EQ(rects(), before);
        journal().Reset();
    }
}

TEST_F(ViewMonkeyTest, RandomEventsLeaveAProjectThatSavesAndUndoesToItsStart) {
    RunMonkey("class diagram");
}

TEST_F(SequenceMonkeyTest, RandomEventsLeaveAProjectThatSavesAndUndoesToItsStart) {
    ASSERT_EQ(model->kind, MkSequence);
    RunMonkey("sequence diagram");
    // The run reached the diagram's creation tools: scenario places and
    // messages between life lines were made (and undone).
    const std::vector<std::string> made = Descriptions();
    EXPECT_NE(std::find(made.begin(), made.end(), "Create Place"), made.end());
    EXPECT_NE(std::find(made.begin(), made.end(), "Create Link"), made.end());
}

} // namespace
} // namespace qm
