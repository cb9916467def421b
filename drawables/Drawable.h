// The root of everything a diagram shows: Drawable (tool kind, bounds and
// the rectangles derived from them, kind and style bytes, looks, the parent
// group) with the virtual operations for drawing, hit testing, moving,
// copying, comparing and persisting; NodeDrawable, the drawable a link can
// end on; the kind codes with their script names, the hit parts and the
// small kind tests. Every drawable's record ends in (or holds) the nine
// element base run that Drawable::Persist writes and reads.
#pragma once

#include "drawables/DrawableModel.h"
#include "drawables/Looks.h"
#include "model/ListRecords.h"
#include "model/ModelObject.h"
#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class GuidMap;
class GuidScope;
class Master;
class ModelDocument;
class NodeDrawable;

// The kind byte.
enum DrawableKind : uint8_t {
    DkNone = 0,
    DkPlace = 1,
    DkLink = 2,
    DkTag = 3, // tags and floaters
    DkPrimitive = 4,
    DkUiControl = 5,
    DkJunction = 6,
};

// The kind code: which tool made the drawable.
enum ToolKind : int {
    TkFirstLink = 0,
    TkLastLink = 9,
    TkFirstPlace = 10,
    TkLastPlace = 23,
    TkPointer = 24,
    TkTag = 25,
    TkLine = 26,
    TkPolyline = 27,
    TkText = 28,
    TkRectangle = 29,
    TkRoundRectangle = 30,
    TkEllipse = 31,
    TkPolygon = 32,
    TkPrimitiveGroup = 33,
    TkPlaceGroup = 34,
    TkFirstControl = 35,
    TkLastControl = 44,
    TkMessage = 46,
    TkSwimlane = 47,
    TkJunction = 48,
    TkIcon = 49,
    TkFirstUserTool = 100,
};

// The name by which scripts call a kind ("link3", "place1", "textBox"), or ""
// for a kind without one.
std::string ToolKindScriptName(int kind);
// The kind a script name stands for, or -1.
int ToolKindFromScriptName(std::string_view name);

bool IsIconToolId(int id);     // 500..523
bool IsJunctionToolId(int id); // 400..405
bool IsLibraryToolId(int id);  // 11010..12000

// Bits of the style byte.
enum DrawableStyle : uint8_t {
    DsGroup = 0x1,
    DsImmovable = 0x2,
    DsScenarioPlace = 0x4,
};

// Bit 0x40 of the flag word: set on every drawable by its constructor.
constexpr uint32_t MoDrawable = 0x40;
// Bit 0x4 of a group's flag word: the group shows only its outline.
constexpr uint32_t MoOutlineOnly = 0x4;

// What a hit test hit: one bit each.
enum HitPart : int {
    HpNone = 0,
    HpBody = 0x1,
    HpKnob = 0x2,
    HpLabel = 0x4,
    HpLifeLine = 0x8,
    HpSwimlaneEdge = 0x20,
    HpSubmodelMarker = 0x40,
    HpAttachment = 0x80,
    HpCallBox = 0x100,
    HpCallBoxTop = 0x200,
    HpCallBoxBottom = 0x400,
    HpJunctionGlyph = 0x1000,
};

// The most knob rectangles a drawable returns, and the room callers give.
constexpr int kMaxKnobs = 64;
constexpr int kKnobRoom = kMaxKnobs + 1;
// The margin of the repaint rectangle around the bounds.
constexpr int kRepaintMargin = 5;

// True when text is null or the empty id text.
bool IsNil(const char* text);

// The coordinates a drawable may take: far beyond any diagram, and far
// enough from the 32-bit limits that margins, moves, turns and resizes
// cannot overflow. Records with coordinates outside are refused; results of
// geometry operations are clamped into it.
constexpr int32_t kMaxCoordinate = 0x3FFFFFFF;
int32_t ClampCoordinate(int64_t value);
CRect ClampRect(const CRect& rect);
bool RectInRange(const CRect& rect);
// Offsets a rectangle, each side clamped into the coordinate range.
void OffsetRectClamped(CRect& rect, int64_t dx, int64_t dy);

class Drawable : public ModelObject {
  public:
    // A new id, entered in map when given; flag 0x40 and the default looks.
    explicit Drawable(GuidMap* map = nullptr);
    ~Drawable() override;

    // Stores the looks; the face is always 1.
    void SetLooks(uint32_t lineColor, int lineKind, uint32_t fillColor, uint32_t textColor,
                  int face, int alignment, int height, int style);

