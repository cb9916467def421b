// The reverse engineer's project on a project document: each operation is the
// document's or the custom model's own, with the few rules a run adds (place
// counts, package look-up by tool and name, submodels named after their
// masters, end labels only where a run gives them).
#include "reverse/DocumentReverseProject.h"

#include "document/CCASEDoc.h"
#include "document/FolderLists.h"
#include "document/Profile.h"
#include "drawables/CustomModel.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/ToolModel.h"
#include "model/GuidMap.h"
#include "model/Members.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

// The template's semantics codes of the tools a run uses.
constexpr int kLinkInheritance = 1;
constexpr int kLinkRealization = 2;
constexpr int kLinkComposition = 4;
constexpr int kLinkAggregation = 5;

int SemanticsCode(ReverseToolSemantics semantics) {
    switch (semantics) {
    case ReverseToolSemantics::Class:
        return SemClass;
    case ReverseToolSemantics::Package:
        return SemPackage;
    case ReverseToolSemantics::Inheritance:
        return kLinkInheritance;
    case ReverseToolSemantics::Realization:
        return kLinkRealization;
    case ReverseToolSemantics::Composition:
        return kLinkComposition;
    case ReverseToolSemantics::Aggregation:
        return kLinkAggregation;
    }
    return SemUnspecified;
}

} // namespace

int DocumentReverseTemplate::FindToolBySemantics(ReverseToolKind kind,
                                                 ReverseToolSemantics semantics,
                                                 int defaultId) const {
    if (notation_ == nullptr) {
        return defaultId;
    }
    return notation_->FindToolBySemantics(kind == ReverseToolKind::Link, SemanticsCode(semantics),
                                          defaultId);
}

DocumentReverseProject::DocumentReverseProject(CCASEDoc& document)
    : document_(document), events_(document.Events()), tools_(nullptr) {}

uint32_t& DocumentReverseProject::ProfileFlags() {
    return document_.Profile().flags;
}

const ReverseTemplate* DocumentReverseProject::Template() const {
    if (document_.Template() == nullptr) {
        return nullptr;
    }
    tools_ = DocumentReverseTemplate(document_.Template());
    return &tools_;
}

// ---- the run ----

uint32_t DocumentReverseProject::UserOptions() const {
    const qm::Profile* settings = document_.Context().profile;
    return settings != nullptr ? settings->Options : 0;
}

Model* DocumentReverseProject::CurrentModel() {
    return document_.CurrentModel();
}

Model* DocumentReverseProject::FindModelByName(const std::string& name) {
    return document_.FindModelByName(name);
}

void DocumentReverseProject::ShowModel(Model* model) {
    if (model == nullptr || !document_.HasModel(model)) {
        return;
    }
    document_.SetCurrentModel(model);
    if (DocumentFrame* frame = document_.Frame()) {
        frame->ShowModelAt(document_.CurrentModelIndex());
    }
}

void DocumentReverseProject::ClearReversedFiles() {
    document_.Folders().revFiles.clear();
    document_.SetModifiedFlag(true);
}

void DocumentReverseProject::AddReversedFile(const std::string& path) {
    document_.Folders().revFiles.push_back(path);
}

void DocumentReverseProject::ExpandReversedFiles() {
    // The project tree is rebuilt from the document, so the new file items
    // and submodels show.
    document_.Events().NoteProjectTreeChanged();
}

void DocumentReverseProject::MarkDrawables(int value) {
    document_.MarkDrawables(value != 0);
}

void DocumentReverseProject::MarkModels(int value) {
    document_.MarkModels(value != 0);
}

void DocumentReverseProject::LayoutModel(Model* model, int first, int second) {
    qm::LayoutModel(&document_, model, first != 0, second != 0);
}

void DocumentReverseProject::ChangeLinksLooks(Model* model, int style, int flag) {
    if (model != nullptr) {
        model->ChangeLinksLooks(&document_, static_cast<uint32_t>(style), flag != 0);
    }
}

void DocumentReverseProject::FileProgress(size_t done, size_t total) {
    const auto clamp = [](size_t value) {
        return static_cast<int>(std::min<size_t>(value, std::numeric_limits<int>::max()));
    };
    DocumentFrame* frame = document_.Frame();
    if (frame == nullptr)
        return;
    if (done == 0)
        frame->BeginProgress(clamp(total));
    frame->SetProgress(clamp(done));
    if (done >= total)
        frame->EndProgress("Ready");
}

