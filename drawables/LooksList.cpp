// The list form of looks records.
#include "drawables/LooksList.h"

#include "drawables/FontFaceTable.h"
#include "kernel/Cell.h"
#include "platform/Errors.h"

namespace qm {

namespace {

constexpr const char* kBadLooks = "bad looks list";

kest::Cell* Take(kest::Cell*& list) {
    ReportOperationFailure(kest::ispair(list), kBadLooks);
    kest::Cell* element = kest::car(list);
    list = kest::cdr(list);
    return element;
}

int32_t TakeInteger(kest::Cell*& list) {
    kest::Cell* element = Take(list);
    ReportOperationFailure(element->type == kest::TInteger, kBadLooks);
    return element->a.ival;
}

} // namespace

kest::Cell* lookslist(Looks& looks, kest::Cell* list) {
    using kest::mkint;
    if (list == kest::nil) {
        kest::Cell* face =
            looks.face == 1 ? kest::nil : kest::mkstr(FontFaces().FaceName(looks.face).c_str());
        return kest::mklist(face, mkint(looks.alignment), mkint(looks.height), mkint(looks.style),
                            mkint(int32_t(looks.lineColor)), mkint(looks.lineKind),
                            mkint(int32_t(looks.fillColor)), mkint(int32_t(looks.textColor)),
                            nullptr);
    }
    // Filled into a copy, so that a bad list changes nothing.
    Looks read = looks;
    kest::Cell* face = Take(list);
    if (face == kest::nil) {
        read.face = 1;
    } else {
        ReportOperationFailure(face->type == kest::TString, kBadLooks);
        read.face = uint8_t(FontFaces().FaceIndex(face->a.str));
    }
    read.alignment = uint8_t(TakeInteger(list));
    read.height = int16_t(uint16_t(TakeInteger(list)));
    read.style = uint8_t(TakeInteger(list));
    read.lineColor = uint32_t(TakeInteger(list));
    read.lineKind = uint8_t(TakeInteger(list));
    read.fillColor = uint32_t(TakeInteger(list));
    // All 32 bits: a direct text colour keeps its green and blue.
    read.textColor = uint32_t(TakeInteger(list));
    looks = read;
    return list;
}

kest::Cell* Looks::Persist(kest::Cell* cell) {
    return lookslist(*this, cell);
}

} // namespace qm
