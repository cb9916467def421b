// The scenario place of a sequence diagram: a place with a vertical life
// line hanging from the middle of its bottom edge and, on the life line, a
// column of call boxes (activation boxes) kept in a CallBoxArray. Its record
// is scenPlace: the life line's end, the call boxes, then a place record.
#pragma once

#include "drawables/Place.h"

#include <vector>

namespace qm {

// The call boxes of one life line, top to bottom, with the box the editor
// works on (-1 for none). Boxes made by insertion are 8 wide on the life
// line, keep 2 from their neighbours and are at least 20 high unless the
// neighbours leave less room.
class CallBoxArray {
  public:
    CallBoxArray() = default;

    // Inserts a box at index (clamped into 0..count) for the life line
    // (left: its x, top: the place's bottom, bottom: its end) and the click
    // y (0 for none); returns the life line's end, extended when the new last
    // box needed room.
    int32_t Insert(const CRect& lifeLine, int index, int32_t y);
    // Removes the box at index; nothing for an index outside the array.
    void RemoveAt(int index);
    void OffsetAll(int32_t dx, int32_t dy);
    void RemoveAll();

    int Count() const { return int(boxes.size()); }
    bool IsValid(int index) const { return index >= 0 && index < Count(); }

    std::vector<CRect> boxes;
    int32_t currentIndex = -1;
};

class ScenarioPlace : public Place {
  public:
    // The place with an empty call-box array and style bit 0x4.
    explicit ScenarioPlace(GuidMap* map = nullptr);

    // The place's set-up without compartments, a life line 400 long and
    // the first call box.
    void Setup(int kindCode, const CRect& rect, Master* master, bool showCompartments) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    // The four knobs and a fifth on the life line's end.
    int GetKnobRects(CRect* rects) const override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void SetBounds(const CRect& rect, int flag = 0) override;
    // Record: (scenPlace (x end) ((l t r b) ...) place ...).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;

    // The point on the life line at y, kept 8 below the place and 8 above the end.
    void ClampToLifeLine(CPoint& point, int x, int y) const;
    void GetLifeLineBounds(CRect& rect) const;
    bool HitsLifeLine(int x, int y) const;
    int FindCallBoxAt(int x, int y) const;
    int CallBoxInsertIndex(int x, int y) const;
    void MoveCurrentCallBox(int dx, int dy, CRect& dirty);
    // The box at the point, or a new box for y; its index.
    int AddCallBoxAt(int x, int y);
    void RemoveCallBox(int index);
    // Merges the box with an intersecting neighbour; true when merged.
    bool MergeCallBox(int index);
    // The editor's drop of box index at rect: when rect overlaps the box
    // before (else the box after), that neighbour grows to hold rect narrowed
    // to the life line (x - 1 .. x + 1) and box index goes; true when merged.
    bool MergeCallBox(const CRect& rect, int index);
    // The editor's hit of a call box: the first box that, widened by 4 to
    // the left and right and by 2 + tolerance above and below, holds the
    // point; -1 for none.
    int CallBoxAt(CPoint point, int tolerance) const;
    int32_t& GetCurrentCallBoxIndexRef() { return callBoxes.currentIndex; }
    // The box at the index; an empty rectangle outside the array.
    CRect GetCallBox(int index) const;
    CRect GetCurrentCallBox() const { return GetCallBox(callBoxes.currentIndex); }

    CallBoxArray callBoxes;

  protected:
    void CheckPlaceKind() const override;

  private:
    CRect LifeLineRect() const;
};

} // namespace qm
