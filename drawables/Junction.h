// The junction: a small node on the border of a place (its pivot) where
// links may end: a box, a lollipop, a socket, a barred box, a circle or a
// crossed circle, on one of the pivot's four sides, with a text in a label
// beside it. The pivot owns its junctions and writes them inside its record.
#pragma once

#include "drawables/Drawable.h"

#include <memory>
#include <string>

namespace qm {

class Place;

enum JunctionKind : int {
    JkBox = 0,
    JkLollipop = 1,
    JkSocket = 2,
    JkBarredBox = 3,
    JkCircle = 4,
    JkCrossedCircle = 5,
};

enum JunctionSide : int { JsNone = 0, JsLeft = 1, JsRight = 2, JsTop = 3, JsBottom = 4 };

// A place's repaint rectangle holds its junctions' (labels too): after a
// junction's label changed, its pivot's repaint is laid out again. Nothing
// for a drawable that is no junction or has no pivot.
void UpdatePivotRepaint(Drawable* drawable);

// The first junction tool; tools 400..405 make kinds 0..5.
constexpr int kFirstJunctionTool = 400;

class Junction : public NodeDrawable {
  public:
    // Kind byte junction, no pivot, point (0, 0), side 0, empty text.
    explicit Junction(GuidMap* map = nullptr);

    // Sets kind and pivot, empties the label and snaps onto the nearest side at (x, y).
    void Attach(int kind, Place* pivot, int x, int y);
    // Moves onto the pivot's outline at (x, y): mode 0 the nearest side,
    // otherwise a point outside is brought in by region. Lays the glyph and
    // label out. Nothing without a pivot.
    void SnapToPivot(int x, int y, int mode);
    static bool IsSame(const Junction& a, const Junction& b);

    // ---- the operations of Drawable ----
    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    using Drawable::ResolveRefs;
    // Binds a pivot read as an id (a junction read inside its place's record
    // is bound to that place directly).
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    int SetSelected(bool on) override;
    int GetKnobRects(CRect* rects) const override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    std::string* GetEditableText(CRect& rect) override;
    // The nine-element record: (kind id pivot (x y) side bounds repaint label "text").
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;
    Drawable* GetPlace() override;
    Master* GetMaster() override;
    bool BoundaryPoint(int x1, int y1, int x2, int y2, CPoint& point) override;

    // ---- the operations Junction adds ----
    // Offsets the point, the label, the bounds and the repaint rectangle.
    void MoveJunction(int dx, int dy);
    void MoveBy(int dx, int dy, CRect& dirty) override;
    bool IsCurrent(bool inherited) const;
    // Places the label beside the glyph (15 x 20 when it was empty).
    void LayoutLabel();
    void SetLabelRect(const CRect& rect);
    // The rectangle the text needs in the pivot's plain looks.
    void FitLabel(DeviceContext& dc, CRect& rect);
    // The displacement along the side from the point to (x, y).
    void SideOffset(CPoint& offset, int x, int y) const;
    // Sets the glyph bounds and, with a device context, draws glyph and text.
    void DrawJunction(DeviceContext* dc, double zoom);
    // The glyph's bounds for the kind, side and point; false for a kind outside 0..5.
    static bool GlyphBounds(int kind, int side, CPoint point, CRect& rect);

    Place* Pivot() const { return pivot_; }
    void SetPivot(Place* pivot);
    const ObjectRef& PendingPivot() const { return pivotRef_; }

    CPoint point;
    int32_t side = JsNone;
    std::string text;
    // The anchor saved before a resize of the pivot.
    CPoint savedPoint;

  private:
    Place* pivot_ = nullptr;
    ObjectRef pivotRef_;
};

} // namespace qm
