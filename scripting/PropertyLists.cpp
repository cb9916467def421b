// VxProps and VxLooks: one model object turned into a property list, in the
// vocabulary the makers take, and the looks clause reader.
#include "document/CCASEDoc.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Looks.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "model/Members.h"
#include "model/RecordFields.h"
#include "platform/Colors.h"
#include "scripting/Converters.h"
#include "scripting/MakerClauses.h"
#include "scripting/ModelRefs.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace qm {

using namespace kest;

namespace {

// Appends cells to a list in order.
class ListBuilder {
  public:
    ListBuilder& Add(Cell* value) {
        Cell* pair = mkcons(value, nil);
        if (head_ == nil)
            head_ = pair;
        else
            tail_->b.cdr = pair;
        tail_ = pair;
        return *this;
    }
    // Appends the elements of list.
    ListBuilder& AddAll(Cell* list) {
        for (; ispair(list); list = cdr(list))
            Add(car(list));
        return *this;
    }
    Cell* List() const { return head_; }

  private:
    Cell* head_ = nil;
    Cell* tail_ = nil;
};

Cell* Sym(const char* name) {
    return intern(name);
}
// Most texts of a property list are empty (comments, values, stereotypes),
// and a run keeps every cell it makes: they all share one empty string, kept
// outside the cell heap so that no mark releases it. It has no character for
// setchar to change.
Cell* Str(const std::string& text) {
    if (!text.empty())
        return mkstr(text.c_str(), text.size());
    static char none[1] = {'\0'};
    static Cell empty;
    empty.type = TString;
    empty.flag = 0;
    empty.stamp = 0;
    empty.a.str = none;
    empty.b.cdr = nil;
    return &empty;
}
// Properties that say nothing of one object alone: symbols ((access
// public), (tool place1), (model nil)), empty texts ((comment ""), (role ""
// "")), small integers, and the mode and flags lists of given bits. Most properties of
// the members of a class are such, a generator reads every member of every
// class, and a run keeps every cell it makes: each is made once a run and the
// lists share it (property lists are read, not changed in place; one changed
// with rplaca or nconc would be changed in every list that shares the
// property). The cells go when the heap gives them back, the kept ones with
// them.
class SharedProps {
  public:
    // The property kept under the key (at most two values), or null.
    Cell* Find(const void* head, const void* first, const void* second) {
        if (releases_ != heapreleases()) {
            kept_.clear();
            releases_ = heapreleases();
        }
        auto found = kept_.find(Key{head, first, second});
        return found != kept_.end() ? found->second : nullptr;
    }
    Cell* Keep(const void* head, const void* first, const void* second, Cell* prop) {
        kept_[Key{head, first, second}] = prop;
        return prop;
    }

  private:
    struct Key {
        const void* head;
        const void* first;
        const void* second;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            const std::hash<const void*> h;
            return (h(k.head) * 31 + h(k.first)) * 31 + h(k.second);
        }
    };
    std::unordered_map<Key, Cell*, KeyHash> kept_;
    uint32_t releases_ = 0;
};

SharedProps& Shared() {
    static SharedProps shared;
    return shared;
}

// A value that is the same cell wherever it stands and is never changed in
// place.
bool Shareable(const Cell* value) {
    return issymbol(value) || (value->type == TString && value->a.str[0] == '\0') ||
           (value >= smallints && value < smallints + 256);
}

// (head value ...)
Cell* Prop(const char* head, std::initializer_list<Cell*> values) {
    Cell* symbol = Sym(head);
    const bool shared = values.size() <= 2 && std::all_of(values.begin(), values.end(), Shareable);
    const void* first = values.size() > 0 ? values.begin()[0] : nullptr;
    const void* second = values.size() > 1 ? values.begin()[1] : nullptr;
    if (shared)
        if (Cell* kept = Shared().Find(symbol, first, second))
            return kept;
    ListBuilder b;
    b.Add(symbol);
    for (Cell* v : values)
        b.Add(v);
    return shared ? Shared().Keep(symbol, first, second, b.List()) : b.List();
}

