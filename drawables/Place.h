// The place: the drawable that stands for a master in a diagram. It owns its
// junctions, counts one use of its master, carries the place flags that say
// what the master's symbol shows, an optional instance label, the name
// rectangle and the box of the master's template parameters, and persists
// as the place record (with its junctions inside). The symbol itself is the
// master's, drawn from its notation tool (SymbolDrawing.h); the text layout
// of compartments and parameters is in PlaceText.cpp.
#pragma once

#include "drawables/Drawable.h"
#include "drawables/DrawableModel.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class Junction;
class Master;
class MasterCollection;

// Bits of the place flags.
enum PlaceFlag : uint32_t {
    PfCompartments = 0x1,
    PfDetails = 0x2,
    PfInstanceLabel = 0x4,
    PfGroupFrame = 0x8,
    PfGroupNoName = 0x10,
    PfGroupFits = 0x40,
    PfSwimlane = 0x80,
};

// What the place text layout reports besides the width.
struct CompartmentLayout {
    int32_t attributeChars = 0;
    int32_t methodChars = 0;
    int32_t attributeLines = 0;
    int32_t methodLines = 0;
    int32_t nameHeight = 0;
    int32_t lineHeight = 0;
};

// The widest compartment text a place takes.
constexpr int32_t kMaxCompartmentWidth = 600;
// The text room of the auto size and of the symbol drawing.
constexpr size_t kPlaceTextRoom = 65536;

class Place : public NodeDrawable {
  public:
    // Kind byte place, flags 2, everything else empty.
    explicit Place(GuidMap* map = nullptr);
    ~Place() override;

    // ---- the operations of Drawable ----
    // Detaches every junction, then the place.
    void Detach(GuidScope* scope) override;
    // The master, with category 3.
    ModelObject* GetPropertyTarget(int* kind) override;
    using Drawable::Mark;
    void MarkFiltered(int value, int mask, Drawable* filter) override;
    // Marks with flags: 0x8 the master (and, without 0x10, its submodel with
    // its places), 0x1 the place itself.
    void MarkPlace(int mask, int placeFlags);
    // Binds the parent, the master (through the scope's map, counting the
    // use) and the junctions.
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    // As above without a model; with byText (copies between documents) the
    // master is found by its id text and its count is left alone.
    void ResolveRefs(ModelDocument* document, GuidScope* scope, bool byText) override;
    void ResolveMaster(ModelDocument* document, GuidScope* scope, bool byText);
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void PrepareDrawing() override;
    bool HasAttachment() const override;
    void OpenAttachment() override;
    void InvertKnobs(DeviceContext& dc, double zoom) override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void SetBounds(const CRect& rect, int flag = 0) override;
    void SaveBounds() override;
    // The label, ":" and the master's name with an instance label, else the
    // name; the rectangle is the label rectangle. Null without a master.
    std::string* GetEditableText(CRect& rect) override;
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;
    uint32_t GetPlaceFlags() const override { return placeFlags; }
    Drawable* GetCurrentJunction() const override;
    Drawable* GetPlace() override { return this; }
    Master* GetMaster() override { return master; }