    // ---- the operations of ModelObject ----
    // As ModelObject's; a drawable read under an old numeric id also leaves
    // the map's number entry, and one the scope's read map holds under its
    // old id leaves that map, so that no later look-up finds it gone.
    void Detach(GuidScope* scope) override;
    using ModelObject::ResolveRefs;
    // Without a model.
    void ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument) override;
    // Binds the parent read as an id: through the model when given, else
    // through the scope (its read map, then its current map); null when the
    // id is unknown, is not a drawable or would make the drawable its own ancestor.
    virtual void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model);
    // Without a filter.
    void Mark(int value, int mask, int extra) override;
    // Groups pass the mark to their members; the base marks itself with mask bit 0x1.
    virtual void MarkFiltered(int value, int mask, Drawable* filter);

    // ---- the operations Drawable adds ----
    // A copy for another project's document (the project merge); base null.
    virtual std::unique_ptr<Drawable> MergeCopy(ModelDocument* document);
    // Copies the kind code, the three rectangles, kind and style bytes and looks.
    virtual void AssignFrom(ModelDocument* document, const Drawable& other);
    // A small square tied to the drawable: centred on the source rectangle,
    // or inside its corner 0 (bottom-right) to 3 (top-right); any other
    // corner gives the source rectangle itself.
    virtual void GetAnchorRect(CRect& rect, int corner, bool centred) const;
    // Draws the drawable; frames, when both are given, map its geometry from
    // the first into the second. Base: the bounds as a rectangle.
    virtual void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                      const CRect* toFrame, int flag);
    // Computes, without drawing, what Draw computes as it paints and later
    // hit tests and knobs read (name rectangles, a link's label knob), so
    // that a drawable left out of a painted area reads as if it were drawn.
    // Base: nothing.
    virtual void PrepareDrawing();
    // Draws the drawable laid along a link segment (anchor 0 start, 1 end,
    // 2 middle). Base: nothing.
    virtual void DrawOnSegment(DeviceContext& dc, int anchor, const CRect* fromFrame,
                               const CRect* toFrame, int x1, int y1, int x2, int y2,
                               const Looks* looks, double zoom, int flag);
    // 0 when the selection bit already is on, else toggles it and returns 1.
    virtual int SetSelected(bool on);
    virtual bool HasAttachment() const;
    virtual void OpenAttachment();
    // Inverts the knobs scaled by the zoom (twice restores the picture).
    virtual void InvertKnobs(DeviceContext& dc, double zoom);
    // Fills rects (room for kKnobRoom) and returns the count, never above kMaxKnobs.
    virtual int GetKnobRects(CRect* rects) const;
    virtual void UpdateRepaintRect();
    // The drawable when (x, y) hits it, with part and knob; else null and part 0.
    virtual Drawable* HitTest(int x, int y, int& part, int& knob, int flags);
    virtual void GetBounds(CRect& rect) const;
    // Offsets the rectangles; dirty takes in the old and new repaint rectangles.
    virtual void MoveBy(int dx, int dy, CRect& dirty);
    virtual void SetBounds(const CRect& rect, int flag = 0);
    // Mode 0 flip horizontally, 1 vertically, 2 rotate left, 3 right, about
    // the centre of about; 1 when changed. Base: dirty empty, 0.
    virtual int FlipOrRotate(int mode, const CRect& about, CRect& dirty);
    virtual void SaveBounds();
    // The text in-place editing edits, with the editor's rectangle; base null.
    virtual std::string* GetEditableText(CRect& rect);
    // The vertices; base none.
    virtual void GetVertices(std::vector<CPoint>& points) const;
    // Links add themselves to the list their master and tool call for; base nothing.
    virtual void CollectIfConnected(Master* master, DrawableRefList* inheritances,
                                    DrawableRefList* realizations, DrawableRefList* compositions,
                                    DrawableRefList* others);
    // Groups name their marked members (and the marked members of unmarked
    // members, depth first) in found; base nothing.
    virtual void CollectMarkedMembers(DrawableRefList& found);
    // As CollectMarkedMembers, but the marked members leave their groups and
    // move to the end of taken; base nothing.
    virtual void TakeMarkedMembers(DrawableList& taken);
    // The parent's member list, else the model's own list (null without one).
    virtual DrawableList* GetOwningList(DrawableList* modelList);
    // Reads the drawable from list when given one and returns the rest of the
    // list; given nil, builds its record. Base: the nine-element base run.
    virtual kest::Cell* Persist(GuidScope* scope, kest::Cell* list);
    // Counts (and with option 8 replaces) the word in the drawable's texts; base 0.
    virtual int FindReplaceText(ModelDocument* document, const std::string& word,
                                const std::string& replacement, int options);
    // Comparison and merge of versions of a drawable (the project merge).
    // IsEqual: kind code, bounds, kind and style bytes and looks, then each
    // class's own fields; IsEqualContent: kind code, kind and style bytes and
    // the class's content fields, ignoring geometry and looks. References
    // compare by id text. MergeTwo, MergeThree: base no merge.
    virtual bool IsEqual(const Drawable& other) const;
    virtual bool IsEqualContent(const Drawable& other) const;
    virtual bool MergeTwo(ModelDocument* document, Drawable* other);
    virtual bool MergeThree(ModelDocument* document, Drawable* mine, Drawable* theirs);

    // ---- helpers the subclasses answer ----
    // The member list (owning) of a group (or of the group a place group
    // holds); base null. Code outside the drawables reads the members through
    // MemberList and changes them through the model's operations.
    virtual DrawableList* GetMemberList();
    // The same list, read only.
    virtual const DrawableList* MemberList() const;
    // Takes every member out (empty for a drawable without members) for a
    // caller that writes the container's own record without them; hand them
    // back with RestoreMembers, which puts them at the head of the members.
    [[nodiscard]] DrawableList SetMembersAside();
    void RestoreMembers(DrawableList& aside);
    // The place flags of a place; base 0.
    virtual uint32_t GetPlaceFlags() const;
    // A link's end nodes; false for anything else.
    virtual bool GetLinkEnds(NodeDrawable*& source, NodeDrawable*& target) const;
    // A place's current junction; base null.
    virtual Drawable* GetCurrentJunction() const;

    // ---- kind tests ----
    bool IsPlace() const { return kind == DkPlace; }
    bool IsLink() const { return kind == DkLink; }
    bool IsTag() const { return kind == DkTag; }
    bool IsPrimitive() const { return kind == DkPrimitive; }
    bool IsUiControl() const { return kind == DkUiControl; }
    bool IsJunction() const { return kind == DkJunction; }
    bool IsNode() const { return kind == DkJunction || kind == DkPlace; }
    bool IsFloater() const { return kindCode == TkMessage; }
    bool IsPlaceGroup() const { return kindCode == TkPlaceGroup; }
    bool IsSwimlane() const { return kindCode == TkPlaceGroup && (GetPlaceFlags() & 0x80) != 0; }
    bool IsGroup() const { return (style & DsGroup) != 0; }
    bool IsImmovable() const { return (style & DsImmovable) != 0; }
    // The selection bit; with inherited, also when a containing group is selected.
    bool IsSelected(bool inherited = false) const;
    bool IsCurrentJunction() const;

    Drawable* Parent() const { return parent; }
    // Sets the parent and forgets any parent id read from a record.
    void SetParent(Drawable* group);
    // The parent id read from a record, until ResolveRefs binds it.
    const ObjectRef& PendingParent() const { return parentRef; }

    int32_t kindCode = 0;
    CRect bounds;
    CRect repaintRect;
    CRect labelRect;
    uint8_t kind = DkNone;
    uint8_t style = 0;
    Looks looks;
    CRect savedBounds;
    // Where the drawable stood in its list before and after a change of the
    // drawing order, a grouping or a removal: numbered by
    // Model::NumberByPosition (which 1 before, 2 after) and by the delete,
    // and written into the journal's records.
    int32_t positionBefore = 0;
    int32_t positionAfter = 0;
    // The looks before and after a looks change of the selection, which the
    // journal's entry reads.
    Looks oldLooks;
    Looks newLooks;

  protected:
    // Reads the base run from the record reader's position (refusing short
    // runs and wrong cell types); the caller's class checks that the kind
    // byte and style it read suit the class (CheckReadKind).
    void ReadBase(GuidScope* scope, RecordReader& r);
    // The base run as a fresh list.
    kest::Cell* WriteBase();
    // The repaint rectangle the record holds: the live one, unless a class
    // keeps the one it was read with.
    virtual CRect SavedRepaintRect() const { return repaintRect; }
    // The record's kind code, kind byte and group bit must suit the class:
    // a format error of the record otherwise.
    void CheckReadKind(const char* record, std::initializer_list<int> kindCodes) const;
    // Pen and brush of resolved looks, selected into dc; returns the old ones.
    struct SavedTools {
        LogPen pen;
        LogBrush brush;
    };
    static SavedTools SelectTools(DeviceContext& dc, const Looks& looks, int penStyle,
                                  int32_t width, bool penFromLineColor);
    static void RestoreTools(DeviceContext& dc, const SavedTools& saved);
    // The effective looks: own looks resolved under imposed (own when none).
    Looks Effective(const Looks* imposed) const;

    Drawable* parent = nullptr;
    ObjectRef parentRef;
    // The numeric id the record gave, or -1.
    int32_t readNumber_ = -1;
    // The id the record gave when a paste found it taken and gave the
    // drawable a new one: the read map holds the drawable under it.
    std::string readAs_;
};

class NodeDrawable : public Drawable {
  public:
    explicit NodeDrawable(GuidMap* map = nullptr) : Drawable(map) {}
    // The place of the node: a place itself, a junction its pivot place.
    virtual Drawable* GetPlace() = 0;
    // The master the node stands for.
    virtual Master* GetMaster() = 0;
    // Where the segment between the points crosses the node's bounds.
    virtual bool BoundaryPoint(int x1, int y1, int x2, int y2, CPoint& point);
};

} // namespace qm