// ---- masters, places and links ----

std::string DocumentReverseProject::Key(int tool, const std::string& name) {
    return std::to_string(tool) + '\x1f' + name;
}

Master* DocumentReverseProject::Lookup(int tool, const std::string& name,
                                       const std::string& nameSpace, bool anyNamespace) {
    if (!indexed_) {
        // A run looks masters up many times over: a linear search of the
        // collection each time would make a large run quadratic.
        for (const auto& master : document_.Masters().Masters()) {
            masters_[Key(master->Kind(), master->name)].push_back(master.get());
        }
        indexed_ = true;
    }
    auto found = masters_.find(Key(tool, name));
    if (found == masters_.end()) {
        return nullptr;
    }
    for (Master* master : found->second) {
        if (master->nameSpace == nameSpace) {
            return master;
        }
    }
    // Only a reference (a base or an attribute's class named without its
    // namespace) may take a master of another namespace, and then the
    // oldest, so that a master made later elsewhere does not change the
    // answer. A declaration never does: it would replace the members of an
    // unrelated class of the same name.
    return anyNamespace && nameSpace.empty() && !found->second.empty() ? found->second.back()
                                                                       : nullptr;
}

Master* DocumentReverseProject::FindMaster(int tool, const std::string& name,
                                           const std::string& nameSpace) {
    return Lookup(tool, name, nameSpace);
}

Master* DocumentReverseProject::FindMasterInScopes(int tool, const std::string& name,
                                                   const std::string& first,
                                                   const std::string& second) {
    if (Master* master = Lookup(tool, name, first, true)) {
        return master;
    }
    return second.empty() ? nullptr : Lookup(tool, name, second, true);
}

Model* DocumentReverseProject::FindOrCreatePackage(Model* model, const std::string& name,
                                                   const std::string& nameSpace, int tool,
                                                   bool showAll) {
    if (dynamic_cast<CustomModel*>(model) == nullptr) {
        return nullptr;
    }
    Master* package = nullptr;
    for (const auto& drawable : model->Drawables()) {
        if (!drawable->IsPlace()) {
            continue;
        }
        auto* place = dynamic_cast<Place*>(drawable.get());
        if (place != nullptr && place->master != nullptr && place->master->Kind() == tool &&
            place->master->name == name) {
            package = place->master;
            break;
        }
    }
    if (package == nullptr) {
        auto* place = dynamic_cast<Place*>(AddMasterPlace(model, tool, name, nameSpace, showAll));
        if (place == nullptr || place->master == nullptr) {
            return nullptr;
        }
        package = place->master;
        package->masterFlags |= MasterGenCode;
    }
    return EnsureSubmodel(package, model);
}

Drawable* DocumentReverseProject::AddMasterPlace(Model* model, int tool, const std::string& name,
                                                 const std::string& nameSpace, bool showAll) {
    auto* custom = dynamic_cast<CustomModel*>(model);
    if (custom == nullptr) {
        return nullptr;
    }
    Master* master = Lookup(tool, name, nameSpace);
    if (master == nullptr) {
        // No master of that tool, name and namespace. The document's own
        // look-up takes an empty namespace for any, so the master is made
        // here, at the head of the collection as the document makes one.
        auto made = std::make_unique<Master>(&document_.IdMap());
        made->SetToolAndName(TemplateTool(document_.TemplateMap(), tool), name, nameSpace);
        master = document_.AddMaster(std::move(made));
        document_.Events().NoteMaster(master);
        std::vector<Master*>& same = masters_[Key(master->Kind(), master->name)];
        same.insert(same.begin(), master);
    }
    Place* place = dynamic_cast<Place*>(custom->CreatePlace(&document_, master, CRect()));
    if (place == nullptr) {
        return nullptr;
    }
    if (showAll) {
        place->placeFlags |= PfCompartments;
    }
    document_.SetModifiedFlag(true);
    if (auto indexed = models_.find(model); indexed != models_.end()) {
        indexed->second.places.try_emplace(master, place);
    }
    return place;
}

