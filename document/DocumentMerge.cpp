// The three-way merge of projects: a base project and two edited versions of
// it, mine and theirs, become a new project.
//
// Masters, member records, models and drawables are paired in triples: first
// every object of base with the objects of the same id in mine and theirs,
// then every object of mine alone with theirs' object of the same id or, when
// it has none, theirs' first unpaired object that matches it (masters by kind,
// name and namespace, member records by signature, models by identity,
// drawables by content), then what is left of theirs. Each triple follows one
// rule:
//
//   base mine theirs  result
//    -    -    ✓      copy of theirs
//    -    ✓    -      copy of mine
//    -    ✓    ✓      two-way merge (theirs' fields, mine's where theirs lacks)
//    ✓    ✓    ✓      three-way merge, field by field
//    ✓    ✓    -      copy of mine when mine changed it, else deleted by theirs
//    ✓    -    ✓      copy of theirs when theirs changed it, else deleted by mine
//    ✓    -    -      deleted by both
//
// and each field of a three-way merge takes mine when only mine changed it,
// else theirs: every conflict resolves to theirs.
//
// Copies are made through the records the project file holds: the chosen
// version is written with its project's scope and read into the result with
// the result's, so ids stay and references are bound afterwards by id. The
// drawables of a model are paired flat (a container and its members apart),
// so a drawable moved into or out of a group still pairs with itself; the
// containers take their members back by id once the merged list is read.
#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/ProjectFile.h"
#include "drawables/DrawableFactory.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "kernel/Kernel.h"
#include "model/ModelCompare.h"
#include "model/RecordFields.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qm {

using kest::Cell;

