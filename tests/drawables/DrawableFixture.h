// The fixture of the drawable tests: the model tests' fixture (a fresh
// kernel, the log recorded, prompts answered headless, list-syntax helpers)
// with a fresh font face table and a project and a template id map.
#pragma once

#include "drawables/Drawable.h"
#include "drawables/FontFaceTable.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "model/ModelServices.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qm::test {

class DrawableTest : public ModelTest {
  protected:
    DrawableTest() : tableScope(&table) { table.Init(); }

    FontFaceTable table;
    ScopedFontFaceTable tableScope;
    GuidMap project;
    GuidMap templ;
    GuidScope scope{&project, &templ};
};

// Frees a drawable made by a test (detached from the scope's map when it is there).
struct DrawableDeleter {
    void operator()(Drawable* d) const {
        d->SetDetached();
        delete d;
    }
};
template <class T> using Owned = std::unique_ptr<T, DrawableDeleter>;

// A model holding drawables in a list, for the operations that take one.
class FakeModel : public DrawableModel {
  public:
    ~FakeModel() override {
        for (Drawable* d : list)
            delete d;
    }
    DrawableList& Drawables() override { return list; }
    Drawable* FindObjectById(const char* id) override {
        for (Drawable* d : list) {
            if (d->guid == id)
                return d;
        }
        return nullptr;
    }
    void Select(Drawable* d, int on, int, int) override {
        d->SetSelected(on != 0);
        selected.push_back(d);
    }
    bool IsToolModel() const override { return false; }

    DrawableList list;
    std::vector<Drawable*> selected;
};

// Records the changes handed to the undo journal.
class RecordingJournal : public ModelServices {
  public:
    RecordingJournal() { SetModelServices(this); }
    ~RecordingJournal() override { SetModelServices(nullptr); }
    void AddChangedObject(CCASEDoc*, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override {
        changed.push_back(object);
        previousCopies.push_back(std::move(previous));
    }
    std::vector<ModelObject*> changed;
    std::vector<std::unique_ptr<ModelObject>> previousCopies;
};

} // namespace qm::test
