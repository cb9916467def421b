// Reading and writing the undo journal's records: the small cell helpers
// the recording and the record handlers share, and the helpers over the
// lists drawables live in that several families of handlers use.
#pragma once

#include "drawables/DrawableModel.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {
class Drawable;
class Link;
class Model;
class ModelObject;
class ScenarioPlace;
struct ChangeContext;
} // namespace qm

namespace qm::journal {

inline constexpr const char* kDamaged = "The undo journal record cannot be read";
inline constexpr const char* kTemplateSwitched =
    "Can't undo/redo change to template, probably because the template was later switched!";

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

// The next element as an integer or a string, failing on anything else.
int32_t NextInt(kest::Cell*& list);
const char* NextString(kest::Cell*& list);

// Integers, points (x y), rectangles (l t r b) and flat vertex lists
// (x1 y1 x2 y2 ...); the readers fail on a list of the wrong length or a
// coordinate out of the drawables' range.
kest::Cell* IntList(const std::vector<int32_t>& values);
std::vector<int32_t> ReadInts(kest::Cell* list);
kest::Cell* PointCell(CPoint point);
CPoint ReadPoint(kest::Cell* cell);
kest::Cell* RectCell(const CRect& rect);
CRect ReadRect(kest::Cell* cell);
kest::Cell* PointsCell(const std::vector<CPoint>& points);
std::vector<CPoint> ReadPoints(kest::Cell* cell);

// The lists of the (positions list ...) element that ends some records, read
// from the rest of a record; nil when the record has none.
kest::Cell* NextPositions(kest::Cell*& fields);

// (head id ...) of the objects' ids.
kest::Cell* IdList(const char* head, const std::vector<ModelObject*>& objects);
// The ids of an id list whose head must be head ("master sym expected" otherwise).
std::vector<std::string> ReadIdList(kest::Cell* list, const char* head);

// The id of a master written whole, (master "id" ...); fails with "master
// sym expected" on another record and as damaged without the id.
const char* MasterRecordId(kest::Cell* record);

// The call boxes of a message's end places as a record element: (sourceBoxes
// (x y) targetBoxes (x y)), each boxes element a list of rectangles, nil for
// an absent part and `none` for a life line without boxes.
kest::Cell* ContextForm(const ChangeContext& context);
// Fails on a damaged element; nil reads as a context without parts.
ChangeContext ReadContext(kest::Cell* cell);
// Gives place the boxes and the life-line point.
void RestoreCallBoxes(ScenarioPlace& place, const std::vector<CRect>& boxes, CPoint lifeLine);
// Gives the end places of link the call boxes the context keeps for them.
void RestoreLinkEnds(Link& link, const ChangeContext& context);

// ---- the lists drawables live in ----

// Nesting of groups the journal follows; deeper is taken for a damaged record.
inline constexpr int kMaxDepth = 1000;

// A drawable whose geometry is its vertices (mode 2 entries): a link or a
// line, poly-line or polygon primitive.
bool HasVertices(const Drawable* drawable);
std::vector<CPoint> VerticesOf(const Drawable* drawable);
// False for a drawable without vertices or points it refuses.
bool SetVerticesOf(Drawable* drawable, const std::vector<CPoint>& points);
// The list a drawable lives in: its group's members, else the model's
// (null without a model).
const DrawableList* OwningList(const Drawable* drawable, const Model* model);
// The place of drawable in list, -1 when it is not there.
int32_t IndexIn(const DrawableList& list, const Drawable* drawable);
// The places of a list's drawables, gathered on the first question, for a
// record that asks after many drawables of one list: the questions then
// cost the list's length once rather than once each. Valid while the list
// does not change.
class ListPositions {
  public:
    explicit ListPositions(const DrawableList* list) : list_(list) {}
    // The place of drawable in the list, -1 when it is not there (or there
    // is no list).
    int32_t IndexOf(const Drawable* drawable);
    bool Holds(const Drawable* drawable) { return IndexOf(drawable) >= 0; }

  private:
    const DrawableList* list_;
    std::unordered_map<const Drawable*, int32_t> at_;
    bool gathered_ = false;
};
// Every place in drawable (itself, the members of its groups) gives its use
// of its master back (release) or takes one more.
void CountPlaceUses(Drawable* drawable, bool release, int depth);
void CountModelUses(Model& model, bool release);

} // namespace qm::journal
