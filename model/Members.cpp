// Member records, parameters and method others: record forms, text forms,
// comparisons and list operations.
#include "model/Members.h"

#include "kernel/Cell.h"
#include "model/GuidMap.h"
#include "model/ListRecords.h"
#include "model/RecordFields.h"
#include "platform/TextHelpers.h"

#include <algorithm>

namespace qm {

using kest::Cell;
using kest::mkint;
using kest::nil;

int ReplaceInField(std::string& field, const std::string& find, const std::string& replacement,
                   int options) {
    return ReplaceInText(field, find, options & (RF_MATCH_CASE | RF_WHOLE_WORD | RF_REPLACE),
                         replacement);
}

namespace {

int ReplaceInParameters(ParameterList& list, const std::string& find,
                        const std::string& replacement, int options) {
    int count = 0;
    for (auto& p : list)
        count += p->ReplaceText(find, replacement, options);
    return count;
}

// The optional id at the end of a member record: a string is copied into the
// record's id (an empty one leaves the id it has); nil and an old-form
// number leave it too. A record made for reading (with no id yet) that is
// given none gets a new one.
void TakeMemberId(RecordReader& r, Guid& guid) {
    if (!r.AtEnd()) {
        Cell* c = r.Take("id");
        if (c->type == kest::TString) {
            if (c->a.str[0] != '\0')
                guid.SetText(c->a.str);
        } else if (c != nil && c->type != kest::TInteger) {
            RecordFormatError(r.Record(), "id text expected for id");
        }
    }
    // A member made for reading has no id until its record gives one.
    if (guid.IsEmpty())
        guid.Generate();
}

bool SameParameterNames(const ParameterList& a, const ParameterList& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i]->name != b[i]->name)
            return false;
    }
    return true;
}

template <typename T>
void CopyRecords(std::vector<std::unique_ptr<T>>& dst, const std::vector<std::unique_ptr<T>>& src) {
    std::vector<std::unique_ptr<T>> copy;
    copy.reserve(src.size());
    for (const auto& record : src) {
        auto made = std::make_unique<T>();
        made->CopyFrom(*record);
        copy.push_back(std::move(made));
    }
    dst = std::move(copy);
}

template <typename T>
void CopyPlain(std::vector<std::unique_ptr<T>>& dst, const std::vector<std::unique_ptr<T>>& src) {
    std::vector<std::unique_ptr<T>> copy;
    copy.reserve(src.size());
    for (const auto& record : src)
        copy.push_back(std::make_unique<T>(*record));
    dst = std::move(copy);
}

template <typename T>
bool EqualRecords(const std::vector<std::unique_ptr<T>>& a,
                  const std::vector<std::unique_ptr<T>>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!a[i]->IsEqual(*b[i]))
            return false;
    }
    return true;
}

template <typename T, typename Same>
void RemoveDuplicateRecords(std::vector<std::unique_ptr<T>>& list, Same same) {
    std::vector<std::unique_ptr<T>> kept;
    for (size_t i = 0; i < list.size(); ++i) {
        bool later = false;
        for (size_t j = i + 1; j < list.size() && !later; ++j)
            later = same(*list[i], *list[j]);
        if (later)
            list[i]->Detach(nullptr);
        else
            kept.push_back(std::move(list[i]));
    }
    list = std::move(kept);
}

template <typename T> void DetachRecords(GuidScope* scope, std::vector<std::unique_ptr<T>>& list) {
    for (auto& record : list)
        record->Detach(scope);
    list.clear();
}

// The undo journal's exchange of a whole record: (this-form other-form) when
// asked for the difference; the chosen form read back when given one.
template <typename T> Cell* ExchangeRecord(T& self, ModelObject* other, Cell* list, bool redo) {
    if (list == nullptr) {
        auto* peer = dynamic_cast<T*>(other);
        return kest::mklist(self.Persist(nullptr), peer != nullptr ? peer->Persist(nullptr) : nil,
                            nullptr);
    }
    RecordReader r(list, "property");
    Cell* first = r.List("undo");
    Cell* second = r.List("redo");
    self.Persist(redo ? second : first);
    return nil;
}

} // namespace

