// The fixture of the drawable tests: the model tests' fixture (a fresh
// kernel, the log recorded, prompts answered headless, list-syntax helpers)
// with a fresh font face table and a project and a template id map.
#pragma once

#include "drawables/Drawable.h"
#include "drawables/FontFaceTable.h"
#include "kernel/Kernel.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/ModelDocument.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/ScopedInstall.h"
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
    ScopedInstall<FontFaceTable> tableScope;
    GuidMap project;
    GuidMap templ;
    GuidScope scope{&project, &templ};
};

// A model holding drawables in its (owning) list, for the operations that take one.
class FakeModel : public DrawableModel {
  public:
    const DrawableList& Drawables() const override { return list; }
    Drawable* AddDrawable(std::unique_ptr<Drawable> d) override {
        if (d == nullptr)
            return nullptr;
        list.push_back(std::move(d));
        return list.back().get();
    }
    std::unique_ptr<Drawable> TakeDrawable(const Drawable* d) override { return TakeFrom(list, d); }
    Drawable* FindObjectById(const char* id) override {
        for (const auto& d : list) {
            if (d->guid == id)
                return d.get();
        }
        return nullptr;
    }
    // Takes d at the end of the list; returns it.
    template <class T> T* Add(std::unique_ptr<T> d) {
        T* held = d.get();
        list.push_back(std::move(d));
        return held;
    }
    void Select(Drawable* d, int on, int, int) override {
        d->SetSelected(on != 0);
        selected.push_back(d);
    }
    bool IsToolModel() const override { return false; }

    DrawableList list;
    std::vector<Drawable*> selected;
};

// Records the changes handed to the undo journal while it lives.
class RecordingJournal : public ChangeJournal {
  public:
    void AddChangedObject(ModelDocument*, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override {
        changed.push_back(object);
        previousCopies.push_back(std::move(previous));
    }
    std::vector<ModelObject*> changed;
    std::vector<std::unique_ptr<ModelObject>> previousCopies;

  private:
    ScopedInstall<ChangeJournal> scope_{this};
};

// A document with a project and a template id map.
class FakeDocument : public ModelDocument {
  public:
    FakeDocument(GuidMap* project, GuidMap* templ) : project_(project), template_(templ) {}
    std::vector<Master*> CollectNestedMasters(Master*) override { return {}; }
    ModelObject* FindTopLevelModel(const char*) override { return nullptr; }
    GuidMap* ProjectMap() override { return project_; }
    GuidMap* TemplateMap() override { return template_; }

  private:
    GuidMap* project_;
    GuidMap* template_;
};

} // namespace qm::test
