// The comparison helpers of the model classes that the project merge and the
// reference resolution share: looking an object up by id text in a list,
// pairing member records that have no common id by their signatures, and the
// field rules of a three-way merge.
#pragma once

#include "model/Members.h"
#include "model/ModelObject.h"

#include <cstring>
#include <memory>
#include <string>

namespace qm {

// The first object of list (of objects or of owning pointers to them) whose
// id text equals id exactly; null when there is none or id is null.
template <class List> auto FindObjectByGuidInList(const List& list, const char* id) {
    using Pointer = decltype(std::to_address(*list.begin()));
    if (id == nullptr)
        return Pointer{};
    for (const auto& object : list) {
        if (std::strcmp(object->Id().Text(), id) == 0)
            return std::to_address(object);
    }
    return Pointer{};
}

// Signature matching of records without a common id. Methods: names, return
// types and parameter counts equal and the parameter types pairwise equal;
// exceptions: names and the member types; types: name, definition and the
// element types; attributes: names.
bool SignatureMatches(const MasterMethod& a, const MasterMethod& b);
bool SignatureMatches(const MasterException& a, const MasterException& b);
bool SignatureMatches(const MasterType& a, const MasterType& b);
bool SignatureMatches(const MasterAttribute& a, const MasterAttribute& b);

// The three-way field rules: mine when only mine changed the base's value,
// otherwise theirs (so every conflict resolves to theirs).
template <class T> const T& MergeInt(const T& base, const T& mine, const T& theirs) {
    return !(mine == base) && theirs == base ? mine : theirs;
}
inline const std::string& MergeString(const std::string& base, const std::string& mine,
                                      const std::string& theirs) {
    if (base == mine)
        return theirs;
    if (base == theirs)
        return mine;
    return theirs;
}

// The lists of member records a and b are equal when they have the same
// count and every record of a equals the record with the same id in b (a
// record without a partner is ignored).
template <class Record>
bool MemberListsEqual(const std::vector<std::unique_ptr<Record>>& a,
                      const std::vector<std::unique_ptr<Record>>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        // Lists of the same object mostly keep their order.
        const Record* partner =
            b[i]->Id() == a[i]->Id() ? b[i].get() : FindObjectByGuidInList(b, a[i]->Id().Text());
        if (partner != nullptr && !a[i]->IsEqual(*partner))
            return false;
    }
    return true;
}

} // namespace qm