// A (mode ...), (flags ...) or direction list of the bits, made by make:
// one list a run for each list kind and bits.
template <typename Make> Cell* SharedBits(const void* kind, uint32_t bits, Make make) {
    const void* key = reinterpret_cast<const void*>(uintptr_t{bits});
    if (Cell* kept = Shared().Find(kind, key, nullptr))
        return kept;
    return Shared().Keep(kind, key, nullptr, make());
}
Cell* ModeList(int mode) {
    static const char kind = 0;
    return SharedBits(&kind, static_cast<uint32_t>(mode),
                      [mode] { return MemberModeToList(mode); });
}
Cell* FlagsList(ReferenceKind refKind, uint32_t flags, bool extraCondition) {
    static const char kinds[2][16] = {};
    return SharedBits(&kinds[extraCondition ? 1 : 0][refKind & 15], flags,
                      [&] { return ObjectFlagsToList(refKind, flags, extraCondition); });
}
Cell* DirectionList(int direction) {
    static const char kind = 0;
    return SharedBits(&kind, static_cast<uint32_t>(direction),
                      [direction] { return mkcons(Sym("dir"), ParamDirectionToList(direction)); });
}
Cell* Prop(const char* head, const std::string& text) {
    return Prop(head, {Str(text)});
}
Cell* RectProp(const char* head, const CRect& r) {
    return Prop(head, {mkint(r.left), mkint(r.top), mkint(r.right), mkint(r.bottom)});
}
Cell* PointsProp(const std::vector<CPoint>& points) {
    ListBuilder b;
    b.Add(Sym("points"));
    for (const CPoint& p : points)
        b.Add(mkint(p.x)).Add(mkint(p.y));
    return b.List();
}
// (head ref ...) of the drawables of list.
Cell* RefsProp(const char* head, const DrawableList& list) {
    ListBuilder b;
    b.Add(Sym(head));
    for (const auto& d : list)
        b.Add(DrawableRef(d.get()));
    return b.List();
}

// The tool model behind a master's or a link's tool, or null.
ToolModel* ToolModelOf(const MasterTool* tool) {
    return dynamic_cast<ToolModel*>(const_cast<MasterTool*>(tool));
}
ToolModel* ToolModelOf(const NotationTool* tool) {
    return dynamic_cast<ToolModel*>(const_cast<NotationTool*>(tool));
}

// A link end text: the role before "%%", the cardinality after it (the whole
// text, with an empty role, when it has no "%%").
void SplitEnd(const std::string& text, std::string& role, std::string& card) {
    const size_t at = text.find("%%");
    if (at == std::string::npos) {
        role.clear();
        card = text;
    } else {
        role = text.substr(0, at);
        card = text.substr(at + 2);
    }
}

// ((name string) (type string) (value string)) of a parameter record.
Cell* ParameterProps(const Parameter& p) {
    return mklist(Prop("name", p.name), Prop("type", p.type), Prop("value", p.value), nullptr);
}

// (pars (name type) ...) with types, else (args name ...), as a one-element list.
Cell* ParameterListProps(bool withTypes, const ParameterList& parameters) {
    ListBuilder b;
    b.Add(Sym(withTypes ? "pars" : "args"));
    for (const auto& p : parameters)
        b.Add(withTypes ? mklist(Str(p->name), Str(p->type), nullptr) : Str(p->name));
    return mkcons(b.List(), nil);
}

// The printed property of a field of a master or member record: (symbol
// "text") of a text, (access symbol) of an access code, the mode's list of a
// member's mode. A master's flag word is printed by the master's list.
template <class Record>
Cell* FieldProp(const FieldDescriptor<Record>& field, const Record& record) {
    switch (field.kind) {
    case FieldKind::Text:
        return Prop(field.symbol, record.*field.text);
    case FieldKind::Access:
        return Prop(field.symbol, {MemberAccessToSymbol(record.*field.integer)});
    case FieldKind::Mode:
        return ModeList(record.*field.integer);
    case FieldKind::Flags:
        break;
    }
    return nil;
}