namespace {

template <class T> struct Triple {
    T* base = nullptr;
    T* mine = nullptr;
    T* theirs = nullptr;
};

enum class Outcome { None, CopyMine, CopyTheirs, Two, Three };

// The object rule; equal tells whether a version left the base's object as it was.
template <class T, class Equal> Outcome ObjectRule(const Triple<T>& t, Equal equal) {
    if (t.base == nullptr) {
        if (t.mine != nullptr && t.theirs != nullptr)
            return Outcome::Two;
        if (t.mine != nullptr)
            return Outcome::CopyMine;
        return t.theirs != nullptr ? Outcome::CopyTheirs : Outcome::None;
    }
    if (t.mine != nullptr && t.theirs != nullptr)
        return Outcome::Three;
    if (t.mine != nullptr)
        return equal(*t.mine, *t.base) ? Outcome::None : Outcome::CopyMine;
    if (t.theirs != nullptr)
        return equal(*t.theirs, *t.base) ? Outcome::None : Outcome::CopyTheirs;
    return Outcome::None;
}

// Pairing by id: each object is paired once (the first of an id counts).
template <class T> class IdIndex {
  public:
    explicit IdIndex(const std::vector<T*>& list) : list_(list), paired_(list.size(), false) {
        for (size_t i = 0; i < list.size(); ++i)
            byId_.emplace(list[i]->Id().Text(), i);
    }
    // The unpaired object of that id, now paired; null when none.
    T* Take(const char* id) {
        auto found = byId_.find(id);
        if (found == byId_.end() || paired_[found->second])
            return nullptr;
        paired_[found->second] = true;
        return list_[found->second];
    }
    bool Paired(size_t i) const { return paired_[i]; }
    void Pair(size_t i) { paired_[i] = true; }
    size_t Size() const { return list_.size(); }
    T* At(size_t i) const { return list_[i]; }

  private:
    const std::vector<T*>& list_;
    std::vector<bool> paired_;
    std::unordered_map<std::string_view, size_t> byId_;
};

// The first unpaired object of theirs that match accepts for object, now paired.
template <class T, class Match> T* TakeMatch(IdIndex<T>& theirs, const T& object, Match match) {
    for (size_t i = 0; i < theirs.Size(); ++i) {
        if (!theirs.Paired(i) && match(object, *theirs.At(i))) {
            theirs.Pair(i);
            return theirs.At(i);
        }
    }
    return nullptr;
}

// The walk of three lists in triples (base may be empty).
template <class T, class Match>
std::vector<Triple<T>> WalkTriples(const std::vector<T*>& base, const std::vector<T*>& mine,
                                   const std::vector<T*>& theirs, Match match) {
    std::vector<Triple<T>> triples;
    IdIndex<T> mineIndex(mine);
    IdIndex<T> theirsIndex(theirs);
    for (T* object : base)
        triples.push_back(
            {object, mineIndex.Take(object->Id().Text()), theirsIndex.Take(object->Id().Text())});
    for (size_t i = 0; i < mine.size(); ++i) {
        if (mineIndex.Paired(i))
            continue;
        mineIndex.Pair(i);
        T* partner = theirsIndex.Take(mine[i]->Id().Text());
        if (partner == nullptr)
            partner = TakeMatch(theirsIndex, *mine[i], match);
        triples.push_back({nullptr, mine[i], partner});
    }
    for (size_t i = 0; i < theirs.size(); ++i) {
        if (!theirsIndex.Paired(i))
            triples.push_back({nullptr, nullptr, theirs[i]});
    }
    return triples;
}

// The two-way list merge: each object of mine with theirs' object of the same
// id or theirs' first unpaired match (theirs is taken), else mine alone; then
// theirs' unpaired objects.
template <class T, class Match>
std::vector<Triple<T>> WalkPairs(const std::vector<T*>& mine, const std::vector<T*>& theirs,
                                 Match match) {
    return WalkTriples<T>({}, mine, theirs, match);
}

template <class Record> std::vector<Record*> Raw(const std::vector<std::unique_ptr<Record>>& list) {
    std::vector<Record*> raw;
    raw.reserve(list.size());
    for (const auto& record : list)
        raw.push_back(record.get());
    return raw;
}

template <class Record> bool RecordsEqual(const Record& a, const Record& b) {
    return a.IsEqual(b);
}

// A list field without a rule of its own: mine when only mine changed it.
template <class List> void MergeListField(List& out, const List& base, const List& mine) {
    if (!ListsEqual(mine, base) && ListsEqual(out, base))
        CopyList(out, mine);
}

// ---- member records ----

template <class Record> std::unique_ptr<Record> CopyRecord(const Record& from, Master* owner) {
    auto copy = std::make_unique<Record>();
    copy->CopyFrom(from);
    copy->owner = owner;
    return copy;
}

// The three-way merges of records; out starts as a copy of theirs.
void MergeFields(MasterAttribute& out, const MasterAttribute& b, const MasterAttribute& m) {
    for (auto field :
         {&MasterAttribute::name, &MasterAttribute::type, &MasterAttribute::cardinality,
          &MasterAttribute::container, &MasterAttribute::value, &MasterAttribute::comment})
        out.*field = std::string(MergeString(b.*field, m.*field, out.*field));
    out.access = MergeInt(b.access, m.access, out.access);
    out.mode = MergeInt(b.mode, m.mode, out.mode);
}

void MergeFields(MasterMethod& out, const MasterMethod& b, const MasterMethod& m) {
    for (auto field : {&MasterMethod::name, &MasterMethod::returnType, &MasterMethod::comment,
                       &MasterMethod::code})
        out.*field = std::string(MergeString(b.*field, m.*field, out.*field));
    out.access = MergeInt(b.access, m.access, out.access);
    out.mode = MergeInt(b.mode, m.mode, out.mode);
    MergeListField(out.parameters, b.parameters, m.parameters);
    MergeListField(out.others, b.others, m.others);
}

void MergeFields(MasterType& out, const MasterType& b, const MasterType& m) {
    for (auto field : {&MasterType::name, &MasterType::definition, &MasterType::comment})
        out.*field = std::string(MergeString(b.*field, m.*field, out.*field));
    out.access = MergeInt(b.access, m.access, out.access);
    out.kind = MergeInt(b.kind, m.kind, out.kind);
    out.mode = MergeInt(b.mode, m.mode, out.mode);
    MergeListField(out.elements, b.elements, m.elements);
}

void MergeFields(MasterException& out, const MasterException& b, const MasterException& m) {
    for (auto field : {&MasterException::name, &MasterException::comment})
        out.*field = std::string(MergeString(b.*field, m.*field, out.*field));
    MergeListField(out.members, b.members, m.members);
}

template <class Record> bool RecordMatches(const Record& a, const Record& b) {
    return SignatureMatches(a, b);
}

// A member list of the result from the triples of the three versions' lists.
template <class Record>
void MergeRecordList(std::vector<std::unique_ptr<Record>>& out,
                     const std::vector<Triple<Record>>& triples, Master* owner) {
    out.clear();
    for (const Triple<Record>& t : triples) {
        switch (ObjectRule(t, RecordsEqual<Record>)) {
        case Outcome::None:
            break;
        case Outcome::CopyMine:
            out.push_back(CopyRecord(*t.mine, owner));
            break;
        case Outcome::CopyTheirs:
        case Outcome::Two: // member records are simply theirs
            out.push_back(CopyRecord(*t.theirs, owner));
            break;
        case Outcome::Three: {
            auto merged = CopyRecord(*t.theirs, owner);
            MergeFields(*merged, *t.base, *t.mine);
            out.push_back(std::move(merged));
            break;
        }
        }
    }
}

template <class Record>
void MergeRecordsThree(std::vector<std::unique_ptr<Record>>& out,
                       const std::vector<std::unique_ptr<Record>>& base,
                       const std::vector<std::unique_ptr<Record>>& mine,
                       const std::vector<std::unique_ptr<Record>>& theirs, Master* owner) {
    MergeRecordList(out, WalkTriples(Raw(base), Raw(mine), Raw(theirs), RecordMatches<Record>),
                    owner);
}

template <class Record>
void MergeRecordsTwo(std::vector<std::unique_ptr<Record>>& out,
                     const std::vector<std::unique_ptr<Record>>& mine,
                     const std::vector<std::unique_ptr<Record>>& theirs, Master* owner) {
    MergeRecordList(out, WalkPairs(Raw(mine), Raw(theirs), RecordMatches<Record>), owner);
}

bool MastersMatch(const Master& mine, const Master& theirs) {
    // As the masters collection finds a master: an empty namespace matches any.
    return mine.Kind() == theirs.Kind() && mine.name == theirs.name &&
           (mine.nameSpace.empty() || mine.nameSpace == theirs.nameSpace);
}

bool MastersEqual(const Master& a, const Master& b) {
    return a.IsEqual(b);
}

bool ModelsMatch(const Model& mine, const Model& theirs) {
    return mine.IsSameIdentity(theirs);
}

bool ModelsEqual(const Model& a, const Model& b) {
    return a.IsEqual(b);
}

bool DrawablesMatch(const Drawable& mine, const Drawable& theirs) {
    return mine.IsEqualContent(theirs);
}

bool DrawablesEqual(const Drawable& a, const Drawable& b) {
    return a.IsEqual(b);
}

std::vector<Master*> MastersOf(const CCASEDoc& doc) {
    std::vector<Master*> list;
    for (const auto& master : const_cast<CCASEDoc&>(doc).Masters().Masters())
        list.push_back(master.get());
    return list;
}

std::vector<Model*> ModelsOf(const CCASEDoc& doc) {
    std::vector<Model*> list;
    for (size_t i = 0; i < doc.ModelCount(); ++i)
        list.push_back(doc.GetModelAt(i));
    return list;
}

std::vector<Drawable*> FlatDrawables(const Model* model) {
    std::vector<Drawable*> list;
    if (model != nullptr)
        model->CollectAllDrawables(list);
    return list;
}

// Takes a container's members out while its own record is written, and puts
// them back however the writing ends.
class MembersAside {
  public:
    explicit MembersAside(Drawable& container)
        : container_(container), aside_(container.SetMembersAside()) {}
    ~MembersAside() { container_.RestoreMembers(aside_); }
    MembersAside(const MembersAside&) = delete;
    MembersAside& operator=(const MembersAside&) = delete;

