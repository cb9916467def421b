// Masters: the master record, the property exchange, labels, text
// replacement and the operation picker.
#include "model/Master.h"

#include "kernel/Cell.h"
#include "kernel/Predefined.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/MasterCollection.h"
#include "model/ModelDocument.h"
#include "model/OperationMenu.h"
#include "model/RecordFields.h"
#include "platform/Format.h"
#include "platform/Log.h"
#include "platform/TextHelpers.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <iterator>

namespace qm {

using kest::Cell;
using kest::mkint;
using kest::nil;

namespace {

// The journal's master property list: the scalar fields at their exchange
// slots (before the tool), the tool number, then the attributes, methods,
// exceptions, parameters and types. The imports follow them only where they
// differ, so that every other exchange keeps its fourteen entries.
constexpr int kToolSlot = 8;
constexpr int kListsEnd = kToolSlot + 6;
constexpr int kExchangeCount = kListsEnd + 1;

template <typename List>
int ReplaceInList(List& list, const std::string& find, const std::string& replacement,
                  int options) {
    int count = 0;
    for (auto& record : list)
        count += record->ReplaceText(find, replacement, options);
    return count;
}

template <typename List> void SetOwner(List& list, Master* owner) {
    for (auto& record : list)
        record->owner = owner;
}

// One field of the property exchange: nil when equal, else (mine theirs).
Cell* Difference(bool equal, Cell* mine, Cell* theirs) {
    return equal ? nil : kest::mklist(mine, theirs, nullptr);
}

} // namespace

MasterTool* TemplateTool(const GuidMap* templateMap, int number) {
    // A look-up, not an insertion: numbers read from a file do not grow the
    // template's map.
    ModelObject* found = nullptr;
    if (number < 0 || templateMap == nullptr || !templateMap->Lookup(number, found, false))
        return nullptr;
    return dynamic_cast<MasterTool*>(found);
}

Master::Master(GuidMap* map) {
    flags |= MoMaster;
    if (map != nullptr)
        map->AddNew(this);
}

Master::Master(ForReading) : ModelObject(Guid::FromText{""}) {
    flags |= MoMaster;
}

void Master::SetToolAndName(MasterTool* newTool, const std::string& newName,
                            const std::string& newNameSpace) {
    tool = newTool;
    name = newName;
    nameSpace = newNameSpace;
    NoteNameChange();
    masterFlags = (tool == nullptr || (tool->ToolFlagWord() & 0x1) != 0) ? MasterGenCode : 0;
}

void Master::NoteNameChange() {
    if (holder_.collection != nullptr)
        holder_.collection->NameChanged();
}

std::string Master::FormatName(const std::string& placeLabel, bool instance) const {
    std::string out;
    if (!placeLabel.empty())
        out = placeLabel + ":";
    else if (instance)
        out = ":";
    if (OptionSet(ShowNamespace) && !nameSpace.empty())
        out += nameSpace + ".";
    out += name;
    if (OptionSet(HideClassArguments) || parameters.empty() || HasToolText())
        return out;
    out += "<";
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (i > 0)
            out += ", ";
        out += parameters[i]->name;
    }
    return out + ">";
}

bool Master::HasToolText() const {
    return tool != nullptr && tool->HasCompartmentText();
}

std::string Master::GetToolName() const {
    return tool != nullptr ? tool->ToolName() : std::string();
}

int Master::Kind() const {
    return tool != nullptr ? tool->ToolId() : NoToolKind;
}

bool Master::HasMethod(const MasterMethod* method) const {
    for (const auto& m : methods) {
        if (m.get() == method)
            return true;
    }
    return false;
}

void Master::RemoveDuplicateMembers(bool methodsByTypes) {
    RemoveDuplicates(attributes);
    RemoveDuplicates(methods, methodsByTypes);
    RemoveDuplicates(types);
    RemoveDuplicates(exceptions);
}

