// The fixture of the operation tests: a project loaded from the fixtures, a
// context over one of its models with a headless host, a view that records
// what it is asked, and a driver that plays presses, moves and releases
// through the operations as the diagram view does (hit test, snap, phases).
#pragma once

#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Primitives.h"
#include "editor/EditorHost.h"
#include "editor/operations/EditOperation.h"
#include "platform/Prompt.h"
#include "platform/TextHelpers.h"
#include "platform/UserSettings.h"
#include "tests/document/DocumentFixture.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// The project's saved text (the modified flag left out). The rectangles
// that only painting and hit tests compute (a text's editing rectangle, a
// group's member label) are computed first over model, as a window showing
// the model keeps them.
inline std::string PreparedSavedText(CCASEDoc& doc, Model& model) {
    std::vector<Drawable*> all;
    model.CollectAllDrawables(all);
    for (Drawable* drawable : all) {
        drawable->PrepareDrawing();
        if (dynamic_cast<TextPrimitive*>(drawable) != nullptr || drawable->IsPlaceGroup()) {
            int part = 0;
            int knob = -1;
            drawable->HitTest(drawable->bounds.left, drawable->bounds.top, part, knob, 0);
        }
    }
    const bool modified = doc.IsModified();
    doc.SetModifiedFlag(false);
    std::string text = doc.StoreText();
    doc.SetModifiedFlag(modified);
    return text;
}

// A view that keeps what the operations ask of it.
struct RecordingView : OperationView {
    void InvalidateModelRect(const CRect& rect) override { invalidated.push_back(rect); }
    void SetCursor(int resource) override { cursor = resource; }
    void SelectionChanged() override { ++selectionChanges; }
    void PopupCall() override { ++callMenus; }
    void ShowSelectionProperties() override { ++sheets; }

    std::vector<CRect> invalidated;
    int cursor = 0;
    int selectionChanges = 0;
    int callMenus = 0;
    int sheets = 0;
};

// A headless host whose library menu answers one library tool.
struct LibraryHost : NullEditorHost {
    LibrarySymbol LibrarySymbolForTool(int tool) override {
        return tool == libraryTool ? library : LibrarySymbol{};
    }
    int libraryTool = 0;
    LibrarySymbol library;
};

// The prompts of long runs: the question whether to reset an undo journal
// that has passed a megabyte is answered No, so that every step stays
// undoable; every other question is answered as the headless prompts do.
struct JournalKeepingPrompts : HeadlessPrompts {
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override {
        if (text.rfind("The undo journal file has exceeded", 0) == 0) {
            ++journalQuestions;
            scripted.push_front(PromptAnswer::No);
        }
        return HeadlessPrompts::Ask(text, icon, buttons, defaultAnswer);
    }
    int journalQuestions = 0;
};

// A count from the environment variable name, else fallback.
inline long EnvironmentCount(const char* name, long fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    char* end = nullptr;
    const long count = std::strtol(value, &end, 10);
    return end != value && count >= 0 ? count : fallback;
}

// Passes when two saved texts are equal; otherwise names the first line
// where they part, with the lines around it, instead of both whole texts.
inline ::testing::AssertionResult SameText(const std::string& now, const std::string& expected) {
    if (now == expected)
        return ::testing::AssertionSuccess();
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        size_t at = 0;
        while (at <= text.size()) {
            const size_t end = std::min(text.find('\n', at), text.size());
            out.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return out;
    };
    const std::vector<std::string> a = lines(now);
    const std::vector<std::string> b = lines(expected);
    size_t first = 0;
    while (first < a.size() && first < b.size() && a[first] == b[first])
        ++first;
    auto around = [first](const std::vector<std::string>& text) {
        std::string out;
        const size_t from = first < 3 ? 0 : first - 3;
        for (size_t i = from; i < std::min(text.size(), first + 4); ++i)
            out += "\n    " + text[i];
        return out;
    };
    return ::testing::AssertionFailure() << "the texts part at line " << first + 1
                                         << "; now:" << around(a) << "\n  expected:" << around(b);
}