DocumentReverseProject::ModelIndex& DocumentReverseProject::IndexOf(Model* model) {
    auto [at, added] = models_.try_emplace(model);
    if (added) {
        for (const auto& drawable : model->Drawables()) {
            NodeDrawable* from = nullptr;
            NodeDrawable* to = nullptr;
            if (drawable->IsLink() && drawable->GetLinkEnds(from, to)) {
                at->second.links[{drawable->kindCode, from, to}].push_back(drawable.get());
            } else if (auto* node = dynamic_cast<NodeDrawable*>(drawable.get());
                       node != nullptr && drawable->IsPlace() && node->GetMaster() != nullptr) {
                at->second.places.try_emplace(node->GetMaster(), drawable.get());
            }
        }
    }
    return at->second;
}

Drawable* DocumentReverseProject::FindPlaceOfMaster(Model* model, const Master* master) {
    if (model == nullptr || master == nullptr) {
        return nullptr;
    }
    const ModelIndex& index = IndexOf(model);
    const auto found = index.places.find(master);
    return found != index.places.end() ? found->second : nullptr;
}

Drawable* DocumentReverseProject::FindPlaceByMasterName(Model* model, int tool,
                                                        const std::string& name,
                                                        const std::string& nameSpace) {
    // The master of exactly that namespace, then its place.
    if (model == nullptr) {
        return nullptr;
    }
    Master* master = Lookup(tool, name, nameSpace);
    return master != nullptr ? FindPlaceOfMaster(model, master) : nullptr;
}

Model* DocumentReverseProject::EnsureSubmodel(Master* master, Model* parent) {
    if (master == nullptr) {
        return nullptr;
    }
    if (auto* submodel = dynamic_cast<Model*>(master->submodel)) {
        return submodel;
    }
    Model* submodel = document_.NewModel(MkClass, parent);
    if (submodel == nullptr) {
        return nullptr;
    }
    submodel->name = master->name;
    submodel->parentMaster = master;
    if (parent != nullptr) {
        submodel->modelFlags = parent->modelFlags;
    }
    master->submodel = submodel;
    return submodel;
}

Drawable* DocumentReverseProject::FindLink(Model* model, int tool, const std::string& name,
                                           Drawable* source, Drawable* target) {
    if (model == nullptr) {
        return nullptr;
    }
    const ModelIndex& index = IndexOf(model);
    const auto found = index.links.find({tool, source, target});
    if (found == index.links.end()) {
        return nullptr;
    }
    // Without a name any link of the tool between the two counts.
    for (Drawable* drawable : found->second) {
        const auto* link = dynamic_cast<const Link*>(drawable);
        if (name.empty() || (link != nullptr ? link->name : std::string()) == name) {
            return drawable;
        }
    }
    return nullptr;
}

Drawable* DocumentReverseProject::AddLink(Model* model, int tool, const std::string& name,
                                          Drawable* source, Drawable* target) {
    auto* custom = dynamic_cast<CustomModel*>(model);
    if (custom == nullptr) {
        return nullptr;
    }
    Link* link =
        custom->CreateLink(&document_, tool, name, dynamic_cast<NodeDrawable*>(source), target);
    if (link != nullptr) {
        document_.SetModifiedFlag(true);
        NodeDrawable* from = nullptr;
        NodeDrawable* to = nullptr;
        if (auto indexed = models_.find(model);
            indexed != models_.end() && link->GetLinkEnds(from, to)) {
            indexed->second.links[{link->kindCode, from, to}].push_back(link);
        }
    }
    return link;
}

void DocumentReverseProject::SetLinkDetails(Drawable* drawable, int access, uint32_t flagBits,
                                            const std::string& firstLabel,
                                            const std::string& secondLabel) {
    auto* link = dynamic_cast<Link*>(drawable);
    if (link == nullptr) {
        return;
    }
    link->access = access;
    link->options |= static_cast<int32_t>(flagBits);
    if (!firstLabel.empty() || !secondLabel.empty()) {
        link->sourceEnd = firstLabel;
        link->targetEnd = secondLabel;
        link->LayoutEndLabels();
    }
}

void DocumentReverseProject::SetLinkType(Drawable* drawable, const std::string& type) {
    if (auto* link = dynamic_cast<Link*>(drawable)) {
        link->type = type;
    }
}

void DocumentReverseProject::DiscardMembers(Master::MemberRecords records) {
    GuidScope scope(&document_.IdMap(), document_.TemplateMap());
    DetachList(&scope, records.attributes);
    DetachList(&scope, records.methods);
    DetachList(&scope, records.types);
    DetachList(&scope, records.exceptions);
}

} // namespace qm