  private:
    Drawable& container_;
    DrawableList aside_;
};

// As MembersAside for a model's drawables.
class DrawablesAside {
  public:
    explicit DrawablesAside(Model& model) : model_(model), aside_(model.SetDrawablesAside()) {}
    ~DrawablesAside() { model_.RestoreDrawables(aside_); }
    DrawablesAside(const DrawablesAside&) = delete;
    DrawablesAside& operator=(const DrawablesAside&) = delete;

  private:
    Model& model_;
    DrawableList aside_;
};

} // namespace

// The merge's state: the result document, the three versions and the copy scope.
class ProjectMerger {
  public:
    ProjectMerger(CCASEDoc& result, CCASEDoc& base, CCASEDoc& mine, CCASEDoc& theirs)
        : result_(result), base_(base), mine_(mine), theirs_(theirs) {}

    void MergeMasters() {
        auto triples =
            WalkTriples(MastersOf(base_), MastersOf(mine_), MastersOf(theirs_), MastersMatch);
        for (const Triple<Master>& t : triples) {
            switch (ObjectRule(t, MastersEqual)) {
            case Outcome::None:
                break;
            case Outcome::CopyMine:
                CopyMaster(*t.mine);
                break;
            case Outcome::CopyTheirs:
                CopyMaster(*t.theirs);
                break;
            case Outcome::Two:
                MergeMastersTwo(*t.mine, *t.theirs);
                break;
            case Outcome::Three:
                MergeMastersThree(*t.base, *t.mine, *t.theirs);
                break;
            }
        }
    }