// The replays OperationTest::UndoRedoUndo makes and what it checks besides
// the texts.
struct ReplaySteps {
    int records = 1;                      // the records each step replays, one by one
    bool undoAgain = true;                // the closing undo after the redo
    std::function<void()> afterUndo = {}; // more checks after each undo
    std::function<void()> afterRedo = {}; // more checks after the redo
};

class OperationTest : public DocumentTest {
  protected:
    OperationTest() : scopedSettings(&userSettings) {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        context.document = doc.get();
        context.host = &host;
        context.view = &view;
        context.snapOn = true;
        context.snapSize = 10;
        UseModel("Classes");
    }

    // Loads afresh the fixture that holds every drawable kind and shows its
    // model "Everything".
    void UseEveryDrawable() {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_drawable.pro", 1 << 20).value_or(""));
        context.document = doc.get();
        UseModel("Everything");
    }

    // Puts the drawables named into the place group named, as a drop into
    // it would, with the links laid out again; false when one is missing.
    bool PutIntoGroup(const char* groupId, std::initializer_list<const char*> ids) {
        auto* group = AsPlaceGroup(Find(groupId));
        if (group == nullptr)
            return false;
        CRect area;
        CRect dirty;
        group->GetContentRect(area, 0);
        for (const char* id : ids) {
            Drawable* drawable = Find(id);
            if (drawable == nullptr)
                return false;
            group->AddMember(model, drawable, area, dirty);
            if (drawable->Parent() != &group->MemberGroup())
                return false;
        }
        model->UpdateLinkGeometry(nullptr, dirty, false);
        return true;
    }

    // Shows the model of that name, laid out as the model lays it out, and
    // starts the journal afresh.
    void UseModel(const char* name) {
        model = doc->FindModelByName(name);
        ASSERT_NE(model, nullptr) << name;
        model->SetZoomFactor(1.0);
        model->ChangeLinksLooks(doc.get(), MfCurveLink, true);
        model->ChangeLinksLooks(doc.get(), 0, true);
        // Places laid out as a reshape lays them out.
        std::vector<Drawable*> all;
        model->CollectAllDrawables(all);
        for (Drawable* drawable : all) {
            if (drawable->IsPlace() && !drawable->IsPlaceGroup())
                drawable->SetBounds(drawable->bounds);
            // Junctions and the repaint of their place as a change of a
            // junction lays them out.
            if (auto* place = dynamic_cast<Place*>(drawable);
                place && !place->Junctions().empty()) {
                for (const auto& junction : place->Junctions())
                    junction->UpdateRepaintRect();
                place->UpdateRepaintRect();
            }
            drawable->PrepareDrawing();
        }
        model->DeselectAll(nullptr, false);
        doc->SetCurrentModel(model);
        context.model = model;
        context.zoom = 1.0;
        doc->GetJournal().Reset();
    }

    template <class T = Drawable> T* Find(const char* id) {
        return dynamic_cast<T*>(doc->IdMap().Lookup(id));
    }

    std::string Saved() { return PreparedSavedText(*doc, *model); }
    UndoJournal& journal() { return doc->GetJournal(); }
    std::vector<std::string> Descriptions() {
        std::vector<std::string> out;
        for (const JournalRecord& record : journal().Records())
            out.push_back(record.description);
        return out;
    }
    bool Undo() { return journal().Replay(1, false); }
    bool Redo() { return journal().Replay(1, true); }

