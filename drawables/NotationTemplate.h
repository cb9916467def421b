// The notation template: the eight diagram types a project offers, the tool
// array (one ToolModel per palette tool, 24 built-in ones first), the icon
// strip palette buttons are cut from and the template's own id map.
// Templates are shared between documents and counted; the shell acquires and
// releases them by name. The *.not file and the built-in template are in
// TemplateFile.h.
#pragma once

#include "drawables/ToolModel.h"
#include "model/GuidMap.h"
#include "model/ModelObject.h"
#include "platform/ScopedInstall.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

class CBitmap;
class ModelDocument;

// The icon strip: 16 x 15 pixel icons side by side (slot k at x = 16 k), one
// byte per pixel indexing a 256-entry colour table of (blue, green, red, 0).
class ToolBitmap {
  public:
    static constexpr int kColours = 256;

    // A width x height strip of index 0, or an empty one for a size below 1.
    void Create(int32_t width, int32_t height);
    void Clear();
    bool IsEmpty() const { return pixels_.empty(); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t SlotCount() const { return width_ / kIconWidth; }
    std::vector<uint8_t>& Pixels() { return pixels_; }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }
    // The colour-table entry i as 0x00BBGGRR.
    COLORREF Colour(int index) const;
    void SetColour(int index, COLORREF colour);
    // The table as 1024 bytes of (blue, green, red, 0).
    std::array<uint8_t, 4 * kColours>& ColourTable() { return table_; }
    const std::array<uint8_t, 4 * kColours>& ColourTable() const { return table_; }
    uint8_t PixelAt(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, uint8_t index);
    // Adds slots empty icons at the right, filled with the top-left pixel's index.
    void Widen(int32_t slots);
    // Copies icon fromSlot of source to slot toSlot here (nothing outside either strip).
    void CopyIcon(const ToolBitmap& source, int32_t fromSlot, int32_t toSlot);
    // The strip as an image for drawing.
    void ToBitmap(CBitmap& bitmap) const;
    // One icon (slot) as a 16 x 15 image; an empty image for a slot outside the strip.
    void IconToBitmap(int32_t slot, CBitmap& bitmap) const;

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint8_t> pixels_;
    std::array<uint8_t, 4 * kColours> table_{};
};

// The built-in tools: ids 0..9 link tools, 10..23 place tools.
constexpr int kBuiltinToolCount = 24;
constexpr int kBuiltinLinkTools = 10;
constexpr int kBuiltinPlaceTools = 14;
// User tools' ids start here, and their icon slots at kFirstUserIconSlot.
constexpr int kFirstUserToolId = 100;
constexpr int kFirstUserIconSlot = 28;
constexpr int kDiagramTypeCount = 8;

class DiagramType : public ModelObject {
  public:
    DiagramType() = default;
    DiagramType(const char* typeName, const char* typeDescription, int32_t typeKind,
                int32_t setting, int32_t flagWord, uint32_t mask);

    // PtDiagramType and the record itself.
    ModelObject* GetPropertyTarget(int* kind) override;
    // A new record with every field but the tree item (and a new id).
    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    // The property list (name description kind setting flags mask): each nil
    // when equal to other's, else (mine other's). Given a list: applies its
    // non-nil entries (second values when redo); a malformed list is a
    // format error and changes nothing.
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    // True for user tools (100 and up), else bit (toolId mod 32) of the mask.
    bool IsToolAllowed(int toolId) const;

    std::string name;
    std::string description;
    int32_t kind = 0;
    int32_t newModelSetting = 3;
    int32_t newModelFlags = 17;
    uint32_t toolMask = 0;
    intptr_t treeItem = 0;
};

class DiagramTypeTable {
  public:
    // The eight default diagram types.
    DiagramTypeTable();
    DiagramType& operator[](size_t i) { return types_[i]; }
    const DiagramType& operator[](size_t i) const { return types_[i]; }
    static constexpr size_t size() { return kDiagramTypeCount; }
    // The first type of that kind, or null.
    DiagramType* FindByKind(int kind);
    const DiagramType* FindByKind(int kind) const;
    auto begin() { return types_.begin(); }
    auto end() { return types_.end(); }

  private:
    std::array<DiagramType, kDiagramTypeCount> types_;
};

