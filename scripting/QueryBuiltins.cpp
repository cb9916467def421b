// The query built-ins: listing, finding and sorting objects of the run's
// project, the associations of a master, the project and its file, and the
// mark flag scripts use to remember what they have handled.
#include "document/CCASEDoc.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "model/Members.h"
#include "scripting/ModelRefs.h"
#include "scripting/QuerySeams.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace qm {

using namespace kest;

namespace {

// Pushes references on the front of a list and hands the list back in the
// order they were added.
class RefList {
  public:
    void Add(Cell* value) { reversed_ = mkcons(value, reversed_); }
    Cell* InOrder() { return nreverse(reversed_); }

  private:
    Cell* reversed_ = nil;
};

bool Is(Cell* value, const char* name) {
    return issymbol(value) && std::strcmp(static_cast<Symbol*>(value)->name, name) == 0;
}

// The project of the run; a built-in that needs one and finds none reports it.
CCASEDoc& Project(const VxFrame& frame) {
    CCASEDoc* project = RunContext().project;
    if (project == nullptr)
        frame.Fail("no current project");
    return *project;
}

Cell* ListModels(const VxFrame& frame) {
    CCASEDoc& project = Project(frame);
    Cell* scope = frame.Arg(1);
    const bool all = Is(scope, "all");
    Model* parent = scope == nil || all ? nullptr : frame.ModelArg(1);
    RefList out;
    for (size_t i = 0; i < project.ModelCount(); ++i) {
        Model* model = project.GetModelAt(i);
        if (all || model->parentModel == parent)
            out.Add(RefTo(model, RefModel));
    }
    return out.InOrder();
}

Cell* ListMasters(const VxFrame& frame) {
    CCASEDoc& project = Project(frame);
    RefList out;
    if (frame.Arg(1) == nil) {
        MasterCollection& masters = project.Masters();
        for (size_t i = 0; i < masters.Count(); ++i)
            out.Add(RefTo(masters.At(i), RefMaster));
    } else {
        // Without a window (batch mode) nothing is selected.
        for (Master* master : MasterLister().SelectedMasters(&project))
            out.Add(RefTo(master, RefMaster));
    }
    return out.InOrder();
}

Cell* ListDrawables(const VxFrame& frame, int kindByte) {
    Model* model = frame.ModelArg(1);
    const bool selectedOnly = frame.Arg(2) != nil;
    RefList out;
    for (const auto& drawable : model->Drawables()) {
        if (kindByte != DkNone && drawable->kind != kindByte)
            continue;
        if (selectedOnly && !drawable->IsSelected())
            continue;
        out.Add(DrawableRef(drawable.get()));
    }
    return out.InOrder();
}

template <class List> Cell* ListMembers(const List& list, ReferenceKind kind) {
    RefList out;
    for (const auto& member : list)
        out.Add(RefTo(member.get(), kind));
    return out.InOrder();
}

// The tool of a master or place search: by name among the tools that are
// not link tools, or without a name the first visible Class place tool (tool
// 10 when there is none).
int ToolIdArg(const VxFrame& frame, CCASEDoc& project, int i) {
    NotationTemplate* notation = project.Template();
    if (frame.Arg(i) == nil)
        return notation != nullptr ? notation->FindToolBySemantics(false, SemClass, TkFirstPlace)
                                   : TkFirstPlace;
    const char* name = frame.Text(i);
    ToolModel* tool = notation != nullptr ? notation->FindToolByName(name, true) : nullptr;
    if (tool == nullptr)
        frame.Fail("unknown tool name", frame.Arg(i));
    return tool->ToolId();
}

// The name a reference sorts by: that of a model, a master or a member
// record; null for any other kind, a stale reference or another cell.
const std::string* NameOf(Cell* ref) {
    ModelObject* object = ref->type == TRef ? ResolveObject(ref) : nullptr;
    if (object == nullptr)
        return nullptr;
    switch (ref->flag) {
    case RefModel:
        return &static_cast<Model*>(object)->name;
    case RefMaster:
        return &static_cast<Master*>(object)->name;
    case RefAttribute:
        return &static_cast<MasterAttribute*>(object)->name;
    case RefType:
        return &static_cast<MasterType*>(object)->name;
    case RefMethod:
        return &static_cast<MasterMethod*>(object)->name;
    case RefException:
        return &static_cast<MasterException*>(object)->name;
    default:
        return nullptr;
    }
}

// The live model object of a reference argument (the project has no mark).
ModelObject* MarkTarget(const VxFrame& frame) {
    Cell* ref = frame.Ref(0);
    if (ref->flag == RefProject)
        frame.Fail(ErrRefExpected, ref);
    return ResolveObject(ref);
}

Cell* MarkScope(Symbol* self, bool on) {
    VxFrame frame(self, 1, 1);
    Cell* scope = frame.Arg(0);
    const bool known = Is(scope, "model") || Is(scope, "master") || Is(scope, "drawable");
    if (!known)
        frame.Fail("invalid argument", scope);
    CCASEDoc& project = Project(frame);
    if (Is(scope, "model"))
        project.MarkModels(on);
    else if (Is(scope, "master"))
        project.Masters().MarkAll(on ? 1 : 0);
    else
        project.MarkDrawables(on);
    return intern("t");
}

} // namespace

