// The controls' records, their comparison and the drawable factory's makers
// for their heads. A record is the class's head word, the class's own fields
// (items; member group record; current page and page captions), the control
// fields and the base run. All is read and checked before it is kept; a
// refused record leaves no part of the control in an id map.
#include "drawables/UiControl.h"

#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Format.h"

#include <cstring>

namespace qm {

using kest::Cell;
using kest::nil;

namespace {

// The failure check of a record's head, for heads that are no predefined symbol.
void ExpectControlHead(Cell* record, const char* head) {
    bool ok = record != nullptr && kest::ispair(record) && kest::issymbol(kest::car(record)) &&
              std::strcmp(static_cast<kest::Symbol*>(kest::car(record))->name, head) == 0;
    ReportOperationFailure(ok, Format("%s sym expected", head), true);
}

// Exactly N integers within [0, limit] from a sublist of the record.
template <size_t N, class T>
void ReadSmallInts(RecordReader& r, const char* field, int32_t limit, std::array<T, N>& out) {
    Cell* list = r.List(field);
    if (CheckedLength(list, r.Record(), field) != int32_t(N))
        RecordFormatError(r.Record(), Format("%zu integers expected for %s", N, field));
    size_t i = 0;
    for (Cell* at = list; at != nil; at = kest::cdr(at), ++i) {
        Cell* value = kest::car(at);
        if (value->type != kest::TInteger || value->a.ival < 0 || value->a.ival > limit)
            RecordFormatError(r.Record(),
                              Format("%s: integers from 0 to %d expected", field, limit));
        out[i] = static_cast<T>(value->a.ival);
    }
}

template <size_t N, class T> Cell* WriteInts(const std::array<T, N>& values) {
    Cell* list = nil;
    for (size_t i = N; i > 0; --i)
        list = kest::mkcons(kest::mkint(int32_t(values[i - 1])), list);
    return list;
}

// The control fields as a record holds them.
struct ControlFields {
    uint32_t flags = 0;
    std::string name, caption, defaultText, picture;
    std::array<uint16_t, 3> numbers{};
    std::array<uint8_t, 5> flagProperties{};
    int32_t number = 0;
};

ControlFields ReadControlFields(RecordReader& r) {
    ControlFields f;
    f.flags = static_cast<uint32_t>(r.Int("control flags"));
    f.name = r.String("name");
    f.caption = r.String("caption");
    f.defaultText = r.String("default text");
    f.picture = r.String("picture");
    ReadSmallInts(r, "numeric properties", 0xFFFF, f.numbers);
    ReadSmallInts(r, "flag properties", 0xFF, f.flagProperties);
    f.number = r.Int("control number");
    return f;
}

} // namespace

Cell* UiControlPlace::Persist(GuidScope* scope, Cell* list) {
    const char* head = RecordHead();
    if (list == nil) {
        Cell* own = kest::mklist(kest::intern(head), nullptr);
        own = kest::nconc(own, WriteClassFields(scope));
        Cell* fields =
            kest::mklist(kest::mkint(int32_t(controlFlags)), TextCell(name), TextCell(caption),
                         TextCell(defaultText), TextCell(picture), WriteInts(numbers),
                         WriteInts(flagProperties), kest::mkint(controlNumber), nullptr);
        own = kest::nconc(own, fields);
        return kest::nconc(own, WriteBase());
    }
    ExpectControlHead(list, head);
    RecordReader r(kest::cdr(list), head);
    try {
        ReadClassFields(scope, r);
        ControlFields f = ReadControlFields(r);
        ReadBase(scope, r);
        if (kind != DkUiControl)
            RecordFormatError(head, Format("kind %d expected, got %d", DkUiControl, kind));
        if (!KindCodeSuits(kindCode))
            RecordFormatError(head, Format("kind code %d does not suit the record", kindCode));
        if ((style & (DsGroup | DsScenarioPlace)) != 0)
            RecordFormatError(head, Format("style %d does not suit the record", style));
        controlFlags = f.flags;
        name = std::move(f.name);
        caption = std::move(f.caption);
        defaultText = std::move(f.defaultText);
        picture = std::move(f.picture);
        numbers = f.numbers;
        flagProperties = f.flagProperties;
        controlNumber = f.number;
    } catch (...) {
        DropReadParts(scope);
        throw;
    }
    return r.Rest();
}

Cell* UiControlPlace::WriteClassFields(GuidScope*) {
    return nil;
}

void UiControlPlace::ReadClassFields(GuidScope*, RecordReader&) {}

void UiControlPlace::DropReadParts(GuidScope*) {}

bool UiControlPlace::KindCodeSuits(int) const {
    return false;
}

bool UiControlPlace::EqualClassFields(const UiControlPlace&) const {
    return true;
}

bool UiControlPlace::IsEqualContent(const Drawable& other) const {
    const auto* o = dynamic_cast<const UiControlPlace*>(&other);
    return o != nullptr && typeid(*o) == typeid(*this) && kindCode == o->kindCode &&
           kind == o->kind && style == o->style && controlFlags == o->controlFlags &&
           name == o->name && caption == o->caption && defaultText == o->defaultText &&
           picture == o->picture && numbers == o->numbers && flagProperties == o->flagProperties &&
           EqualClassFields(*o);
}

bool UiControlPlace::IsEqual(const Drawable& other) const {
    return IsEqualContent(other) && bounds == other.bounds && looks.Equals(other.looks);
}

// ---- the classes' own fields ----

bool UiLabelControl::KindCodeSuits(int code) const {
    return code == TkUiLabel;
}

bool UiButtonControl::KindCodeSuits(int code) const {
    return code == TkUiButton;
}

bool UiRadioButtonControl::KindCodeSuits(int code) const {
    return code == TkUiRadioButton;
}

bool UiCheckBoxControl::KindCodeSuits(int code) const {
    return code == TkUiCheckBox;
}

bool UiEditControl::KindCodeSuits(int code) const {
    return code == TkUiEdit;
}

bool UiComboBoxControl::KindCodeSuits(int code) const {
    return code == TkUiComboBox;
}

bool UiMultiLineEditControl::KindCodeSuits(int code) const {
    return code == TkUiMultiLineEdit;
}

bool UiGroupBoxControl::KindCodeSuits(int code) const {
    return code == TkUiGroupBox;
}

bool UiListBoxControl::KindCodeSuits(int code) const {
    return code == TkUiListBox;
}

bool UiTabControl::KindCodeSuits(int code) const {
    return code == TkUiTabControl;
}

bool UiWindowControl::KindCodeSuits(int code) const {
    return code == kUiWindowKindCode;
}

// Edit family: (("item" ...) ...).
Cell* UiEditControl::WriteClassFields(GuidScope*) {
    Cell* list = nil;
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        list = kest::mkcons(TextCell(*it), list);
    return kest::mklist(list, nullptr);
}

void UiEditControl::ReadClassFields(GuidScope*, RecordReader& r) {
    Cell* list = r.List("items");
    CheckedLength(list, r.Record(), "items");
    std::vector<std::string> read;
    for (Cell* at = list; at != nil; at = kest::cdr(at)) {
        Cell* item = kest::car(at);
        if (item->type != kest::TString)
            RecordFormatError(r.Record(), "item string expected");
        read.emplace_back(item->a.str);
    }
    items = std::move(read);
}

bool UiEditControl::EqualClassFields(const UiControlPlace& other) const {
    const auto* o = dynamic_cast<const UiEditControl*>(&other);
    return o != nullptr && items == o->items;
}

// Containers: ((group ...) ...).
Cell* UiGroupBoxControl::WriteClassFields(GuidScope* scope) {
    return kest::mklist(members_.Persist(scope, nil), nullptr);
}

void UiGroupBoxControl::ReadClassFields(GuidScope* scope, RecordReader& r) {
    Cell* groupRecord = r.Take("member group");
    if (!kest::ispair(groupRecord))
        r.Fail("member group", "a group record");
    if (!members_.Members().empty())
        RecordFormatError(r.Record(), "the member group is read once");
    members_.Persist(scope, groupRecord);
    members_.SetParent(this);
}

// A refused record gives members named by id back to whoever held them, and
// takes the member group (with what it read) out of the map.
void UiGroupBoxControl::DropReadParts(GuidScope* scope) {
    if (scope != nullptr && scope->membersById && scope->held != nullptr) {
        DrawableList& list = *members_.GetMemberList();
        for (auto& member : list) {
            member->SetParent(nullptr);
            scope->held->push_back(std::move(member));
        }
        list.clear();
    }
    members_.Detach(scope);
}

bool UiGroupBoxControl::EqualClassFields(const UiControlPlace& other) const {
    const auto* o = dynamic_cast<const UiGroupBoxControl*>(&other);
    if (o == nullptr || Members().size() != o->Members().size())
        return false;
    auto mine = Members().begin();
    for (const auto& theirs : o->Members()) {
        if (!(*mine)->IsEqual(*theirs))
            return false;
        ++mine;
    }
    return true;
}

// Tab control: (current ("page caption" ...) (group ...) ...). The pages
// take the control's bounds and their tabs when the record has been read.
Cell* UiTabControl::WriteClassFields(GuidScope* scope) {
    Cell* captions = nil;
    for (auto it = pages_.rbegin(); it != pages_.rend(); ++it)
        captions = kest::mkcons(TextCell((*it)->caption), captions);
    Cell* own = kest::mklist(kest::mkint(currentPage_), captions, nullptr);
    return kest::nconc(own, UiGroupBoxControl::WriteClassFields(scope));
}

void UiTabControl::ReadClassFields(GuidScope* scope, RecordReader& r) {
    const int32_t current = r.Int("current page");
    Cell* list = r.List("pages");
    const int32_t count = CheckedLength(list, r.Record(), "pages");
    if (current < 0 || (count > 0 && current >= count) || (count == 0 && current != 0))
        RecordFormatError(r.Record(),
                          Format("current page %d outside the %d pages", current, count));
    std::vector<std::string> captions;
    for (Cell* at = list; at != nil; at = kest::cdr(at)) {
        Cell* text = kest::car(at);
        if (text->type != kest::TString)
            RecordFormatError(r.Record(), "page caption string expected");
        captions.emplace_back(text->a.str);
    }
    UiGroupBoxControl::ReadClassFields(scope, r);
    pages_.clear();
    for (const std::string& text : captions)
        AddTab(nullptr, PageCount(), text);
    currentPage_ = current;
}

Cell* UiTabControl::Persist(GuidScope* scope, Cell* list) {
    Cell* rest = UiGroupBoxControl::Persist(scope, list);
    if (list != nil)
        LayoutTabs();
    return rest;
}

void UiTabControl::DropReadParts(GuidScope* scope) {
    pages_.clear();
    currentPage_ = 0;
    UiGroupBoxControl::DropReadParts(scope);
}

bool UiTabControl::EqualClassFields(const UiControlPlace& other) const {
    const auto* o = dynamic_cast<const UiTabControl*>(&other);
    if (o == nullptr || currentPage_ != o->currentPage_ || pages_.size() != o->pages_.size())
        return false;
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i]->caption != o->pages_[i]->caption)
            return false;
    }
    return UiGroupBoxControl::EqualClassFields(other);
}

