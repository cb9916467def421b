// The list-record converters, object references and the checked record reader.
#include "model/ListRecords.h"

#include "kernel/Symbol.h"
#include "model/GuidMap.h"
#include "model/ModelObject.h"
#include "platform/Errors.h"
#include "platform/Format.h"

#include <array>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// More elements than the whole cell heap can hold: a list this long is circular.
constexpr int64_t ListWalkLimit = 1 << 24;

bool IsInt(const Cell* c) {
    return c->type == kest::TInteger;
}

// Fills n integers from the front of list into out; returns the rest.
template <size_t N> Cell* TakeInts(Cell* list, std::array<int32_t, N>& out, const char* what) {
    Cell* at = list;
    for (size_t i = 0; i < N; ++i) {
        if (!kest::ispair(at) || !IsInt(kest::car(at)))
            RecordFormatError(what, Format("%zu integers expected", N));
        out[i] = kest::car(at)->a.ival;
        at = kest::cdr(at);
    }
    if (at != nil && !kest::ispair(at))
        RecordFormatError(what, "improper list");
    return at;
}

Cell* Ints(std::initializer_list<int32_t> values) {
    Cell* list = nil;
    for (auto it = values.end(); it != values.begin();) {
        --it;
        list = kest::mkcons(kest::mkint(*it), list);
    }
    return list;
}

} // namespace

void RecordFormatError(const char* record, const std::string& what) {
    throw CKestException(Format("bad %s record: %s", record, what.c_str()));
}

void ExpectHead(Cell* record, kest::Symbol* head) {
    bool ok = record != nullptr && kest::ispair(record) && kest::car(record) == head;
    ReportOperationFailure(ok, Format("%s sym expected", head->name), true);
}

Cell* ListElements::Next() {
    if (!kest::ispair(at_))
        return nullptr;
    Cell* element = kest::car(at_);
    at_ = kest::cdr(at_);
    return element;
}

int32_t CheckedLength(Cell* list, const char* record, const char* field) {
    int64_t n = 0;
    Cell* at = list;
    for (; kest::ispair(at); at = kest::cdr(at)) {
        if (++n > ListWalkLimit)
            RecordFormatError(record, Format("%s is circular", field));
    }
    if (at != nil)
        RecordFormatError(record, Format("list expected for %s", field));
    return static_cast<int32_t>(n);
}

Cell* rectlist(CRect& rect, Cell* list) {
    if (list == nil)
        return Ints({rect.left, rect.top, rect.right, rect.bottom});
    std::array<int32_t, 4> v{};
    Cell* rest = TakeInts(list, v, "rectangle");
    rect = CRect(v[0], v[1], v[2], v[3]);
    return rest;
}

Cell* pairlist(IntPair& pair, Cell* list) {
    if (list == nil)
        return Ints({pair.first, pair.second});
    std::array<int32_t, 2> v{};
    Cell* rest = TakeInts(list, v, "pair");
    pair = {v[0], v[1]};
    return rest;
}

Cell* pointlist(CPoint& point, Cell* list) {
    if (list == nil)
        return Ints({point.x, point.y});
    std::array<int32_t, 2> v{};
    Cell* rest = TakeInts(list, v, "point");
    point = CPoint(v[0], v[1]);
    return rest;
}

Cell* rectarraylist(std::vector<CRect>& array, Cell* list) {
    if (list == nil) {
        Cell* out = nil;
        for (auto it = array.rbegin(); it != array.rend(); ++it)
            out = kest::mkcons(rectlist(*it, nil), out);
        return out;
    }
    CheckedLength(list, "rectangle array", "rectangles");
    // Read everything first, so that a bad element leaves the array as it was.
    std::vector<CRect> read;
    for (Cell* at = list; at != nil;) {
        CRect rect;
        if (kest::ispair(kest::car(at))) {
            if (rectlist(rect, kest::car(at)) != nil)
                RecordFormatError("rectangle array", "4 integers expected");
            at = kest::cdr(at);
        } else {
            at = rectlist(rect, at);
        }
        read.push_back(rect);
    }
    if (array.size() < read.size())
        array.resize(read.size());
    std::copy(read.begin(), read.end(), array.begin());
    return nil;
}

Cell* pointarraylist(std::vector<CPoint>& array, Cell* list) {
    if (list == nil) {
        Cell* out = nil;
        for (auto it = array.rbegin(); it != array.rend(); ++it)
            out = kest::mkcons(kest::mkint(it->x), kest::mkcons(kest::mkint(it->y), out));
        return out;
    }
    int32_t n = CheckedLength(list, "point array", "points");
    if (n % 2 != 0)
        RecordFormatError("point array", "an even number of integers expected");
    std::vector<CPoint> read;
    read.reserve(static_cast<size_t>(n / 2));
    for (Cell* at = list; at != nil;) {
        CPoint point;
        at = pointlist(point, at);
        read.push_back(point);
    }
    array = std::move(read);
    return nil;
}

ObjectRef ObjectRef::ToText(const char* text) {
    ObjectRef ref;
    ref.kind_ = Kind::Text;
    ref.text_.SetText(text);
    return ref;
}

ObjectRef ObjectRef::ToNumber(int32_t number) {
    ObjectRef ref;
    ref.kind_ = Kind::Number;
    ref.number_ = number;
    return ref;
}

ObjectRef ObjectRef::ToObject(ModelObject* object) {
    ObjectRef ref;
    ref.kind_ = object != nullptr ? Kind::Object : Kind::None;
    ref.object_ = object;
    return ref;
}

