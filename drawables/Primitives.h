// The plain shapes of a diagram and of a tool's drawing: lines, polylines
// and polygons (LinePrimitive), texts (TextPrimitive), and rectangles,
// rounded rectangles, ellipses and icon instances (BoxPrimitive), and the
// copy of a primitive by its kind code (ClonePrimitive). Their records are
// read through the drawable factory (DrawableFactory.h).
#pragma once

#include "drawables/Drawable.h"

#include <string>
#include <vector>

namespace qm {

// The most vertices a line holds (the drawing and knob buffers hold this many).
constexpr int kMaxVertices = 64;

class LinePrimitive : public Drawable {
  public:
    explicit LinePrimitive(GuidMap* map = nullptr);

    // Stores the kind code and the vertices, then the repaint rectangle.
    // More than kMaxVertices points are refused: false and nothing changes.
    bool SetPoints(int code, int count, const CPoint* points);
    // Inserts a vertex before index (clamped into 0..count); false at kMaxVertices.
    bool InsertVertex(int index, int x, int y);
    // Removes the vertex at index; false when there is none.
    bool RemoveVertex(int index);
    int GetVertexCount() const { return static_cast<int>(vertices.size()); }

    void AssignFrom(ModelDocument* document, const Drawable& other) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame, const CRect* toFrame,
                       int x1, int y1, int x2, int y2, const Looks* looks, double zoom,
                       int flag) override;
    int GetKnobRects(CRect* rects) const override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void SetBounds(const CRect& rect, int flag = 0) override;
    int FlipOrRotate(int mode, const CRect& about, CRect& dirty) override;
    void GetVertices(std::vector<CPoint>& points) const override;
    // Record: (line (x1 y1 x2 y2 ...) curved <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;

    std::vector<CPoint> vertices;
    int32_t curved = 0;

  private:
    // Draws points (already in device units) by the kind code.
    void DrawPoints(DeviceContext& dc, const Looks& effective, double zoom, CPoint* points,
                    int count);
};

class TextPrimitive : public Drawable {
  public:
    // Bits of textFlags.
    static constexpr int32_t kLabel = 0x1;        // the area is its label
    static constexpr int32_t kThirdFrame = 0x2;   // a tool's third frame
    static constexpr int32_t kCompartments = 0x4; // a tool's compartments frame

    explicit TextPrimitive(GuidMap* map = nullptr);

    // Stores the kind code and the bounds, then the repaint rectangle.
    void SetFrame(int code, const CRect& rect);

    ModelObject* GetPropertyTarget(int* kind) override;
    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    // The base part, kind code and bounds, and also the text and its flags.
    void AssignFrom(ModelDocument* document, const Drawable& other) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame, const CRect* toFrame,
                       int x1, int y1, int x2, int y2, const Looks* looks, double zoom,
                       int flag) override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    int FlipOrRotate(int mode, const CRect& about, CRect& dirty) override;
    std::string* GetEditableText(CRect& rect) override;
    // Record: (text "text" flags <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;

    std::string text;
    int32_t textFlags = kLabel;
};

class BoxPrimitive : public Drawable {
  public:
    explicit BoxPrimitive(GuidMap* map = nullptr);

    // Stores the kind code and the bounds, sets the icon to 0, then the repaint rectangle.
    void SetFrame(int code, const CRect& rect);
    void SetIcon(int32_t number) { icon = number; }

    // The base part, kind code and bounds, and also the icon number.
    void AssignFrom(ModelDocument* document, const Drawable& other) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame, const CRect* toFrame,
                       int x1, int y1, int x2, int y2, const Looks* looks, double zoom,
                       int flag) override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    int FlipOrRotate(int mode, const CRect& about, CRect& dirty) override;
    void GetVertices(std::vector<CPoint>& points) const override;
    // Record: (box <base run> icon); the icon may be missing.
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;

    int32_t icon = 0;

    // Turns a text's or box's bounds for modes 2 and 3 (flips change nothing;
    // an icon instance does not turn).
    static int TurnFrameOf(Drawable& drawable, int mode, const CRect& about, CRect& dirty);

  protected:
    // The icon strip's icons are this large.
    static constexpr int kIconWidth = 16;
    static constexpr int kIconHeight = 15;
};

// A new primitive of the class the kind code of primitive calls for (line,
// text, box or group; null for any other code), entered in the id map of
// the model (the template's for a tool model, else the document's; none
// without a document), then filled from primitive with AssignFrom.
std::unique_ptr<Drawable> ClonePrimitive(ModelDocument* document, DrawableModel* model,
                                         const Drawable& primitive);

} // namespace qm
