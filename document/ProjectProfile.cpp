// The per-project profile and its genProfile record.
#include "document/ProjectProfile.h"

#include "kernel/Kernel.h"
#include "model/ListRecords.h"
#include "platform/Format.h"

#include <algorithm>

namespace qm {

using kest::car;
using kest::cdr;
using kest::Cell;
using kest::mkcons;
using kest::mkint;
using kest::mkstr;
using kest::nil;

namespace {

constexpr const char* kRecord = "genProfile";

// The languages by their bit, as older profiles stored them.
struct CodedLanguage {
    int32_t code;
    const char* name;
};
constexpr CodedLanguage kCodedLanguages[] = {
    {1, "C++"}, {16, "C#"},  {4, "Java"},        {8, "Orvistal"},
    {2, "IDL"}, {32, "PHP"}, {64, "Forte TOOL"},
};

// Appends value at the end of a list under construction.
class ListBuilder {
  public:
    void Add(Cell* value) {
        Cell* pair = mkcons(value, nil);
        if (last_ == nullptr)
            head_ = pair;
        else
            last_->b.cdr = pair;
        last_ = pair;
    }
    Cell* List() const { return head_ == nullptr ? nil : head_; }

  private:
    Cell* head_ = nullptr;
    Cell* last_ = nullptr;
};

} // namespace

std::string LanguageNameOfCode(int32_t code) {
    for (const CodedLanguage& language : kCodedLanguages) {
        if (language.code == code)
            return language.name;
    }
    return {};
}

Cell* ProjectProfile::PersistStrings(StringSet& strings, Cell* element) {
    if (element == nullptr) {
        ListBuilder list;
        for (const std::string& text : strings)
            list.Add(mkstr(text.c_str(), text.size()));
        return list.List();
    }
    if (element->type == kest::TString) {
        strings[0] = element->a.str;
        return nullptr;
    }
    // Check the whole list before changing anything.
    StringSet read = strings;
    if (!kest::islist(element))
        RecordFormatError(kRecord, "strings: a list of strings expected");
    CheckedLength(element, kRecord, "strings");
    RecordReader items(element, kRecord);
    for (int i = 0; i < kStringCount && !items.AtEnd(); ++i)
        read[i] = items.String("strings");
    strings = read;
    return nullptr;
}

Cell* ProjectProfile::Persist(Cell* record) {
    if (record == nullptr) {
        ListBuilder list;
        list.Add(kest::sym::genProfile);
        list.Add(mkint(static_cast<int32_t>(flags)));
        list.Add(mkstr(language.c_str(), language.size()));
        list.Add(PersistStrings(stringsA, nullptr));
        list.Add(mkstr(""));
        list.Add(mkint(0));
        list.Add(PersistStrings(stringsC, nullptr));
        list.Add(PersistStrings(stringsB, nullptr));
        const int32_t numbers[] = {
            layout.frameWidth,      layout.frameHeight,      layout.explorerWidth,
            layout.explorerHeight,  layout.listerWidths[0],  layout.listerWidths[1],
            layout.listerWidths[2], layout.listerWidths[3],  layout.listerWidths[4],
            layout.listerWidths[5], layout.listerSortColumn, currentModel};
        for (int32_t number : numbers)
            list.Add(mkint(number));
        return list.List();
    }

    ExpectHead(record, kest::sym::genProfile);
    // Read into a copy, so that a bad record leaves this profile unchanged.
    ProjectProfile read = *this;
    RecordReader reader(cdr(record), kRecord);
    read.flags = static_cast<uint32_t>(reader.Int("flags"));
    if (reader.NextIsInt()) {
        std::string name = LanguageNameOfCode(reader.Int("language"));
        if (!name.empty())
            read.language = name;
    } else {
        read.language = reader.String("language");
    }
    PersistStrings(read.stringsA, reader.Take("strings A"));
    reader.Take("reserved text");
    reader.Take("reserved number");
    PersistStrings(read.stringsC, reader.Take("strings C"));
    PersistStrings(read.stringsB, reader.Take("strings B"));
    if (!reader.AtEnd()) {
        FrameLayout& l = read.layout;
        int32_t* fields[] = {&l.frameWidth,      &l.frameHeight,      &l.explorerWidth,
                             &l.explorerHeight,  &l.listerWidths[0],  &l.listerWidths[1],
                             &l.listerWidths[2], &l.listerWidths[3],  &l.listerWidths[4],
                             &l.listerWidths[5], &l.listerSortColumn, &read.currentModel};
        for (int32_t* field : fields)
            *field = reader.Int("layout");
    }
    *this = read;
    return reader.Rest();
}

void ProjectProfile::CaptureLayout(ProjectFrame* frame, int32_t currentModelIndex) {
    if (frame == nullptr)
        return;
    layout = frame->CurrentLayout();
    currentModel = std::max(currentModelIndex, 0);
}

void ProjectProfile::ApplyLayout(ProjectFrame* frame, size_t modelCount, bool maximize) const {
    if (frame == nullptr)
        return;
    if (modelCount > 0)
        frame->ShowModelAt(currentModel);
    FrameLayout applied = layout;
    applied.explorerWidth = std::max(applied.explorerWidth, kMinimumPane);
    applied.explorerHeight = std::max(applied.explorerHeight, kMinimumPane);
    frame->ApplyLayout(applied, maximize);
}

} // namespace qm
