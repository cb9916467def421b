// A master's member records (attributes, methods, types, exceptions), the
// parameter records of methods, types, exceptions and class parameters, and
// the others of a method (the exceptions it throws and the contexts it
// needs): their record forms inside the master record, their text forms in
// compartments and menus, and the list operations the master, the journal,
// the merge and reverse engineering use on them.
#pragma once

#include "model/ModelObject.h"

#include <memory>
#include <string>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

// The find-and-replace of one text field of a master or member record: the
// match-case, whole-word and replace bits of options apply; the count of
// matches.
int ReplaceInField(std::string& field, const std::string& find, const std::string& replacement,
                   int options);

class GuidScope;
class Master;

// MemberAccess: 1 private, 2 protected, 3 public, 4 package; 0 reads as private.
enum MemberAccess : int {
    AccessPrivate = 1,
    AccessProtected = 2,
    AccessPublic = 3,
    AccessPackage = 4
};

// MemberMode bits.
enum MemberMode : int {
    ModeStatic = 0x1,
    ModeConst = 0x2,
    ModeGetSet = 0x4,
    ModeVirtual = 0x8,
    ModeAnnotate = 0x10, // shown in the diagram's compartments
    ModeAbstract = 0x80,
    ModeFinal = 0x100,
    ModeVolatile = 0x200,
    ModeTransient = 0x400,
    ModeSynchronized = 0x800,
    ModeNative = 0x1000,
    ModeMacro = 0x2000,
    ModeExplicit = 0x4000, // a C++ constructor or conversion that converts only when asked
    ModeOverride = 0x8000, // a C++ method declared to override a base's
};

// ParamDirection bits.
enum ParamDirection : int { DirIn = 0x1, DirOut = 0x2 };

// What a class parameter's type text is, kept beside the direction bits
// (which a class parameter does not use) by the reader that knew the
// language: a C++ template parameter's kind ("typename...", "size_t",
// "template <typename> class", empty for a plain type, with its default as
// the value), or a Java type parameter's bound. A type without a mark (typed
// by hand, or read before the marks) names nothing the generators rely on.
enum ParamTypeMark : int { ParamTypeKind = 0x100, ParamTypeBound = 0x200 };

// TypeKind.
enum TypeKind : int { TypeSimple = 1, TypeEnum = 2, TypeStruct = 3 };

// Options of the text replacement of masters and members.
enum ReplaceOption : int {
    ReplaceNamesOnly = 0x1,
    ReplaceMatchCase = 0x2,
    ReplaceWholeWord = 0x4,
    ReplaceAndRecord = 0x8,
};

// The record functions below read when given a list (returning the rest of
// it) and otherwise build and return the record's list. Reading checks every
// field and reports a format error (CKestException) for a bad record.

// A parameter: (name type value direction).
struct Parameter {
    std::string name;
    std::string type;
    std::string value;
    int32_t direction = 0;

    kest::Cell* Persist(kest::Cell* list);
    bool IsEqual(const Parameter& other) const;
    int ReplaceText(const std::string& find, const std::string& replacement, int options);
};
using ParameterList = std::vector<std::unique_ptr<Parameter>>;

// One of a method's others: (name kind), kind 0 an exception, 1 a context.
struct MethodOther {
    MethodOther() = default;
    std::string name;
    int32_t kind = 0;

    kest::Cell* Persist(kest::Cell* list);
    bool IsEqual(const MethodOther& other) const;
};
using MethodOthersList = std::vector<std::unique_ptr<MethodOther>>;

// (name type cardinality container value comment access mode id)
class MasterAttribute : public ModelObject {
  public:
    MasterAttribute() = default;
    // With the given id, without the generator: records being read (their
    // id comes with the record) and scratch copies.
    explicit MasterAttribute(Guid::FromText id) : ModelObject(id) {}
    // Copies every field, the id included (used by the list copies).
    MasterAttribute& CopyFrom(const MasterAttribute& other);

    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;

    kest::Cell* Persist(kest::Cell* list);
    bool IsEqual(const MasterAttribute& other) const;
    bool IsEmpty() const;
    bool IsShown(int filter) const;
    int ReplaceText(const std::string& find, const std::string& replacement, int options);
    bool NamesEqual(const MasterAttribute& other) const { return name == other.name; }

    std::string name, type, cardinality, container, value, comment;
    int32_t access = 0;
    int32_t mode = 0;
    Master* owner = nullptr;
};

// (name return-type comment access mode (parameters...) (others...) id code)
class MasterMethod : public ModelObject {
  public:
    MasterMethod() = default;
    // With the given id, without the generator: records being read (their
    // id comes with the record) and scratch copies.
    explicit MasterMethod(Guid::FromText id) : ModelObject(id) {}
    MasterMethod& CopyFrom(const MasterMethod& other);

    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;