    // Undoes the last records and compares the saved text with before,
    // redoes them and compares it with after, then (unless undoAgain is
    // off) undoes them again and compares with before once more. The
    // failure names every step whose text differed, or the step whose
    // replay was refused; no step is made after a refused one.
    ::testing::AssertionResult UndoRedoUndo(const std::string& before, const std::string& after,
                                            const ReplaySteps& steps = {}) {
        struct Step {
            const char* name;
            bool redo;
            const std::string& text;
            const std::function<void()>& more;
        };
        const Step sequence[] = {{"the undo", false, before, steps.afterUndo},
                                 {"the redo", true, after, steps.afterRedo},
                                 {"the second undo", false, before, steps.afterUndo}};
        const size_t count = steps.undoAgain ? 3 : 2;
        std::string differed;
        for (size_t made = 0; made < count; ++made) {
            const Step& step = sequence[made];
            for (int i = 0; i < steps.records; ++i) {
                if (!journal().Replay(1, step.redo))
                    return ::testing::AssertionFailure()
                           << differed << step.name << " was refused (record " << i + 1 << " of "
                           << steps.records << ")";
            }
            const ::testing::AssertionResult same = SameText(Saved(), step.text);
            if (!same)
                differed += std::string("after ") + step.name + ", " + same.message() + "\n";
            if (step.more)
                step.more();
        }
        if (differed.empty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << differed;
    }

    // The mouse data at a model point, as the view computes it: the hit
    // test with the current tool (the pressed drawable excluded while an
    // operation runs) and the snapped point.
    PointerEvent At(CPoint p, const Drawable* excluded = nullptr) {
        PointerEvent event;
        event.rawPoint = p;
        event.point = context.Snap(p);
        event.clientPoint = p;
        int part = 0;
        int knob = -1;
        event.hit =
            model->HitTest(host.CurrentTool(), p.x, p.y, part, knob, int(context.flags), excluded);
        event.part = part;
        event.knob = knob;
        return event;
    }

    // A press with the current tool: the creation it starts, begun.
    void Press(CPoint p) {
        if (op != nullptr && op->Mode() == DM_CREATE_POINTS) {
            pointByPoint = true;
            return;
        }
        PointerEvent event = At(p);
        op = MakeToolOperation(context, host.CurrentTool(), event);
        if (op != nullptr)
            op->Begin(context, event);
    }
    void Move(CPoint p) {
        if (op != nullptr)
            op->Track(context, At(p, excluded));
    }
    // The release; false once the operation is over.
    bool Release(CPoint p) {
        if (op == nullptr)
            return false;
        const bool points = op->Mode() == DM_CREATE_POINTS && model->kind != MkSequence;
        const bool goesOn = op->End(context, At(p, excluded), points);
        if (!goesOn)
            op.reset();
        return goesOn;
    }
    // Press, moves through the points, release at the last.
    void Click(CPoint p) {
        Press(p);
        Release(p);
    }
    void Stroke(const std::vector<CPoint>& points) {
        Press(points.front());
        for (size_t i = 1; i < points.size(); ++i)
            Move(points[i]);
        Release(points.back());
    }

    // A pointer-tool drag of pressed in mode, begun at the first move away
    // from the press as the view does; returns whether it ran.
    void Drag(DragMode mode, Drawable* pressed, int knob, int part,
              const std::vector<CPoint>& points) {
        excluded = pressed;
        op = MakeDragOperation(context, mode, pressed, knob, part);
        ASSERT_NE(op, nullptr);
        bool begun = false;
        for (size_t i = 1; i < points.size(); ++i) {
            PointerEvent event = At(points[i], pressed);
            if (!begun && event.point != context.Snap(points.front())) {
                PointerEvent press = At(points.front(), pressed);
                op->Begin(context, press);
                begun = true;
            }
            if (begun && op != nullptr)
                op->Track(context, event);
        }
        if (op != nullptr)
            op->End(context, At(points.back(), pressed), false);
        op.reset();
        excluded = nullptr;
    }

    FixedUserSettings userSettings{SnapToGrid, 10};
    ScopedInstall<const UserSettings> scopedSettings;
    std::unique_ptr<CCASEDoc> doc;
    Model* model = nullptr;
    LibraryHost host;
    RecordingView view;
    OperationContext context;
    std::unique_ptr<EditOperation> op;
    const Drawable* excluded = nullptr;
    bool pointByPoint = false;
};

} // namespace qm::test