    void MergeModels() {
        auto triples =
            WalkTriples(ModelsOf(base_), ModelsOf(mine_), ModelsOf(theirs_), ModelsMatch);
        for (const Triple<Model>& t : triples) {
            switch (ObjectRule(t, ModelsEqual)) {
            case Outcome::None:
                break;
            case Outcome::CopyMine:
                CopyModel(*t.mine, mine_);
                break;
            case Outcome::CopyTheirs:
                CopyModel(*t.theirs, theirs_);
                break;
            case Outcome::Two:
            case Outcome::Three:
                MergeModel(t.base, *t.mine, *t.theirs);
                break;
            }
        }
    }

    // Containers take their members back, swimlanes close up, every drawable
    // settles into the geometry the merge gave it and every model gets the
    // smallest page matrix that holds its drawing.
    void FinishModels() {
        for (size_t i = 0; i < result_.ModelCount(); ++i) {
            Model* model = result_.GetModelAt(i);
            model->PackSwimlanes();
            SettleGeometry(*model);
            model->BestPageMatrix(result_.PageWidth(), result_.PageHeight());
        }
    }

    // The merge may take a place's bounds from one version and the links at
    // it from another, and a version may have moved a place without its
    // links: every drawable other than a link, tag or floater re-applies its
    // own bounds (a group lays its members out again); then every top-level
    // link with an end off its place's outline is routed to it afresh and the
    // link upkeep brings the other links, tags and floaters at those places
    // along. Links still on their outlines keep the path their version drew,
    // so merging unchanged versions gives back the same drawing.
    static void SettleGeometry(Model& model) {
        model.NoteChanged();
        for (const auto& drawable : model.Drawables()) {
            Drawable* d = drawable.get();
            if (d->IsLink() || d->IsTag() || d->IsFloater())
                continue;
            d->SetBounds(d->bounds);
        }
        bool detached = false;
        for (const auto& drawable : model.Drawables()) {
            auto* link = dynamic_cast<Link*>(drawable.get());
            if (link == nullptr || link->VertexCount() < 2)
                continue;
            int ends = 0;
            Drawable* source = link->GetSourcePlace();
            Drawable* target = link->GetTargetPlace();
            if (source != nullptr && !Touches(*source, link->Vertices().front()))
                ends |= 0x1;
            if (target != nullptr && !Touches(*target, link->Vertices().back()))
                ends |= 0x2;
            if (ends == 0)
                continue;
            link->Reroute(ends, true);
            if ((ends & 0x1) != 0)
                source->Mark(1, 0x1, 0);
            if ((ends & 0x2) != 0)
                target->Mark(1, 0x1, 0);
            detached = true;
        }
        if (!detached)
            return;
        CRect repaint;
        model.UpdateLinkGeometry(nullptr, repaint, false);
        // The marks only told the link upkeep what to follow.
        MarkPlaces(model.Drawables(), 0, 0);
    }