// The printed properties of the table's fields, in order.
template <class Record>
void AddFieldProps(ListBuilder& b, std::span<const FieldDescriptor<Record>> fields,
                   const Record& record) {
    for (const auto& field : fields)
        b.Add(FieldProp(field, record));
}

// (tool symbol) and (rect l t r b) that close every drawable's list.
void CommonDrawableProps(ListBuilder& b, Drawable* d) {
    const MasterTool* tool = nullptr;
    if (d->IsLink())
        tool = ToolModelOf(static_cast<Link*>(d)->Tool());
    else if (d->IsPlace() && static_cast<Place*>(d)->master != nullptr)
        tool = static_cast<Place*>(d)->master->tool;
    b.Add(Prop("tool", {DefaultDrawableName(tool, d->kindCode)}));
    b.Add(RectProp("rect", d->bounds));
}

Cell* ModelProps(Model* m) {
    ListBuilder b;
    b.Add(Prop("name", m->name));
    b.Add(Prop("type", {m->kind == MkTool ? nil : ModelKindToSymbol(m->kind)}));
    b.Add(Prop("access", {MemberAccessToSymbol(m->setting)}));
    b.Add(Prop("comment", m->comment));
    b.Add(FlagsList(RefModel, m->modelFlags, true));
    b.Add(Prop("parentMaster", {RefTo(m->parentMaster, RefMaster)}));
    b.Add(Prop("parentModel", {RefTo(m->parentModel, RefModel)}));
    b.Add(RectProp("rect", m->pageMatrix));
    if (auto* tool = dynamic_cast<ToolModel*>(m); tool != nullptr && m->kind == MkTool) {
        ToolModel* base = nullptr;
        CCASEDoc* project = RunContext().project;
        if (tool->IsVariant() && project != nullptr && project->Template() != nullptr)
            base = project->Template()->GetTool(tool->baseId);
        b.Add(Prop("kind", {Sym(tool->IsLinkTool() ? "link" : "place"), RefTo(base, RefModel)}));
        b.Add(Prop("semantics", {Sym(tool->GetSemanticsName().c_str())}));
    }
    return b.List();
}

Cell* MasterProps(Master* m) {
    // The printed list keeps its own order of the master's fields.
    ListBuilder b;
    b.Add(FieldProp(MasterField("name"), *m));
    b.Add(FieldProp(MasterField("namespace"), *m));
    b.Add(Prop("tool", {DefaultDrawableName(m->tool, NoToolKind)}));
    b.Add(Prop("refCount", {mkint(m->refCount)}));
    for (const char* symbol : {"access", "stereotype", "file", "comment", "link"})
        b.Add(FieldProp(MasterField(symbol), *m));
    if (!m->imports.empty())
        b.Add(FieldProp(MasterField("imports"), *m));
    const bool generates = m->tool == nullptr || (m->tool->ToolFlagWord() & 0x1) != 0;
    b.Add(FlagsList(RefMaster, static_cast<uint32_t>(m->masterFlags), generates));
    b.Add(Prop("model", {RefTo(ToolModelOf(m->tool), RefModel)}));
    b.Add(Prop("refine", {RefTo(dynamic_cast<Model*>(m->submodel), RefModel)}));
    if (!m->parameters.empty())
        b.AddAll(ParameterListProps(m->HasToolText(), m->parameters));
    // Parameters listed by name only (args) whose types the reader marked:
    // (bounds (name bound) ...) of a Java type parameter's bound and
    // (kinds (name kind default) ...) of a C++ template parameter's kind,
    // each naming every parameter, "" where one has no such text.
    if (!m->HasToolText()) {
        auto marked = [m](int mark) {
            return std::any_of(m->parameters.begin(), m->parameters.end(),
                               [mark](const auto& p) { return (p->direction & mark) != 0; });
        };
        if (marked(ParamTypeBound)) {
            ListBuilder bounds;
            bounds.Add(Sym("bounds"));
            for (const auto& p : m->parameters) {
                const bool bound = (p->direction & ParamTypeBound) != 0;
                bounds.Add(mklist(Str(p->name), Str(bound ? p->type : ""), nullptr));
            }
            b.Add(bounds.List());
        }
        if (marked(ParamTypeKind)) {
            ListBuilder kinds;
            kinds.Add(Sym("kinds"));
            for (const auto& p : m->parameters) {
                const bool kind = (p->direction & ParamTypeKind) != 0;
                kinds.Add(mklist(Str(p->name), Str(kind ? p->type : ""), Str(kind ? p->value : ""),
                                 nullptr));
            }
            b.Add(kinds.List());
        }
    }
    return b.List();
}

