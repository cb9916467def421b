// The fixture of the model's editing tests: a model of places (each with a
// master of its own) and links made with the fake notation tools, a
// document fake, and a journal that keeps each entry's kind, name and the
// text it would write, and holds what a change removed.
#pragma once

#include "drawables/DrawableFactory.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "kernel/Kernel.h"
#include "tests/drawables/DrawableFixture.h"
#include "tests/drawables/FakeTool.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// One recorded entry: kind, name and the text the journal writes (the
// comment line, then the ids of the objects the change holds).
struct JournalEntry {
    int kind;
    std::string name;
    std::string text;
};

class TextJournal : public ChangeJournal {
  public:
    void BeginChange(ModelDocument*, ChangeKind) override {
        changed.clear();
        points.clear();
        operation = -1;
    }
    void AddChangedObject(ModelDocument*, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override {
        changed.push_back(object);
        if (previous != nullptr)
            previous->SetDetached();
        previousCopies.push_back(std::move(previous));
    }
    void HoldRemovedObject(ModelDocument*, std::unique_ptr<ModelObject> object) override {
        changed.push_back(object.get());
        held.push_back(std::move(object));
    }
    void SetOperation(ModelDocument*, int code) override { operation = code; }
    void SetSavedFlags(ModelDocument*, uint32_t word) override { savedFlags = word; }
    void AddPoints(ModelDocument*, const std::vector<CPoint>& more) override {
        points.insert(points.end(), more.begin(), more.end());
    }
    void RecordChange(ModelDocument*, ChangeKind kind, const char* name, ModelObject*,
                      ModelObject*) override {
        std::string text =
            ";; " + std::string(name) + ":\n(" + std::to_string(static_cast<int>(kind));
        for (ModelObject* object : changed)
            text += std::string(" \"") + IdOf(object) + "\"";
        entries.push_back({static_cast<int>(kind), name, text + ")\n"});
    }
    // Frees what the journal holds, out of the scope's maps.
    void Discard(GuidScope* scope) {
        for (auto& object : held)
            DiscardDrawable(std::unique_ptr<Drawable>(static_cast<Drawable*>(object.release())),
                            scope);
        held.clear();
    }

    std::vector<JournalEntry> entries;
    std::vector<ModelObject*> changed;
    std::vector<std::unique_ptr<ModelObject>> previousCopies;
    std::vector<std::unique_ptr<ModelObject>> held;
    std::vector<CPoint> points;
    int operation = -1;
    uint32_t savedFlags = 0;

  private:
    ScopedInstall<ChangeJournal> scope_{this};
};

class EditingDocument : public FakeDocument {
  public:
    using FakeDocument::FakeDocument;
    int32_t PageWidth() const override { return pageWidth; }
    int32_t PageHeight() const override { return pageHeight; }
    void SetModifiedFlag(bool on) override { modified = on; }
    void CopyToClipboardFile(ModelObject*, const std::vector<ModelObject*>& list) override {
        copied = list;
    }
    Master* NewMaster(int, const std::string& name, const std::string& nameSpace) override {
        auto master = std::make_unique<Master>();
        master->name = name;
        master->nameSpace = nameSpace;
        made.push_back(std::move(master));
        return made.back().get();
    }
    std::vector<std::unique_ptr<Master>> made;
    int32_t pageWidth = 1000;
    int32_t pageHeight = 800;
    bool modified = false;
    std::vector<ModelObject*> copied;
};

class EditingTest : public DrawableTest {
  protected:
    EditingTest() {
        linkTool.RegisterIn(templ);
        standIn.RegisterIn(templ);
        model.SetPageMatrix(CRect(0, 0, 1000, 800));
    }
    ~EditingTest() override {
        journal.Discard(&scope);
        model.DeselectAll(nullptr, false);
        DrawableList left = model.SetDrawablesAside();
        for (auto& d : left)
            DiscardDrawable(std::move(d), &scope);
    }

    Place* NewPlace(const CRect& r, const std::string& name = "Shape") {
        auto master = std::make_unique<Master>();
        master->SetToolAndName(&placeTool, name, "");
        auto place = std::make_unique<Place>(&project);
        place->Setup(TkFirstPlace, r, master.get(), false);
        place->AddMasterReference();
        masters.push_back(std::move(master));
        return static_cast<Place*>(model.AddDrawable(std::move(place)));
    }
    Link* NewLink(NodeDrawable* from, Drawable* to) {
        auto link = std::make_unique<Link>(&project);
        link->Connect(0, &linkTool, from, to, 0);
        return static_cast<Link*>(model.AddDrawable(std::move(link)));
    }
    Drawable* NewBox(const CRect& r) {
        auto box = std::make_unique<BoxPrimitive>(&project);
        box->SetFrame(TkRectangle, r);
        return model.AddDrawable(std::move(box));
    }
    bool Holds(const Drawable* d) const {
        return FindIn(model.Drawables(), d) != model.Drawables().end();
    }

    FakeTool placeTool{10, false};
    FakeTool linkTool{0, true};
    FakeTool standIn{9, true};
    std::vector<std::unique_ptr<Master>> masters;
    EditingDocument document{&project, &templ};
    TextJournal journal;
    Model model{&project};
};

} // namespace qm::test