Cell* VxList(Symbol* self) {
    VxFrame frame(self, 1, 3);
    Cell* kind = frame.Arg(0);
    if (Is(kind, "model"))
        return ListModels(frame);
    if (Is(kind, "master"))
        return ListMasters(frame);
    if (Is(kind, "drawable"))
        return ListDrawables(frame, DkNone);
    if (Is(kind, "place"))
        return ListDrawables(frame, DkPlace);
    if (Is(kind, "link"))
        return ListDrawables(frame, DkLink);
    if (Is(kind, "tag"))
        return ListDrawables(frame, DkTag);
    if (Is(kind, "primitive"))
        return ListDrawables(frame, DkPrimitive);
    if (Is(kind, "member")) {
        RefList out;
        for (const auto& member : *frame.GroupMembersArg(1))
            out.Add(DrawableRef(member.get()));
        return out.InOrder();
    }
    const bool attributes = Is(kind, "attribute");
    if (attributes || Is(kind, "macro")) {
        Master* master = frame.MasterArg(1);
        RefList out;
        for (const auto& attribute : master->attributes)
            if (((attribute->mode & 0x2000) == 0) == attributes)
                out.Add(RefTo(attribute.get(), RefAttribute));
        return out.InOrder();
    }
    if (Is(kind, "type"))
        return ListMembers(frame.MasterArg(1)->types, RefType);
    if (Is(kind, "method"))
        return ListMembers(frame.MasterArg(1)->methods, RefMethod);
    if (Is(kind, "exception"))
        return ListMembers(frame.MasterArg(1)->exceptions, RefException);
    frame.Fail("invalid 1st argument", kind);
}

Cell* VxFind(Symbol* self) {
    VxFrame frame(self, 2, 5);
    Cell* kind = frame.Arg(0);
    if (Is(kind, "master")) {
        CCASEDoc& project = Project(frame);
        const std::string name = frame.Text(1);
        const int tool = ToolIdArg(frame, project, 2);
        const std::string nameSpace = frame.Count() == 4 ? frame.Text(3) : "";
        return RefTo(project.Masters().FindMaster(tool, name, nameSpace), RefMaster);
    }
    if (Is(kind, "model")) {
        CCASEDoc& project = Project(frame);
        if (Is(frame.Arg(1), "currModel"))
            return RefTo(project.CurrentModel(), RefModel);
        const std::string name = frame.Text(1);
        return RefTo(project.FindModelByName(name), RefModel);
    }
    if (Is(kind, "place")) {
        if (frame.Count() < 4)
            frame.Fail("4 or 5 arguments expected");
        auto* model = static_cast<Model*>(
            static_cast<ModelObject*>(frame.RefOfKind(1, RefModel, kModelReferenceExpected)));
        CCASEDoc& project = Project(frame);
        const std::string name = frame.Text(2);
        const int tool = ToolIdArg(frame, project, 3);
        const std::string nameSpace = frame.Count() == 5 ? frame.Text(4) : "";
        return RefTo(model->FindPlaceByMasterName(&project, tool, name, nameSpace), RefPlace);
    }
    return nil;
}