Cell* PlaceProps(Drawable* d) {
    ListBuilder b;
    auto* place = dynamic_cast<Place*>(d);
    b.Add(Prop("master", {RefTo(place != nullptr ? place->master : nullptr, RefMaster)}));
    if (place != nullptr && !place->Junctions().empty()) {
        ListBuilder j;
        j.Add(Sym("junctions"));
        for (const auto& junction : place->Junctions())
            j.Add(RefTo(junction.get(), RefJunction));
        b.Add(j.List());
    }
    const uint32_t flags = d->GetPlaceFlags();
    b.Add(FlagsList(RefPlace, flags, true));
    if (place != nullptr && (flags & PfInstanceLabel) != 0)
        b.Add(Prop("instance", place->label));
    if (auto* lane = dynamic_cast<Swimlane*>(d); lane != nullptr) {
        b.Add(Prop("rightLane", {RefTo(lane->NextLane(), RefPlace)}));
        b.Add(Prop("leftLane", {RefTo(lane->PreviousLane(), RefPlace)}));
    }
    if (auto* scenario = dynamic_cast<ScenarioPlace*>(d); scenario != nullptr)
        b.Add(Prop("endPt", {mkint(scenario->lifeLinePoint.x), mkint(scenario->lifeLinePoint.y)}));
    if (d->IsPlaceGroup() && d->MemberList() != nullptr)
        b.Add(RefsProp("members", *d->MemberList()));
    CommonDrawableProps(b, d);
    return b.List();
}

Cell* LinkProps(Link* l) {
    ListBuilder b;
    std::string sourceRole, sourceCard, targetRole, targetCard;
    SplitEnd(l->sourceEnd, sourceRole, sourceCard);
    SplitEnd(l->targetEnd, targetRole, targetCard);
    b.Add(Prop("name", l->name));
    b.Add(Prop("access", {MemberAccessToSymbol(l->access)}));
    b.Add(Prop("stereotype", l->stereotype));
    b.Add(Prop("role", {Str(sourceRole), Str(targetRole)}));
    b.Add(Prop("card", {Str(sourceCard), Str(targetCard)}));
    b.Add(Prop("comment", l->comment));
    b.Add(Prop("link", l->file));
    b.Add(Prop("type", l->type));
    b.Add(FlagsList(RefLink, static_cast<uint32_t>(l->options), true));
    b.Add(Prop("source", {RefTo(l->GetSourcePlace(), RefPlace)}));
    b.Add(Prop("target", {RefTo(l->GetTargetPlace(), RefPlace)}));
    b.Add(Prop("model", {RefTo(ToolModelOf(l->Tool()), RefModel)}));
    b.Add(PointsProp(l->Vertices()));
    CommonDrawableProps(b, l);
    return b.List();
}

Cell* PrimitiveProps(Drawable* d) {
    ListBuilder b;
    switch (d->kindCode) {
    case TkLine:
    case TkPolyline:
    case TkPolygon: {
        std::vector<CPoint> points;
        d->GetVertices(points);
        b.Add(PointsProp(points));
        break;
    }
    case TkText:
        if (auto* text = dynamic_cast<TextPrimitive*>(d); text != nullptr)
            b.Add(Prop("text",
                       {Str(text->text), (text->textFlags & 0x1) != 0 ? Sym("editable") : nil}));
        break;
    case TkIcon:
        if (auto* box = dynamic_cast<BoxPrimitive*>(d); box != nullptr)
            b.Add(Prop("icon", {mkint(box->icon)}));
        break;
    case TkPrimitiveGroup:
        if (d->MemberList() != nullptr)
            b.Add(RefsProp("members", *d->MemberList()));
        break;
    default:
        break;
    }
    CommonDrawableProps(b, d);
    return b.List();
}

