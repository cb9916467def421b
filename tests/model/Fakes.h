// Fakes of what the model asks of other layers: a notation tool, a submodel,
// and one recording fake of the seams above the model (the settings' option
// word, the document's related masters and models, the journal and the
// operations menu), installed while it lives.
#pragma once

#include "model/ChangeJournal.h"
#include "model/Master.h"
#include "model/ModelDocument.h"
#include "model/OperationMenu.h"
#include "platform/ScopedInstall.h"
#include "platform/UserSettings.h"

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

class RecordingServices : public ModelDocument,
                          public ChangeJournal,
                          public OperationMenu,
                          public UserSettings {
  public:
    // The document a test passes where an operation works for one.
    ModelDocument* Document() { return this; }

    uint32_t OptionWord() const override { return options; }
    uint32_t SettingWord() const override { return 0; }
    int32_t SnapSize() const override { return 0; }

    std::vector<Master*> CollectNestedMasters(Master*) override { return nested; }
    ModelObject* FindTopLevelModel(const char* guid) override {
        for (ModelObject* model : topLevel) {
            if (model->guid == guid)
                return model;
        }
        return nullptr;
    }
    GuidMap* ProjectMap() override { return nullptr; }
    GuidMap* TemplateMap() override { return nullptr; }

    void AddChangedObject(ModelDocument*, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override {
        changed.push_back(object);
        previousCopies.push_back(std::move(previous));
    }
    void RecordChange(ModelDocument*, ChangeKind kind, const char* name, ModelObject*,
                      ModelObject*) override {
        recorded.emplace_back(static_cast<int>(kind), name);
    }

    void Clear() override { menu.clear(); }
    void Append(int id, const std::string& text) override { menu.emplace_back(id, text); }
    void Track(MenuWindow*, int x, int y) override { tracked.emplace_back(x, y); }

    uint32_t options = 0;
    std::vector<Master*> nested;
    std::vector<ModelObject*> topLevel;
    std::vector<ModelObject*> changed;
    std::vector<std::unique_ptr<ModelObject>> previousCopies;
    std::vector<std::pair<int, std::string>> recorded;
    std::vector<std::pair<int, std::string>> menu;
    std::vector<std::pair<int, int>> tracked;

  private:
    ScopedInstall<ChangeJournal> journalScope{this};
    ScopedInstall<OperationMenu> menuScope{this};
    ScopedInstall<const UserSettings> settingsScope{this};
};

} // namespace qm::test
