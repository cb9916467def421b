// The row texts of the member lists (attributes, methods, types, exceptions)
// and of the parameter and others lists, and the filling of a member list
// with the inherited rows of the base masters first and the master's own
// rows after them. Shared by the member pages and the annotation pane.
#pragma once

#include "model/Master.h"

#include <string>
#include <vector>

namespace qm {

class CCASEDoc;

// The four member lists a page edits, in the order the pages are built.
enum class MemberKind { Attribute, Method, Type, Exception };

// "-\tOwner::name : type x card" ("\tOwner::NAME = value" for a MACRO).
std::string FormatAttributeRow(const MasterAttribute& attribute);
// "+\tOwner::f (a: int, b: char) : void +Exception"; without access the
// leading sign and tab are left out.
std::string FormatMethodSignature(const MasterMethod& method, bool withAccess);
// "+\tOwner::Color: {red, green}" or "...: definition" for a simple type.
std::string FormatTypeSignature(const MasterType& type, bool withAccess);
// "Owner::name {a, b}".
std::string FormatExceptionRow(const MasterException& exception);
// "name: type", or the name alone in display mode 3.
std::string FormatParameterRow(const Parameter& parameter, int displayMode);
// "Exception: name" or "Context: name".
std::string FormatOtherRow(const MethodOther& other);

// One row of a member list: its text, its check mark, whether it may be
// edited, and the record it shows (null for the "<New>" row).
struct MemberRow {
    std::string text;
    bool checked = false;
    bool enabled = true;
    ModelObject* record = nullptr;
};

// The row of one record of the kind.
MemberRow RowOfRecord(MemberKind kind, ModelObject* record);
// The rows of the members of kind: those of bases first (disabled, except
// on the exceptions list), then master's own; inherited gets their count.
// No "<New>" row.
std::vector<MemberRow> MemberRows(MemberKind kind, const std::vector<Master*>& bases,
                                  const Master& master, int& inherited);

} // namespace qm
