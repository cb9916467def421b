// The list-record converters and the checked reading of records. The
// converters turn rectangles, pairs, points and their arrays into their list
// forms and back: given nil they build the list; given a list they fill the
// value from its first elements and return the rest. ResolveObjectRef turns
// an id or reference field into an ObjectRef, which holds the id until
// ResolveRefs binds it. RecordReader takes a record's fields one by one and
// reports a format error (CKestException) for a missing field, a cell of the
// wrong type or a malformed list, so no reader ever runs past a short record.
//
// The list forms, all elements integer cells:
//   rectlist        (left top right bottom)
//   pairlist        (first second)
//   pointlist       (x y)
//   rectarraylist   ((l1 t1 r1 b1) (l2 t2 r2 b2) ...): one sublist per rectangle,
//                   as records hold rectangles; a flat run l1 t1 r1 b1 ... also reads
//   pointarraylist  (x1 y1 x2 y2 ...)
#pragma once

#include "kernel/Cell.h"
#include "model/Guid.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qm {

class GuidMap;
class GuidScope;
class ModelObject;

using IntPair = std::pair<int32_t, int32_t>;

// Given nil: the list form. Given a list: fills the value and returns the rest
// of the list after the consumed elements (nil for the array converters,
// which consume the whole list). Elements that are missing or not integers
// are a format error; the value is then unchanged.
kest::Cell* rectlist(CRect& rect, kest::Cell* list);
kest::Cell* pairlist(IntPair& pair, kest::Cell* list);
kest::Cell* pointlist(CPoint& point, kest::Cell* list);
// Filling stores the rectangles at index 0, 1, ... growing the array as
// needed; entries beyond the list's count stay.
kest::Cell* rectarraylist(std::vector<CRect>& array, kest::Cell* list);
// Filling sets the array to exactly the points read; an odd count of
// integers is a format error.
kest::Cell* pointarraylist(std::vector<CPoint>& array, kest::Cell* list);

// Throws CKestException("bad <record> record: <what>").
[[noreturn]] void RecordFormatError(const char* record, const std::string& what);

// The failure check of a record's head: record must be a list whose first
// element is head; otherwise the fatal failure "<head> sym expected".
void ExpectHead(kest::Cell* record, kest::Symbol* head);

// A reference to another object as a record holds it: an id text waiting for
// ResolveRefs, an old-form numeric id, an object, or nothing.
class ObjectRef {
  public:
    ObjectRef() = default;
    static ObjectRef ToText(const char* text);
    static ObjectRef ToNumber(int32_t number);
    static ObjectRef ToObject(ModelObject* object);

    // No object: no id text (or the empty one), no number and no object.
    bool IsNil() const;
    bool IsText() const { return kind_ == Kind::Text; }
    bool IsNumber() const { return kind_ == Kind::Number; }
    bool IsObject() const { return kind_ == Kind::Object; }
    const char* Text() const { return text_.Text(); }
    int32_t Number() const { return number_; }
    ModelObject* Object() const { return object_; }

    // The object meant: the object itself, or the id looked up in map
    // (without throwing); null when there is none or it is not registered.
    ModelObject* Resolve(const GuidMap* map) const;
    // As above through the record context: an id text is looked up in the
    // paste's read map first, then in the current map.
    ModelObject* ResolveIn(const GuidScope* scope) const;

  private:
    enum class Kind { None, Text, Number, Object };
    Kind kind_ = Kind::None;
    Guid text_{Guid::FromText{""}};
    int32_t number_ = 0;
    ModelObject* object_ = nullptr;
};

// A reference field: a string is an id text (isGuidOut true; copied, at
// most 15 characters, into guidOut when given); an integer an old-form
// numeric id; an object reference cell its object; nil no object. Any other
// cell is a format error of the record named.
ObjectRef ResolveObjectRef(const GuidMap* idMap, kest::Cell* cell, Guid* guidOut, bool* isGuidOut,
                           const char* record = "object");

// Registers object in map under what its record's id field gave (an id
// text, or a numeric id and the object's own id). Nothing for a nil id.
void RegisterRecordId(GuidMap& map, const ObjectRef& id, ModelObject* object);

// The id text of an object as a string cell ("" for none).
kest::Cell* IdCell(const ModelObject* object);
// A string cell holding text whole, embedded nul characters included.
kest::Cell* TextCell(const std::string& text);

class RecordReader;

// The applying half of a property exchange: takes count entries from r,
// each nil (unchanged) or a list (undo-value redo-value), and puts the value
// chosen by redo, or null for nil, into chosen. A value whose type is not its
// entry of types fails the record ("string expected", "integer expected").
void ChoosePropertyValues(RecordReader& r, const char* record, const kest::CellType* types,
                          size_t count, bool redo, kest::Cell** chosen);

// Takes a record's fields in order, checking each.
class RecordReader {
  public:
    // list: the record's remaining elements; record names it in errors.
    RecordReader(kest::Cell* list, const char* record);

    bool AtEnd() const;
    // The next cell, or null at the end.
    kest::Cell* Peek() const;
    bool NextIsString() const;
    bool NextIsInt() const;
    // A list or nil.
    bool NextIsList() const;

    // The next cell, whatever it is.
    kest::Cell* Take(const char* field);
    int32_t Int(const char* field);
    std::string String(const char* field);
    // A proper list or nil.
    kest::Cell* List(const char* field);
    // A reference field (ResolveObjectRef).
    ObjectRef Ref(const GuidMap* map, const char* field, Guid* guidOut = nullptr);
    // A rectangle or point held as a sublist of integers.
    void Rect(CRect& rect, const char* field);
    void Point(CPoint& point, const char* field);

    // The elements not taken yet.
    kest::Cell* Rest() const { return at_; }
    const char* Record() const { return record_; }
    [[noreturn]] void Fail(const char* field, const char* expected) const;

  private:
    void Advance();

    kest::Cell* at_;
    const char* record_;
};

// Checks that list is nil or a proper list of pairs ending in nil; returns
// its length, or reports a format error of the record named.
int32_t CheckedLength(kest::Cell* list, const char* record, const char* field);

// The elements of a record handed over one at a time, so that a long record
// read from a file is never held in cells whole. Next gives each element in
// turn and nullptr after the last; Release lets go of the cells of every
// element given so far, which the caller no longer holds.
class RecordElements {
  public:
    virtual ~RecordElements() = default;
    virtual kest::Cell* Next() = 0;
    virtual void Release() {}
};

// The elements of a list already read whole; Release keeps them.
class ListElements : public RecordElements {
  public:
    explicit ListElements(kest::Cell* list) : at_(list) {}
    kest::Cell* Next() override;

  private:
    kest::Cell* at_;
};

} // namespace qm
