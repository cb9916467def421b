// The primitive group: drawables bound into one unit that is selected,
// moved, resized, flipped, drawn and stored together. The group owns its
// members (each member's parent is the group; freeing the group frees
// them); member order is drawing and record order.
#pragma once

#include "drawables/Primitives.h"

namespace qm {

class PrimitiveGroup : public BoxPrimitive {
  public:
    explicit PrimitiveGroup(GuidMap* map = nullptr);
    // Frees the members still held.
    ~PrimitiveGroup() override;

    // Empties the bounds, moves every drawable of list whose own selection
    // bit is set to the end of the members, then recomputes the bounds from
    // the members.
    void AddMembers(DrawableList& list);
    // The first member with kind code 28 (a text), or null.
    Drawable* FindTextMember() const;
    void SelectMembers(DrawableModel* model);
    bool HasMember(const Drawable* drawable) const;
    // Takes the drawable as the last member (nothing for null); returns it.
    Drawable* AddMember(std::unique_ptr<Drawable> drawable);
    // Takes the drawable out of the members, clears its parent and hands it
    // back; null when it was not a member.
    [[nodiscard]] std::unique_ptr<Drawable> RemoveMember(Drawable* drawable);
    // Moves the drawable from the model's list to the end of the members;
    // the drawable, or null when the model's list lacks it.
    Drawable* AdoptFromModel(DrawableModel* model, Drawable* drawable);
    // RemoveMember, then the drawable is appended to list when it was a member.
    void ReleaseMemberTo(DrawableList& list, Drawable* drawable);
    // The union of the members' bounds (links left out when asked); when
    // empty, a 10 x 10 square about the centre of the group's bounds.
    void MembersBounds(CRect& rect, bool skipLinks) const;
    // Reading: the members from list: records, or while the scope's
    // members-by-id switch is on ids of drawables the scope's held objects
    // hold (taken from there). Writing (list nil): the member list.
    kest::Cell* PersistMembers(GuidScope* scope, kest::Cell* list, bool reading);

    const DrawableList& Members() const { return members_; }
    bool IsOutlineOnly() const { return (flags & MoOutlineOnly) != 0; }

    void Detach(GuidScope* scope) override;
    void MarkFiltered(int value, int mask, Drawable* filter) override;
    using Drawable::ResolveRefs;
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    void AssignFrom(ModelDocument* document, const Drawable& other) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void PrepareDrawing() override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void SetBounds(const CRect& rect, int flag = 0) override;
    int FlipOrRotate(int mode, const CRect& about, CRect& dirty) override;
    void SaveBounds() override;
    void CollectMarkedMembers(DrawableRefList& found) override;
    void TakeMarkedMembers(DrawableList& taken) override;
    DrawableList* GetMemberList() override { return &members_; }
    const DrawableList* MemberList() const override { return &members_; }
    // Record: (group (member records or ids) <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;

  private:
    std::unique_ptr<Drawable> TakeMemberById(GuidScope* scope, kest::Cell* entry);

    DrawableList members_;
};

} // namespace qm
