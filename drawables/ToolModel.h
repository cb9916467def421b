// A tool of a notation template: a small model whose drawables are the
// tool's sample drawing (what a place made with it looks like, or a link
// tool's line), with the tool's id, type, semantics, icon slot and, for a
// variant, its base tool. Also the built-in palette of 24 tools.
#pragma once

#include "drawables/Model.h"
#include "drawables/NotationTool.h"
#include "model/Master.h"

#include <cstdint>
#include <string>

namespace qm {

class ToolBitmap;
class NotationTemplate;
class TextPrimitive;

enum ToolType : int32_t { ToolTypeNone = 0, ToolTypePlace = 1, ToolTypeLink = 2 };

// The semantics codes' names: place tools 0 "Unspecified", 1 "Class",
// 2 "Package"; link tools 0 to 11 (see the .cpp). "" for a code outside.
std::string SemanticsName(bool isPlaceTool, int semantics);

// Semantics codes named in code.
enum ToolSemantics : int {
    SemUnspecified = 0,
    SemClass = 1,   // place tools
    SemPackage = 2, // place tools
};

// The sizes of the frames a tool's drawing lives in, at scale 1.
constexpr int32_t kPlaceSampleWidth = 70;
constexpr int32_t kPlaceSampleHeight = 50;
constexpr int32_t kLinkSampleWidth = 80;
constexpr int32_t kLinkSampleHeight = 30;
// Icons are 16 x 15 pixels; the icon-editing page shows them 11 units a pixel.
constexpr int32_t kIconWidth = 16;
constexpr int32_t kIconHeight = 15;
constexpr int32_t kIconCellSize = 11;
// The scale of every tool the program creates.
constexpr int16_t kToolScale = 4;

// The pages a template listing prints on: each answers false when the page
// cannot be started or ended.
class PrintPages {
  public:
    virtual ~PrintPages() = default;
    virtual bool StartPage() = 0;
    virtual bool EndPage() = 0;
};

// Where the template listing stands: pages started so far and the cursor's
// height on the current page.
struct ToolPrintCursor {
    int pages = 0;
    int32_t y = 0;
};

// Option bit of the listing: a footer under every page.
constexpr int kPrintFooter = 0x80;

class ToolModel : public Model, public MasterTool, public NotationTool {
  public:
    // Kind 1, entered in the template's map when given, defaults as listed below.
    explicit ToolModel(GuidMap* templateMap = nullptr);

    // Stores the type and id, sets the scale (with the print frame), the
    // icon-editing page (0, 0, 176, 165) and the icon strip.
    void SetTool(int16_t toolId, ToolBitmap* strip, int32_t type, int16_t toolScale);
    // The sample frame, page and (when asked) print frame for the scale;
    // recomputes the zoomed page.
    void SetScale(int16_t toolScale, bool withPrintFrame);
    // Switches icon editing; 0 when nothing changes, else 1.
    int SetIconEditing(bool on);
    // Groups the selection of the tool's drawing as the model does, except
    // as a place: a tool's drawing holds no places, so that answers null and
    // changes nothing.
    Drawable* Group(ModelDocument* document, ModelDocument* idDocument, CRect& repaint,
                    bool asPlace, const CRect* laneRect, Drawable* previousLane, int shift,
                    Drawable* nextLane, ChangeKind kind, const char* name) override;

    bool IsLinkTool() const override { return toolType == ToolTypeLink; }
    bool IsPlaceTool() const override { return toolType == ToolTypePlace; }
    bool IsHidden() const { return (modelFlags & MfToolHidden) != 0; }
    bool IsVariant() const { return baseId >= 0; }
    std::string GetSemanticsName() const { return SemanticsName(IsPlaceTool(), semantics); }

    // The first text primitive of the drawing whose text flags hold 0x1
    // (name), 0x2 (second text) or 0x4 (compartments); null when none.
    TextPrimitive* FindNameText() const;
    TextPrimitive* FindSecondText() const;
    TextPrimitive* FindCompartmentText() const;
    // Where a place of the given bounds shows its name (second text): the
    // text frame mapped from the sample frame into bounds; bounds itself
    // when the drawing has no such text.
    void MapNameFrame(const CRect& placeBounds, CRect& out) const;
    void MapSecondFrame(const CRect& placeBounds, CRect& out) const;
    // The mapping of one text frame (see the .cpp for the three rules).
    void MapTextFrame(const TextPrimitive& text, const CRect& placeBounds, CRect& out) const;

