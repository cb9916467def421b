// Reading and writing the undo journal's records: the small cell helpers
// the recording and the record forms share.
#pragma once

#include "kernel/Kernel.h"
#include "platform/Errors.h"

namespace qm::journal {

inline constexpr const char* kDamaged = "The undo journal record cannot be read";

inline kest::Cell* Str(const char* text) {
    return kest::mkstr(text);
}

inline bool IsString(const kest::Cell* cell) {
    return cell != nullptr && cell->type == kest::TString;
}

inline bool IsInteger(const kest::Cell* cell) {
    return cell != nullptr && cell->type == kest::TInteger;
}

// The next element of a record list, failing on a list that ends early.
inline kest::Cell* Next(kest::Cell*& list) {
    if (!kest::ispair(list))
        throw CKestException(kDamaged);
    kest::Cell* element = kest::car(list);
    list = kest::cdr(list);
    return element;
}

} // namespace qm::journal