// ---- Parameter and MethodOther ----

Cell* Parameter::Persist(Cell* list) {
    if (list == nullptr)
        return kest::mklist(TextCell(name), TextCell(type), TextCell(value), mkint(direction),
                            nullptr);
    RecordReader r(list, "parameter");
    Parameter read;
    read.name = r.String("name");
    read.type = r.String("type");
    read.value = r.String("value");
    read.direction = r.Int("direction");
    *this = std::move(read);
    return r.Rest();
}

bool Parameter::IsEqual(const Parameter& other) const {
    return name == other.name && type == other.type && value == other.value &&
           direction == other.direction;
}

int Parameter::ReplaceText(const std::string& find, const std::string& replacement, int options) {
    return ReplaceInField(name, find, replacement, options) +
           ReplaceInField(type, find, replacement, options);
}

Cell* MethodOther::Persist(Cell* list) {
    if (list == nullptr)
        return kest::mklist(TextCell(name), mkint(kind), nullptr);
    RecordReader r(list, "method other");
    std::string readName = r.String("name");
    kind = r.Int("kind");
    name = std::move(readName);
    return r.Rest();
}

bool MethodOther::IsEqual(const MethodOther& other) const {
    return name == other.name && kind == other.kind;
}

Cell* PersistParameterList(ParameterList& list, Cell* cells, const char* record) {
    if (cells == nullptr) {
        Cell* out = nil;
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            out = kest::mkcons((*it)->Persist(nullptr), out);
        return out;
    }
    CheckedLength(cells, record, "parameters");
    ParameterList read;
    for (Cell* at = cells; at != nil; at = kest::cdr(at)) {
        auto parameter = std::make_unique<Parameter>();
        parameter->Persist(kest::car(at));
        read.push_back(std::move(parameter));
    }
    list = std::move(read);
    return nil;
}

Cell* PersistOthersList(MethodOthersList& list, Cell* cells, const char* record) {
    if (cells == nullptr) {
        Cell* out = nil;
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            out = kest::mkcons((*it)->Persist(nullptr), out);
        return out;
    }
    CheckedLength(cells, record, "others");
    MethodOthersList read;
    for (Cell* at = cells; at != nil; at = kest::cdr(at)) {
        auto other = std::make_unique<MethodOther>();
        other->Persist(kest::car(at));
        read.push_back(std::move(other));
    }
    list = std::move(read);
    return nil;
}

// ---- MasterAttribute ----

MasterAttribute& MasterAttribute::CopyFrom(const MasterAttribute& other) {
    Assign(&other);
    guid = other.guid;
    return *this;
}

std::unique_ptr<ModelObject> MasterAttribute::Clone() const {
    return CloneOf(*this);
}

void MasterAttribute::Assign(const ModelObject* other) {
    const auto* from = AssignSource(this, other);
    if (from == nullptr)
        return;
    name = from->name;
    type = from->type;
    cardinality = from->cardinality;
    container = from->container;
    value = from->value;
    comment = from->comment;
    access = from->access;
    mode = from->mode;
    owner = from->owner;
}

Cell* MasterAttribute::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    return ExchangeRecord(*this, other, list, redo);
}

Cell* MasterAttribute::Persist(Cell* list) {
    if (list == nullptr)
        return FieldCells(AttributeFields(), *this, kest::mklist(IdCell(this), nullptr));
    RecordReader r(list, "attribute");
    MasterAttribute read{Guid::FromText{""}};
    ReadFields(AttributeFields(), read, r);
    Guid id = guid;
    TakeMemberId(r, id);
    // What Assign copies, moved: the record read is dropped next.
    name = std::move(read.name);
    type = std::move(read.type);
    cardinality = std::move(read.cardinality);
    container = std::move(read.container);
    value = std::move(read.value);
    comment = std::move(read.comment);
    access = read.access;
    mode = read.mode;
    guid = id;
    return r.Rest();
}

bool MasterAttribute::IsEqual(const MasterAttribute& o) const {
    return FieldsEqual(AttributeFields(), *this, o);
}

