// Saving through the frame after undoing or redoing a creation: each creation
// tool draws through the child frame's view with real mouse events, Edit/Undo,
// Edit/Redo and File/Save run as the frame's commands, and the file written
// is the project of that step. The save's marker record once read the objects
// of the creation's change after the undo had freed them.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Drawable.h"
#include "drawables/Junction.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "editor/TContent.h"
#include "model/CommandIds.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/MainWindow.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace qm {
namespace {

class SaveAfterUndo : public test::WindowedAppTest {
  protected:
    SaveAfterUndo() {
        // A call menu a creation opens is closed unchosen, as Escape does.
        QObject::connect(&closePopups, &QTimer::timeout, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        closePopups.start(20);
    }
    ~SaveAfterUndo() override {
        closePopups.stop();
        app.reset();
    }

    // File/Save through the frame; the text written.
    std::string Save(CMainFrame& frame) {
        EXPECT_TRUE(frame.RouteCommand(cmd::FileSave));
        return ReadWholeFile(project, 1 << 24).value_or("<unreadable>");
    }

    QPoint ClientOf(TContent& view, CPoint p) const {
        const CPoint scroll = view.ScrollPosition();
        const double zoom = view.CurrentModel()->zoom;
        return QPoint(static_cast<int>(p.x * zoom) - scroll.x,
                      static_cast<int>(p.y * zoom) - scroll.y);
    }
    void Move(TContent& view, CPoint p, bool held) {
        QWidget* port = view.viewport();
        const QPoint at = ClientOf(view, p);
        QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton,
                         held ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
    }
    // A press at the first point, moves with the button held through the
    // others, the release at the last.
    void Drag(TContent& view, const std::vector<CPoint>& points) {
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                          ClientOf(view, points.front()));
        for (const CPoint& p : points)
            Move(view, p, true);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                            ClientOf(view, points.back()));
    }
    // A click at each point, the mouse moved there first; then clicks at the
    // last point until the view has ended the creation.
    void Clicks(TContent& view, const std::vector<CPoint>& points) {
        for (const CPoint& p : points) {
            Move(view, p, false);
            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, ClientOf(view, p));
        }
        for (int i = 0; i < 4 && view.Mode() != DM_NONE; ++i)
            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                              ClientOf(view, points.back()));
    }

    QTimer closePopups;
};

// The first icon instance tool of the palette.
constexpr int kIconTool = 500;

// Equal texts, or the first line where they part.
::testing::AssertionResult SameText(const std::string& now, const std::string& expected) {
    if (now == expected)
        return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < now.size() && at < expected.size() && now[at] == expected[at])
        ++at;
    const size_t line = now.rfind('\n', at == 0 ? 0 : at - 1);
    const size_t from = line == std::string::npos ? 0 : line + 1;
    return ::testing::AssertionFailure()
           << "differs at byte " << at << ":\n  now:      " << now.substr(from, 160)
           << "\n  expected: " << expected.substr(from, 160);
}

// The link tool of the project's template.
int LinkTool(CCASEDoc& document) {
    for (int id = TkFirstLink; id <= TkLastLink; ++id)
        if (document.Template() != nullptr && document.Template()->IsLinkTool(id))
            return id;
    return -1;
}

TEST_F(SaveAfterUndo, EachCreationToolSavesTheProjectOfTheStepUndoneOrRedone) {
    // The fixture's "Classes" diagram: the Shape place at (0 0 100 60), the
    // Circle place at (300 200 400 260) and an inheritance link between them.
    enum Gesture { kDrag, kClicks };
    struct Case {
        const char* what;
        int tool; // -1: the template's link tool
        Gesture gesture;
        std::vector<CPoint> points;
        const char* description;
    };
    const Case cases[] = {
        {"rectangle", TkRectangle, kDrag, {CPoint(600, 300), CPoint(700, 360)}, "Create Primitive"},
        {"rounded rectangle",
         TkRoundRectangle,
         kDrag,
         {CPoint(600, 300), CPoint(700, 360)},
         "Create Primitive"},
        {"ellipse", TkEllipse, kDrag, {CPoint(600, 300), CPoint(690, 380)}, "Create Primitive"},
        {"text", TkText, kDrag, {CPoint(600, 300), CPoint(700, 330)}, "Create Primitive"},
        {"line", TkLine, kDrag, {CPoint(600, 300), CPoint(700, 400)}, "Create Primitive"},
        {"polyline",
         TkPolyline,
         kClicks,
         {CPoint(600, 300), CPoint(700, 300), CPoint(700, 400)},
         "Create Primitive"},
        {"polygon",
         TkPolygon,
         kClicks,
         {CPoint(600, 300), CPoint(700, 300), CPoint(650, 400)},
         "Create Primitive"},
        {"place", TkFirstPlace, kClicks, {CPoint(600, 450)}, "Create Place"},
        {"tag", TkTag, kDrag, {CPoint(50, 50), CPoint(200, 150), CPoint(250, 400)}, "Create Tag"},
        {"link", -1, kClicks, {CPoint(50, 50), CPoint(350, 230)}, "Create Link"},
        {"message on the link", TkMessage, kClicks, {CPoint(200, 130)}, "Create Message"},
        {"icon instance", kIconTool, kClicks, {CPoint(600, 500)}, "Create Icon Instance"},
        {"junction", kFirstJunctionTool, kClicks, {CPoint(350, 260)}, "Add Junction"},
    };
    CMainFrame& frame = Start();
    CChildFrame* child = frame.ActiveChild();
    ASSERT_NE(child, nullptr);
    TContent& view = *child->View();
    view.resize(900, 700);
    QApplication::processEvents();
    UndoJournal& journal = Document().GetJournal();
    // A text's label rectangle is worked out when it is first hit or drawn
    // and saved with it: the start is taken with every one worked out.
    std::vector<Drawable*> all;
    Document().CurrentModel()->CollectAllDrawables(all);
    for (Drawable* drawable : all) {
        drawable->PrepareDrawing();
        int part = 0;
        int knob = -1;
        drawable->HitTest(drawable->bounds.left, drawable->bounds.top, part, knob, 0);
    }
    const std::string start = Save(frame);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int tool = c.tool >= 0 ? c.tool : LinkTool(Document());
        ASSERT_GE(tool, 0);
        auto create = [&] {
            const size_t records = journal.Records().size();
            const int32_t position = journal.Position();
            child->SetCurrentTool(tool);
            if (c.gesture == kDrag)
                Drag(view, c.points);
            else
                Clicks(view, c.points);
            view.EditLabel(nullptr);
            child->SetCurrentTool(TkPointer);
            QApplication::processEvents();
            ASSERT_EQ(journal.Position(), position + 1) << records;
            EXPECT_EQ(journal.Records().back().description, c.description);
        };

        // Create, undo, save: the project as it was.
        create();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(frame.RouteCommand(cmd::EditUndo));
        EXPECT_TRUE(SameText(Save(frame), start));

        // Create, undo, redo, save: the project with the creation.
        create();
        if (HasFatalFailure())
            return;
        const std::string created = Save(frame);
        EXPECT_NE(created, start);
        ASSERT_TRUE(frame.RouteCommand(cmd::EditUndo));
        ASSERT_TRUE(frame.RouteCommand(cmd::EditRedo));
        EXPECT_TRUE(SameText(Save(frame), created));

        // Back to the start for the next tool.
        ASSERT_TRUE(frame.RouteCommand(cmd::EditUndo));
        EXPECT_TRUE(SameText(Save(frame), start));
    }
}

} // namespace
} // namespace qm
