// The row texts of the member lists and the filling of a member list.
#include "dialogs/sheets/MemberRows.h"

namespace qm {

namespace {

template <class Record> std::string OwnerName(const Record& record) {
    return record.owner != nullptr ? record.owner->name : std::string();
}

std::string AccessPrefix(int access) {
    return std::string(1, AccessSign(access)) + "\t";
}

// Joins the parameters' texts with ", ", each made by text.
template <class Text> std::string JoinParameters(const ParameterList& list, Text text) {
    std::string joined;
    for (const auto& parameter : list) {
        if (!joined.empty())
            joined += ", ";
        joined += text(*parameter);
    }
    return joined;
}

} // namespace

std::string FormatAttributeRow(const MasterAttribute& attribute) {
    if ((attribute.mode & ModeMacro) != 0)
        return "\t" + OwnerName(attribute) + "::" + attribute.name + " = " + attribute.value;
    return AccessPrefix(attribute.access) + OwnerName(attribute) + "::" + attribute.name + " : " +
           attribute.type + " " + (attribute.cardinality.empty() ? " " : "x") + " " +
           attribute.cardinality;
}

std::string FormatMethodSignature(const MasterMethod& method, bool withAccess) {
    std::string text = withAccess ? AccessPrefix(method.access) : std::string();
    text += OwnerName(method) + "::" + method.name + " (" +
            JoinParameters(method.parameters,
                           [](const Parameter& p) { return p.name + ": " + p.type; }) +
            ") : " + method.returnType;
    bool exception = false;
    bool context = false;
    for (const auto& other : method.others) {
        exception = exception || other->kind == 0;
        context = context || other->kind != 0;
    }
    if (exception)
        text += " +Exception";
    if (context)
        text += " +Context";
    return text;
}

std::string FormatTypeSignature(const MasterType& type, bool withAccess) {
    std::string text = withAccess ? AccessPrefix(type.access) : std::string();
    text += OwnerName(type) + "::" + type.name + ": ";
    if (type.kind == TypeSimple)
        return text + type.definition;
    std::string elements;
    if (type.kind == TypeEnum)
        elements = JoinParameters(type.elements, [](const Parameter& p) { return p.name; });
    else if (type.kind == TypeStruct)
        elements = JoinParameters(type.elements,
                                  [](const Parameter& p) { return p.name + ": " + p.type; });
    if (!elements.empty())
        text += "{" + elements + "}";
    return text;
}

std::string FormatExceptionRow(const MasterException& exception) {
    return OwnerName(exception) + "::" + exception.name + " {" +
           JoinParameters(exception.members, [](const Parameter& p) { return p.name; }) + "}";
}

std::string FormatParameterRow(const Parameter& parameter, int displayMode) {
    if (displayMode == 3)
        return parameter.name;
    return parameter.name + ": " + parameter.type;
}

std::string FormatOtherRow(const MethodOther& other) {
    return std::string(other.kind == 0 ? "Exception" : "Context") + ": " + other.name;
}

MemberRow RowOfRecord(MemberKind kind, ModelObject* record) {
    MemberRow row;
    row.record = record;
    switch (kind) {
    case MemberKind::Attribute: {
        auto* attribute = static_cast<MasterAttribute*>(record);
        row.text = FormatAttributeRow(*attribute);
        row.checked = (attribute->mode & ModeAnnotate) != 0;
        break;
    }
    case MemberKind::Method: {
        auto* method = static_cast<MasterMethod*>(record);
        row.text = FormatMethodSignature(*method, true);
        row.checked = (method->mode & ModeAnnotate) != 0;
        break;
    }
    case MemberKind::Type: {
        auto* type = static_cast<MasterType*>(record);
        row.text = FormatTypeSignature(*type, true);
        row.checked = (type->mode & ModeAnnotate) != 0;
        break;
    }
    case MemberKind::Exception:
        row.text = FormatExceptionRow(*static_cast<MasterException*>(record));
        break;
    }
    return row;
}

namespace {

template <class List>
void AddRows(std::vector<MemberRow>& rows, MemberKind kind, const List& list, bool enabled) {
    for (const auto& record : list) {
        MemberRow row = RowOfRecord(kind, record.get());
        row.enabled = enabled;
        rows.push_back(std::move(row));
    }
}

void AddListRows(std::vector<MemberRow>& rows, MemberKind kind, const Master& master,
                 bool enabled) {
    switch (kind) {
    case MemberKind::Attribute:
        AddRows(rows, kind, master.attributes, enabled);
        break;
    case MemberKind::Method:
        AddRows(rows, kind, master.methods, enabled);
        break;
    case MemberKind::Type:
        AddRows(rows, kind, master.types, enabled);
        break;
    case MemberKind::Exception:
        AddRows(rows, kind, master.exceptions, enabled);
        break;
    }
}

} // namespace

std::vector<MemberRow> MemberRows(MemberKind kind, const std::vector<Master*>& bases,
                                  const Master& master, int& inherited) {
    std::vector<MemberRow> rows;
    // Inherited exceptions are listed enabled: only their editing is refused.
    const bool inheritedEnabled = kind == MemberKind::Exception;
    for (const Master* base : bases)
        AddListRows(rows, kind, *base, inheritedEnabled);
    inherited = static_cast<int>(rows.size());
    AddListRows(rows, kind, master, true);
    return rows;
}

} // namespace qm