bool MasterAttribute::IsEmpty() const {
    return name.empty() && type.empty() && cardinality.empty() && container.empty() &&
           value.empty() && comment.empty() && access == 0 && mode == 0;
}

namespace {

// The access filter of compartments: annotatedBit and otherBit say to whom it
// applies; publicBit, then the next two bits, hide public, protected and private.
bool ShownByFilter(int filter, int mode, int access, int annotatedBit, int otherBit,
                   int publicBit) {
    bool annotated = (mode & ModeAnnotate) != 0;
    bool applies =
        ((filter & annotatedBit) != 0 && annotated) || ((filter & otherBit) != 0 && !annotated);
    if (!applies)
        return true;
    switch (access) {
    case AccessPublic:
        return (filter & publicBit) == 0;
    case AccessProtected:
        return (filter & (publicBit << 1)) == 0;
    case 0:
    case AccessPrivate:
        return (filter & (publicBit << 2)) == 0;
    default:
        return true;
    }
}

} // namespace

bool MasterAttribute::IsShown(int filter) const {
    return ShownByFilter(filter, mode, access, 0x1, 0x2, 0x10);
}

int MasterAttribute::ReplaceText(const std::string& find, const std::string& replacement,
                                 int options) {
    int count = 0;
    for (std::string* field : {&name, &type, &cardinality, &container, &comment})
        count += ReplaceInField(*field, find, replacement, options);
    return count;
}

// ---- MasterMethod ----

MasterMethod& MasterMethod::CopyFrom(const MasterMethod& other) {
    Assign(&other);
    guid = other.guid;
    return *this;
}

std::unique_ptr<ModelObject> MasterMethod::Clone() const {
    return CloneOf(*this);
}

void MasterMethod::Assign(const ModelObject* other) {
    const auto* from = AssignSource(this, other);
    if (from == nullptr)
        return;
    name = from->name;
    returnType = from->returnType;
    comment = from->comment;
    code = from->code;
    access = from->access;
    mode = from->mode;
    CopyList(parameters, from->parameters);
    CopyList(others, from->others);
    owner = from->owner;
}

Cell* MasterMethod::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    return ExchangeRecord(*this, other, list, redo);
}

Cell* MasterMethod::Persist(Cell* list) {
    if (list == nullptr)
        return FieldCells(MethodFields(), *this,
                          kest::mklist(PersistParameterList(parameters, nullptr, "method"),
                                       PersistOthersList(others, nullptr, "method"), IdCell(this),
                                       TextCell(code), nullptr));
    RecordReader r(list, "method");
    MasterMethod read{Guid::FromText{""}};
    ReadFields(MethodFields(), read, r);
    PersistParameterList(read.parameters, r.List("parameters"), "method");
    if (r.NextIsList())
        PersistOthersList(read.others, r.List("others"), "method");
    Guid id = guid;
    TakeMemberId(r, id);
    // Older files end before the code.
    if (!r.AtEnd())
        read.code = r.String("code");
    // What Assign copies, moved: the record read is dropped next.
    name = std::move(read.name);
    returnType = std::move(read.returnType);
    comment = std::move(read.comment);
    code = std::move(read.code);
    access = read.access;
    mode = read.mode;
    parameters = std::move(read.parameters);
    others = std::move(read.others);
    guid = id;
    return r.Rest();
}

bool MasterMethod::IsEqual(const MasterMethod& o) const {
    return FieldsEqual(MethodFields(), *this, o) && ListsEqual(parameters, o.parameters) &&
           ListsEqual(others, o.others);
}

bool MasterMethod::IsShown(int filter) const {
    return ShownByFilter(filter, mode, access, 0x4, 0x8, 0x100);
}

int MasterMethod::ReplaceText(const std::string& find, const std::string& replacement,
                              int options) {
    int count = 0;
    for (std::string* field : {&name, &returnType, &comment, &code})
        count += ReplaceInField(*field, find, replacement, options);
    count += ReplaceInParameters(parameters, find, replacement, options);
    for (auto& other : others)
        count += ReplaceInField(other->name, find, replacement, options);
    return count;
}

