// The clause reader of the maker built-ins.
#include "scripting/MakerClauses.h"

#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "kernel/Errors.h"
#include "kernel/Eval.h"
#include "kernel/Symbol.h"
#include "model/Master.h"
#include "scripting/Converters.h"
#include "scripting/RunContext.h"
#include "scripting/VxFrame.h"

#include <algorithm>
#include <cstring>

namespace qm {

using namespace kest;

MakerForm::MakerForm(Symbol* self) : self_(self), rest_(SpecialFormArgs()) {
    if (!islist(rest_))
        scripterror(self_, ErrListExpected, rest_);
}

Cell* MakerForm::EvalTarget() {
    Cell* form = ispair(rest_) ? car(rest_) : nil;
    rest_ = ispair(rest_) ? cdr(rest_) : nil;
    target_ = evaluate(form);
    return target_;
}

void* MakerForm::Target(ReferenceKind kind, const char* message) {
    EvalTarget();
    if (target_->type != TRef || target_->flag != kind)
        scripterror(self_, message, target_);
    void* object = References().Resolve(target_);
    if (object == nullptr)
        scripterror(self_, kObjectGone, target_);
    return object;
}

Cell* MakerForm::TakeElement() {
    if (!ispair(rest_))
        return nil;
    Cell* element = car(rest_);
    rest_ = cdr(rest_);
    return element;
}

bool MakerForm::Next() {
    if (!ispair(rest_))
        return false;
    clause_ = car(rest_);
    rest_ = cdr(rest_);
    if (!islist(clause_))
        scripterror(self_, kBadClause, clause_);
    tag_ = clause_ == nil ? nil : car(clause_);
    values_ = clause_ == nil ? nil : cdr(clause_);
    if (!islist(values_))
        scripterror(self_, kBadClause, clause_);
    return true;
}

bool MakerForm::Is(const char* name) const {
    // Tags are compared by identity; the name is compared first so that the
    // symbol table is consulted only for the tag that matches.
    if (!issymbol(tag_) || std::strcmp(static_cast<Symbol*>(tag_)->name, name) != 0)
        return false;
    return tag_ == intern(name);
}

Cell* MakerForm::First() const {
    return ispair(values_) ? car(values_) : nil;
}

std::string MakerForm::TextOf(Cell* value) const {
    if (value->type == TString)
        return value->a.str;
    if (issymbol(value))
        return static_cast<Symbol*>(value)->name;
    scripterror(self_, ErrStringExpected, value);
}

int32_t MakerForm::IntAt(Cell* list, int index) const {
    for (int i = 0; i < index && ispair(list); ++i)
        list = cdr(list);
    if (!ispair(list))
        scripterror(self_, kBadClause, clause_);
    Cell* value = car(list);
    if (value->type != TInteger)
        scripterror(self_, ErrIntExpected, value);
    return value->a.ival;
}

int32_t MakerForm::Int() const {
    return IntAt(values_, 0);
}

double MakerForm::Real() const {
    if (!ispair(values_))
        scripterror(self_, kBadClause, clause_);
    Cell* value = car(values_);
    if (value->type == TInteger)
        return value->a.ival;
    if (value->type == TReal)
        return value->a.rval;
    scripterror(self_, ErrRealExpected, value);
}

CPoint MakerForm::Point() const {
    return CPoint(IntAt(values_, 0), IntAt(values_, 1));
}

CRect MakerForm::Rect() const {
    return CRect(IntAt(values_, 0), IntAt(values_, 1), IntAt(values_, 2), IntAt(values_, 3));
}

std::vector<CPoint> MakerForm::Points() const {
    std::vector<CPoint> points;
    for (Cell* list = values_; ispair(list);) {
        const int32_t x = IntAt(list, 0);
        const int32_t y = IntAt(list, 1);
        points.emplace_back(x, y);
        list = cdr(cdr(list));
    }
    return points;
}

void* MakerForm::EvalRef(Cell* value, int kindA, int kindB, const char* message,
                         Cell** cell) const {
    Cell* v = evaluate(value);
    if (v->type != TRef || (v->flag != kindA && v->flag != kindB))
        scripterror(self_, message, v);
    void* object = References().Resolve(v);
    if (object == nullptr)
        scripterror(self_, kObjectGone, v);
    if (cell != nullptr)
        *cell = v;
    return object;
}

void MakerForm::ReadLooks(Looks& looks, bool inherit) const {
    looks.Init(inherit, nullptr);
    ReadLooksClauses(self_, values_, looks);
}

void MakerForm::Fail(const char* message, Cell* value) const {
    scripterror(self_, message, value);
}

void MarkRunProjectModified() {
    if (RunContext().project != nullptr)
        RunContext().project->SetModifiedFlag(true);
}

void ReadLooksClauses(Symbol* self, Cell* clauses, Looks& looks) {
    auto integer = [self](Cell* value) {
        if (value->type != TInteger)
            scripterror(self, ErrIntExpected, value);
        return value->a.ival;
    };
    for (; ispair(clauses); clauses = cdr(clauses)) {
        Cell* sub = car(clauses);
        if (!ispair(sub))
            scripterror(self, kInvalidLooks, sub);
        Cell* head = car(sub);
        Cell* value = ispair(cdr(sub)) ? car(cdr(sub)) : nil;
        if (head == intern("font")) {
            if (value->type != TString && !issymbol(value))
                scripterror(self, ErrStringExpected, value);
            const char* face =
                value->type == TString ? value->a.str : static_cast<Symbol*>(value)->name;
            looks.face = uint8_t(FontFaces().FaceIndex(face));
        } else if (head == intern("justify")) {
            looks.alignment = uint8_t(JustificationFromSymbol(self, value));
        } else if (head == intern("fontSize")) {
            looks.height = int16_t(integer(value));
        } else if (head == intern("fontStyle")) {
            looks.style =
                uint8_t((looks.style & ~kStyleFontBits) | FontStyleFromList(self, cdr(sub)));
        } else if (head == intern("lineStyle")) {
            looks.lineKind = uint8_t(integer(value));
        } else if (head == intern("outlineColor")) {
            looks.lineColor = uint32_t(integer(value));
        } else if (head == intern("fillColor")) {
            looks.fillColor = uint32_t(integer(value));
        } else if (head == intern("textColor")) {
            looks.textColor = uint32_t(integer(value));
        }
    }
}

GuidMap* MakerProjectMap(Model* model) {
    if (auto* custom = dynamic_cast<CustomModel*>(model))
        if (custom->Document() != nullptr)
            return custom->Document()->ProjectMap();
    CCASEDoc* project = RunContext().project;
    return project != nullptr ? &project->IdMap() : nullptr;
}

Model* MakerModelTarget(MakerForm& form) {
    return static_cast<Model*>(
        static_cast<ModelObject*>(form.Target(RefModel, kModelReferenceExpected)));
}

void CollectDrawableTree(Drawable* drawable, std::vector<Drawable*>& out) {
    if (drawable == nullptr)
        return;
    out.push_back(drawable);
    if (auto* place = dynamic_cast<Place*>(drawable))
        for (const auto& junction : place->Junctions())
            out.push_back(junction.get());
    if (const DrawableList* members = drawable->MemberList())
        for (const auto& member : *members)
            CollectDrawableTree(member.get(), out);
}

void ForgetDrawableTree(Drawable* drawable, GuidMap* map) {
    std::vector<Drawable*> tree;
    CollectDrawableTree(drawable, tree);
    // A place group's embedded member group is registered beside it.
    if (auto* group = dynamic_cast<PlaceGroup*>(drawable))
        tree.push_back(&group->MemberGroup());
    for (Drawable* d : tree) {
        References().Forget(d);
        References().Forget(static_cast<ModelObject*>(d));
        if (map != nullptr)
            map->Remove(d);
    }
}

void DropDrawableTree(Drawable* drawable, GuidMap* map) {
    std::vector<Drawable*> tree;
    CollectDrawableTree(drawable, tree);
    for (Drawable* d : tree) {
        auto* place = dynamic_cast<Place*>(d);
        if (place != nullptr && place->master != nullptr) {
            --place->master->refCount;
            place->master = nullptr;
        }
    }
    ForgetDrawableTree(drawable, map);
}

bool ModelHolds(const Model* model, const Drawable* drawable) {
    const Drawable* top = drawable;
    for (int depth = 0; top != nullptr && depth < 1024; ++depth) {
        const Drawable* up = top->Parent();
        if (auto* junction = dynamic_cast<const Junction*>(top))
            up = junction->Pivot();
        if (up == nullptr)
            break;
        top = up;
    }
    // From the end: a script mostly joins drawables it has just made.
    const DrawableList& drawables = model->Drawables();
    return std::any_of(drawables.rbegin(), drawables.rend(),
                       [top](const auto& d) { return d.get() == top; });
}

Cell* AdoptIntoModel(Model* model, std::unique_ptr<Drawable> drawable, ReferenceKind kind,
                     GuidMap* map) {
    Drawable* made = model->AddDrawable(std::move(drawable));
    MarkRunProjectModified();
    return MakeObjectRef(made, kind, RunContext().project, map);
}

bool AdoptIntoGroup(Model* model, PrimitiveGroup& group, Drawable* drawable) {
    if (FindIn(model->Drawables(), drawable) == model->Drawables().end())
        return false;
    model->ForgetSelected(drawable);
    return group.AdoptFromModel(model, drawable) != nullptr;
}

} // namespace qm
