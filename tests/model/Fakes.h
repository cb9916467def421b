// Fakes of what the model asks of other layers: a notation tool, a submodel,
// and recording model services (options, related masters, journal, menu).
#pragma once

#include "model/Master.h"
#include "model/ModelServices.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class FakeTool : public ModelObject, public MasterTool {
  public:
    FakeTool(int id, bool place = true, bool compartments = false, uint32_t flagWord = 0x1)
        : ModelObject(Guid::FromText{"tool"}), id_(id), place_(place), compartments_(compartments) {
        flags = flagWord;
    }
    int ToolId() const override { return id_; }
    bool IsPlaceTool() const override { return place_; }
    uint32_t ToolFlagWord() const override { return flags; }
    bool HasCompartmentText() const override { return compartments_; }
    std::string ToolName() const override { return "Tool" + std::to_string(id_); }

  private:
    int id_;
    bool place_;
    bool compartments_;
};

class FakeSubmodel : public ModelObject, public MasterSubmodel {
  public:
    FakeSubmodel() { flags |= MoModel; }
    void ClearParentMaster() override { parentCleared = true; }
    bool parentCleared = false;
};

class RecordingServices : public ModelServices {
  public:
    RecordingServices() { SetModelServices(this); }
    ~RecordingServices() override { SetModelServices(nullptr); }

    uint32_t ProfileOptions() override { return options; }
    std::vector<Master*> CollectNestedMasters(CCASEDoc*, Master*) override { return nested; }
    ModelObject* FindTopLevelModel(CCASEDoc*, const char* guid) override {
        for (ModelObject* model : topLevel) {
            if (model->guid == guid)
                return model;
        }
        return nullptr;
    }
    void AddChangedObject(CCASEDoc*, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override {
        changed.push_back(object);
        previousCopies.push_back(std::move(previous));
    }
    void RecordChange(CCASEDoc*, int kind, const char* name, ModelObject*, ModelObject*) override {
        recorded.emplace_back(kind, name);
    }
    void ClearOperationMenu() override { menu.clear(); }
    void AppendOperationMenuItem(int id, const std::string& text) override {
        menu.emplace_back(id, text);
    }
    void TrackOperationMenu(MenuWindow*, int x, int y) override { tracked.emplace_back(x, y); }

    uint32_t options = 0;
    std::vector<Master*> nested;
    std::vector<ModelObject*> topLevel;
    std::vector<ModelObject*> changed;
    std::vector<std::unique_ptr<ModelObject>> previousCopies;
    std::vector<std::pair<int, std::string>> recorded;
    std::vector<std::pair<int, std::string>> menu;
    std::vector<std::pair<int, int>> tracked;
};

} // namespace qm::test