bool MasterMethod::SameSignature(const MasterMethod& other) const {
    return name == other.name && SameParameterNames(parameters, other.parameters);
}

std::string MasterMethod::ParameterNames(const char* separator) const {
    std::string out;
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (i > 0)
            out += separator;
        out += parameters[i]->name;
    }
    return out;
}

// ---- MasterType ----

MasterType& MasterType::CopyFrom(const MasterType& other) {
    Assign(&other);
    guid = other.guid;
    return *this;
}

std::unique_ptr<ModelObject> MasterType::Clone() const {
    return CloneOf(*this);
}

void MasterType::Assign(const ModelObject* other) {
    const auto* from = AssignSource(this, other);
    if (from == nullptr)
        return;
    name = from->name;
    definition = from->definition;
    comment = from->comment;
    access = from->access;
    kind = from->kind;
    mode = from->mode;
    CopyList(elements, from->elements);
    owner = from->owner;
}

Cell* MasterType::Persist(Cell* list) {
    if (list == nullptr)
        return kest::mklist(TextCell(name), TextCell(definition), TextCell(comment), mkint(access),
                            mkint(kind), mkint(mode),
                            PersistParameterList(elements, nullptr, "type"), IdCell(this), nullptr);
    RecordReader r(list, "type");
    MasterType read{Guid::FromText{""}};
    read.name = r.String("name");
    read.definition = r.String("definition");
    read.comment = r.String("comment");
    read.access = r.Int("access");
    read.kind = r.Int("kind");
    read.mode = r.Int("mode");
    PersistParameterList(read.elements, r.List("elements"), "type");
    read.guid = guid;
    TakeMemberId(r, read.guid);
    read.owner = owner;
    CopyFrom(read);
    return r.Rest();
}

bool MasterType::IsEqual(const MasterType& o) const {
    return name == o.name && definition == o.definition && comment == o.comment &&
           access == o.access && kind == o.kind && mode == o.mode &&
           ListsEqual(elements, o.elements);
}

int MasterType::ReplaceText(const std::string& find, const std::string& replacement, int options) {
    int count = 0;
    for (std::string* field : {&name, &definition, &comment})
        count += ReplaceInField(*field, find, replacement, options);
    return count + ReplaceInParameters(elements, find, replacement, options);
}

bool MasterType::SameSignature(const MasterType& other) const {
    return name == other.name && SameParameterNames(elements, other.elements);
}

// ---- MasterException ----

MasterException& MasterException::CopyFrom(const MasterException& other) {
    Assign(&other);
    guid = other.guid;
    return *this;
}

std::unique_ptr<ModelObject> MasterException::Clone() const {
    return CloneOf(*this);
}

void MasterException::Assign(const ModelObject* other) {
    const auto* from = AssignSource(this, other);
    if (from == nullptr)
        return;
    name = from->name;
    comment = from->comment;
    CopyList(members, from->members);
    owner = from->owner;
}

Cell* MasterException::Persist(Cell* list) {
    if (list == nullptr)
        return kest::mklist(TextCell(name), TextCell(comment),
                            PersistParameterList(members, nullptr, "exception"), IdCell(this),
                            nullptr);
    RecordReader r(list, "exception");
    MasterException read{Guid::FromText{""}};
    read.name = r.String("name");
    read.comment = r.String("comment");
    PersistParameterList(read.members, r.List("members"), "exception");
    read.guid = guid;
    TakeMemberId(r, read.guid);
    read.owner = owner;
    CopyFrom(read);
    return r.Rest();
}

bool MasterException::IsEqual(const MasterException& o) const {
    return name == o.name && comment == o.comment && ListsEqual(members, o.members);
}

int MasterException::ReplaceText(const std::string& find, const std::string& replacement,
                                 int options) {
    int count = ReplaceInField(name, find, replacement, options);
    count += ReplaceInField(comment, find, replacement, options);
    return count + ReplaceInParameters(members, find, replacement, options);
}

