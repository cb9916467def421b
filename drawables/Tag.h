// Tags and message floaters. A Tag is a note drawn as a callout whose
// pointer touches the drawable it belongs to. A Floater is the message label
// of a collaboration or sequence diagram: a short arrow beside one segment
// of a link, pointing in the message's direction, with a numbered text
// ('3. draw()') that drives message numbering. The floater keeps its place
// in the segment's own frame, so it follows the link when the link moves.
#pragma once

#include "drawables/Drawable.h"

#include <string>

namespace qm {

class Link;
class MenuWindow;

class Tag : public Drawable {
  public:
    // Kind code 25, kind byte tag, nothing attached.
    explicit Tag(GuidMap* map = nullptr);

    // Sets the kind code, the bounds and the attached drawable (may be null),
    // then the anchor, the label and the repaint rectangle.
    void Attach(int kindCode, const CRect& rect, Drawable* drawable);
    // The same three steps after changing the attached drawable only.
    virtual void SetAttached(Drawable* drawable);
    // The anchor: where the segment from the reference rectangle's centre
    // (the attached place's bounds; for anything else the tag's own label
    // rectangle) to the centre of the tag's bounds crosses that rectangle.
    void ComputeAnchor();
    // The label: the bounds deflated by 3.
    virtual void LayoutLabel();
    // Lays the tag out again after a zoom change; false when the bounds are empty.
    bool Relayout(DeviceContext& dc, double zoom, CRect& dirty);
    Drawable* Attached() const { return attached_; }
    const ObjectRef& PendingAttached() const { return attachedRef_; }

    // ---- the operations of ModelObject and Drawable ----
    std::unique_ptr<ModelObject> Clone() const override;
    // Kind code, text and flags.
    void Assign(const ModelObject* other) override;
    // Exchange of (text tagFlags) in the manner of the other property lists:
    // each nil or (mine other's). The undo of a replace in a tag's text
    // restores the text through it.
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    using Drawable::ResolveRefs;
    // Binds the attached drawable read as an id: through the model when one
    // is given, else through the scope's map ("GUID map lookup failed" when
    // the id is unknown); nil gives an unattached tag.
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    // The callout polygon in the looks' line and fill colours, then the text.
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    // The four corners and the anchor.
    int GetKnobRects(CRect* rects) const override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    std::string* GetEditableText(CRect& rect) override;
    // Record: (tag "attached id" (x y) "text" <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;

    CPoint anchor;
    std::string text;
    uint8_t tagFlags = 0;

  protected:
    // The start of the hit tests of tags and floaters: outside the repaint
    // rectangle nothing (part none); on a knob part knob and its index; in
    // the label rectangle part label. True for a hit on a knob or the label.
    bool HitKnobOrLabel(int x, int y, int& part, int& knob);
    kest::Cell* WriteTag(GuidScope* scope);
    kest::Cell* ReadTag(GuidScope* scope, kest::Cell* list, std::initializer_list<int> kindCodes);
    // Binds the pending reference (see ResolveRefs); the drawable, or null.
    Drawable* BindAttached(GuidScope* scope, DrawableModel* model);

    Drawable* attached_ = nullptr;
    ObjectRef attachedRef_;
};

// Bits of a floater's tag flags.
enum FloaterFlag : uint8_t {
    FfReversed = 0x1,       // the message goes from the link's target to its source
    FfAttachmentOpen = 0x2, // passed on when the attachment is opened
};

// The message number of a label: atoi of its leading run of digits and
// dots; 0 when the text does not begin with a digit.
int MessageNumberOf(const std::string& text);
// The label renumbered: the rest after the leading digits and dots, formatted
// "%d.%s" when it begins with a blank, else "%d. %s".
std::string RenumberedText(const std::string& text, int number);

class Floater : public Tag {
  public:
    // Kind code 46, empty texts, all points (0, 0).
    explicit Floater(GuidMap* map = nullptr);

    // Attaches the floater to segment i of link: the tag's attach, flags
    // cleared, the segment's ends stored, then placed beside the segment.
    void AttachToSegment(int kindCode, const CRect& rect, Link* link, int segment);
    // Takes the point of the segment nearest to (x, y), stores the position
    // in the segment's frame, then lays the label out (relayout) or places
    // the arrow beside the segment.
    void MoveNearSegment(int x, int y, bool relayout);
    int GetNumber() const { return MessageNumberOf(text); }
    void SetNumber(int number) { text = RenumberedText(text, number); }
    // After the link moved: the arrow's centre, its nearest segment point
    // and side, then the arrow beside the segment.
    void Reanchor();
    // Remembers the ends of the segment the floater sits on (after a read).
    void RememberSegment();
    void SetLabelRect(const CRect& rect);
    // Lays the text out in the label: the label's size fits the text.
    void WrapText(DeviceContext& dc, double zoom);
    // WrapText with the document's device context (or an offscreen one):
    // the label fits the text again after the text changed, as when a
    // message is renumbered.
    void MeasureLabel(ModelDocument* document, double zoom);
    // "Popup/Call...": the operation menu of the master at the link's
    // target end (its source end for a reversed message); the chosen
    // operation's text, "" when none or without such a master.
    std::string PopupCallMenu(ModelDocument* document, MenuWindow* window, int x, int y);
    // The link the floater rides on, or null.
    Link* GetLink() const;
    // The arrow's centre.
    CPoint ArrowCentre() const;

    // ---- the operations of ModelObject and Drawable ----
    ModelObject* GetPropertyTarget(int* kind) override;
    std::unique_ptr<ModelObject> Clone() const override;
    // Kind code, text, second text, attachment and flags.
    void Assign(const ModelObject* other) override;
    // Exchange of (kind text secondText attachment tagFlags) in the manner of
    // the other property lists: each nil or (mine other's).
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    using Tag::ResolveRefs;
    // The tag's binding; an attached drawable that is no link is dropped.
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    bool HasAttachment() const override { return !attachment.empty(); }
    void OpenAttachment() override;
    // The two arrow ends and the label's bottom-right corner.
    int GetKnobRects(CRect* rects) const override;
    void UpdateRepaintRect() override;
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    // Record: (floater "second" "attachment" flags segment (tail) (head)
    // (local) (origin) (axis) <tag record>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;
    void SetAttached(Drawable* drawable) override;
    void LayoutLabel() override;

    std::string secondText;
    std::string attachment;
    int16_t segment = 0;
    CPoint arrowTail;
    CPoint arrowHead;
    CPoint frameOrigin;
    CPoint frameAxis;
    CPoint localPosition;
    CPoint segmentStart;
    CPoint segmentEnd;

  private:
    // The segment's ends p and q; false when the link or segment is missing.
    bool SegmentEnds(CPoint& p, CPoint& q) const;
    void SetLocalPosition(const CPoint& mouse, const CPoint& nearest);
    CPoint WorldPosition() const;
    void LayoutBesideSegment();
};

} // namespace qm