Cell* TagProps(Tag* t) {
    ListBuilder b;
    b.Add(Prop("pivot", {DrawableRef(t->Attached())}));
    b.Add(Prop("tip", {mkint(t->anchor.x), mkint(t->anchor.y)}));
    b.Add(Prop("text", t->text));
    b.Add(FlagsList(RefTag, t->tagFlags, true));
    if (auto* floater = dynamic_cast<Floater*>(t); floater != nullptr && t->kindCode == TkMessage) {
        b.Add(Prop("comment", floater->secondText));
        b.Add(Prop("link", floater->attachment));
    }
    CommonDrawableProps(b, t);
    return b.List();
}

Cell* JunctionProps(Junction* j) {
    ListBuilder b;
    b.Add(Prop("tool", {Sym("junction")}));
    b.Add(Prop("junction", {mkint(j->kindCode)}));
    b.Add(Prop("pivot", {DrawableRef(j->Pivot())}));
    b.Add(Prop("tip", {mkint(j->point.x), mkint(j->point.y)}));
    b.Add(Prop("side", {SideToSymbol(j->side)}));
    b.Add(Prop("text", j->text));
    b.Add(RectProp("rect", j->bounds));
    return b.List();
}

Cell* AttributeProps(MasterAttribute* a) {
    ListBuilder b;
    AddFieldProps(b, AttributeFields(), *a);
    return b.List();
}

Cell* TypeProps(MasterType* t) {
    ListBuilder elems;
    elems.Add(Sym("elems"));
    for (const auto& e : t->elements)
        elems.Add(ParameterProps(*e));
    return mklist(Prop("name", t->name), Prop("def", t->definition), Prop("comment", t->comment),
                  Prop("access", {MemberAccessToSymbol(t->access)}),
                  Prop("kind", {TypeKindToSymbol(t->kind)}), ModeList(t->mode), elems.List(),
                  nullptr);
}

Cell* MethodProps(MasterMethod* m) {
    ListBuilder pars;
    pars.Add(Sym("pars"));
    for (const auto& p : m->parameters) {
        ListBuilder one;
        one.Add(Prop("name", p->name)).Add(Prop("type", p->type)).Add(Prop("value", p->value));
        one.Add(DirectionList(p->direction));
        pars.Add(one.List());
    }
    ListBuilder others;
    others.Add(Sym("others"));
    for (const auto& o : m->others)
        others.Add(mklist(Str(o->name), ExceptionKindToSymbol(o->kind), nullptr));
    ListBuilder b;
    AddFieldProps(b, MethodFields(), *m);
    b.Add(pars.List()).Add(others.List()).Add(Prop("code", m->code));
    return b.List();
}

Cell* ExceptionProps(MasterException* e) {
    ListBuilder members;
    members.Add(Sym("members"));
    for (const auto& p : e->members)
        members.Add(ParameterProps(*p));
    return mklist(Prop("name", e->name), Prop("comment", e->comment), members.List(), nullptr);
}

} // namespace

Cell* RefTo(ModelObject* object, ReferenceKind kind) {
    if (object == nullptr)
        return nil;
    CCASEDoc* project = RunContext().project;
    const GuidMap* map = nullptr;
    if (project != nullptr) {
        const char* id = object->Id().Text();
        const GuidMap& ids = project->IdMap();
        if (References().Confirmed(object, &ids) || ids.Lookup(id) == object)
            map = &ids;
        else if (const GuidMap* templates = project->TemplateMap();
                 templates != nullptr && templates->Lookup(id) == object)
            map = templates;
    }
    // Found under its id in map just now: the reference table need not look again.
    return MakeObjectRef(object, kind, project, map, map != nullptr);
}

