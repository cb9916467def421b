// The controls of a form design: UiControlPlace, the drawable of kind byte 5
// that draws itself as a 3-D control in the fixed system colours, its simple
// classes (label, edit, combo box, button, radio button, check box, multi-line
// edit), the containers (group box, list box, tab control, window) holding
// members in an embedded primitive group, and CreateUiControl.
#pragma once

#include "drawables/Drawable.h"
#include "drawables/PrimitiveGroup.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class DrawableModel;
class ModelDocument;

// The kind codes of the controls.
enum UiControlKind : int {
    TkUiLabel = 35,
    TkUiEdit = 36,
    TkUiComboBox = 37,
    TkUiButton = 38,
    TkUiRadioButton = 39,
    TkUiCheckBox = 40,
    TkUiMultiLineEdit = 41,
    TkUiListBox = 42,
    TkUiGroupBox = 43,
    TkUiTabControl = 44,
};
// The window frame is made by no tool and keeps kind code 0.
constexpr int kUiWindowKindCode = 0;

// Bits of the control flags.
constexpr uint32_t kControlCaption = 0x80;       // a caption beside the body
constexpr uint32_t kControlCaptionAbove = 0x100; // with 0x80: above the body
// The flags a new control starts with.
constexpr uint32_t kControlDefaultFlags = 22;

// The hit part of a container's frame and caption strip (the bit a
// swimlane's edge gives).
constexpr int kHitControlFrame = HpSwimlaneEdge;

// The program-wide control counter: 1000 at start-up, incremented for every
// control set up. Tests may put it back.
int32_t ControlCounter();
void SetControlCounter(int32_t value);

// The pens and fill of a 3-D frame: edges outside top-left, inside top-left,
// outside bottom-right, inside bottom-right (system colour indexes).
struct FrameColors {
    int outerTopLeft;
    int innerTopLeft;
    int outerBottomRight;
    int innerBottomRight;
};
constexpr FrameColors kFrameRaised{COLOR_3DLIGHT, COLOR_3DHILIGHT, COLOR_3DDKSHADOW,
                                   COLOR_3DSHADOW};
constexpr FrameColors kFrameRaisedLit{COLOR_3DHILIGHT, COLOR_3DLIGHT, COLOR_3DDKSHADOW,
                                      COLOR_3DSHADOW};
constexpr FrameColors kFrameSunken{COLOR_3DSHADOW, COLOR_3DDKSHADOW, COLOR_3DHILIGHT,
                                   COLOR_3DLIGHT};
constexpr FrameColors kFrameEtched{COLOR_3DSHADOW, COLOR_3DHILIGHT, COLOR_3DHILIGHT,
                                   COLOR_3DSHADOW};

// The pen width of a control drawing: the zoom truncated, at least 1.
int32_t ControlPenWidth(double zoom);
// n times the zoom truncated, at least 1.
int32_t ScaleUnitByZoom(int32_t n, double zoom);
// A 3-D frame on r (device units) with pens w wide: the fill inside, then the
// outer and inner edges. fill null: no fill.
void Draw3DFrame(DeviceContext& dc, const CRect& r, int32_t w, const FrameColors& colors,
                 const COLORREF* fill);
// A tab of a tab control (device units): lowered by 2w and w when behind,
// filled, edged as a raised frame lit outside, open at the bottom, its text
// centred.
void DrawTabFace(DeviceContext& dc, CRect tab, const std::string& text, int32_t w, COLORREF fill,
                 bool inFront);
// Scroll parts in model units. Flags: 0x1 dark arrow, 0x2 framed button, 0x4
// up, 0x8 down, 0x10 left, 0x20 right arrow; without 0x2 the rectangle is a track.
void DrawScrollButton(DeviceContext& dc, int flags, const CRect& rect, double zoom,
                      const CRect* fromFrame, const CRect* toFrame);
