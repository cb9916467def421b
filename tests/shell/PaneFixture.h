// The fixture of the pane tests: a project loaded from the shapes fixture,
// a fake project window that records what the panes ask of it, and the
// helpers to reach items and rows.
#pragma once

#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "editor/EditorHost.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "shell/ProjectWindow.h"
#include "tests/document/DocumentFixture.h"

#include <QPoint>

#include <string>
#include <vector>

namespace qm::test {

// What the panes reach of their window, recorded. The view shows visible
// (zoomed page coordinates); a scroll moves it. Drops count a use of the
// master as a place made by the view would.
class FakeProjectWindow : public ProjectWindow {
  public:
    explicit FakeProjectWindow(CCASEDoc& document) : document_(document) {}

    CCASEDoc& Document() override { return document_; }
    bool ShowModel(Model* model) override {
        shown.push_back(model);
        if (refuse)
            return false;
        document_.SetCurrentModel(model);
        return true;
    }
    EditorHost& Host() override { return host; }
    CCASEDoc* ReferenceProject() const override { return reference; }
    void NewModel() override { ++newModels; }
    void Implode() override { ++implodes; }
    bool ExplodeMaster(Master&) override { return false; }
    void OpenFile(const std::string& path) override { opened.push_back(path); }
    CRect VisibleArea() const override { return visible; }
    void ScrollViewTo(CPoint point) override {
        scrolls.push_back(point);
        visible.OffsetRect(point.x - visible.left, point.y - visible.top);
    }
    void RepaintView(bool) override { ++repaints; }
    bool DropMaster(Master& master, const QPoint& screenPoint) override {
        drops.push_back({master.name, screenPoint});
        ++master.refCount;
        document_.Events().NoteChanged(nullptr, nullptr, {&master});
        document_.Events().Publish();
        return true;
    }
    bool CanDropAt(const QPoint& screenPoint) const override {
        return dropArea.contains(screenPoint);
    }

    struct Drop {
        std::string master;
        QPoint point;
    };
    CCASEDoc& document_;
    NullEditorHost host;
    CCASEDoc* reference = nullptr;
    bool refuse = false;
    std::vector<Model*> shown;
    std::vector<std::string> opened;
    std::vector<CPoint> scrolls;
    std::vector<Drop> drops;
    CRect visible{0, 0, 500, 400};
    QRect dropArea{5000, 5000, 800, 600};
    int newModels = 0;
    int implodes = 0;
    int repaints = 0;
};

class PaneTest : public DocumentTest {
  protected:
    PaneTest() {
        settings.NotationFolder = QM_SOURCE_DIR "/resources/Notations";
        doc = Load(FixtureText());
        window = std::make_unique<FakeProjectWindow>(*doc);
    }
    static std::string FixtureText() {
        return ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or("");
    }
    Model* ModelNamed(const std::string& name) { return doc->FindModelByName(name); }
    Master* MasterNamed(const std::string& name) {
        for (const auto& master : doc->Masters().Masters())
            if (master->name == name)
                return master.get();
        return nullptr;
    }
    UndoJournal& Journal() { return doc->GetJournal(); }

    std::unique_ptr<CCASEDoc> doc;
    std::unique_ptr<FakeProjectWindow> window;
};

} // namespace qm::test