    static bool Touches(const Drawable& place, CPoint p) {
        CRect area = place.bounds;
        area.InflateRect(1, 1);
        return area.PtInRect(p);
    }

    static void MarkPlaces(const DrawableList& list, int value, int depth) {
        for (const auto& drawable : list) {
            if (!drawable->IsPlace())
                continue;
            drawable->Mark(value, 0x1, 0);
            const DrawableList* members = drawable->IsGroup() ? drawable->MemberList() : nullptr;
            if (members != nullptr && depth < 1000)
                MarkPlaces(*members, value, depth + 1);
        }
    }

  private:
    // ---- masters ----

    // A copy of from in the result, at the end of its masters.
    Master* NewMaster(const Master& from) {
        std::unique_ptr<Master> master = from.CopyInto(&result_.idMap_, result_.TemplateMap());
        Master* raw = master.get();
        result_.InsertMasterAt(result_.masters_.Count(), std::move(master));
        return raw;
    }

    void SetTool(Master& master, int number) {
        master.tool = TemplateTool(result_.TemplateMap(), number);
        if (master.tool == nullptr)
            master.ReportToolNotInTemplate(result_.TemplateMap(), number);
    }

    static void SetSubmodel(Master& master, const std::string& id) {
        master.submodel = nullptr;
        master.submodelRef = id.empty() ? ObjectRef() : ObjectRef::ToText(id.c_str());
    }

    // The result object also answers to the id of mine's version.
    void AliasId(const ModelObject& mine, ModelObject* merged) {
        if (!(mine.Id() == merged->Id()) && result_.idMap_.Lookup(mine.Id().Text()) == nullptr)
            result_.idMap_.SetAt(mine.Id().Text(), merged);
    }

    Master* CopyMaster(const Master& from) { return NewMaster(from); }

    void MergeMastersTwo(const Master& mine, const Master& theirs) {
        Master* master = NewMaster(theirs);
        if (theirs.SubmodelId().empty())
            SetSubmodel(*master, mine.SubmodelId());
        MergeRecordsTwo(master->attributes, mine.attributes, theirs.attributes, master);
        MergeRecordsTwo(master->methods, mine.methods, theirs.methods, master);
        MergeRecordsTwo(master->exceptions, mine.exceptions, theirs.exceptions, master);
        // Nested types are merged as well: dropping them would lose both
        // versions' types of a master that both sides added.
        MergeRecordsTwo(master->types, mine.types, theirs.types, master);
        CopyList(master->parameters, theirs.parameters);
        AliasId(mine, master);
    }