void DrawVScrollBar(DeviceContext& dc, int32_t l, int32_t t, int32_t r, int32_t b, double zoom,
                    const CRect* fromFrame, const CRect* toFrame);
void DrawHScrollBar(DeviceContext& dc, int32_t l, int32_t t, int32_t r, int32_t b, double zoom,
                    const CRect* fromFrame, const CRect* toFrame);

class UiControlPlace : public Drawable {
  public:
    // Kind byte 5, looks face and alignment 0, empty strings and zero properties.
    explicit UiControlPlace(GuidMap* map = nullptr);
    ~UiControlPlace() override;

    // ---- the operations of ModelObject ----
    // PtControlPlace and the control itself.
    ModelObject* GetPropertyTarget(int* kind) override;
    // A control of the same class with the copied fields (CopyControl), a
    // new id, control number 0 and the fifth flag property 0.
    std::unique_ptr<ModelObject> Clone() const override;
    // CopyControl from another control of the same class.
    void Assign(const ModelObject* other) override;
    // The property list (name caption defaultText picture rows numbers
    // pages) of the control sheet: each nil when equal to other's, else
    // (mine other's); rows are an edit's list rows joined by newlines (""
    // for other controls); numbers the control flags, the three numeric and
    // the five flag properties, blank-separated; pages a tab control's page
    // captions, each ended by a newline ("" for other controls). Given a
    // list: applies its non-nil entries (second values when redo); a
    // malformed list is a format error and changes nothing.
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;

    // ---- the operations of Drawable ----
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    // Bounds inflated by 5, then ResetLabelRect.
    void UpdateRepaintRect() override;
    // The label rectangle is what the in-place editor restores.
    void SaveBounds() override;
    // The caption, edited in the label rectangle.
    std::string* GetEditableText(CRect& rect) override;
    // Record: (<head> <class fields> flags "name" "caption" "default text"
    // "picture" (n1 n2 n3) (f1 f2 f3 f4 f5) number <base run>).
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    bool IsEqual(const Drawable& other) const override;
    bool IsEqualContent(const Drawable& other) const override;

    // ---- the operations UiControlPlace adds ----
    // Sets a new control up: kind code and bounds, kind byte 5, face and
    // alignment 0, flags 22, the next control number, the name "ctrl<number>",
    // the caption "Untitled", numeric properties 0, 32, 16, flag properties
    // 0, then UpdateRepaintRect.
    virtual void MakeDefaultName(int code, const CRect& rect);
    // Takes member when the control is a container (1, member emptied);
    // otherwise 0 and member stays with the caller.
    virtual int AddMember(std::unique_ptr<Drawable>& member);
    // The natural size in model units; content is the members' rectangle of
    // a container, else empty.
    virtual void GetDefaultSize(CSize& size, CRect& content);
    // With flag 0x80: the caption's rectangle at the bounds' top-left
    // (measured on dc) and the body beside or below it. Model units.
    virtual void LayoutCaption(DeviceContext& dc, double zoom, CRect& body);
    // Draws the caption right-aligned in its rectangle, centred vertically.
    virtual void DrawCaption(DeviceContext& dc, double zoom, const CRect* fromFrame,
                             const CRect* toFrame);
    // The label rectangle: the caption's rectangle of a control showing a
    // caption, else the bounds deflated by 1.
    virtual void ResetLabelRect();

    // True for the group box and its subclasses.
    bool IsContainer() const;
    bool ShowsCaption() const { return (controlFlags & kControlCaption) != 0; }
    // The record's head word of the class (the base class has no record of its own).
    static constexpr const char* kRecordHead = "uiControl";
    virtual const char* RecordHead() const { return kRecordHead; }

    uint32_t controlFlags = 0;
    std::string name;
    std::string caption;
    std::string defaultText;
    std::string picture;
    std::array<uint16_t, 3> numbers{};
    std::array<uint8_t, 5> flagProperties{};
    int32_t controlNumber = 0;

