// The primitive group: drawables bound into one unit that is selected,
// moved, resized, flipped, drawn and stored together. The group owns its
// members (each member's parent is the group; destroying the group destroys
// them); member order is drawing and record order.
#pragma once

#include "drawables/Primitives.h"

namespace qm {

class PrimitiveGroup : public BoxPrimitive {
  public:
    explicit PrimitiveGroup(GuidMap* map = nullptr);
    // Deletes the members still held.
    ~PrimitiveGroup() override;

    // Empties the bounds, takes every drawable of list whose own selection
    // bit is set as a member, then recomputes the bounds from the members.
    void AddMembers(const DrawableList& list);
    // The first member with kind code 28 (a text), or null.
    Drawable* FindTextMember() const;
    void SelectMembers(DrawableModel* model);
    bool HasMember(const Drawable* drawable) const;
    void AddMember(Drawable* drawable);
    // Takes the drawable out and clears its parent; true when it was a member.
    bool RemoveMember(Drawable* drawable);
    // Moves the drawable from the model's list to the end of the members;
    // the drawable, or null when the model's list lacks it.
    Drawable* AdoptFromModel(DrawableModel* model, Drawable* drawable);
    // RemoveMember, then the drawable is appended to list when it was a member.
    void ReleaseMemberTo(DrawableList& list, Drawable* drawable);
    // The union of the members' bounds (links left out when asked); when
    // empty, a 10 x 10 square about the centre of the group's bounds.
    void MembersBounds(CRect& rect, bool skipLinks) const;
    // Reading: the members from list (records, or ids while the members-by-id
    // switch is on). Writing (list nil): the member list.
    kest::Cell* PersistMembers(GuidScope* scope, kest::Cell* list, bool reading);

    const DrawableList& Members() const { return members_; }
    bool IsOutlineOnly() const { return (flags & MoOutlineOnly) != 0; }

    void Detach(GuidScope* scope, bool deleteObject) override;
    void MarkFiltered(int value, int mask, Drawable* filter) override;
    using Drawable::ResolveRefs;
    void ResolveRefs(CCASEDoc* document, GuidScope* scope, DrawableModel* model) override;
    void AssignFrom(CCASEDoc* document, const Drawable& other) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void SetBounds(const CRect& rect, int flag = 0) override;
    int FlipOrRotate(int mode, const CRect& about, CRect& dirty) override;
    void SaveBounds() override;
    void CollectMarkedMembers(DrawableList* list, bool remove) override;
    DrawableList* GetMemberList() override { return &members_; }
    // Record: (group (member records or ids) <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    int FindReplaceText(CCASEDoc* document, const std::string& word, const std::string& replacement,
                        int options) override;

  private:
    DrawableList members_;
};

} // namespace qm