Master::MemberRecords Master::ClearMemberLists() {
    MemberRecords taken;
    taken.attributes = std::move(attributes);
    taken.methods = std::move(methods);
    taken.types = std::move(types);
    taken.exceptions = std::move(exceptions);
    taken.parameters = std::move(parameters);
    attributes.clear();
    methods.clear();
    types.clear();
    exceptions.clear();
    parameters.clear();
    return taken;
}

void Master::OwnMembers() {
    SetOwner(attributes, this);
    SetOwner(methods, this);
    SetOwner(types, this);
    SetOwner(exceptions, this);
}

std::string Master::SubmodelId() const {
    if (submodel != nullptr)
        return IdOf(submodel);
    return submodelRef.IsText() ? submodelRef.Text() : std::string();
}

// ---- root operations ----

void Master::Detach(GuidScope* scope) {
    DetachList(scope, attributes);
    DetachList(scope, methods);
    DetachList(scope, types);
    DetachList(scope, exceptions);
    FreeList(parameters);
    if (auto* link = dynamic_cast<MasterSubmodel*>(submodel))
        link->ClearParentMaster();
    ModelObject::Detach(scope);
}

ModelObject* Master::GetPropertyTarget(int* kind) {
    if (kind != nullptr)
        *kind = PtMaster;
    return this;
}

std::unique_ptr<ModelObject> Master::Clone() const {
    return CloneOf(*this);
}

void Master::Assign(const ModelObject* other) {
    const auto* from = AssignSource(this, other);
    if (from == nullptr)
        return;
    access = from->access;
    name = from->name;
    NoteNameChange();
    stereotype = from->stereotype;
    file = from->file;
    comment = from->comment;
    nameSpace = from->nameSpace;
    link = from->link;
    imports = from->imports;
    masterFlags = from->masterFlags;
    tool = from->tool;
    CopyList(attributes, from->attributes);
    CopyList(methods, from->methods);
    CopyList(types, from->types);
    CopyList(exceptions, from->exceptions);
    CopyList(parameters, from->parameters);
    // The copied members belong to this master, not to the one copied.
    OwnMembers();
}