  protected:
    // Copies bounds, looks, flags, the four strings, the numeric properties
    // and the first four flag properties (not the number nor the fifth flag).
    virtual void CopyControl(const UiControlPlace& other);
    // The class's own record fields before the control fields: writing
    // returns them as a list to put after the head, reading takes them.
    virtual kest::Cell* WriteClassFields(GuidScope* scope);
    virtual void ReadClassFields(GuidScope* scope, RecordReader& r);
    // The kind codes a record of the class may carry.
    virtual bool KindCodeSuits(int code) const;
    // Takes back what ReadClassFields made when the record is refused.
    virtual void DropReadParts(GuidScope* scope);
    virtual bool EqualClassFields(const UiControlPlace& other) const;

    // Drawing helpers. The rectangle mapped between the frames and scaled.
    static CRect ToDevice(const CRect& rect, double zoom, const CRect* fromFrame,
                          const CRect* toFrame);
    // Selects the first work font for the looks under imposed at the zoom
    // and sets text and background colour; Restore puts them back.
    struct TextSetup {
        LogFont font;
        COLORREF text = 0;
        COLORREF background = 0;
        int mode = 0;
    };
    TextSetup BeginText(DeviceContext& dc, const Looks* imposed, double zoom, COLORREF textColor,
                        COLORREF background) const;
    static void EndText(DeviceContext& dc, const TextSetup& saved);
    // Draws text in the device rectangle by format, centred vertically.
    static void DrawTextCentred(DeviceContext& dc, const std::string& text, CRect box,
                                uint32_t format);
    // The caption's rectangle for the size last measured (32 x 10 before any).
    CRect CaptionRect() const;

    // The caption's text extent in model units, measured while drawing.
    CSize captionSize_{32, 10};
};

class UiLabelControl : public UiControlPlace {
  public:
    explicit UiLabelControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiLabel";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

class UiEditControl : public UiControlPlace {
  public:
    // Caption bit set and an empty label rectangle (the set-up replaces both).
    explicit UiEditControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiEdit";
    const char* RecordHead() const override { return kRecordHead; }

    // The rows of the list page: a combo box's entries, a multi-line edit's lines.
    std::vector<std::string> items;

  protected:
    void CopyControl(const UiControlPlace& other) override;
    kest::Cell* WriteClassFields(GuidScope* scope) override;
    void ReadClassFields(GuidScope* scope, RecordReader& r) override;
    bool KindCodeSuits(int code) const override;
    bool EqualClassFields(const UiControlPlace& other) const override;
    // Draws the sunken field and the caption; returns the field (model units).
    CRect DrawField(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                    const CRect* toFrame);
    // The field's rectangle below a caption above it, deflated by 2.
    CRect InnerField() const;
};

class UiComboBoxControl : public UiEditControl {
  public:
    explicit UiComboBoxControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiComboBox";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

class UiMultiLineEditControl : public UiEditControl {
  public:
    // Caption bits 0x80 and 0x100 (the set-up replaces them).
    explicit UiMultiLineEditControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiMultiLineEdit";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

class UiButtonControl : public UiControlPlace {
  public:
    explicit UiButtonControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiButton";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

class UiRadioButtonControl : public UiControlPlace {
  public:
    explicit UiRadioButtonControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiRadioButton";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

class UiCheckBoxControl : public UiControlPlace {
  public:
    explicit UiCheckBoxControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    static constexpr const char* kRecordHead = "uiCheckBox";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

// The square of a radio button or check box: size wide at the bounds' left,
// centred vertically (an odd remainder leaves one more above).
CRect CheckSquare(const CRect& bounds, int32_t size);

// A container: members in an embedded primitive group whose bounds are the
// client area. The container owns its members as a primitive group does.
class UiGroupBoxControl : public UiControlPlace {
  public:
    explicit UiGroupBoxControl(GuidMap* map = nullptr);
    ~UiGroupBoxControl() override;

