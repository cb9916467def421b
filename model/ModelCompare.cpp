// Signature matching of member records and the comparison of masters.
#include "model/ModelCompare.h"

#include "model/GuidMap.h"
#include "model/Master.h"
#include "model/RecordFields.h"

namespace qm {

namespace {

bool SameParameterTypes(const ParameterList& a, const ParameterList& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i]->type != b[i]->type)
            return false;
    }
    return true;
}

} // namespace

bool SignatureMatches(const MasterMethod& a, const MasterMethod& b) {
    return a.name == b.name && a.returnType == b.returnType &&
           SameParameterTypes(a.parameters, b.parameters);
}

bool SignatureMatches(const MasterException& a, const MasterException& b) {
    return a.name == b.name && SameParameterTypes(a.members, b.members);
}

bool SignatureMatches(const MasterType& a, const MasterType& b) {
    return a.name == b.name && a.definition == b.definition &&
           SameParameterTypes(a.elements, b.elements);
}

bool SignatureMatches(const MasterAttribute& a, const MasterAttribute& b) {
    return a.NamesEqual(b);
}

std::unique_ptr<Master> Master::CopyInto(GuidMap* map, GuidMap* templateMap) const {
    auto copy = std::make_unique<Master>();
    copy->Assign(this);
    copy->guid = guid;
    if (map != nullptr)
        map->Add(copy.get());
    copy->refCount = 0;
    const int number = ToolNumber();
    copy->tool = TemplateTool(templateMap, number);
    if (copy->tool == nullptr)
        copy->ReportToolNotInTemplate(templateMap, number);
    copy->submodel = nullptr;
    const std::string submodelId = SubmodelId();
    copy->submodelRef = submodelId.empty() ? ObjectRef() : ObjectRef::ToText(submodelId.c_str());
    return copy;
}

bool Master::IsEqual(const Master& o) const {
    return Kind() == o.Kind() && FieldsEqual(MasterFields(), *this, o) &&
           ToolNumber() == o.ToolNumber() && SubmodelId() == o.SubmodelId() &&
           MemberListsEqual(attributes, o.attributes) && MemberListsEqual(methods, o.methods) &&
           MemberListsEqual(exceptions, o.exceptions) && ListsEqual(parameters, o.parameters);
}

} // namespace qm
