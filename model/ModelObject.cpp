// The model object root and the kind predicates.
#include "model/ModelObject.h"

#include "model/GuidMap.h"

namespace qm {

void ModelObject::Detach(GuidScope* scope) {
    if (scope != nullptr && scope->current != nullptr)
        scope->current->Remove(this);
    flags |= MoDetached;
}

ModelObject* ModelObject::GetPropertyTarget(int* kind) {
    if (kind != nullptr)
        *kind = PtNone;
    return nullptr;
}

std::unique_ptr<ModelObject> ModelObject::Clone() const {
    return nullptr;
}

void ModelObject::Assign(const ModelObject*) {}

kest::Cell* ModelObject::Props(GuidScope*, ModelObject*, kest::Cell*, bool) {
    return nullptr;
}

void ModelObject::Mark(int value, int mask, int) {
    if ((mask & 0x1) == 0)
        return;
    if (value != 0)
        flags |= MoMarked;
    else
        flags &= ~static_cast<uint32_t>(MoMarked);
}

void ModelObject::ResolveRefs(ModelDocument*, GuidScope*, bool) {}

void Discard(std::unique_ptr<ModelObject> object, GuidScope* scope) {
    if (object != nullptr)
        object->Detach(scope);
}

const char* IdOf(const ModelObject* object) {
    return object != nullptr ? object->guid.Text() : "";
}

bool IsDiagramKind(int kind) {
    return kind == 0 || (kind >= 11 && kind <= 17);
}

bool IsBuiltinTool(int index) {
    return index >= 0 && index < 24;
}

bool IsUserToolKind(int kind) {
    return kind >= 100;
}

bool HasOwnFolder(int) {
    return false;
}

} // namespace qm