    PrimitiveGroup& MemberGroup() { return members_; }
    const PrimitiveGroup& MemberGroup() const { return members_; }
    const CRect& ClientArea() const { return members_.bounds; }

    // ---- the operations of ModelObject and Drawable ----
    std::unique_ptr<ModelObject> Clone() const override;
    // Detaches the member group (and the members) with the control.
    void Detach(GuidScope* scope) override;
    void MarkFiltered(int value, int mask, Drawable* filter) override;
    using UiControlPlace::ResolveRefs;
    void ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    // As every control's, then the client area: the bounds with the top
    // moved down by the caption strip, deflated by 4.
    void UpdateRepaintRect() override;
    // The label rectangle, then the members in the client area (the first
    // hit, with its part), the client area (part 1) and the frame (0x20);
    // outside the bounds the knobs.
    Drawable* HitTest(int x, int y, int& part, int& knob, int flags) override;
    // The client area.
    void GetBounds(CRect& rect) const override;
    // The members and client area move with the control.
    void MoveBy(int dx, int dy, CRect& dirty) override;
    // Lays the client area out anew; the members stay where they are.
    void SetBounds(const CRect& rect, int flag = 0) override;
    void SaveBounds() override;
    void CollectMarkedMembers(DrawableRefList& found) override;
    void TakeMarkedMembers(DrawableList& taken) override;
    DrawableList* GetMemberList() override { return members_.GetMemberList(); }
    const DrawableList& Members() const { return members_.Members(); }
    int FindReplaceText(ModelDocument* document, const std::string& word,
                        const std::string& replacement, int options) override;

    // ---- the operations of UiControlPlace ----
    // The base set-up, then the client area once more.
    void MakeDefaultName(int code, const CRect& rect) override;
    // Appends the member (its parent becomes the member group) and moves it
    // inside the client area; 1.
    int AddMember(std::unique_ptr<Drawable>& member) override;
    // 18 x 33 plus the members' rectangle inflated by 4, which is content.
    void GetDefaultSize(CSize& size, CRect& content) override;
    // The caption strip at the top, between the frame's corners.
    void ResetLabelRect() override;
    static constexpr const char* kRecordHead = "uiGroupBox";
    const char* RecordHead() const override { return kRecordHead; }

    // ---- the operations UiGroupBoxControl adds ----
    // Selects members for the editor: without an area each member not yet
    // selected; with one, each member whose repaint rectangle deflated by 5
    // meets it (toggle deselects a selected one). When no member is
    // selected after that and an area is given, the control itself when the
    // area meets its bounds (or, empty, has its corner inside them).
    void SelectMembersInRect(DrawableModel* model, int a, int b, const CRect* area, bool toggle);

  protected:
    void DrawMembers(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                     const CRect* toFrame, int flag);
    // The client area's top below the bounds' top.
    virtual int32_t CaptionStrip() const;
    kest::Cell* WriteClassFields(GuidScope* scope) override;
    void ReadClassFields(GuidScope* scope, RecordReader& r) override;
    bool KindCodeSuits(int code) const override;
    void DropReadParts(GuidScope* scope) override;
    bool EqualClassFields(const UiControlPlace& other) const override;

    PrimitiveGroup members_;
};

class UiListBoxControl : public UiGroupBoxControl {
  public:
    // Caption bits 0x80 and 0x100 and an empty label rectangle.
    explicit UiListBoxControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    // The caption's rectangle when it shows one, else nothing to edit in place.
    void ResetLabelRect() override;
    static constexpr const char* kRecordHead = "uiListBox";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    bool KindCodeSuits(int code) const override;
};

class UiTabControl : public UiGroupBoxControl {
  public:
    explicit UiTabControl(GuidMap* map = nullptr);
    ~UiTabControl() override;