// ---- the factory's makers ----

namespace {

template <class T> std::unique_ptr<Drawable> Make() {
    return std::make_unique<T>();
}

struct HeadMaker {
    const char* head;
    std::unique_ptr<Drawable> (*make)();
};

template <class T> constexpr HeadMaker Entry() {
    return {T::kRecordHead, Make<T>};
}

// One line per control class that has a record.
const HeadMaker kHeadMakers[] = {
    Entry<UiLabelControl>(),         Entry<UiEditControl>(),        Entry<UiComboBoxControl>(),
    Entry<UiButtonControl>(),        Entry<UiRadioButtonControl>(), Entry<UiCheckBoxControl>(),
    Entry<UiMultiLineEditControl>(), Entry<UiListBoxControl>(),     Entry<UiGroupBoxControl>(),
    Entry<UiTabControl>(),           Entry<UiWindowControl>(),
};

} // namespace

namespace {

const HeadMaker* FindHeadMaker(const char* head) {
    if (head == nullptr)
        return nullptr;
    for (const HeadMaker& maker : kHeadMakers) {
        if (std::strcmp(maker.head, head) == 0)
            return &maker;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Drawable> MakeUiControlForHead(const char* head) {
    const HeadMaker* maker = FindHeadMaker(head);
    return maker != nullptr ? maker->make() : nullptr;
}

bool IsUiControlHead(const char* head) {
    return FindHeadMaker(head) != nullptr;
}

} // namespace qm
