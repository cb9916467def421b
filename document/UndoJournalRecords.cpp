// The cell helpers of the undo journal's records.
#include "document/UndoJournalRecords.h"

#include "drawables/Drawable.h"
#include "drawables/Link.h"
#include "model/ModelObject.h"

#include <limits>

namespace qm::journal {

using kest::Cell;
using kest::nil;

int32_t NextInt(Cell*& list) {
    Cell* cell = Next(list);
    if (!IsInteger(cell))
        throw CKestException(kDamaged);
    return cell->a.ival;
}

const char* NextString(Cell*& list) {
    Cell* cell = Next(list);
    if (!IsString(cell))
        throw CKestException(kDamaged);
    return cell->a.str;
}

Cell* IntList(const std::vector<int32_t>& values) {
    Cell* out = nil;
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        out = kest::mkcons(kest::mkint(*it), out);
    return out;
}

std::vector<int32_t> ReadInts(Cell* list) {
    std::vector<int32_t> values;
    for (int guard = 0; list != nil; ++guard) {
        if (guard > std::numeric_limits<int32_t>::max() / 2)
            throw CKestException(kDamaged);
        values.push_back(NextInt(list));
    }
    return values;
}

Cell* RectCell(const CRect& rect) {
    return kest::mklist(kest::mkint(rect.left), kest::mkint(rect.top), kest::mkint(rect.right),
                        kest::mkint(rect.bottom), nullptr);
}

CRect ReadRect(Cell* cell) {
    CRect rect;
    rect.left = NextInt(cell);
    rect.top = NextInt(cell);
    rect.right = NextInt(cell);
    rect.bottom = NextInt(cell);
    if (cell != nil || !RectInRange(rect))
        throw CKestException(kDamaged);
    return rect;
}

Cell* PointsCell(const std::vector<CPoint>& points) {
    Cell* out = nil;
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        out = kest::mkcons(kest::mkint(it->x), kest::mkcons(kest::mkint(it->y), out));
    return out;
}

std::vector<CPoint> ReadPoints(Cell* cell) {
    std::vector<int32_t> values = ReadInts(cell);
    if (values.size() % 2 != 0 || values.size() / 2 > size_t(kMaxLinkVertices))
        throw CKestException(kDamaged);
    std::vector<CPoint> points;
    for (size_t i = 0; i < values.size(); i += 2) {
        if (values[i] < -kMaxCoordinate || values[i] > kMaxCoordinate ||
            values[i + 1] < -kMaxCoordinate || values[i + 1] > kMaxCoordinate)
            throw CKestException(kDamaged);
        points.emplace_back(values[i], values[i + 1]);
    }
    return points;
}

Cell* IdList(const char* head, const std::vector<ModelObject*>& objects) {
    Cell* out = nil;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        out = kest::mkcons(Str((*it)->Id().Text()), out);
    return kest::mkcons(kest::intern(head), out);
}

std::vector<std::string> ReadIdList(Cell* list, const char* head) {
    if (!kest::ispair(list) || kest::car(list) != kest::intern(head))
        throw CKestException(std::string(head) + " sym expected");
    std::vector<std::string> ids;
    for (Cell* rest = kest::cdr(list); rest != nil;)
        ids.emplace_back(NextString(rest));
    return ids;
}

Cell* PointCell(CPoint point) {
    return kest::mklist(kest::mkint(point.x), kest::mkint(point.y), nullptr);
}

CPoint ReadPoint(Cell* cell) {
    const std::vector<int32_t> values = ReadInts(cell);
    if (values.size() != 2)
        throw CKestException(kDamaged);
    return CPoint(values[0], values[1]);
}

Cell* NextPositions(Cell*& fields) {
    if (!kest::ispair(fields))
        return nil;
    Cell* positions = Next(fields);
    if (!kest::ispair(positions) || kest::car(positions) != kest::intern("positions"))
        throw CKestException(kDamaged);
    return kest::cdr(positions);
}

} // namespace qm::journal