    // The rectangle where a place of the given bounds shows name: the name
    // frame mapped onto the bounds; for a Package tool the name lies in the
    // tab (the second text frame), whose height follows the name wrapped to
    // the tab's width (50 units when nothing is measured).
    void ComputeNameRect(DeviceContext& dc, const std::string& placeName, const CRect& placeBounds,
                         CRect& out) const;
    // Prints the tool as one entry of the template listing: its name at
    // x + 20, its sample at x + 60 and its description (the comment) below.
    // A new page is begun when the entry does not fit ("can't end page" and
    // "can't start page" through the failure check), with option
    // kPrintFooter a footer naming the template and the page.
    void Print(qm::PrintPages& pages, DeviceContext& dc, const std::string& templateName,
               int options, ToolPrintCursor& cursor, int32_t x, int32_t pageWidth,
               int32_t pageHeight) const;
    // A horizontal line across rect at its middle in the tool's line kind
    // and colour (width times zoom, at least 1).
    void DrawLinkIcon(DeviceContext& dc, const CRect& rect, double atZoom) const;
    // The tool's part of drawing its view: the magnified icon and its grid
    // while icon editing (answers 1), else the page frame and a link tool's
    // sample line (answers 0).
    int DrawIcon(DeviceContext& dc, double atZoom) const;

    // ---- MasterTool ----
    int ToolId() const override { return id; }
    uint32_t ToolFlagWord() const override { return modelFlags; }
    bool HasCompartmentText() const override { return FindCompartmentText() != nullptr; }
    std::string ToolName() const override { return name; }

    // ---- NotationTool: what the places and links drawn with the tool ask ----
    int ToolNumber() const override { return id; }
    int Semantics() const override { return semantics; }
    const DrawableList& Drawing() const override { return Drawables(); }
    CRect SampleFrame() const override { return sampleFrame; }
    // The middle half of a link tool's sample frame stands for the line;
    // its decorations lie in the quarters left and right of it.
    CRect LinkFrame() const override {
        CRect frame = sampleFrame;
        frame.DeflateRect(sampleFrame.Width() / 4, 0);
        return frame;
    }
    CRect DrawingExtent() const override { return sampleFrame; }
    // The frame at scale 1 (80 x 30 for a link tool when a record left it empty).
    CRect LabelFrame() const override {
        return printFrame.IsRectEmpty() ? CRect(0, 0, kLinkSampleWidth, kLinkSampleHeight)
                                        : printFrame;
    }
    int LineKind() const override { return lineKind; }
    uint32_t LineColour() const override { return uint32_t(lineColour); }
    void MapTextFrame(const TextPrimitive* text, const CRect& placeBounds,
                      CRect& out) const override {
        if (text == nullptr)
            out = placeBounds;
        else
            MapTextFrame(*text, placeBounds, out);
    }

    // ---- Model ----
    // A new tool with type, semantics, base id, reserved and icon slot, and
    // the model's fields.
    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    std::unique_ptr<ToolModel> CloneTool() const;
    // The tool record: (toolModel sampleFrame type id scale semantics baseId
    // reserved iconSlot printFrame iconCanvas lineColour lineKind <model
    // part>). Reading accepts the old form without semantics to icon slot;
    // given a list it reads and registers the tool under its id in the
    // scope's current map (the template's), returning nil.
    kest::Cell* PersistTool(GuidScope* scope, kest::Cell* list);
    // As the model's, and the tool's number leaves the map too.
    void Detach(GuidScope* scope) override;
    // After a template file is read: the parent master is cleared and the
    // parent model bound through the template's map.
    void ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument) override;

    CRect sampleFrame;
    int32_t toolType = ToolTypeNone;
    int16_t id = 0;
    int16_t scale = 0;
    // The tool rectangle: the sample's frame at scale 1 (the template
    // listing's sample, a link's label frame), which the drawing locater's
    // knob resizes.
    CRect printFrame;
    CRect iconCanvas;
    int32_t lineColour = 0;
    uint8_t lineKind = kLineKindSolid1;
    uint8_t semantics = SemUnspecified;
    int16_t baseId = -1;
    int16_t reserved = 0;
    int16_t iconSlot = 0;
    // Not owned: the template's strip.
    ToolBitmap* iconStrip = nullptr;
    bool iconEditing = false;
    // The tool's icon in the strip was painted, pasted, cut or restored by
    // undo or redo since the template was read: the palettes built from the
    // strip are out of date. Not written to the template file.
    bool iconChanged = false;

  private:
    TextPrimitive* FindTextWithFlag(int32_t flag) const;
    void CopyToolFields(const ToolModel& other);
};

// Gives built-in tool toolId (0..23) its name, icon slot, semantics, flags
// and sample drawing. Nothing for another id.
void BuildDefaultToolPalette(ToolModel& tool, NotationTemplate& notation, int toolId);

} // namespace qm
