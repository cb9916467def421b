// The cell helpers of the undo journal's records and the helpers over the
// lists drawables live in.
#include "document/UndoJournalRecords.h"

#include "drawables/Drawable.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "model/Master.h"
#include "model/ModelObject.h"

#include <algorithm>
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

const char* MasterRecordId(Cell* record) {
    if (!kest::ispair(record) || kest::car(record) != kest::intern("master"))
        throw CKestException("master sym expected");
    Cell* fields = kest::cdr(record);
    return NextString(fields);
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

// ---- the lists drawables live in ----

namespace {

bool IsLineKind(int code) {
    return code == TkLine || code == TkPolyline || code == TkPolygon;
}

} // namespace

bool HasVertices(const Drawable* drawable) {
    return drawable->IsLink() || IsLineKind(drawable->kindCode);
}

std::vector<CPoint> VerticesOf(const Drawable* drawable) {
    std::vector<CPoint> points;
    drawable->GetVertices(points);
    return points;
}

bool SetVerticesOf(Drawable* drawable, const std::vector<CPoint>& points) {
    if (auto* link = dynamic_cast<Link*>(drawable))
        return link->SetVertices(points);
    if (auto* line = dynamic_cast<LinePrimitive*>(drawable))
        return line->SetPoints(line->kindCode, int(points.size()), points.data());
    return false;
}

const DrawableList* OwningList(const Drawable* drawable, const Model* model) {
    if (const Drawable* parent = drawable->Parent())
        return parent->MemberList();
    return model != nullptr ? &model->Drawables() : nullptr;
}

int32_t IndexIn(const DrawableList& list, const Drawable* drawable) {
    int32_t index = 0;
    for (const auto& owned : list) {
        if (owned.get() == drawable)
            return index;
        ++index;
    }
    return -1;
}

int32_t ListPositions::IndexOf(const Drawable* drawable) {
    if (list_ == nullptr)
        return -1;
    if (!gathered_) {
        int32_t index = 0;
        for (const auto& owned : *list_)
            at_.emplace(owned.get(), index++);
        gathered_ = true;
    }
    const auto found = at_.find(drawable);
    return found != at_.end() ? found->second : -1;
}

void CountPlaceUses(Drawable* drawable, bool release, int depth) {
    if (const DrawableList* members = drawable->MemberList();
        members != nullptr && depth < kMaxDepth) {
        for (const auto& member : *members)
            CountPlaceUses(member.get(), release, depth + 1);
    }
    auto* place = drawable->IsPlace() ? dynamic_cast<Place*>(drawable) : nullptr;
    if (place == nullptr || place->master == nullptr)
        return;
    if (!release)
        place->Place::AddMasterReference();
    else if (place->master->refCount > 0)
        --place->master->refCount;
}

void CountModelUses(Model& model, bool release) {
    for (const auto& drawable : model.Drawables())
        CountPlaceUses(drawable.get(), release, 0);
}

} // namespace qm::journal