    void MergeMastersThree(const Master& b, const Master& m, const Master& t) {
        Master* master = NewMaster(t);
        for (const auto& field : MasterFields()) {
            if (field.IsText()) {
                master->*field.text =
                    std::string(MergeString(b.*field.text, m.*field.text, t.*field.text));
            } else {
                master->*field.integer =
                    MergeInt(b.*field.integer, m.*field.integer, t.*field.integer);
            }
        }
        SetTool(*master, MergeInt(b.ToolNumber(), m.ToolNumber(), t.ToolNumber()));
        if (t.SubmodelId().empty())
            SetSubmodel(*master, m.SubmodelId());
        MergeRecordsThree(master->attributes, b.attributes, m.attributes, t.attributes, master);
        MergeRecordsThree(master->methods, b.methods, m.methods, t.methods, master);
        MergeRecordsThree(master->exceptions, b.exceptions, m.exceptions, t.exceptions, master);
        MergeRecordsThree(master->types, b.types, m.types, t.types, master);
        CopyList(master->parameters, t.parameters);
        MergeListField(master->parameters, b.parameters, m.parameters);
    }

    // A place of the result keeps its master: when the merge dropped the
    // master (deleted in one version while the other version's place still
    // uses it), the version's master is copied in.
    void KeepMasterOf(const Drawable& drawable, const CCASEDoc& from) {
        const auto* place = dynamic_cast<const Place*>(&drawable);
        if (place == nullptr)
            return;
        const Master* master = place->master;
        if (master == nullptr || result_.idMap_.Lookup(master->Id().Text()) != nullptr)
            return;
        if (const_cast<CCASEDoc&>(from).HasMaster(master))
            CopyMaster(*master);
    }

    // ---- models ----

    void CopyModel(Model& from, CCASEDoc& doc) {
        for (Drawable* drawable : FlatDrawables(&from))
            KeepMasterOf(*drawable, doc);
        HeapMark mark;
        GuidScope source = doc.Scope();
        Cell* record = WriteModelRecord(&doc, from, &source);
        std::unique_ptr<Model> model =
            CreateModelOfKind(&result_.idMap_, result_.template_, from.kind);
        if (model == nullptr)
            return; // not a diagram: a project holds none
        GuidScope target = result_.Scope();
        ReadModelRecord(&result_, *model, &target, record);
        result_.AddModel(std::move(model));
    }

    // Theirs' model without its drawables, as the start of a merged model.
    std::unique_ptr<Model> ModelFrame(Model& theirs, int kind) {
        std::unique_ptr<Model> model = CreateModelOfKind(&result_.idMap_, result_.template_, kind);
        if (model == nullptr)
            model = CreateModelOfKind(&result_.idMap_, result_.template_, theirs.kind);
        if (model == nullptr)
            return nullptr;
        GuidScope source = theirs_.Scope();
        Cell* record = nullptr;
        {
            DrawablesAside aside(theirs);
            record = WriteModelRecord(&theirs_, theirs, &source);
        }
        GuidScope target = result_.Scope();
        ReadModelRecord(&result_, *model, &target, record);
        model->kind = kind;
        return model;
    }

    static std::string ParentMasterId(const Model& model) {
        if (model.parentMaster != nullptr)
            return model.parentMaster->Id().Text();
        return model.parentMasterRef.IsText() ? model.parentMasterRef.Text() : std::string();
    }
    static std::string ParentModelId(const Model& model) {
        if (model.parentModel != nullptr)
            return model.parentModel->Id().Text();
        return model.parentModelRef.IsText() ? model.parentModelRef.Text() : std::string();
    }

    // A drawable chosen for the result: the version to copy, its project,
    // and mine's version when the two were merged.
    struct Chosen {
        Drawable* drawable;
        CCASEDoc* from;
        Drawable* alias;
    };

