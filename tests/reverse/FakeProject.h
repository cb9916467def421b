// A project for the reverse engineer's tests: real models and masters, with
// simple places and links standing in for the document's custom models, and
// a record of what the driver asked of the document.
#pragma once

#include "drawables/Drawable.h"
#include "drawables/Model.h"
#include "reverse/ReverseProject.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm::test {

class FakePlace : public NodeDrawable {
  public:
    FakePlace(int tool, Master* master) : master_(master) {
        kind = DkPlace;
        kindCode = tool;
    }
    Drawable* GetPlace() override { return this; }
    Master* GetMaster() override { return master_; }

  private:
    Master* master_;
};

class FakeLink : public Drawable {
  public:
    FakeLink(int tool, std::string name, NodeDrawable* from, NodeDrawable* to)
        : name(std::move(name)), from(from), to(to) {
        kind = DkLink;
        kindCode = tool;
    }
    bool GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const override {
        source = from;
        target = to;
        return true;
    }
    std::string name;
    std::string type;
    NodeDrawable* from;
    NodeDrawable* to;
    int access = 0;
    uint32_t linkFlags = 0;
    std::string firstLabel, secondLabel;
};

class FakeProject : public ReverseProject {
  public:
    explicit FakeProject(uint32_t flags = 178) : flags_(flags) {
        current = NewModel("Main", nullptr);
    }

    // ---- ReverseDocument ----
    uint32_t& ProfileFlags() override { return flags_; }
    const ReverseTemplate* Template() const override { return nullptr; }

    // ---- the run ----
    uint32_t UserOptions() const override { return userOptions; }
    Model* CurrentModel() override { return current; }
    Model* FindModelByName(const std::string& name) override {
        for (auto& model : models_) {
            if (model->name == name) {
                return model.get();
            }
        }
        return nullptr;
    }
    void ShowModel(Model* model) override {
        current = model;
        calls.push_back("show " + model->name);
    }
    void ClearReversedFiles() override { reversed.clear(); }
    void AddReversedFile(const std::string& path) override { reversed.push_back(path); }
    void ExpandReversedFiles() override { calls.push_back("expand"); }
    void MarkDrawables(int value) override {
        calls.push_back("mark drawables " + std::to_string(value));
    }
    void MarkModels(int value) override { calls.push_back("mark models " + std::to_string(value)); }
    void LayoutModel(Model* model, int first, int second) override {
        calls.push_back("layout " + model->name + " " + std::to_string(first) + " " +
                        std::to_string(second));
    }
    void FileProgress(size_t done, size_t total) override {
        progress.push_back(std::to_string(done) + "/" + std::to_string(total));
    }
    void ChangeLinksLooks(Model* model, int style, int flag) override {
        model->modelFlags |= static_cast<uint32_t>(style);
        calls.push_back("links looks " + model->name + " " + std::to_string(style) + " " +
                        std::to_string(flag));
    }

