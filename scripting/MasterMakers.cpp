// The master and member makers: VxMakeMaster, VxClearMaster, VxMakeAttribute,
// VxMakeType, VxMakeMethod and VxMakeException. They record no journal entry;
// they mark the project of the run modified.
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "kernel/Errors.h"
#include "kernel/Eval.h"
#include "kernel/Init.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "scripting/Converters.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

namespace qm {

using namespace kest;

namespace {

std::string Formatted(const char* format, const std::string& name) {
    char text[512];
    std::snprintf(text, sizeof text, format, name.c_str());
    return text;
}

// One element of elems, pars or members: a list of (tag value) sub-clauses.
std::unique_ptr<Parameter> ReadParameter(const MakerForm& form, Cell* element, bool withDir) {
    auto parameter = std::make_unique<Parameter>();
    if (!ispair(element))
        return parameter;
    for (Cell* list = element; ispair(list); list = cdr(list)) {
        Cell* sub = car(list);
        if (!islist(sub))
            scripterror(form.Self(), ErrListExpected, sub);
        Cell* tag = sub == nil ? nil : car(sub);
        Cell* value = ispair(sub) && ispair(cdr(sub)) ? car(cdr(sub)) : nil;
        if (tag == intern("name"))
            parameter->name = form.TextOf(value);
        else if (tag == intern("type"))
            parameter->type = form.TextOf(value);
        else if (tag == intern("value"))
            parameter->value = form.TextOf(value);
        else if (withDir && tag == intern("dir"))
            parameter->direction = ParamDirectionFromList(form.Self(), cdr(sub));
        else
            form.Fail(kBadTag, tag);
    }
    return parameter;
}

void ReadParameters(const MakerForm& form, ParameterList& list, bool withDir) {
    for (Cell* e = form.Values(); ispair(e); e = cdr(e))
        list.push_back(ReadParameter(form, car(e), withDir));
}

// The clause's (name type [value]) elements give the parameters of those
// names (those an args clause named, or new ones at the end) their types
// and values, marked as what the types are.
void MarkParameterTypes(const MakerForm& form, Master& master, int mark) {
    for (Cell* e = form.Values(); ispair(e); e = cdr(e)) {
        Cell* element = car(e);
        if (!ispair(element))
            form.Fail(Formatted("Invalid master (%s) parameter", master.name).c_str(), element);
        const std::string name = form.TextOf(car(element));
        auto same = [&name](const auto& p) { return p->name == name; };
        auto at = std::find_if(master.parameters.begin(), master.parameters.end(), same);
        if (at == master.parameters.end()) {
            master.parameters.push_back(std::make_unique<Parameter>());
            at = std::prev(master.parameters.end());
            (*at)->name = name;
        }
        Cell* rest = cdr(element);
        (*at)->type = ispair(rest) ? form.TextOf(car(rest)) : std::string();
        (*at)->value = mark == ParamTypeKind && ispair(rest) && ispair(cdr(rest))
                           ? form.TextOf(car(cdr(rest)))
                           : std::string();
        (*at)->direction = mark;
    }
}

// The project a master belongs to, for its references: the run's project.
const void* RunProject() {
    return RunContext().project;
}

Master* MasterTarget(MakerForm& form) {
    return static_cast<Master*>(
        static_cast<ModelObject*>(form.Target(RefMaster, kMasterReferenceExpected)));
}

} // namespace

Cell* VxMakeMaster(Symbol* self) {
    MakerForm form(self);
    auto* project = static_cast<CCASEDoc*>(form.Target(RefProject, kProjectReferenceExpected));
    Cell* rest = cdr(SpecialFormArgs());
    Master* master = nullptr;
    std::unique_ptr<Master> created;
    Cell* second = ispair(rest) ? car(rest) : nil;
    if (!ispair(second)) {
        form.TakeElement(); // the master expression is not a clause
        master = static_cast<Master*>(static_cast<ModelObject*>(
            form.EvalRef(second, RefMaster, -1, kMasterReferenceExpected)));
    } else {
        created = std::make_unique<Master>(&project->IdMap());
        master = created.get();
    }
    while (form.Next()) {
        if (form.Is("name")) {
            master->name = form.Text();
            master->NoteNameChange();
        } else if (form.Is("namespace")) {
            master->nameSpace = form.Text();
        } else if (form.Is("tool")) {
            const std::string text = form.Text();
            NotationTemplate* notation = project->Template();
            ToolModel* tool = notation != nullptr ? notation->FindToolByName(text, true) : nullptr;
            master->tool = tool;
            if (tool == nullptr)
                form.Fail("unknown master tool name", form.First());
        } else if (form.Is("access")) {
            master->access = MemberAccessFromSymbol(self, form.First());
        } else if (form.Is("stereotype")) {
            master->stereotype = form.Text();
        } else if (form.Is("file")) {
            master->file = form.Text();
        } else if (form.Is("comment")) {
            master->comment = form.Text();
        } else if (form.Is("link")) {
            master->link = form.Text();
        } else if (form.Is("imports")) {
            master->imports = form.Text();
        } else if (form.Is("flags")) {
            master->masterFlags = int32_t(ObjectFlagsFromList(self, RefMaster, form.Values()));
        } else if (form.Is("pars")) {
            for (Cell* e = form.Values(); ispair(e); e = cdr(e)) {
                Cell* element = car(e);
                if (!ispair(element))
                    form.Fail(Formatted("Invalid master (%s) parameter", master->name).c_str(),
                              element);
                auto parameter = std::make_unique<Parameter>();
                parameter->name = form.TextOf(car(element));
                parameter->type = form.TextOf(ispair(cdr(element)) ? car(cdr(element)) : nil);
                master->parameters.push_back(std::move(parameter));
            }
        } else if (form.Is("args")) {
            for (Cell* e = form.Values(); ispair(e); e = cdr(e)) {
                Cell* element = car(e);
                if (ispair(element))
                    form.Fail(Formatted("Invalid master (%s) argument", master->name).c_str(),
                              element);
                auto parameter = std::make_unique<Parameter>();
                parameter->name = form.TextOf(element);
                master->parameters.push_back(std::move(parameter));
            }
        } else if (form.Is("kinds")) {
            // (kinds (name kind [default]) ...): C++ template parameters.
            MarkParameterTypes(form, *master, ParamTypeKind);
        } else if (form.Is("bounds")) {
            // (bounds (name bound) ...): Java type parameters' bounds.
            MarkParameterTypes(form, *master, ParamTypeBound);
        } else {
            form.BadTag();
        }
    }
    if (master->tool == nullptr) {
        char text[1024];
        std::snprintf(text, sizeof text, "Invalid tool (%d) for master %s%c%s", -1,
                      master->nameSpace.c_str(), master->nameSpace.empty() ? ' ' : '.',
                      master->name.c_str());
        form.Fail(text, nil);
    }
    if (created != nullptr) {
        if (project->Masters().FindMaster(master->Kind(), master->name, master->nameSpace) !=
            nullptr)
            form.Fail("Master already defined", cdr(SpecialFormArgs()));
        project->Masters().Add(std::move(created));
        project->Events().NoteMaster(master);
    }
    MarkRunProjectModified();
    return MakeObjectRef(master, RefMaster, project, &project->IdMap());
}

Cell* VxClearMaster(Symbol* self) {
    VxFrame frame(self, 1, 1);
    auto* master = static_cast<Master*>(
        static_cast<ModelObject*>(frame.RefOfKind(0, RefMaster, kMasterReferenceExpected)));
    // The records leave the lists; references to them resolve to nothing.
    Master::MemberRecords dropped = master->ClearMemberLists();
    for (auto& r : dropped.attributes)
        References().Forget(r.get());
    for (auto& r : dropped.methods)
        References().Forget(r.get());
    for (auto& r : dropped.types)
        References().Forget(r.get());
    for (auto& r : dropped.exceptions)
        References().Forget(r.get());
    MarkRunProjectModified();
    return KernelSyms.t;
}

Cell* VxMakeAttribute(Symbol* self) {
    MakerForm form(self);
    Master* master = MasterTarget(form);
    auto record = std::make_unique<MasterAttribute>();
    record->owner = master;
    while (form.Next()) {
        if (form.Is("name"))
            record->name = form.Text();
        else if (form.Is("type"))
            record->type = form.Text();
        else if (form.Is("card"))
            record->cardinality = form.Text();
        else if (form.Is("container"))
            record->container = form.Text();
        else if (form.Is("value"))
            record->value = form.Text();
        else if (form.Is("comment"))
            record->comment = form.Text();
        else if (form.Is("access"))
            record->access = MemberAccessFromSymbol(self, form.First());
        else if (form.Is("mode"))
            record->mode = MemberModeFromList(self, form.Values());
        else
            form.BadTag();
    }
    MasterAttribute* made = record.get();
    master->attributes.push_back(std::move(record));
    MarkRunProjectModified();
    return MakeObjectRef(made, RefAttribute, RunProject());
}

Cell* VxMakeType(Symbol* self) {
    MakerForm form(self);
    Master* master = MasterTarget(form);
    auto record = std::make_unique<MasterType>();
    record->owner = master;
    while (form.Next()) {
        if (form.Is("name"))
            record->name = form.Text();
        else if (form.Is("returns") || form.Is("def"))
            record->definition = form.Text();
        else if (form.Is("comment"))
            record->comment = form.Text();
        else if (form.Is("access"))
            record->access = MemberAccessFromSymbol(self, form.First());
        else if (form.Is("kind"))
            record->kind = TypeKindFromSymbol(self, form.First());
        else if (form.Is("mode"))
            record->mode = MemberModeFromList(self, form.Values());
        else if (form.Is("elems"))
            ReadParameters(form, record->elements, false);
        else
            form.BadTag();
    }
    MasterType* made = record.get();
    master->types.push_back(std::move(record));
    MarkRunProjectModified();
    return MakeObjectRef(made, RefType, RunProject());
}

Cell* VxMakeMethod(Symbol* self) {
    MakerForm form(self);
    Master* master = MasterTarget(form);
    auto record = std::make_unique<MasterMethod>();
    record->owner = master;
    while (form.Next()) {
        if (form.Is("name")) {
            record->name = form.Text();
        } else if (form.Is("returns")) {
            record->returnType = form.Text();
        } else if (form.Is("comment")) {
            record->comment = form.Text();
        } else if (form.Is("code")) {
            record->code = form.Text();
        } else if (form.Is("access")) {
            record->access = MemberAccessFromSymbol(self, form.First());
        } else if (form.Is("mode")) {
            record->mode = MemberModeFromList(self, form.Values());
        } else if (form.Is("pars")) {
            ReadParameters(form, record->parameters, true);
        } else if (form.Is("others")) {
            for (Cell* e = form.Values(); ispair(e); e = cdr(e)) {
                Cell* element = car(e);
                if (!ispair(element))
                    scripterror(self, ErrListExpected, element);
                auto other = std::make_unique<MethodOther>();
                other->name = form.TextOf(car(element));
                Cell* kind = ispair(cdr(element)) ? car(cdr(element)) : nil;
                if (kind == intern("exception"))
                    other->kind = 0;
                else if (kind == intern("context"))
                    other->kind = 1;
                else
                    form.Fail("exception of context expected", kind);
                record->others.push_back(std::move(other));
            }
        } else {
            form.BadTag();
        }
    }
    MasterMethod* made = record.get();
    master->methods.push_back(std::move(record));
    MarkRunProjectModified();
    return MakeObjectRef(made, RefMethod, RunProject());
}

Cell* VxMakeException(Symbol* self) {
    MakerForm form(self);
    Master* master = MasterTarget(form);
    auto record = std::make_unique<MasterException>();
    record->owner = master;
    while (form.Next()) {
        if (form.Is("name"))
            record->name = form.Text();
        else if (form.Is("comment"))
            record->comment = form.Text();
        else if (form.Is("members"))
            ReadParameters(form, record->members, false);
        else
            form.BadTag();
    }
    MasterException* made = record.get();
    master->exceptions.push_back(std::move(record));
    MarkRunProjectModified();
    return MakeObjectRef(made, RefException, RunProject());
}

} // namespace qm