    void MergeModel(Model* b, Model& m, Model& t) {
        HeapMark mark;
        const int kind = b != nullptr ? MergeInt(b->kind, m.kind, t.kind) : t.kind;
        std::unique_ptr<Model> model = ModelFrame(t, kind);
        if (model == nullptr)
            return;
        if (b != nullptr) {
            model->setting = MergeInt(b->setting, m.setting, t.setting);
            model->name = MergeString(b->name, m.name, t.name);
            model->comment = MergeString(b->comment, m.comment, t.comment);
            model->modelFlags = MergeInt(b->modelFlags, m.modelFlags, t.modelFlags);
        }
        // References: theirs where set, else mine.
        if (ParentMasterId(t).empty() && !ParentMasterId(m).empty())
            model->parentMasterRef = ObjectRef::ToText(ParentMasterId(m).c_str());
        if (ParentModelId(t).empty() && !ParentModelId(m).empty())
            model->parentModelRef = ObjectRef::ToText(ParentModelId(m).c_str());

        std::vector<Chosen> chosen;
        auto triples = b != nullptr
                           ? WalkTriples(FlatDrawables(b), FlatDrawables(&m), FlatDrawables(&t),
                                         DrawablesMatch)
                           : WalkPairs(FlatDrawables(&m), FlatDrawables(&t), DrawablesMatch);
        for (const Triple<Drawable>& triple : triples) {
            switch (ObjectRule(triple, DrawablesEqual)) {
            case Outcome::None:
                break;
            case Outcome::CopyMine:
                chosen.push_back({triple.mine, &mine_, nullptr});
                break;
            case Outcome::CopyTheirs:
                chosen.push_back({triple.theirs, &theirs_, nullptr});
                break;
            case Outcome::Three:
                // A drawable changed only in mine keeps mine's version:
                // taking theirs would drop the change without a conflict.
                if (!triple.mine->IsEqual(*triple.base) && triple.theirs->IsEqual(*triple.base)) {
                    chosen.push_back({triple.mine, &mine_, nullptr});
                    break;
                }
                chosen.push_back({triple.theirs, &theirs_, triple.mine});
                break;
            case Outcome::Two:
                // A drawable's merge of two versions takes theirs.
                chosen.push_back({triple.theirs, &theirs_, triple.mine});
                break;
            }
        }
        ReadDrawables(*model, chosen);
        Model* raw = model.get();
        result_.AddModel(std::move(model));
        AliasId(m, raw);
    }

    // Reads the chosen drawables into the model, flat, then gives every
    // container back its members by the ids its version held.
    void ReadDrawables(Model& model, const std::vector<Chosen>& chosen) {
        std::vector<Cell*> records;
        std::vector<std::vector<std::string>> memberIds;
        records.reserve(chosen.size());
        memberIds.reserve(chosen.size());
        for (const Chosen& c : chosen) {
            KeepMasterOf(*c.drawable, *c.from);
            GuidScope source = c.from->Scope();
            const DrawableList* members = c.drawable->MemberList();
            std::vector<std::string> ids;
            if (members != nullptr) {
                for (const auto& member : *members)
                    ids.emplace_back(member->Id().Text());
            }
            MembersAside aside(*c.drawable);
            records.push_back(c.drawable->Persist(&source, kest::nil));
            memberIds.push_back(std::move(ids));
        }

        GuidScope target = result_.Scope();
        std::vector<Drawable*> read(chosen.size(), nullptr);
        for (size_t i = 0; i < records.size(); ++i) {
            std::unique_ptr<Drawable> drawable = CreateDrawableFromRecord(records[i], &target);
            if (drawable == nullptr)
                continue;
            read[i] = drawable.get();
            model.AddDrawable(std::move(drawable));
        }
        // Mine's references to a drawable merged with theirs find the result.
        for (size_t i = 0; i < chosen.size(); ++i) {
            if (read[i] != nullptr && chosen[i].alias != nullptr)
                AliasId(*chosen[i].alias, read[i]);
        }
        for (const auto& drawable : model.Drawables())
            drawable->ResolveRefs(&result_, &target, &model);
        for (size_t i = 0; i < chosen.size(); ++i)
            RerouteIfEndsMoved(read[i], chosen[i].drawable);
        RememberLinkGeometry(model.Drawables(), model.Drawables().begin());
        TakeBackMembers(model, read, memberIds);
    }