bool MasterException::SameSignature(const MasterException& other) const {
    return name == other.name && SameParameterNames(members, other.members);
}

// ---- text forms ----

const char* AccessWord(int access) {
    switch (access) {
    case 0:
    case AccessPrivate:
        return "private";
    case AccessProtected:
        return "protected";
    case AccessPublic:
        return "public";
    default:
        return "";
    }
}

char AccessSign(int access) {
    switch (access) {
    case 0:
    case AccessPrivate:
        return '-';
    case AccessProtected:
        return '#';
    case AccessPublic:
        return '+';
    default:
        return ' ';
    }
}

char AnnotateMark(int mode) {
    return (mode & ModeAnnotate) != 0 ? '@' : ' ';
}

std::string ModifierWords(int mode) {
    std::string out;
    if ((mode & ModeVirtual) != 0)
        out += "virtual ";
    if ((mode & ModeStatic) != 0)
        out += "static ";
    if ((mode & ModeConst) != 0)
        out += "const ";
    return out;
}

// ---- list operations ----

void CopyList(AttributeList& d, const AttributeList& s) {
    CopyRecords(d, s);
}
void CopyList(MethodList& d, const MethodList& s) {
    CopyRecords(d, s);
}
void CopyList(TypeList& d, const TypeList& s) {
    CopyRecords(d, s);
}
void CopyList(ExceptionList& d, const ExceptionList& s) {
    CopyRecords(d, s);
}
void CopyList(ParameterList& d, const ParameterList& s) {
    CopyPlain(d, s);
}
void CopyList(MethodOthersList& d, const MethodOthersList& s) {
    CopyPlain(d, s);
}

bool ListsEqual(const AttributeList& a, const AttributeList& b) {
    return EqualRecords(a, b);
}
bool ListsEqual(const MethodList& a, const MethodList& b) {
    // The journal's snapshot decides from this whether the methods changed,
    // so a change of a method's code alone must count as well.
    if (!EqualRecords(a, b))
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i]->code != b[i]->code)
            return false;
    }
    return true;
}
bool ListsEqual(const TypeList& a, const TypeList& b) {
    return EqualRecords(a, b);
}
bool ListsEqual(const ExceptionList& a, const ExceptionList& b) {
    return EqualRecords(a, b);
}
bool ListsEqual(const ParameterList& a, const ParameterList& b) {
    return EqualRecords(a, b);
}
bool ListsEqual(const MethodOthersList& a, const MethodOthersList& b) {
    return EqualRecords(a, b);
}

void RemoveDuplicates(AttributeList& list) {
    RemoveDuplicateRecords(
        list, [](const MasterAttribute& a, const MasterAttribute& b) { return a.NamesEqual(b); });
}
void RemoveDuplicates(MethodList& list, bool byTypes) {
    RemoveDuplicateRecords(list, [byTypes](const MasterMethod& a, const MasterMethod& b) {
        if (!a.SameSignature(b))
            return false;
        if (!byTypes)
            return true;
        for (size_t i = 0; i < a.parameters.size(); ++i) {
            if (a.parameters[i]->type != b.parameters[i]->type)
                return false;
        }
        return true;
    });
}
void RemoveDuplicates(TypeList& list) {
    RemoveDuplicateRecords(
        list, [](const MasterType& a, const MasterType& b) { return a.SameSignature(b); });
}
void RemoveDuplicates(ExceptionList& list) {
    RemoveDuplicateRecords(list, [](const MasterException& a, const MasterException& b) {
        return a.SameSignature(b);
    });
}

void FreeList(ParameterList& list) {
    list.clear();
}
void FreeList(MethodOthersList& list) {
    list.clear();
}

void DetachList(GuidScope* scope, AttributeList& list) {
    DetachRecords(scope, list);
}
void DetachList(GuidScope* scope, MethodList& list) {
    DetachRecords(scope, list);
}
void DetachList(GuidScope* scope, TypeList& list) {
    DetachRecords(scope, list);
}
void DetachList(GuidScope* scope, ExceptionList& list) {
    DetachRecords(scope, list);
}

} // namespace qm