    std::unique_ptr<ModelObject> Clone() const override;
    void Detach(GuidScope* scope) override;
    // Read: the pages take the bounds and their tabs once the record is read.
    kest::Cell* Persist(GuidScope* scope, kest::Cell* list) override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    // As the group box's, then the pages take the bounds and their tabs.
    void UpdateRepaintRect() override;
    void MoveBy(int dx, int dy, CRect& dirty) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    // The tabs are no caption: nothing to edit in place.
    void ResetLabelRect() override;
    static constexpr const char* kRecordHead = "uiTabControl";
    const char* RecordHead() const override { return kRecordHead; }

    // A new page (a group box entered in the document's project map, kind
    // code 43, control number 0) captioned caption at index (clamped into
    // 0 to the page count), then the tabs laid out anew.
    UiGroupBoxControl* AddTab(ModelDocument* document, int index, const std::string& caption);
    // Takes the page out (with its members) and returns it; null for an
    // index outside the pages. The current page stays within the pages.
    std::unique_ptr<UiGroupBoxControl> RemoveTab(int index);
    // Makes the pages carry these captions in order: the first pages keep
    // their objects and take the new captions, pages past the list's end go
    // (with their members), missing ones are added.
    void SetPageCaptions(const std::vector<std::string>& captions);
    // Every page takes the bounds; n tabs (W - n + 1) / n wide and 20 high
    // in a row from the bounds' top-left, 1 apart.
    void LayoutTabs();
    int PageCount() const { return int(pages_.size()); }
    UiGroupBoxControl* Page(int index) const;
    int CurrentPage() const { return currentPage_; }
    // Nothing for an index outside the pages.
    void SetCurrentPage(int index);

  protected:
    void CopyControl(const UiControlPlace& other) override;
    kest::Cell* WriteClassFields(GuidScope* scope) override;
    void ReadClassFields(GuidScope* scope, RecordReader& r) override;
    bool KindCodeSuits(int code) const override;
    void DropReadParts(GuidScope* scope) override;
    bool EqualClassFields(const UiControlPlace& other) const override;

  private:
    std::vector<std::unique_ptr<UiGroupBoxControl>> pages_;
    int32_t currentPage_ = 0;
};

class UiWindowControl : public UiGroupBoxControl {
  public:
    // Immovable, bold, kind byte 5, set up as a new control without a number.
    explicit UiWindowControl(GuidMap* map = nullptr);
    std::unique_ptr<ModelObject> Clone() const override;
    void Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
              const CRect* toFrame, int flag) override;
    void GetDefaultSize(CSize& size, CRect& content) override;
    // The caption bar: the bounds deflated by 2, the caption height high.
    void ResetLabelRect() override;
    static constexpr const char* kRecordHead = "uiWindow";
    const char* RecordHead() const override { return kRecordHead; }

  protected:
    int32_t CaptionStrip() const override;
    bool KindCodeSuits(int code) const override;
};

// The control class of a kind code 35 to 44, entered in map; null for any other.
std::unique_ptr<UiControlPlace> MakeUiControl(int kind, GuidMap* map);

// Makes the control of the kind in the document's project map, centred on
// (x, y) by the kind's half-extents, sets it up, gives a tab control two
// pages captioned "Untitled" and names it. Null for a kind outside 35 to 44.
std::unique_ptr<UiControlPlace> CreateUiControl(ModelDocument* document, int kind,
                                                const std::string& name, int x, int y);
// The same inside a container, which takes the control (moved into its client
// area before the tabs are laid out). Null, and nothing made, for a kind
// outside 35 to 44 or a container that holds no members.
UiControlPlace* CreateUiControl(ModelDocument* document, UiControlPlace& container, int kind,
                                const std::string& name, int x, int y);

// The drawable factory's makers: the class whose record head is the
// symbol's name, or null when no control record has that head.
std::unique_ptr<Drawable> MakeUiControlForHead(const char* head);
bool IsUiControlHead(const char* head);

} // namespace qm