Cell* Master::Props(GuidScope* scope, ModelObject* otherObject, Cell* list, bool redo) {
    if (list == nullptr) {
        auto* other = dynamic_cast<Master*>(otherObject);
        if (other == nullptr)
            return nil;
        Cell* entries[kExchangeCount] = {};
        for (const auto& field : MasterFields()) {
            entries[field.exchangeSlot] = Difference(
                field.Equal(*this, *other), field.ValueCell(*this), field.ValueCell(*other));
        }
        Cell* lists[] = {
            Difference(ToolNumber() == other->ToolNumber(), mkint(ToolNumber()),
                       mkint(other->ToolNumber())),
            Difference(ListsEqual(attributes, other->attributes), PersistAttributes(scope, nullptr),
                       other->PersistAttributes(scope, nullptr)),
            Difference(ListsEqual(methods, other->methods), PersistMethods(scope, nullptr),
                       other->PersistMethods(scope, nullptr)),
            Difference(ListsEqual(exceptions, other->exceptions), PersistExceptions(scope, nullptr),
                       other->PersistExceptions(scope, nullptr)),
            Difference(ListsEqual(parameters, other->parameters), PersistParameters(scope, nullptr),
                       other->PersistParameters(scope, nullptr)),
            Difference(ListsEqual(types, other->types), PersistTypes(scope, nullptr),
                       other->PersistTypes(scope, nullptr)),
        };
        std::copy(std::begin(lists), std::end(lists), entries + kToolSlot);
        const size_t count = entries[kListsEnd] != nil ? std::size(entries) : kListsEnd;
        Cell* out = nil;
        for (size_t i = count; i > 0; --i)
            out = kest::mkcons(entries[i - 1], out);
        return out;
    }
    // Applying: each non-nil entry is (undo-value redo-value). Everything is
    // checked before anything changes.
    RecordReader r(list, "master properties");
    Cell* chosen[kExchangeCount];
    for (Cell*& value : chosen) {
        if (&value == &chosen[kListsEnd] && r.AtEnd()) {
            value = nullptr; // the optional imports entry
            continue;
        }
        Cell* entry = r.List("property");
        if (entry == nil) {
            value = nullptr;
            continue;
        }
        RecordReader pair(entry, "master properties");
        Cell* undo = pair.Take("undo value");
        Cell* again = pair.Take("redo value");
        value = redo ? again : undo;
    }
    auto integer = [](Cell* c) {
        if (c->type != kest::TInteger)
            RecordFormatError("master properties", "integer expected");
        return c->a.ival;
    };
    auto text = [](Cell* c) {
        if (c->type != kest::TString)
            RecordFormatError("master properties", "string expected");
        return std::string(c->a.str);
    };
    for (const auto& field : MasterFields()) {
        if (Cell* value = chosen[field.exchangeSlot]; value != nullptr)
            field.IsText() ? void(text(value)) : void(integer(value));
    }
    if (chosen[kToolSlot] != nullptr)
        integer(chosen[kToolSlot]);
    for (int i = kToolSlot + 1; i < kListsEnd; ++i)
        if (chosen[i] != nullptr && !kest::islist(chosen[i]))
            RecordFormatError("master properties", "list expected");

    // Member lists are read into a scratch master first, so a bad list
    // leaves this one unchanged.
    Master scratch(nullptr);
    scratch.SetDetached();
    if (chosen[kToolSlot + 1] != nullptr)
        scratch.PersistAttributes(scope, chosen[kToolSlot + 1]);
    if (chosen[kToolSlot + 2] != nullptr)
        scratch.PersistMethods(scope, chosen[kToolSlot + 2]);
    if (chosen[kToolSlot + 3] != nullptr)
        scratch.PersistExceptions(scope, chosen[kToolSlot + 3]);
    if (chosen[kToolSlot + 4] != nullptr)
        scratch.PersistParameters(scope, chosen[kToolSlot + 4]);
    if (chosen[kToolSlot + 5] != nullptr)
        scratch.PersistTypes(scope, chosen[kToolSlot + 5]);

    for (const auto& field : MasterFields()) {
        Cell* value = chosen[field.exchangeSlot];
        if (value == nullptr)
            continue;
        if (field.IsText())
            this->*field.text = text(value);
        else
            this->*field.integer = integer(value);
        if (field.text == &Master::name)
            NoteNameChange();
    }
    if (chosen[kToolSlot] != nullptr) {
        int number = integer(chosen[kToolSlot]);
        GuidMap* templ = scope != nullptr ? scope->templateMap : nullptr;
        tool = TemplateTool(templ, number);
    }
    if (chosen[kToolSlot + 1] != nullptr)
        attributes = std::move(scratch.attributes);
    if (chosen[kToolSlot + 2] != nullptr)
        methods = std::move(scratch.methods);
    if (chosen[kToolSlot + 3] != nullptr)
        exceptions = std::move(scratch.exceptions);
    if (chosen[kToolSlot + 4] != nullptr)
        parameters = std::move(scratch.parameters);
    if (chosen[kToolSlot + 5] != nullptr)
        types = std::move(scratch.types);
    OwnMembers();
    return nil;
}

void Master::ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument) {
    ModelObject* found = nullptr;
    if (submodelRef.IsNil())
        found = nullptr;
    else if (byDocument && submodelRef.IsText())
        found = document != nullptr ? document->FindTopLevelModel(submodelRef.Text()) : nullptr;
    else
        found = submodelRef.ResolveIn(scope);
    // Ids of a file may name any object; only a model can be a submodel.
    submodel = found != nullptr && (found->flags & MoModel) != 0 ? found : nullptr;
}

// ---- records ----