    // ---- the operations Place adds ----
    // Kind code, bounds and repaint rectangle, master, flags 2 (plus 1 with
    // compartments); then the label layout. The master's count is not touched.
    virtual void Setup(int kindCode, const CRect& rect, Master* master, bool showCompartments);
    // Every junction's drawing.
    void DrawJunctions(DeviceContext& dc, const Looks* looks, double zoom);
    // The label rectangle: the tool's name frame in the bounds with a
    // master, else the label rectangle deflated by 3.
    virtual void LayoutLabel();
    // Sets the parameter box (empty when the tool has no compartment
    // frame); 0 without a box, else the line height.
    int LayoutParameterBox(DeviceContext* dc, const Looks& looks);
    // The square where the submodel marker is drawn and hit: 8 by 8 in the
    // bottom-right corner of the bounds (a lane takes its top-right corner).
    virtual void GetSubmodelMarkerRect(CRect& rect) const;
    bool IsNearBorder(int x, int y, int tolerance) const;
    bool HasJunction(const Junction* junction) const;
    // A new junction of tool toolId (400..405) at the point, registered in
    // map, owned by the place; null for another tool.
    Junction* AddJunction(GuidMap* map, int x, int y, int toolId);
    // Takes an existing junction, keeping its kind and side.
    void AttachJunction(std::unique_ptr<Junction> junction);
    // Removes and destroys the first junction with other's id.
    void RemoveJunctionLike(GuidScope* scope, const Junction& other);
    // Takes the junction out of the list; the caller owns it (null when it
    // was not the place's).
    std::unique_ptr<Junction> DetachJunction(Junction* junction);
    Junction* JunctionAt(int x, int y, bool useLabel) const;
    void RestoreJunctionAnchors();
    // The rectangle that fits the name and compartments, the centre kept.
    virtual void ComputeAutoSize(DeviceContext* dc, CRect& rect);
    // The bounds grown around their centre (never shrunk) so that the name
    // and the shown compartments, measured on dc, fit inside: the size a
    // new place takes before it is first drawn.
    void ComputeGrownToText(DeviceContext* dc, CRect& rect) const;
    void SaveJunctionAnchors();
    void MoveCurrentJunction(int dx, int dy, CRect& dirty);
    // Counts one use of the master (a place group counts its member places'
    // first, then its own).
    virtual void AddMasterReference();
    // Takes this place's count off the master; the master leaves the
    // collection when its count reached 0 and removeUnused is set: the
    // caller receives it (null when it stays). A place group releases its
    // member places' masters first (they stay in the collection), then its own.
    virtual std::unique_ptr<Master> ReleaseMaster(MasterCollection& masters, bool removeUnused);
    virtual void Relayout();
    // Shows the members the filter asks for (0x1, 0x2 attributes, 0x4, 0x8
    // methods), journaled as "Annotation"; true when anything changed.
    bool Annotate(ModelDocument* document, int filter);
    // Reading (list given, head junctions): the junction records; writing:
    // (junctions j1 j2 ...).
    kest::Cell* PersistJunctions(GuidScope* scope, kest::Cell* list);

    // The compartment text below the name (PlaceText.cpp): lines ending in
    // CR LF appended to text while the whole line fits below room, one style
    // code per line in codes (" ", "U", "I", "C"). Returns the text width
    // (name width without compartments) + 10, at most 600.
    int32_t LayoutCompartments(std::string& text, std::string* codes, size_t room,
                               uint32_t flagsShown, DeviceContext* dc, const Looks& looks,
                               CompartmentLayout& out) const;
    // The parameter lines; returns the box width, with the box height and line height.
    int32_t LayoutParameterText(std::string& text, size_t room, DeviceContext* dc,
                                const Looks& looks, int32_t& boxHeight, int32_t& lineHeight) const;

    const std::vector<std::unique_ptr<Junction>>& Junctions() const { return junctions_; }
    const ObjectRef& PendingMaster() const { return masterRef_; }

    Master* master = nullptr;
    uint32_t placeFlags = PfDetails;
    std::string label;
    CRect nameRect;
    CRect parameterBox;
    CPoint lifeLinePoint;
    Junction* currentJunction = nullptr;

  protected:
    // Reads the place's own elements and the base run.
    kest::Cell* ReadPlace(GuidScope* scope, kest::Cell* list);
    kest::Cell* WritePlace(GuidScope* scope);
    // The kind byte and style a place record must carry.
    virtual void CheckPlaceKind() const;
    // The size the tool's symbol needs around label once label measures the
    // name and the shown compartments (label is resized around its centre);
    // false without a tool.
    bool FitTextSize(DeviceContext* dc, CRect& label, CSize& fitted) const;

    std::vector<std::unique_ptr<Junction>> junctions_;
    ObjectRef masterRef_;
    std::string editable_;
};

// The drawable of model whose id is id (groups searched inside), else the
// junction of that id on a place of model (or of a group's members): links
// and tags may end on junctions, which live in their places' lists and not
// in the model's. Null when none.
Drawable* FindDrawableOrJunction(DrawableModel& model, const char* id);

} // namespace qm