// Two references are put in order only when they are of one kind that has
// names, and then by name; any other pair stays as it is, so a reference
// never moves past a neighbour it cannot be compared with. The list thus
// falls into runs of neighbouring references of one named kind, each sorted
// on its own, stably (equal names keep their order), with everything else
// where it was: the order swapping neighbours until none is out of order
// gives, in n log n instead of n squared.
Cell* VxSortRefs(Symbol* self) {
    VxFrame frame(self, 1, 1);
    Cell* list = frame.List(0);
    struct Item {
        Cell* ref;
        const std::string* name; // null: compares with nothing
    };
    std::vector<Item> items;
    for (; ispair(list); list = cdr(list))
        items.push_back({car(list), NameOf(car(list))});
    const auto byName = [](const Item& a, const Item& b) {
        return std::strcmp(a.name->c_str(), b.name->c_str()) < 0;
    };
    for (size_t begin = 0; begin < items.size();) {
        size_t end = begin + 1;
        if (items[begin].name != nullptr) {
            while (end < items.size() && items[end].name != nullptr &&
                   items[end].ref->flag == items[begin].ref->flag)
                ++end;
            std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(begin),
                             items.begin() + static_cast<std::ptrdiff_t>(end), byName);
        }
        begin = end;
    }
    Cell* out = nil;
    for (size_t i = items.size(); i-- > 0;)
        out = mkcons(items[i].ref, out);
    return out;
}

// The run's index of the project's links by source master, made on the
// first question of a run and again whenever the project's models changed
// since (a script that draws links between its questions).
const CCASEDoc::AssociationIndex& AssociationsOf(const CCASEDoc& project) {
    static std::unique_ptr<CCASEDoc::AssociationIndex> index;
    static const CCASEDoc* indexed = nullptr;
    static uint64_t serial = 0;
    if (index == nullptr || indexed != &project || serial != RunSerial() ||
        !index->IsCurrent(project)) {
        index = std::make_unique<CCASEDoc::AssociationIndex>(project);
        indexed = &project;
        serial = RunSerial();
    }
    return *index;
}

Cell* VxAssociations(Symbol* self) {
    VxFrame frame(self, 1, 1);
    Master* master = frame.MasterArg(0);
    CCASEDoc& project = Project(frame);
    DrawableRefList lists[4];
    project.CollectAssociations(master, lists[0], lists[1], lists[2], lists[3],
                                &AssociationsOf(project));
    // A base link repeating the source and target masters of an earlier one
    // is dropped.
    DrawableRefList bases;
    for (Drawable* drawable : lists[0]) {
        auto* link = dynamic_cast<Link*>(drawable);
        bool repeated = false;
        for (Drawable* earlier : bases) {
            auto* other = dynamic_cast<Link*>(earlier);
            if (link != nullptr && other != nullptr &&
                other->GetSourceMaster() == link->GetSourceMaster() &&
                other->GetTargetMaster() == link->GetTargetMaster())
                repeated = true;
        }
        if (!repeated)
            bases.push_back(drawable);
    }
    lists[0] = bases;
    const char* heads[4] = {"base", "implement", "contain", "relation"};
    Cell* out = nil;
    for (int i = 3; i >= 0; --i) {
        Cell* links = nil;
        for (Drawable* drawable : lists[i])
            links = mkcons(RefTo(drawable, RefLink), links);
        out = mkcons(mkcons(intern(heads[i]), links), out);
    }
    return out;
}

Cell* VxProject(Symbol* self) {
    VxFrame frame(self, 0, 0);
    CCASEDoc* project = RunContext().project;
    return project != nullptr ? References().MakeRef(project, RefProject) : nil;
}

Cell* VxProjectFile(Symbol* self) {
    VxFrame frame(self, 0, 0);
    CCASEDoc* project = RunContext().project;
    if (project == nullptr)
        return nil;
    const std::string& path = project->GetPathName();
    int32_t date = 0;
    struct stat info {};
    if (!path.empty() && ::stat(path.c_str(), &info) == 0)
        date = static_cast<int32_t>(info.st_mtime);
    const std::string& title = project->GetTitle();
    return mklist(mklist(intern("path"), mkstr(path.c_str(), path.size()), nullptr),
                  mklist(intern("title"), mkstr(title.c_str(), title.size()), nullptr),
                  mklist(intern("date"), mkint(date), nullptr), nullptr);
}

Cell* VxMarked(Symbol* self) {
    VxFrame frame(self, 1, -1);
    return MarkTarget(frame)->IsMarked() ? intern("t") : nil;
}

Cell* VxMark(Symbol* self) {
    VxFrame frame(self, 1, -1);
    MarkTarget(frame)->Mark(1, 0x1, 0);
    return intern("t");
}

Cell* VxUnmark(Symbol* self) {
    VxFrame frame(self, 1, -1);
    MarkTarget(frame)->Mark(0, 0x1, 0);
    return intern("t");
}

Cell* VxMarkAll(Symbol* self) {
    return MarkScope(self, true);
}

Cell* VxUnmarkAll(Symbol* self) {
    return MarkScope(self, false);
}

} // namespace qm