// The one rule of the member lists: written head first as (record...);
// read into a fresh list that replaces the old one only when every record
// was read. An optional list (one older records lack) answers null, reading
// nothing, for a cell that is neither a list nor nil.
template <class Record>
Cell* Master::PersistMemberList(std::vector<std::unique_ptr<Record>>& list, Cell* cells,
                                const char* field, bool optional) {
    if (cells == nullptr) {
        Cell* out = nil;
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            out = kest::mkcons((*it)->Persist(nullptr), out);
        return out;
    }
    if (optional && !kest::islist(cells))
        return nullptr;
    CheckedLength(cells, "master", field);
    std::vector<std::unique_ptr<Record>> read;
    for (Cell* at = cells; at != nil; at = kest::cdr(at)) {
        // Made without an id: the record brings one, or one is generated
        // as it is read.
        auto record = std::make_unique<Record>(Guid::FromText{""});
        record->owner = this;
        record->Persist(kest::car(at));
        read.push_back(std::move(record));
    }
    DetachList(nullptr, list);
    list = std::move(read);
    return nil;
}

Cell* Master::PersistAttributes(GuidScope*, Cell* cells) {
    return PersistMemberList(attributes, cells, "attributes", false);
}

Cell* Master::PersistMethods(GuidScope*, Cell* cells) {
    return PersistMemberList(methods, cells, "methods", false);
}

Cell* Master::PersistTypes(GuidScope*, Cell* cells) {
    return PersistMemberList(types, cells, "types", true);
}

Cell* Master::PersistExceptions(GuidScope*, Cell* cells) {
    return PersistMemberList(exceptions, cells, "exceptions", true);
}

Cell* Master::PersistParameters(GuidScope*, Cell* cells) {
    if (cells != nullptr && !kest::islist(cells))
        return nullptr;
    return PersistParameterList(parameters, cells, "master");
}

Cell* Master::Persist(GuidScope* scope, Cell* list) {
    GuidMap* project = scope != nullptr ? scope->project : nullptr;
    GuidMap* templ = scope != nullptr ? scope->templateMap : nullptr;
    GuidMap* current = scope != nullptr ? scope->current : nullptr;
    if (list == nullptr) {
        Cell* fields[] = {
            kest::sym::master,
            IdCell(this),
            mkint(refCount),
        };
        Cell* lists[] = {
            PersistAttributes(scope, nullptr),
            PersistMethods(scope, nullptr),
            PersistExceptions(scope, nullptr),
            PersistParameters(scope, nullptr),
            PersistTypes(scope, nullptr),
            mkint(ToolNumber()),
            TextCell(SubmodelId()),
        };
        Cell* out = nil;
        for (size_t i = std::size(lists); i > 0; --i)
            out = kest::mkcons(lists[i - 1], out);
        out = FieldCells(MasterFields(), *this, out);
        for (size_t i = std::size(fields); i > 0; --i)
            out = kest::mkcons(fields[i - 1], out);
        return out;
    }

    ExpectHead(list, kest::sym::master);
    RecordReader r(kest::cdr(list), "master");
    ObjectRef id = r.Ref(project, "id", nullptr);
    if (id.IsText() && !id.IsNil())
        guid.SetText(id.Text());
    else if (id.IsObject())
        RecordFormatError("master", "id text expected for id");
    else if (guid.IsEmpty())
        guid.Generate(); // made for reading, and the record brings no id text
    r.Int("reference count");
    // Places count themselves again as they bind.
    refCount = 0;
    // Older records have no namespace and link.
    try {
        ReadFields(MasterFields(), *this, r);
    } catch (...) {
        NoteNameChange();
        throw;
    }
    NoteNameChange();
    PersistAttributes(scope, r.List("attributes"));
    PersistMethods(scope, r.List("methods"));
    // Older records end their lists here.
    if (r.NextIsList())
        PersistExceptions(scope, r.List("exceptions"));
    if (r.NextIsList())
        PersistParameters(scope, r.List("parameters"));
    if (r.NextIsList())
        PersistTypes(scope, r.List("types"));
    int number = r.Int("tool number");
    tool = TemplateTool(templ, number);
    ReportToolNotInTemplate(templ, number);
    Cell* sub = r.Take("submodel");
    if (sub->type != kest::TString && sub != nil)
        RecordFormatError("master", "id text expected for submodel");
    submodelRef = ResolveObjectRef(current, sub, nullptr, nullptr, "master");
    submodel = nullptr;
    if (project != nullptr) {
        // While pasted data is read, a master whose id is taken gets a new
        // one; the read map then resolves the old id to it. A record without
        // an id keeps the id it was given above or by its constructor.
        if (id.IsNil())
            project->AddNew(this);
        else if (id.IsText() && scope->readMap != nullptr)
            project->RegisterRead(0, id.Text(), true, this, guid, scope->readMap);
        else
            RegisterRecordId(*project, id, this);
    }
    return r.Rest();
}

