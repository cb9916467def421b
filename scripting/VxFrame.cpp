// The Vx built-ins' argument frame and error reporting.
#include "scripting/VxFrame.h"

#include "drawables/Model.h"
#include "kernel/Eval.h"
#include "kernel/Symbol.h"
#include "model/Master.h"

#include <algorithm>

namespace qm {

using namespace kest;

VxFrame::VxFrame(Symbol* self, int min, int max) : self_(self), count_(argcount()) {
    if (count_ < min || (max >= 0 && count_ > max))
        scripterror(self_, ErrWrongCount);
}

Cell* VxFrame::Arg(int i) const {
    return i < count_ ? argument(i) : nil;
}

const char* VxFrame::Text(int i) const {
    Cell* v = Arg(i);
    if (v->type == TString)
        return v->a.str;
    if (issymbol(v))
        return static_cast<Symbol*>(v)->name;
    scripterror(self_, ErrStringExpected, v);
}

std::string VxFrame::Path(int i) const {
    std::string path = Text(i);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

Cell* VxFrame::List(int i) const {
    Cell* v = Arg(i);
    if (!islist(v))
        scripterror(self_, ErrListExpected, v);
    return v;
}

int32_t VxFrame::Int(int i) const {
    Cell* v = Arg(i);
    if (v->type != TInteger)
        scripterror(self_, ErrIntExpected, v);
    return v->a.ival;
}

Cell* VxFrame::Ref(int i) const {
    Cell* v = Arg(i);
    if (v->type != TRef)
        scripterror(self_, ErrRefExpected, v);
    if (References().Resolve(v) == nullptr)
        scripterror(self_, kObjectGone, v);
    return v;
}

void* VxFrame::RefOfKind(int i, ReferenceKind kind, const char* message) const {
    Cell* v = Arg(i);
    if (v->type != TRef || v->flag != kind)
        scripterror(self_, message, v);
    void* object = References().Resolve(v);
    if (object == nullptr)
        scripterror(self_, kObjectGone, v);
    return object;
}

Master* VxFrame::MasterArg(int i) const {
    return static_cast<Master*>(
        static_cast<ModelObject*>(RefOfKind(i, RefMaster, kInvalidMasterArgument)));
}

Model* VxFrame::ModelArg(int i) const {
    return static_cast<Model*>(
        static_cast<ModelObject*>(RefOfKind(i, RefModel, kInvalidModelArgument)));
}

const DrawableList* VxFrame::GroupMembersArg(int i) const {
    Cell* v = Arg(i);
    if (v->type != TRef || (v->flag != RefPrimitive && v->flag != RefPlace))
        scripterror(self_, kInvalidGroupArgument, v);
    auto* drawable = static_cast<Drawable*>(ResolveObject(v));
    if (drawable == nullptr)
        scripterror(self_, kObjectGone, v);
    const DrawableList* members = drawable->IsGroup() ? drawable->MemberList() : nullptr;
    if (members == nullptr)
        scripterror(self_, kInvalidGroupArgument, v);
    return members;
}

Drawable* VxFrame::DrawableArg(int i) const {
    Cell* v = Arg(i);
    const bool drawableKind = v->flag == RefPlace || v->flag == RefLink ||
                              v->flag == RefPrimitive || v->flag == RefTag ||
                              v->flag == RefJunction;
    if (v->type != TRef || !drawableKind)
        scripterror(self_, kDrawableExpected, v);
    auto* drawable = static_cast<Drawable*>(ResolveObject(v));
    if (drawable == nullptr)
        scripterror(self_, kObjectGone, v);
    return drawable;
}

void VxFrame::Fail(const char* message, Cell* value) const {
    scripterror(self_, message, value);
}

void VxFrame::Fail(ErrorCode code, Cell* value) const {
    scripterror(self_, code, value);
}

Cell* SpecialFormArgs() {
    return formargs();
}

} // namespace qm