    // ---- masters, places and links ----
    Master* FindMaster(int tool, const std::string& name, const std::string& nameSpace) override {
        for (auto& master : masters_) {
            if (tools_[master.get()] == tool && master->name == name &&
                master->nameSpace == nameSpace) {
                return master.get();
            }
        }
        return nullptr;
    }
    Master* FindMasterInScopes(int tool, const std::string& name, const std::string& first,
                               const std::string& second) override {
        if (Master* master = FindMaster(tool, name, first)) {
            return master;
        }
        return second.empty() ? nullptr : FindMaster(tool, name, second);
    }
    Model* FindOrCreatePackage(Model* model, const std::string& name, const std::string& nameSpace,
                               int tool, bool showAll) override {
        Master* package = nullptr;
        for (const auto& owned : model->Drawables()) {
            Drawable* drawable = owned.get();
            auto* place = dynamic_cast<FakePlace*>(drawable);
            if (place != nullptr && tools_[place->GetMaster()] == tool &&
                place->GetMaster()->name == name) {
                package = place->GetMaster();
            }
        }
        if (package == nullptr) {
            package =
                dynamic_cast<FakePlace*>(AddMasterPlace(model, tool, name, nameSpace, showAll))
                    ->GetMaster();
            package->masterFlags |= 1;
        }
        return EnsureSubmodel(package, model);
    }
    Drawable* AddMasterPlace(Model* model, int tool, const std::string& name,
                             const std::string& nameSpace, bool showAll) override {
        Master* master = FindMaster(tool, name, nameSpace);
        if (master == nullptr) {
            masters_.push_back(std::make_unique<Master>());
            master = masters_.back().get();
            master->name = name;
            master->nameSpace = nameSpace;
            tools_[master] = tool;
        }
        lastShowAll = showAll;
        auto* place = new FakePlace(tool, master);
        model->AddDrawable(std::unique_ptr<Drawable>(place));
        return place;
    }
    Drawable* FindPlaceByMasterName(Model* model, int tool, const std::string& name,
                                    const std::string& nameSpace) override {
        Master* master = FindMaster(tool, name, nameSpace);
        return master != nullptr ? model->FindPlaceOfMaster(master) : nullptr;
    }
    Model* EnsureSubmodel(Master* master, Model* parent) override {
        if (auto* submodel = dynamic_cast<Model*>(master->submodel)) {
            return submodel;
        }
        Model* submodel = NewModel(master->name, parent);
        submodel->parentMaster = master;
        submodel->modelFlags = parent->modelFlags;
        master->submodel = submodel;
        return submodel;
    }
    Drawable* FindLink(Model* model, int tool, const std::string& name, Drawable* source,
                       Drawable* target) override {
        for (const auto& owned : model->Drawables()) {
            Drawable* drawable = owned.get();
            auto* link = dynamic_cast<FakeLink*>(drawable);
            if (link != nullptr && link->kindCode == tool && link->from == source &&
                link->to == target && (name.empty() || link->name == name)) {
                return link;
            }
        }
        return nullptr;
    }
    Drawable* AddLink(Model* model, int tool, const std::string& name, Drawable* source,
                      Drawable* target) override {
        auto* link = new FakeLink(tool, name, dynamic_cast<NodeDrawable*>(source),
                                  dynamic_cast<NodeDrawable*>(target));
        model->AddDrawable(std::unique_ptr<Drawable>(link));
        return link;
    }
    void SetLinkDetails(Drawable* link, int access, uint32_t flagBits,
                        const std::string& firstLabel, const std::string& secondLabel) override {
        auto* fake = dynamic_cast<FakeLink*>(link);
        fake->access = access;
        fake->linkFlags |= flagBits;
        fake->firstLabel = firstLabel;
        fake->secondLabel = secondLabel;
    }
    void SetLinkType(Drawable* link, const std::string& type) override {
        dynamic_cast<FakeLink*>(link)->type = type;
    }
    void DiscardMembers(Master::MemberRecords records) override {
        discarded += records.attributes.size() + records.methods.size() + records.types.size() +
                     records.exceptions.size() + records.parameters.size();
    }

    // ---- for the tests ----
    Model* NewModel(const std::string& name, Model* parent) {
        models_.push_back(std::make_unique<Model>());
        Model* model = models_.back().get();
        model->kind = MkClass;
        model->name = name;
        model->parentModel = parent;
        return model;
    }
    std::vector<FakeLink*> Links(const Model* model) const {
        std::vector<FakeLink*> links;
        for (const auto& owned : model->Drawables()) {
            Drawable* drawable = owned.get();
            if (auto* link = dynamic_cast<FakeLink*>(drawable)) {
                links.push_back(link);
            }
        }
        return links;
    }
    std::vector<Master*> PlacedMasters(const Model* model) const {
        std::vector<Master*> placed;
        for (const auto& owned : model->Drawables()) {
            Drawable* drawable = owned.get();
            if (auto* place = dynamic_cast<FakePlace*>(drawable)) {
                placed.push_back(place->GetMaster());
            }
        }
        return placed;
    }
    int ToolOf(Master* master) { return tools_[master]; }
    // Places and links of every model.
    size_t DrawableCount() const {
        size_t count = 0;
        for (const auto& model : models_) {
            count += model->Drawables().size();
        }
        return count;
    }
    size_t MasterCount() const { return masters_.size(); }

    Model* current = nullptr;
    uint32_t userOptions = 0;
    bool lastShowAll = false;
    size_t discarded = 0;
    std::vector<std::string> reversed;
    std::vector<std::string> calls;
    // The progress reports of a run, "done/total".
    std::vector<std::string> progress;

  private:
    uint32_t flags_;
    // Masters outlive the models whose places show them.
    std::vector<std::unique_ptr<Master>> masters_;
    std::map<Master*, int> tools_;
    std::vector<std::unique_ptr<Model>> models_;
};

} // namespace qm::test