void Master::ReportToolNotInTemplate(GuidMap* templateMap, int number) {
    if (number < 0)
        return;
    if (tool != nullptr && tool->IsPlaceTool())
        return;
    tool = TemplateTool(templateMap, StandInToolId);
    flags |= MoToolMissing;
    Log().Show(true);
    Log().Append(Format("Warning: master tool not in template (Tool=%d, Master=%s)\r\n", number,
                        name.c_str()));
}

// ---- editing ----

bool Master::SetMemberAnnotation(ModelDocument* document, ModelObject* changeOwner,
                                 ModelObject* drawable, bool on, MasterAttribute* attribute,
                                 MasterMethod* method, MasterType* type) {
    int32_t* mode = nullptr;
    ModelObject* member = nullptr;
    if (attribute != nullptr) {
        mode = &attribute->mode;
        member = attribute;
    } else if (method != nullptr) {
        mode = &method->mode;
        member = method;
    } else if (type != nullptr) {
        mode = &type->mode;
        member = type;
    }
    if (mode == nullptr || ((*mode & ModeAnnotate) != 0) == on)
        return false;
    *mode ^= ModeAnnotate;
    Journal().AddChangedObject(document, member, nullptr);
    Journal().RecordChange(document, ChangeKind::Annotation, "Annotation", changeOwner, drawable);
    return true;
}

int Master::ReplaceText(ModelDocument* document, const std::string& find,
                        const std::string& replacement, int options) {
    const bool record = (options & ReplaceAndRecord) != 0;
    std::unique_ptr<Master> previous;
    if (record) {
        if (IsMarked())
            return 0;
        Mark(1, 1, 0);
        previous = CloneOf(*this);
        previous->SetDetached();
    }
    int count = ReplaceInField(name, find, replacement, options);
    if (count > 0 && (options & RF_REPLACE) != 0)
        NoteNameChange();
    if ((options & ReplaceNamesOnly) == 0) {
        for (std::string* field : {&stereotype, &file, &comment, &nameSpace, &link})
            count += ReplaceInField(*field, find, replacement, options);
        count += ReplaceInList(attributes, find, replacement, options);
        count += ReplaceInList(methods, find, replacement, options);
        count += ReplaceInList(types, find, replacement, options);
        count += ReplaceInList(exceptions, find, replacement, options);
        count += ReplaceInList(parameters, find, replacement, options);
    }
    if (record && count > 0)
        Journal().AddChangedObject(document, this, std::move(previous));
    return count;
}

std::string Master::PickOperation(ModelDocument* document, MenuWindow* window, int x, int y,
                                  int index) {
    if (index == 0)
        return std::string();
    std::vector<Master*> order;
    if (document != nullptr)
        order = document->CollectNestedMasters(this);
    order.push_back(this);
    if (index > 0) {
        int number = 0;
        for (Master* master : order) {
            for (const auto& method : master->methods) {
                if (++number == index)
                    return method->name + "(" + method->ParameterNames(",") + ")";
            }
        }
        return std::string();
    }
    OperationMenu& menu = OperationsMenu();
    menu.Clear();
    menu.Append(PickNoneId, "<None>");
    int id = PickNoneId;
    for (Master* master : order) {
        for (const auto& method : master->methods) {
            if (id >= PickLastId)
                break;
            menu.Append(++id, master->name + "::" + method->name + "(" +
                                  method->ParameterNames(",") + ")");
        }
    }
    if (window != nullptr && id > PickNoneId)
        menu.Track(window, x, y);
    return std::string();
}

} // namespace qm