bool ObjectRef::IsNil() const {
    switch (kind_) {
    case Kind::None:
        return true;
    case Kind::Text:
        return text_.IsEmpty();
    case Kind::Number:
        return false;
    case Kind::Object:
        return object_ == nullptr;
    }
    return true;
}

ModelObject* ObjectRef::Resolve(const GuidMap* map) const {
    ModelObject* found = nullptr;
    switch (kind_) {
    case Kind::None:
        return nullptr;
    case Kind::Object:
        return object_;
    case Kind::Text:
        if (map != nullptr && !text_.IsEmpty())
            map->Lookup(text_.Text(), found, false);
        return found;
    case Kind::Number:
        if (map != nullptr)
            map->Lookup(number_, found, false);
        return found;
    }
    return nullptr;
}

ModelObject* ObjectRef::ResolveIn(const GuidScope* scope) const {
    if (scope == nullptr)
        return Resolve(static_cast<const GuidMap*>(nullptr));
    if (kind_ == Kind::Text && !text_.IsEmpty())
        return scope->Lookup(text_.Text());
    return Resolve(scope->current);
}

ObjectRef ResolveObjectRef(const GuidMap*, Cell* cell, Guid* guidOut, bool* isGuidOut,
                           const char* record) {
    bool isText = cell->type == kest::TString;
    if (isGuidOut != nullptr)
        *isGuidOut = isText;
    if (isText) {
        if (guidOut != nullptr)
            guidOut->SetText(cell->a.str);
        return ObjectRef::ToText(cell->a.str);
    }
    if (IsInt(cell))
        return ObjectRef::ToNumber(cell->a.ival);
    if (cell->type == kest::TRef)
        return ObjectRef::ToObject(static_cast<ModelObject*>(cell->a.ref));
    if (cell == nil)
        return ObjectRef();
    RecordFormatError(record, "id text expected");
}

void RegisterRecordId(GuidMap& map, const ObjectRef& id, ModelObject* object) {
    if (id.IsText() && !id.IsNil())
        map.Register(0, id.Text(), true, object);
    else if (id.IsNumber())
        map.Register(id.Number(), nullptr, false, object);
}

Cell* IdCell(const ModelObject* object) {
    return kest::mkstr(IdOf(object));
}

Cell* TextCell(const std::string& text) {
    return kest::mkstr(text.c_str(), text.size());
}

RecordReader::RecordReader(Cell* list, const char* record) : at_(list), record_(record) {
    if (at_ == nullptr)
        at_ = nil;
    if (at_ != nil && !kest::ispair(at_))
        RecordFormatError(record_, "list expected");
}

bool RecordReader::AtEnd() const {
    return at_ == nil;
}

Cell* RecordReader::Peek() const {
    return at_ == nil ? nullptr : kest::car(at_);
}

bool RecordReader::NextIsString() const {
    Cell* c = Peek();
    return c != nullptr && c->type == kest::TString;
}

bool RecordReader::NextIsInt() const {
    Cell* c = Peek();
    return c != nullptr && IsInt(c);
}

bool RecordReader::NextIsList() const {
    Cell* c = Peek();
    return c != nullptr && kest::islist(c);
}

void RecordReader::Advance() {
    at_ = kest::cdr(at_);
    if (at_ != nil && !kest::ispair(at_))
        RecordFormatError(record_, "improper list");
}

void RecordReader::Fail(const char* field, const char* expected) const {
    if (at_ == nil)
        RecordFormatError(record_, Format("ends before %s", field));
    RecordFormatError(record_, Format("%s expected for %s", expected, field));
}

Cell* RecordReader::Take(const char* field) {
    if (at_ == nil)
        Fail(field, "a value");
    Cell* c = kest::car(at_);
    Advance();
    return c;
}

int32_t RecordReader::Int(const char* field) {
    if (!NextIsInt())
        Fail(field, "integer");
    return Take(field)->a.ival;
}

std::string RecordReader::String(const char* field) {
    if (!NextIsString())
        Fail(field, "string");
    return Take(field)->a.str;
}

Cell* RecordReader::List(const char* field) {
    if (!NextIsList())
        Fail(field, "list");
    Cell* list = Take(field);
    CheckedLength(list, record_, field);
    return list;
}

ObjectRef RecordReader::Ref(const GuidMap* map, const char* field, Guid* guidOut) {
    return ResolveObjectRef(map, Take(field), guidOut, nullptr, record_);
}

void RecordReader::Rect(CRect& rect, const char* field) {
    Cell* c = Peek();
    if (c == nullptr || !kest::ispair(c))
        Fail(field, "rectangle");
    if (CheckedLength(c, record_, field) != 4)
        Fail(field, "rectangle of 4 integers");
    rectlist(rect, c);
    Advance();
}

void RecordReader::Point(CPoint& point, const char* field) {
    Cell* c = Peek();
    if (c == nullptr || !kest::ispair(c))
        Fail(field, "point");
    if (CheckedLength(c, record_, field) != 2)
        Fail(field, "point of 2 integers");
    pointlist(point, c);
    Advance();
}

void ChoosePropertyValues(RecordReader& r, const char* record, const kest::CellType* types,
                          size_t count, bool redo, Cell** chosen) {
    for (size_t i = 0; i < count; ++i) {
        chosen[i] = nullptr;
        Cell* entry = r.List("property");
        if (entry == nil)
            continue;
        RecordReader values(entry, record);
        Cell* undo = values.Take("undo value");
        Cell* again = values.Take("redo value");
        chosen[i] = redo ? again : undo;
        if (chosen[i]->type != types[i])
            RecordFormatError(record,
                              types[i] == kest::TString ? "string expected" : "integer expected");
    }
}

} // namespace qm
