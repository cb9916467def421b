// The tables of the scalar fields of masters and member records.
#include "model/RecordFields.h"

#include "model/Master.h"
#include "model/Members.h"
#include <cassert>
#include <cstring>

namespace qm {

namespace {

using K = FieldKind;
using M = Master;
using A = MasterAttribute;
using D = MasterMethod;

// The exchange slots follow the journal's master property list: access,
// name, stereotype, file, flags, comment, namespace, link (then the tool
// number and the member lists, then the imports).
const FieldDescriptor<Master> kMasterFields[] = {
    {"access", "access", K::Access, nullptr, &M::access, 0},
    {"name", "name", K::Text, &M::name, nullptr, 1},
    {"stereotype", "stereotype", K::Text, &M::stereotype, nullptr, 2},
    {"file", "file", K::Text, &M::file, nullptr, 3},
    {"comment", "comment", K::Text, &M::comment, nullptr, 5},
    {"namespace", "namespace", K::Text, &M::nameSpace, nullptr, 6, true},
    {"link", "link", K::Text, &M::link, nullptr, 7, true},
    {"imports", "imports", K::Text, &M::imports, nullptr, 14, true, false},
    {"flags", "flags", K::Flags, nullptr, &M::masterFlags, 4},
};

const FieldDescriptor<MasterAttribute> kAttributeFields[] = {
    {"name", "name", K::Text, &A::name},
    {"type", "type", K::Text, &A::type},
    {"cardinality", "card", K::Text, &A::cardinality},
    {"container", "container", K::Text, &A::container},
    {"value", "value", K::Text, &A::value},
    {"comment", "comment", K::Text, &A::comment},
    {"access", "access", K::Access, nullptr, &A::access},
    {"mode", "mode", K::Mode, nullptr, &A::mode},
};

const FieldDescriptor<MasterMethod> kMethodFields[] = {
    {"name", "name", K::Text, &D::name},
    {"return type", "returns", K::Text, &D::returnType},
    {"comment", "comment", K::Text, &D::comment},
    {"access", "access", K::Access, nullptr, &D::access},
    {"mode", "mode", K::Mode, nullptr, &D::mode},
};

} // namespace

std::span<const FieldDescriptor<Master>> MasterFields() {
    return kMasterFields;
}

std::span<const FieldDescriptor<MasterAttribute>> AttributeFields() {
    return kAttributeFields;
}

std::span<const FieldDescriptor<MasterMethod>> MethodFields() {
    return kMethodFields;
}

const FieldDescriptor<Master>& MasterField(const char* symbol) {
    for (const auto& field : kMasterFields) {
        if (std::strcmp(field.symbol, symbol) == 0)
            return field;
    }
    assert(false && "no master field of that symbol");
    return kMasterFields[0];
}

} // namespace qm
