// Place groups and swimlanes. A PlaceGroup is a place whose body is a
// container: its members (places, links, primitives, nested place groups)
// live in a PrimitiveGroup embedded in it, so drawing, moving, mapping, hit
// testing and the member record are the primitive group's. A Swimlane is a
// place group that spans the full height of its model's page and sits in a
// left-to-right chain of lanes.
#pragma once

#include "drawables/Place.h"
#include "drawables/PrimitiveGroup.h"

#include <vector>

namespace qm {

class Model;

// The title band of a place group without a title member is this high.
constexpr int32_t kGroupTitleHeight = 22;
// A lane is never narrower than this.
constexpr int32_t kMinLaneWidth = 32;

class PlaceGroup : public Place {
  public:
    // A place of kind code 34 with an empty member group (registered in map
    // too), style group and place flags 0x48.
    explicit PlaceGroup(GuidMap* map = nullptr);
    ~PlaceGroup() override;

    PrimitiveGroup& MemberGroup() { return members_; }
    const PrimitiveGroup& MemberGroup() const { return members_; }

    // ---- the operations of Drawable and Place ----
    void Detach(GuidScope* scope) override;
    void MarkFiltered(int value, int mask, Drawable* filter) override;
    using Place::ResolveRefs;
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    void AddMasterReference() override;
    std::unique_ptr<Master> ReleaseMaster(MasterCollection& masters, bool removeUnused) override;
    void GetAnchorRect(CRect& rect, int corner, bool centred) const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void PrepareDrawing() override;
    int SetSelected(bool on) override;
    void InvertKnobs(DeviceContext& dc, double zoom) override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void SetBounds(const CRect& rect, int flag = 0) override;
    int FlipOrRotate(int mode, const CRect& about, CRect& dirty) override;
    void SaveBounds() override;
    std::string* GetEditableText(CRect& rect) override;
    void CollectIfConnected(Master* master, DrawableRefList* inheritances,
                            DrawableRefList* realizations, DrawableRefList* compositions,
                            DrawableRefList* others) override;
    void CollectMarkedMembers(DrawableRefList& found) override;
    void TakeMarkedMembers(DrawableList& taken) override;
    DrawableList* GetMemberList() override { return members_.GetMemberList(); }
    const DrawableList* MemberList() const override { return members_.MemberList(); }
    // Record: (placeGroup (group ...) place ...).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;
    // The title: the first text member with flag 0x1 and without 0x4 (not
    // for a lane); otherwise the top band of the bounds, 22 high, deflated by 3.
    void LayoutLabel() override;
    // A group does not size itself to its text: rect is the bounds.
    void ComputeAutoSize(DeviceContext* dc, CRect& rect) override;

    // ---- the operations PlaceGroup adds ----
    // Takes the selected drawables of list as members and sets the group up
    // around them (kind 34, the master, compartments on, frame flag; a lane
    // with laneRect takes that rectangle and the lane flag).
    void Fill(DrawableList& list, Master* master, const CRect* laneRect);
    // The drop highlight the editor asks for while dragging over the group.
    void DrawDropHighlight(DeviceContext& dc, double zoom);
    // The members' area (flag passed to the member rectangle: 1 leaves links
    // out), raised by the name band when there is a name and no title, and
    // inflated by 4; a 20 x 20 square about the centre (inflated) without members.
    void GetContentRect(CRect& rect, int flag) const;
    // The innermost place group under (x, y), or null.
    PlaceGroup* GroupAt(int x, int y, const Drawable* excluded);
    bool ContainsMember(const Drawable* drawable, bool recurse, bool viaContainer,
                        PlaceGroup** container) const;
    // Fits a group that fits itself (flag 0x40, not a lane) to its content.
    void FitTo(const CRect& rect, CRect& dirty);
    // Moves the drawable from the model's list into the members.
    void AddMember(DrawableModel* model, Drawable* drawable, CRect& rect, CRect& dirty);
    // Gives a member back to the model's list.
    void ReleaseMember(DrawableModel* model, Drawable* drawable, CRect& rect, CRect& dirty);
    PlaceGroup* FindDropTarget(const Drawable* drawable);
    // Becomes a copy of a library symbol (its members copied) showing master.
    void CopySymbol(const PrimitiveGroup& symbol, Master* master);
    // The highest message number among the member floaters, nested groups included.
    int MaxFloaterNumber() const;
    // Where a message that starts (or ends) on the group at (x, y) meets it
    // in a sequence diagram: on the group's left side when x lies left of
    // the centre, else on its right side, at y held within the top and
    // bottom. A group has no life line: its messages end on its sides.
    CPoint AnchorPoint(int x, int y) const;
    void CollectLinks(DrawableRefList& links) const;
    void CollectMasterNames(std::vector<std::string>& names) const;

    int32_t dropState = 0;
    int32_t hasTitle = 0;

  protected:
    void CheckPlaceKind() const override;
    kest::Cell* WriteGroup(GuidScope* scope);
    kest::Cell* ReadGroup(GuidScope* scope, kest::Cell* list);

    PrimitiveGroup members_;
};

class Swimlane : public PlaceGroup {
  public:
    // A place group with place flag 0x80 and no neighbours or model.
    explicit Swimlane(GuidMap* map = nullptr);
    // Unhooks the lane from every lane that names it.
    ~Swimlane() override;

    Swimlane* PreviousLane() const { return previous_; }
    Swimlane* NextLane() const { return next_; }
    Model* LaneModel() const { return model_; }
    void SetPreviousLane(Swimlane* lane);
    void SetNextLane(Swimlane* lane);
    void SetLaneModel(Model* model) { model_ = model; }

    // Takes the lane out of the chain (its neighbours point past it); with
    // clear, its own links become null.
    void Unlink(bool clear);
    // Puts the lane back between its neighbours.
    void Relink();
    // An empty rectangle whose left is the previous lane's content right and
    // whose right is the next lane's content left.
    void GetDragLimits(CRect& rect) const;

    using PlaceGroup::ResolveRefs;
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    void GetAnchorRect(CRect& rect, int corner, bool centred) const override;
    // Record: (swimlane "previous" "next" "model" placeGroup ...).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    void GetSubmodelMarkerRect(CRect& rect) const override;

  private:
    void Forget(Swimlane* lane);

    Swimlane* previous_ = nullptr;
    Swimlane* next_ = nullptr;
    Model* model_ = nullptr;
    ObjectRef previousRef_;
    ObjectRef nextRef_;
    ObjectRef modelRef_;
    // The lanes whose previous or next lane is this one.
    std::vector<Swimlane*> namedBy_;
};

// The drawable as a place group (a swimlane too); null for anything else.
PlaceGroup* AsPlaceGroup(Drawable* drawable);
const PlaceGroup* AsPlaceGroup(const Drawable* drawable);

} // namespace qm
