// The scalar fields of masters and member records, listed once: each field's
// name in records and their messages, its symbol in printed property lists,
// the kind of value it holds and the field itself. The record readers and
// writers, the comparison, the three-way merge, the undo journal's property
// exchange and the printed property lists read these tables.
#pragma once

#include "kernel/Kernel.h"
#include "model/ListRecords.h"

#include <cstdint>
#include <span>
#include <string>

namespace qm {

class Master;
class MasterAttribute;
class MasterMethod;

// What a field holds, and so how it is written, read and printed.
enum class FieldKind : uint8_t {
    Text,   // a string
    Access, // an access code (AccessPublic ...), printed as its symbol
    Mode,   // a member's mode bits, printed as their list
    Flags,  // a master's flag word, printed as its list of flags
};

template <class Record> struct FieldDescriptor {
    const char* name;   // in records and their messages ("return type")
    const char* symbol; // in printed property lists ("returns")
    FieldKind kind;
    std::string Record::*text = nullptr; // the field of a Text
    int32_t Record::*integer = nullptr;  // the field of the other kinds
    // A master's place in the undo journal's property-exchange list.
    int exchangeSlot = -1;
    // Older records lack the field: it is read only when the next cell is a
    // string, else it is empty.
    bool optional = false;
    // False for a text left out of a record when it is empty, so that
    // records without it keep the form older readers know.
    bool writtenWhenEmpty = true;

    bool IsText() const { return kind == FieldKind::Text; }
    bool Equal(const Record& a, const Record& b) const {
        return IsText() ? a.*text == b.*text : a.*integer == b.*integer;
    }
    // The field's value as a record cell: a string or an integer.
    kest::Cell* ValueCell(const Record& record) const {
        return IsText() ? TextCell(record.*text) : kest::mkint(record.*integer);
    }
    // Reads the field from the next cell of r, failing the record on a
    // value of the wrong type.
    void Read(Record& record, RecordReader& r) const {
        if (!IsText()) {
            record.*integer = r.Int(name);
            return;
        }
        record.*text = optional && !r.NextIsString() ? std::string() : r.String(name);
    }
};

// In record order. A master: access, name, stereotype, file, comment,
// namespace, link, imports (only when not empty), flags (its tool, submodel and member lists are
// kept apart). An attribute: name, type, cardinality, container, value, comment, access, mode. A
// method: name, return type, comment, access, mode (its parameters, others and code are kept
// apart).
std::span<const FieldDescriptor<Master>> MasterFields();
std::span<const FieldDescriptor<MasterAttribute>> AttributeFields();
std::span<const FieldDescriptor<MasterMethod>> MethodFields();
// The master's field printed under symbol; an unknown symbol is a bug.
const FieldDescriptor<Master>& MasterField(const char* symbol);

// True when every field of the table is equal in a and b.
template <class Record>
bool FieldsEqual(std::span<const FieldDescriptor<Record>> fields, const Record& a,
                 const Record& b) {
    for (const auto& field : fields) {
        if (!field.Equal(a, b))
            return false;
    }
    return true;
}

// The cells of the table's fields, in order, in front of tail.
template <class Record>
kest::Cell* FieldCells(std::span<const FieldDescriptor<Record>> fields, const Record& record,
                       kest::Cell* tail) {
    for (size_t i = fields.size(); i > 0; --i) {
        const auto& field = fields[i - 1];
        if (!field.writtenWhenEmpty && field.IsText() && (record.*field.text).empty())
            continue;
        tail = kest::mkcons(field.ValueCell(record), tail);
    }
    return tail;
}

// Reads the table's fields, in order, from r.
template <class Record>
void ReadFields(std::span<const FieldDescriptor<Record>> fields, Record& record, RecordReader& r) {
    for (const auto& field : fields)
        field.Read(record, r);
}

} // namespace qm