    kest::Cell* Persist(kest::Cell* list);
    // Names, return types, comments, access, mode, parameters and others;
    // the code is not compared.
    bool IsEqual(const MasterMethod& other) const;
    bool IsShown(int filter) const;
    int ReplaceText(const std::string& find, const std::string& replacement, int options);
    bool SameSignature(const MasterMethod& other) const;
    // The parameter names joined by separator.
    std::string ParameterNames(const char* separator) const;

    std::string name, returnType, comment, code;
    int32_t access = 0;
    int32_t mode = 0;
    ParameterList parameters;
    MethodOthersList others;
    Master* owner = nullptr;
};

// (name definition comment access kind mode (elements...) id)
class MasterType : public ModelObject {
  public:
    MasterType() = default;
    // With the given id, without the generator: records being read (their
    // id comes with the record) and scratch copies.
    explicit MasterType(Guid::FromText id) : ModelObject(id) {}
    MasterType& CopyFrom(const MasterType& other);

    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;

    kest::Cell* Persist(kest::Cell* list);
    bool IsEqual(const MasterType& other) const;
    int ReplaceText(const std::string& find, const std::string& replacement, int options);
    bool SameSignature(const MasterType& other) const;

    std::string name, definition, comment;
    int32_t access = 0;
    int32_t kind = 0;
    int32_t mode = 0;
    ParameterList elements;
    Master* owner = nullptr;
};

// (name comment (members...) id)
class MasterException : public ModelObject {
  public:
    MasterException() = default;
    // With the given id, without the generator: records being read (their
    // id comes with the record) and scratch copies.
    explicit MasterException(Guid::FromText id) : ModelObject(id) {}
    MasterException& CopyFrom(const MasterException& other);

    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;

    kest::Cell* Persist(kest::Cell* list);
    bool IsEqual(const MasterException& other) const;
    int ReplaceText(const std::string& find, const std::string& replacement, int options);
    bool SameSignature(const MasterException& other) const;

    std::string name, comment;
    ParameterList members;
    Master* owner = nullptr;
};

using AttributeList = std::vector<std::unique_ptr<MasterAttribute>>;
using MethodList = std::vector<std::unique_ptr<MasterMethod>>;
using TypeList = std::vector<std::unique_ptr<MasterType>>;
using ExceptionList = std::vector<std::unique_ptr<MasterException>>;

// Text forms.
// "private" for 0 and 1, "protected" for 2, "public" for 3, "" otherwise.
const char* AccessWord(int access);
// '-' for 0 and 1, '#' for 2, '+' for 3, ' ' otherwise.
char AccessSign(int access);
// '@' when the annotate bit is set, else ' '.
char AnnotateMark(int mode);
// "virtual ", "static ", "const " for the bits set, in that order.
std::string ModifierWords(int mode);

// List operations. CopyList empties the destination and appends an exact copy
// (the id included) of every source record.
void CopyList(AttributeList& destination, const AttributeList& source);
void CopyList(MethodList& destination, const MethodList& source);
void CopyList(TypeList& destination, const TypeList& source);
void CopyList(ExceptionList& destination, const ExceptionList& source);
void CopyList(ParameterList& destination, const ParameterList& source);
void CopyList(MethodOthersList& destination, const MethodOthersList& source);

// Same count and pairwise equal records (methods: and the same code).
bool ListsEqual(const AttributeList& a, const AttributeList& b);
bool ListsEqual(const MethodList& a, const MethodList& b);
bool ListsEqual(const TypeList& a, const TypeList& b);
bool ListsEqual(const ExceptionList& a, const ExceptionList& b);
bool ListsEqual(const ParameterList& a, const ParameterList& b);
bool ListsEqual(const MethodOthersList& a, const MethodOthersList& b);

// Removes (detaches and frees) every record for which a later record has the
// same name (attributes) or signature (the others): the last of each group
// stays. With byTypes, methods whose parameters differ only in their types
// (Java's overloads f(char c) and f(String c)) are two methods, not one met
// twice; without, a C++ declaration and its definition, which may spell a
// type differently, are one.
void RemoveDuplicates(AttributeList& list);
void RemoveDuplicates(MethodList& list, bool byTypes = false);
void RemoveDuplicates(TypeList& list);
void RemoveDuplicates(ExceptionList& list);

// Frees every record and empties the list.
void FreeList(ParameterList& list);
void FreeList(MethodOthersList& list);

// Detaches and frees every record and empties the list.
void DetachList(GuidScope* scope, AttributeList& list);
void DetachList(GuidScope* scope, MethodList& list);
void DetachList(GuidScope* scope, TypeList& list);
void DetachList(GuidScope* scope, ExceptionList& list);

// The list forms of parameter and others lists ((record...) or nil), and
// their reading: the list is emptied and one new record appended per element.
kest::Cell* PersistParameterList(ParameterList& list, kest::Cell* cells, const char* record);
kest::Cell* PersistOthersList(MethodOthersList& list, kest::Cell* cells, const char* record);

} // namespace qm