// What a template asks of the shell: the save dialog, the tool bar's icons
// and its rebuilding, the environment's acquisition of templates, the
// document's template and the backup-copies option. The shell installs one
// (ScopedInstall<TemplateShell>); the default answers with nothing.
class TemplateShell {
  public:
    virtual ~TemplateShell() = default;
    // The save dialog ("Template Files (*.not) | *.not ||") starting at
    // initial; nothing when cancelled.
    virtual std::optional<std::string> AskTemplatePath(const std::string& /*initial*/) {
        return std::nullopt;
    }
    // Copies icon index of the main frame's tool-bar bitmap into slot of
    // strip; false when there is none (the slot is then left blank).
    virtual bool CopyToolBarIcon(int /*index*/, ToolBitmap& /*strip*/, int /*slot*/) {
        return false;
    }
    // The template's strip changed size: the tool bar and the document's
    // palettes are rebuilt from it; icon editing of the document stops first.
    virtual void StopIconEditing(ModelDocument* /*document*/) {}
    virtual void IconStripChanged(NotationTemplate& /*notation*/, ModelDocument* /*document*/) {}
    // The environment's acquisition (a template with one more reference, or
    // null) and release of a template by name.
    virtual NotationTemplate* AcquireTemplate(const std::string& /*path*/) { return nullptr; }
    virtual void ReleaseTemplate(NotationTemplate* /*notation*/) {}
    // Gives the document another template and refills its explorer's template items.
    virtual void SetDocumentTemplate(ModelDocument* /*document*/, NotationTemplate* /*notation*/) {}
};

TemplateShell& TemplateShellEnv();
// Installs a shell (not owned) and returns the one replaced; null restores the default.
TemplateShell* Install(TemplateShell* shell);

// The name of the built-in template, and of any path whose file-name part it is.
inline constexpr const char* kInternalTemplateName = "<Internal>";

class NotationTemplate {
  public:
    // Empty path, counts and flags 0, the default diagram types, no tools,
    // bitmapParameter 100 and an empty strip.
    NotationTemplate();
    // Detaches and frees the tools.
    ~NotationTemplate();
    NotationTemplate(const NotationTemplate&) = delete;
    NotationTemplate& operator=(const NotationTemplate&) = delete;

    // ---- references ----
    void AddRef() { ++refCount; }
    // The count after decrementing; releasing more often than acquired is
    // the fatal failure "template ref count <= 0".
    int Release();
    int GetRefCount() const { return refCount; }

    // ---- tools ----
    int ToolCount() const { return static_cast<int>(tools.size()); }
    ToolModel* ToolAt(int index) const;
    // The tool of that id: built-in ids index the array, user ids are
    // searched from entry 24. Null when none.
    ToolModel* GetTool(int toolId) const;
    bool IsLinkTool(int toolId) const;
    bool IsPlaceTool(int toolId) const;
    bool IsLinkOrPlaceTool(int toolId) const;
    bool IsVariantTool(int toolId) const;
    int ToolPaletteIndex(int toolId, bool withVariants) const;
    int ToolIdAt(int index, bool withVariants) const;
    int CountLinkTools(bool withVariants) const;
    int CountPlaceTools(bool withVariants) const;
    int LinkToolIndex(int toolId, bool withVariants) const;
    int PlaceToolIndex(int toolId, bool withVariants) const;
    int LinkToolIdAt(int position, bool withVariants) const;
    int PlaceToolIdAt(int position, bool withVariants) const;
    int FindToolBySemantics(bool isLink, int semanticsCode, int fallback) const;
    ToolModel* FindToolByName(const std::string& text, bool notLink) const;
    void GetToolVariants(int toolId, bool isLink, std::vector<ToolModel*>& list) const;
    int CountVariants(const ToolModel& tool) const;
    ToolModel* FindVariant(int toolId, const std::string& text) const;
    // Appends a user tool (the template owns it), gives it a free icon slot
    // and id and registers it under its id; needEnlarge tells that the slot
    // lies past the strip's end. Returns the tool.
    ToolModel* AddTool(std::unique_ptr<ToolModel> tool, bool& needEnlarge);
    // Appends a tool as read or built (entry i gets model number -1 - i).
    ToolModel* AppendTool(std::unique_ptr<ToolModel> tool);
    // Inserts a tool at entry index (at most ToolCount()) and renumbers the
    // entries from there on, so that entry i keeps model number -1 - i.
    ToolModel* InsertTool(int index, std::unique_ptr<ToolModel> tool);
    void HideTool(ToolModel& tool);
    int FindFreeIconSlot(const ToolModel* tool, bool& needEnlarge) const;
    int FindFreeToolId(const ToolModel* tool) const;
    // Widens the strip by one slot (slot below 0) or writes slot, copying
    // icon sourceIcon of the tool bar there; then the shell rebuilds its bars.
    void EnlargeBitmap(ModelDocument* document, int sourceIcon, int slot);

    // ---- saving under a new name ----
    // The File menu's "Save Template...": asks for a path, writes the file and,
    // when other documents hold this template, gives document the new file as
    // its own template. 0 when cancelled, 1 otherwise.
    int SaveTemplateAs(ModelDocument* document);

    // The current map of the template's records: its own, as both project
    // and template map.
    GuidScope Scope() { return GuidScope(&guidMap, &guidMap, &guidMap); }

    std::string path;
    int32_t refCount = 0;
    bool builtIn = false;
    bool modified = false;
    bool ownsBitmap = false;
    ToolBitmap toolBitmap;
    GuidMap guidMap;
    DiagramTypeTable diagramTypes;
    std::vector<std::unique_ptr<ToolModel>> tools;
    ModelDocument* editingDocument = nullptr;
    int32_t bitmapParameter = 100;
};

} // namespace qm