Cell* DrawableRef(Drawable* drawable) {
    if (drawable == nullptr)
        return nil;
    return RefTo(drawable, DrawableRefKind(drawable->kind));
}

Cell* PropertyList(Symbol* self, Cell* reference) {
    void* object = References().Resolve(reference);
    if (object == nullptr)
        scripterror(self, kObjectGone, reference);
    if (reference->flag == RefProject)
        return nil;
    auto* o = static_cast<ModelObject*>(object);
    switch (reference->flag) {
    case RefModel:
        if (auto* m = dynamic_cast<Model*>(o))
            return ModelProps(m);
        break;
    case RefMaster:
        if (auto* m = dynamic_cast<Master*>(o))
            return MasterProps(m);
        break;
    case RefPlace:
        if (auto* d = dynamic_cast<Drawable*>(o))
            return PlaceProps(d);
        break;
    case RefLink:
        if (auto* l = dynamic_cast<Link*>(o))
            return LinkProps(l);
        break;
    case RefPrimitive:
        if (auto* d = dynamic_cast<Drawable*>(o))
            return PrimitiveProps(d);
        break;
    case RefTag:
        if (auto* t = dynamic_cast<Tag*>(o))
            return TagProps(t);
        break;
    case RefAttribute:
        if (auto* a = dynamic_cast<MasterAttribute*>(o))
            return AttributeProps(a);
        break;
    case RefType:
        if (auto* t = dynamic_cast<MasterType*>(o))
            return TypeProps(t);
        break;
    case RefMethod:
        if (auto* m = dynamic_cast<MasterMethod*>(o))
            return MethodProps(m);
        break;
    case RefException:
        if (auto* e = dynamic_cast<MasterException*>(o))
            return ExceptionProps(e);
        break;
    case RefJunction:
        if (auto* j = dynamic_cast<Junction*>(o))
            return JunctionProps(j);
        break;
    default:
        break;
    }
    // A reference whose kind byte does not match its object.
    scripterror(self, ErrRefExpected, reference);
}

Cell* LooksList(const Looks& looks) {
    return mklist(
        Prop("font", FontFaces().FaceName(looks.face)),
        Prop("justify", {JustificationToSymbol(looks.alignment)}),
        Prop("fontSize", {mkint(looks.height)}),
        mkcons(Sym("fontStyle"), FontStyleToList(looks.style)),
        Prop("lineStyle", {mkint(looks.lineKind)}),
        Prop("outlineColor", {mkint(static_cast<int32_t>(ColorFromCode(looks.lineColor)))}),
        Prop("fillColor", {mkint(static_cast<int32_t>(ColorFromCode(looks.fillColor)))}),
        Prop("textColor", {mkint(static_cast<int32_t>(ColorFromCode(looks.textColor)))}), nullptr);
}

void ReadLooksSpec(Symbol* self, Cell* clauses, Looks& looks, const Looks* base) {
    looks.Init(false, base);
    ReadLooksClauses(self, clauses, looks);
}

Cell* VxProps(Symbol* self) {
    VxFrame frame(self, 1, 1);
    Cell* reference = frame.Arg(0);
    if (reference->type != TRef)
        frame.Fail(ErrRefExpected, reference);
    return PropertyList(self, reference);
}

Cell* VxLooks(Symbol* self) {
    VxFrame frame(self, 1, -1);
    Cell* reference = frame.Arg(0);
    if (reference->type != TRef)
        frame.Fail(ErrRefExpected, reference);
    const uint8_t kind = reference->flag;
    if (kind != RefPlace && kind != RefLink && kind != RefPrimitive && kind != RefTag)
        frame.Fail(kDrawableExpected, reference);
    auto* drawable = dynamic_cast<Drawable*>(ResolveObject(reference));
    if (drawable == nullptr)
        frame.Fail(kObjectGone, reference);
    return LooksList(drawable->looks);
}

} // namespace qm