    // A link whose end nodes the merge took from another version than the
    // link itself (moved there) is rerouted at those ends; any other keeps
    // its path as its version drew it.
    static void RerouteIfEndsMoved(Drawable* merged, const Drawable* version) {
        auto* link = dynamic_cast<Link*>(merged);
        const auto* from = dynamic_cast<const Link*>(version);
        if (link == nullptr || from == nullptr)
            return;
        auto moved = [](const Drawable* now, const Drawable* before) {
            return now != nullptr && before != nullptr && !(now->bounds == before->bounds);
        };
        int ends = 0;
        if (moved(link->GetSource(), from->GetSource()))
            ends |= 0x1;
        if (moved(link->GetTarget(), from->GetTarget()))
            ends |= 0x2;
        if (ends != 0)
            link->Reroute(ends, false);
    }

    static void TakeBackMembers(Model& model, const std::vector<Drawable*>& read,
                                const std::vector<std::vector<std::string>>& memberIds) {
        std::unordered_map<std::string_view, Drawable*> topLevel;
        for (const auto& drawable : model.Drawables())
            topLevel.emplace(drawable->Id().Text(), drawable.get());
        for (size_t i = 0; i < read.size(); ++i) {
            Drawable* container = read[i];
            if (container == nullptr || memberIds[i].empty())
                continue;
            for (const std::string& id : memberIds[i]) {
                auto found = topLevel.find(id);
                if (found == topLevel.end())
                    continue; // the member went in the merge or is held already
                Drawable* member = found->second;
                if (IsSelfOrAncestor(member, container))
                    continue;
                std::unique_ptr<Drawable> owned = model.TakeDrawable(member);
                topLevel.erase(found);
                Adopt(*container, std::move(owned));
            }
        }
        // A drawable that no container took back is free again.
        for (const auto& drawable : model.Drawables()) {
            if (drawable->Parent() != nullptr)
                drawable->SetParent(nullptr);
        }
    }

    static bool IsSelfOrAncestor(const Drawable* candidate, const Drawable* container) {
        for (const Drawable* p = container; p != nullptr; p = p->Parent()) {
            if (p == candidate)
                return true;
        }
        return false;
    }

    static void Adopt(Drawable& container, std::unique_ptr<Drawable> member) {
        if (auto* placeGroup = dynamic_cast<PlaceGroup*>(&container))
            placeGroup->MemberGroup().AddMember(std::move(member));
        else if (auto* group = dynamic_cast<PrimitiveGroup*>(&container))
            group->AddMember(std::move(member));
    }

    CCASEDoc& result_;
    CCASEDoc& base_;
    CCASEDoc& mine_;
    CCASEDoc& theirs_;
};

void CCASEDoc::SwitchTemplate(const std::string& path) {
    NotationTemplate* notation = context_.templates->AcquireTemplate(path);
    if (notation == nullptr)
        throw CKestException(Format("Can't get template '%s'", FileNameOfPath(path).c_str()));
    SetTemplate(notation);
    BindTemplate();
}

void CCASEDoc::MergeProjects(CCASEDoc& base, CCASEDoc& mine, CCASEDoc& theirs,
                             const std::string& resultName) {
    DocumentEvents::Batch events(events_);
    const std::string theirsTemplate =
        theirs.template_ != nullptr && !theirs.template_->path.empty()
            ? theirs.template_->path
            : std::string(kInternalTemplateName);
    for (CCASEDoc* version : {&base, &mine}) {
        const NotationTemplate* held = version->template_;
        if (held == theirs.template_ || (held != nullptr && theirs.template_ != nullptr &&
                                         held->path == theirs.template_->path))
            continue;
        version->SwitchTemplate(theirsTemplate);
    }
    SwitchTemplate(theirsTemplate);
    profile_ = theirs.profile_;
    repositoryVersion_ = resultName;

    ProjectMerger merger(*this, base, mine, theirs);
    merger.MergeMasters();
    merger.MergeModels();
    ResolveRefs(0, 0);
    merger.FinishModels();
    modified_ = true;
}

} // namespace qm
