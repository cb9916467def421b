// The link: the drawable that joins two nodes (places or junctions; a target
// may also be another link) along a path of 2 to 64 vertices, with seven
// texts, option bits and the decorations of its notation tool. This file
// declares the link; Link.cpp holds connection, rerouting, path shaping,
// label placement, property exchange, text search, tool binding and the
// record; LinkDrawing.cpp the drawing, knobs and hit tests.
#pragma once

#include "drawables/Drawable.h"

#include <string>
#include <vector>

namespace qm {

class MenuWindow;
class NotationTool;

// Bits of the link options.
enum LinkOption : int32_t {
    LoGenCode = 0x1,
    LoStepped = 0x2,
    LoCurved = 0x4,
    LoMessageEnds = 0x8,
    LoWebPage = 0x10,
    LoPlainComposition = 0x20,
    LoGraphical = 0x40,
};

// The most vertices a link holds.
constexpr int kMaxLinkVertices = 64;

class Link : public Drawable {
  public:
    // Kind byte link, access 3, options 0x1, end texts "%%", no vertices.
    explicit Link(GuidMap* map = nullptr);

    // Creates the link between two nodes: tool, kind code, ends, options
    // (0x1 when the tool generates code) with style, two vertices and the
    // first label rectangle from the tool, then rerouted.
    void Connect(int kindCode, NotationTool* tool, NodeDrawable* source, Drawable* target,
                 int style);

    // ---- the operations of Drawable ----
    ModelObject* GetPropertyTarget(int* kind) override;
    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    using Drawable::ResolveRefs;
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void PrepareDrawing() override;
    bool HasAttachment() const override;
    void OpenAttachment() override;
    int GetKnobRects(CRect* rects) const override;
    void UpdateRepaintRect() override;
    // Makes the repaint rectangle cover what the link draws where it now
    // lies (its path, name, end labels and end decorations) without laying
    // out its name or touching its bounds. Reading a link does this, because
    // stored rectangles may be placeholders; the record keeps the rectangle
    // it was read with while the link stays where it was read.
    void CoverRepaintRect();
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    std::string* GetEditableText(CRect& rect) override;
    void GetVertices(std::vector<CPoint>& points) const override;
    void CollectIfConnected(Master* master, DrawableRefList* inheritances,
                            DrawableRefList* realizations, DrawableRefList* compositions,
                            DrawableRefList* others) override;
    bool GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const override;
    // The 27-element record: (link source target (x1 y1 ...) access "name"
    // "stereotype" "source end" "target end" "comment" "file" "type" options
    // segment (name) (source label) (target label) tool <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;

    // ---- the operations Link adds ----
    // The rectangle the name label needs (70 x 32 about its centre for a
    // link whose tool is missing); dc may be null for that case only.
    void FitLabel(DeviceContext* dc, CRect& rect);
    void SetLabelRect(const CRect& rect);
    // Inserts p before index (clamped into 0..count); false at 64 vertices.
    bool InsertVertex(int index, CPoint p);
    // False when there is no such vertex or only two are left.
    bool RemoveVertex(int index);
    bool CanPopupCall() const;
    // For a control-flow link: lets the user pick an operation of the
    // target's master from the shared operations menu at (x, y); the picked
    // text is not kept.
    void PopupCallMenu(ModelDocument* document, MenuWindow* window, int x, int y);
    // Recomputes the end vertices: ends 0x1 the source, 0x2 the target.
    void Reroute(int ends, bool fromScratch);
    void LayoutEndLabels();
    // Places an end-label rectangle of its own size beside the end (side 0
    // the source, 1 the target), off the node, as LayoutEndLabels does.
    void PlaceEndLabel(int side, CRect& rect) const;
    // Sizes each end label to its end text as shown, then reroutes.
    void MeasureEndLabels(DeviceContext& dc);
    // Measures every label to its text on dc: the name label (never smaller
    // than a new link's) about its centre, then the end labels. Called when
    // a text or the font changes.
    void MeasureLabels(DeviceContext& dc);
    void LayoutName();
    void AddMidBend();
    void MakeSelfLoop();
    int MakeStepped();
    // Normalises a stepped path after a move; knob (may be null) follows
    // the removal of vertices before it. The repaint rectangles before and
    // after are united into dirty, which keeps what it held. Returns
    // whether anything changed.
    int KeepStepped(CRect& dirty, int16_t* knob);
    void SetTool(NotationTool* tool);
    // After reading: a tool that is not a link tool of the template is
    // replaced by link tool 9 of templateMap, flagged and reported.
    void BindTool(GuidMap* templateMap, int toolNumber);
    int HitSegment(int x, int y) const;
    bool IsOnPath(int x, int y) const;
    int NearestSegment(int x, int y) const;

    NodeDrawable* GetSource() const { return source_; }
    Drawable* GetTarget() const { return target_; }
    void SetSource(NodeDrawable* node);
    void SetTarget(Drawable* node);
    Drawable* GetSourcePlace() const;
    Drawable* GetTargetPlace() const;
    Master* GetSourceMaster() const;
    Master* GetTargetMaster() const;
    NotationTool* Tool() const { return tool_; }
    const std::vector<CPoint>& Vertices() const { return vertices_; }
    // Replaces the path (2 to 64 points; false and unchanged otherwise).
    bool SetVertices(const std::vector<CPoint>& points);
    int VertexCount() const { return int(vertices_.size()); }

    int32_t access = 3;
    std::string name, stereotype, sourceEnd = "%%", targetEnd = "%%", comment, file, type;
    int32_t options = LoGenCode;
    uint8_t savedVertexCount = 0;
    uint8_t nameSegment = 0;
    CRect nameRect;
    CRect sourceLabelRect;
    CRect targetLabelRect;
    CRect savedSourceBounds;
    CRect savedTargetBounds;
    int32_t hasLabelKnob = 1;

  private:
    void DrawMiddleDecoration(DeviceContext& dc, const Looks& looks, double zoom,
                              const CRect* fromFrame, const CRect* toFrame, bool applyOffset,
                              const CPoint* points, int count, const Drawable*& nameText);
    void DrawEndDecoration(DeviceContext& dc, int side, const Looks& looks, double zoom,
                           const CRect* fromFrame, const CRect* toFrame, bool applyOffset,
                           const CPoint* points, int count);
    bool TargetIsLink() const;
    kest::Cell* ReadLink(GuidScope* scope, kest::Cell* list);
    CRect SavedRepaintRect() const override;
    // The boxes that hold the end decorations, placed on the end segments.
    void EndDecorationBoxes(CRect& sourceBox, CRect& targetBox) const;

    NodeDrawable* source_ = nullptr;
    Drawable* target_ = nullptr;
    ObjectRef sourceRef_;
    ObjectRef targetRef_;
    NotationTool* tool_ = nullptr;
    int32_t toolNumber_ = 0;
    std::vector<CPoint> vertices_;
    // The repaint rectangle as read, and the one CoverRepaintRect made of it
    // then: while the live rectangle is still that one, the record writes
    // the rectangle as read, so a file read and saved again is unchanged.
    bool keepsReadRepaint_ = false;
    CRect readRepaint_;
    CRect coveredRepaint_;
};

// The size of an end label that shows text (as displayed) in the looks'
// font at zoom 1 on dc, with room to spare; (0, 0) for an empty text.
CSize EndLabelSize(DeviceContext& dc, const Looks& looks, const std::string& shown);

} // namespace qm
