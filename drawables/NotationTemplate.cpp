// The notation template in memory: the icon strip, the diagram types and
// their defaults, reference counting, the tool look-ups, adding and hiding
// tools, free ids and icon slots, widening the strip and saving under a new
// name.
#include "drawables/NotationTemplate.h"

#include <cassert>

#include "drawables/TemplateFile.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/PainterDC.h"
#include "platform/PathHelpers.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace qm {

using kest::Cell;
using kest::mkcons;
using kest::mkint;
using kest::mkstr;
using kest::nil;

// ======================= icon strip =======================

void ToolBitmap::Create(int32_t width, int32_t height) {
    if (width < 1 || height < 1) {
        Clear();
        return;
    }
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), 0);
}

void ToolBitmap::Clear() {
    width_ = 0;
    height_ = 0;
    pixels_.clear();
}

COLORREF ToolBitmap::Colour(int index) const {
    if (index < 0 || index >= kColours)
        return 0;
    const uint8_t* entry = &table_[size_t(index) * 4];
    return RGB(entry[2], entry[1], entry[0]);
}

void ToolBitmap::SetColour(int index, COLORREF colour) {
    if (index < 0 || index >= kColours)
        return;
    uint8_t* entry = &table_[size_t(index) * 4];
    entry[0] = GetBValue(colour);
    entry[1] = GetGValue(colour);
    entry[2] = GetRValue(colour);
    entry[3] = 0;
}

uint8_t ToolBitmap::PixelAt(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void ToolBitmap::SetPixel(int32_t x, int32_t y, uint8_t index) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[size_t(y) * size_t(width_) + size_t(x)] = index;
}

void ToolBitmap::Widen(int32_t slots) {
    if (slots <= 0 || IsEmpty())
        return;
    const uint8_t background = pixels_[0];
    const int32_t wider = width_ + slots * kIconWidth;
    std::vector<uint8_t> rows(size_t(wider) * size_t(height_), background);
    for (int32_t y = 0; y < height_; ++y)
        std::copy_n(&pixels_[size_t(y) * size_t(width_)], width_, &rows[size_t(y) * size_t(wider)]);
    pixels_ = std::move(rows);
    width_ = wider;
}

void ToolBitmap::CopyIcon(const ToolBitmap& source, int32_t fromSlot, int32_t toSlot) {
    if (fromSlot < 0 || toSlot < 0 || fromSlot >= source.SlotCount() || toSlot >= SlotCount())
        return;
    const int32_t rows = std::min(height_, source.height_);
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < kIconWidth; ++x)
            SetPixel(toSlot * kIconWidth + x, y, source.PixelAt(fromSlot * kIconWidth + x, y));
    }
}

void ToolBitmap::IconToBitmap(int32_t slot, CBitmap& bitmap) const {
    if (slot < 0 || slot >= SlotCount() || !bitmap.CreateBitmap(kIconWidth, height_))
        return;
    PainterDC dc(bitmap);
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < kIconWidth; ++x)
            dc.FillSolidRect(CRect(x, y, x + 1, y + 1), Colour(PixelAt(slot * kIconWidth + x, y)));
    }
}

void ToolBitmap::ToBitmap(CBitmap& bitmap) const {
    if (IsEmpty() || !bitmap.CreateBitmap(width_, height_))
        return;
    PainterDC dc(bitmap);
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < width_; ++x)
            dc.FillSolidRect(CRect(x, y, x + 1, y + 1), Colour(PixelAt(x, y)));
    }
}

// ======================= diagram types =======================

DiagramType::DiagramType(const char* typeName, const char* typeDescription, int32_t typeKind,
                         int32_t setting, int32_t flagWord, uint32_t mask)
    : name(typeName),
      description(typeDescription),
      kind(typeKind),
      newModelSetting(setting),
      newModelFlags(flagWord),
      toolMask(mask) {}

ModelObject* DiagramType::GetPropertyTarget(int* kindOut) {
    if (kindOut != nullptr)
        *kindOut = PtDiagramType;
    return this;
}

std::unique_ptr<ModelObject> DiagramType::Clone() const {
    return CloneOf(*this);
}

void DiagramType::Assign(const ModelObject* other) {
    const auto* type = AssignSource(this, other);
    if (type == nullptr)
        return;
    name = type->name;
    description = type->description;
    kind = type->kind;
    newModelSetting = type->newModelSetting;
    newModelFlags = type->newModelFlags;
    toolMask = type->toolMask;
}

Cell* DiagramType::Props(GuidScope*, ModelObject* other, Cell* list, bool redo) {
    if (list == nullptr) {
        const auto* that = dynamic_cast<const DiagramType*>(other);
        if (that == nullptr)
            return nil;
        auto pair = [](bool equal, Cell* mine, Cell* theirs) -> Cell* {
            return equal ? nil : kest::mklist(mine, theirs, nullptr);
        };
        Cell* entries[] = {
            pair(name == that->name, mkstr(name.c_str()), mkstr(that->name.c_str())),
            pair(description == that->description, mkstr(description.c_str()),
                 mkstr(that->description.c_str())),
            pair(kind == that->kind, mkint(kind), mkint(that->kind)),
            pair(newModelSetting == that->newModelSetting, mkint(newModelSetting),
                 mkint(that->newModelSetting)),
            pair(newModelFlags == that->newModelFlags, mkint(newModelFlags),
                 mkint(that->newModelFlags)),
            pair(toolMask == that->toolMask, mkint(int32_t(toolMask)),
                 mkint(int32_t(that->toolMask))),
        };
        Cell* out = nil;
        for (size_t i = std::size(entries); i > 0; --i)
            out = mkcons(entries[i - 1], out);
        return out;
    }
    static constexpr kest::CellType kTypes[6] = {kest::TString,  kest::TString,  kest::TInteger,
                                                 kest::TInteger, kest::TInteger, kest::TInteger};
    RecordReader r(list, "diagram type properties");
    Cell* chosen[6] = {};
    ChoosePropertyValues(r, "diagram type properties", kTypes, std::size(kTypes), redo, chosen);
    if (chosen[0] != nullptr)
        name = chosen[0]->a.str;
    if (chosen[1] != nullptr)
        description = chosen[1]->a.str;
    if (chosen[2] != nullptr)
        kind = chosen[2]->a.ival;
    if (chosen[3] != nullptr)
        newModelSetting = chosen[3]->a.ival;
    if (chosen[4] != nullptr)
        newModelFlags = chosen[4]->a.ival;
    if (chosen[5] != nullptr)
        toolMask = uint32_t(chosen[5]->a.ival);
    return list;
}

bool DiagramType::IsToolAllowed(int toolId) const {
    if (toolId >= kFirstUserToolId)
        return true;
    if (toolId < 0)
        return false;
    return ((toolMask >> (toolId % 32)) & 1U) != 0;
}

namespace {

struct DefaultDiagramType {
    const char* name;
    const char* description;
    int32_t kind;
    uint32_t mask;
    int32_t flags;
};

const DefaultDiagramType kDefaultDiagramTypes[kDiagramTypeCount] = {
    {"Default Diagram", "An unrestricted diagram used for arbitrary modeling.", 0, 0xFFFFFFFF, 17},
    {"Class Diagram", "A diagram that depicts class relationships.", 11, 0x1E4F, 17},
    {"Use-Case Diagram", "A diagram that depicts actors, use-cases, and their relationships.", 12,
     0, 1},
    {"Sequence Diagram", "A diagram that depicts interaction among objects in time sequence.", 13,
     0xC70, 17},
    {"Collaboration Diagram", "A diagram that depicts message exchange between objects.", 17,
     0x5FFF, 17},
    {"State Diagram",
     "A diagram that depicts the sequence of states an object goes through during its life-time.",
     14, 0x2010, 17},
    {"Interaction Diagram", "A diagram that depicts user interaction with a system.", 15, 0xF02210,
     17},
    {"Implementation Diagram", "A diagram that depicts the implementation structure of a system.",
     16, 0xFC238, 17},
};

} // namespace

DiagramTypeTable::DiagramTypeTable() {
    for (size_t i = 0; i < types_.size(); ++i) {
        const DefaultDiagramType& d = kDefaultDiagramTypes[i];
        DiagramType& type = types_[i];
        type.name = d.name;
        type.description = d.description;
        type.kind = d.kind;
        type.newModelSetting = 3;
        type.newModelFlags = d.flags;
        type.toolMask = d.mask;
    }
}

DiagramType* DiagramTypeTable::FindByKind(int kind) {
    for (DiagramType& type : types_) {
        if (type.kind == kind)
            return &type;
    }
    return nullptr;
}

const DiagramType* DiagramTypeTable::FindByKind(int kind) const {
    return const_cast<DiagramTypeTable*>(this)->FindByKind(kind);
}

// ======================= the shell seam =======================

namespace {

TemplateShell defaultShell;
TemplateShell* installedShell = &defaultShell;

} // namespace

TemplateShell& TemplateShellEnv() {
    return *installedShell;
}

TemplateShell* Install(TemplateShell* shell) {
    TemplateShell* previous = installedShell == &defaultShell ? nullptr : installedShell;
    installedShell = shell != nullptr ? shell : &defaultShell;
    return previous;
}

// ======================= the template =======================

NotationTemplate::NotationTemplate() {
    for (DiagramType& type : diagramTypes)
        guidMap.Add(&type);
}

NotationTemplate::~NotationTemplate() {
    GuidScope scope = Scope();
    for (auto& tool : tools) {
        // The tools' drawables leave the map with them; the tool itself is
        // freed by its owner, this array.
        tool->Detach(&scope);
    }
    tools.clear();
}

int NotationTemplate::Release() {
    ReportOperationFailure(refCount > 0, "template ref count <= 0");
    return --refCount;
}

ToolModel* NotationTemplate::ToolAt(int index) const {
    if (index < 0 || index >= ToolCount())
        return nullptr;
    return tools[size_t(index)].get();
}

ToolModel* NotationTemplate::GetTool(int toolId) const {
    if (toolId < 0)
        return nullptr;
    if (toolId < kBuiltinToolCount)
        return ToolAt(toolId);
    if (toolId < kFirstUserToolId)
        return nullptr;
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        if (tools[i]->id == toolId)
            return tools[i].get();
    }
    return nullptr;
}

bool NotationTemplate::IsLinkTool(int toolId) const {
    const ToolModel* tool = GetTool(toolId);
    return tool != nullptr && tool->IsLinkTool();
}

bool NotationTemplate::IsPlaceTool(int toolId) const {
    const ToolModel* tool = GetTool(toolId);
    return tool != nullptr && tool->IsPlaceTool();
}

bool NotationTemplate::IsLinkOrPlaceTool(int toolId) const {
    const ToolModel* tool = GetTool(toolId);
    return tool != nullptr && (tool->IsLinkTool() || tool->IsPlaceTool());
}

bool NotationTemplate::IsVariantTool(int toolId) const {
    const ToolModel* tool = GetTool(toolId);
    return tool != nullptr && tool->IsVariant();
}

int NotationTemplate::ToolPaletteIndex(int toolId, bool withVariants) const {
    if (toolId >= 0 && toolId < kBuiltinToolCount)
        return toolId;
    int index = kBuiltinToolCount;
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        const ToolModel& tool = *tools[i];
        if (tool.id == toolId)
            return index;
        if (withVariants || !tool.IsVariant())
            ++index;
    }
    return -1;
}

int NotationTemplate::ToolIdAt(int index, bool withVariants) const {
    if (index < 0)
        return -1;
    if (index < kBuiltinToolCount)
        return index < ToolCount() ? index : -1;
    int at = kBuiltinToolCount;
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        const ToolModel& tool = *tools[i];
        if (!withVariants && tool.IsVariant())
            continue;
        if (at == index)
            return tool.id;
        ++at;
    }
    return -1;
}

namespace {

// The user tools of one type in array order, as the palettes count them.
bool CountsAsUserTool(const ToolModel& tool, bool isLink, bool withVariants, bool visibleOnly) {
    if (isLink ? !tool.IsLinkTool() : !tool.IsPlaceTool())
        return false;
    if (!withVariants && tool.IsVariant())
        return false;
    return !(visibleOnly && tool.IsHidden());
}

} // namespace

int NotationTemplate::CountLinkTools(bool withVariants) const {
    int count = kBuiltinLinkTools;
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i)
        count += CountsAsUserTool(*tools[i], true, withVariants, true) ? 1 : 0;
    return count;
}

int NotationTemplate::CountPlaceTools(bool withVariants) const {
    int count = kBuiltinPlaceTools;
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i)
        count += CountsAsUserTool(*tools[i], false, withVariants, true) ? 1 : 0;
    return count;
}

namespace {

// The position of a tool among the link (or place) tools: built-in ones
// first, then the user tools of that type in array order, hidden ones counted.
int TypedToolIndex(const NotationTemplate& notation, int toolId, bool withVariants, bool isLink) {
    if (const ToolModel* tool = notation.GetTool(toolId); tool != nullptr && tool->IsVariant())
        toolId = tool->baseId;
    const int first = isLink ? 0 : kBuiltinLinkTools;
    const int count = isLink ? kBuiltinLinkTools : kBuiltinPlaceTools;
    if (toolId >= first && toolId < first + count)
        return toolId - first;
    int index = count;
    for (int i = kBuiltinToolCount; i < notation.ToolCount(); ++i) {
        const ToolModel& tool = *notation.ToolAt(i);
        if (tool.id == toolId)
            return (isLink ? tool.IsLinkTool() : tool.IsPlaceTool()) ? index : -1;
        if (CountsAsUserTool(tool, isLink, withVariants, false))
            ++index;
    }
    return -1;
}

int TypedToolIdAt(const NotationTemplate& notation, int position, bool withVariants, bool isLink) {
    const int first = isLink ? 0 : kBuiltinLinkTools;
    const int count = isLink ? kBuiltinLinkTools : kBuiltinPlaceTools;
    if (position < 0)
        return -1;
    if (position < count)
        return first + position;
    int index = count;
    for (int i = kBuiltinToolCount; i < notation.ToolCount(); ++i) {
        const ToolModel& tool = *notation.ToolAt(i);
        if (!CountsAsUserTool(tool, isLink, withVariants, false))
            continue;
        if (index == position)
            return tool.id;
        ++index;
    }
    return -1;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

int NotationTemplate::LinkToolIndex(int toolId, bool withVariants) const {
    return TypedToolIndex(*this, toolId, withVariants, true);
}

int NotationTemplate::PlaceToolIndex(int toolId, bool withVariants) const {
    return TypedToolIndex(*this, toolId, withVariants, false);
}

int NotationTemplate::LinkToolIdAt(int position, bool withVariants) const {
    return TypedToolIdAt(*this, position, withVariants, true);
}

int NotationTemplate::PlaceToolIdAt(int position, bool withVariants) const {
    return TypedToolIdAt(*this, position, withVariants, false);
}

int NotationTemplate::FindToolBySemantics(bool isLink, int semanticsCode, int fallback) const {
    for (const auto& tool : tools) {
        if (tool->IsHidden() || tool->semantics != semanticsCode)
            continue;
        if (isLink ? tool->IsLinkTool() : tool->IsPlaceTool())
            return tool->id;
    }
    return fallback;
}

ToolModel* NotationTemplate::FindToolByName(const std::string& text, bool notLink) const {
    for (const auto& tool : tools) {
        if (tool->IsLinkTool() == notLink)
            continue;
        if (EqualNoCase(tool->name, text))
            return tool.get();
    }
    return nullptr;
}

void NotationTemplate::GetToolVariants(int toolId, bool isLink,
                                       std::vector<ToolModel*>& list) const {
    list.clear();
    auto ofType = [isLink](const ToolModel& tool) {
        return isLink ? tool.IsLinkTool() : tool.IsPlaceTool();
    };
    if (toolId < 0) {
        for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
            ToolModel& tool = *tools[i];
            if (tool.IsHidden() || !ofType(tool))
                continue;
            if (tool.IsVariant() && tool.baseId < kBuiltinToolCount)
                continue;
            list.push_back(&tool);
        }
        return;
    }
    if (const ToolModel* tool = GetTool(toolId); tool != nullptr && tool->IsVariant())
        toolId = tool->baseId;
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        ToolModel& tool = *tools[i];
        if (!tool.IsHidden() && tool.baseId == toolId)
            list.push_back(&tool);
    }
    if (!list.empty()) {
        if (ToolModel* base = GetTool(toolId))
            list.insert(list.begin(), base);
    }
}

int NotationTemplate::CountVariants(const ToolModel& tool) const {
    if (tool.IsVariant())
        return 0;
    int count = 0;
    for (const auto& other : tools)
        count += (!other->IsHidden() && other->baseId == tool.id) ? 1 : 0;
    return count;
}

ToolModel* NotationTemplate::FindVariant(int toolId, const std::string& text) const {
    if (const ToolModel* tool = GetTool(toolId); tool != nullptr && tool->IsVariant())
        toolId = tool->baseId;
    if (text.empty())
        return GetTool(toolId);
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        ToolModel& tool = *tools[i];
        if (!tool.IsHidden() && tool.baseId == toolId && tool.name == text)
            return &tool;
    }
    return nullptr;
}

ToolModel* NotationTemplate::AppendTool(std::unique_ptr<ToolModel> tool) {
    tool->SetModelNumber(-1 - ToolCount());
    tools.push_back(std::move(tool));
    return tools.back().get();
}

ToolModel* NotationTemplate::InsertTool(int index, std::unique_ptr<ToolModel> tool) {
    assert(index >= 0 && index <= ToolCount() && "tool index out of range");
    ToolModel* inserted = tool.get();
    tools.insert(tools.begin() + index, std::move(tool));
    for (int i = index; i < ToolCount(); ++i)
        tools[size_t(i)]->SetModelNumber(-1 - i);
    return inserted;
}

ToolModel* NotationTemplate::AddTool(std::unique_ptr<ToolModel> tool, bool& needEnlarge) {
    ToolModel* added = AppendTool(std::move(tool));
    added->iconSlot = int16_t(FindFreeIconSlot(added, needEnlarge));
    added->id = int16_t(FindFreeToolId(added));
    added->iconStrip = &toolBitmap;
    guidMap.Register(added->id, nullptr, false, added);
    return added;
}

void NotationTemplate::HideTool(ToolModel& tool) {
    tool.modelFlags |= MfToolHidden;
}

int NotationTemplate::FindFreeIconSlot(const ToolModel* tool, bool& needEnlarge) const {
    const int userTools = std::max(0, ToolCount() - kBuiltinToolCount);
    const int slots =
        toolBitmap.IsEmpty() ? userTools : std::max(0, toolBitmap.SlotCount() - kFirstUserIconSlot);
    std::vector<bool> used(size_t(slots), false);
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        const ToolModel* other = tools[i].get();
        const int index = other->iconSlot - kFirstUserIconSlot;
        if (other != tool && index >= 0 && index < slots)
            used[size_t(index)] = true;
    }
    for (int i = 0; i < slots; ++i) {
        if (!used[size_t(i)]) {
            needEnlarge = false;
            return kFirstUserIconSlot + i;
        }
    }
    needEnlarge = true;
    return kFirstUserIconSlot + slots;
}

int NotationTemplate::FindFreeToolId(const ToolModel* tool) const {
    const int userTools = std::max(0, ToolCount() - kBuiltinToolCount);
    std::vector<bool> used(size_t(userTools), false);
    for (size_t i = kBuiltinToolCount; i < tools.size(); ++i) {
        const ToolModel* other = tools[i].get();
        const int number = other->id - kFirstUserToolId;
        if (other != tool && number >= 0 && number < userTools)
            used[size_t(number)] = true;
    }
    for (int i = 0; i < userTools; ++i) {
        if (!used[size_t(i)])
            return kFirstUserToolId + i;
    }
    return kFirstUserToolId + userTools;
}

void NotationTemplate::EnlargeBitmap(ModelDocument* document, int sourceIcon, int slot) {
    if (document != nullptr)
        TemplateShellEnv().StopIconEditing(document);
    if (toolBitmap.IsEmpty())
        toolBitmap.Create(kIconWidth, kIconHeight);
    int target = slot;
    if (slot < 0) {
        target = toolBitmap.SlotCount();
        toolBitmap.Widen(1);
    }
    if (target >= toolBitmap.SlotCount())
        toolBitmap.Widen(target + 1 - toolBitmap.SlotCount());
    TemplateShellEnv().CopyToolBarIcon(sourceIcon, toolBitmap, target);
    TemplateShellEnv().IconStripChanged(*this, document);
}

int NotationTemplate::SaveTemplateAs(ModelDocument* document) {
    const bool hasFile = !path.empty() && !builtIn;
    std::optional<std::string> chosen =
        TemplateShellEnv().AskTemplatePath(hasFile ? path : "*.not");
    if (!chosen)
        return 0;
    const std::string oldPath = path;
    const bool oldModified = modified;
    const bool oldBuiltIn = builtIn;
    path = TrimRepeatedExtension(*chosen);
    if (OptionSet(BackupBeforeSave))
        MakeBackupCopy(path);
    try {
        SerializeTemplateFile(*this, true);
    } catch (...) {
        // A failed write leaves the template as it was.
        path = oldPath;
        modified = oldModified;
        builtIn = oldBuiltIn;
        throw;
    }
    if (refCount <= 1)
        return 1;
    // Others still hold this template: the file written becomes a new
    // template for this document only.
    const std::string written = path;
    path = oldPath;
    modified = oldModified;
    builtIn = oldBuiltIn;
    editingDocument = nullptr;
    if (document == nullptr) {
        TemplateShellEnv().ReleaseTemplate(this);
        return 1;
    }
    if (NotationTemplate* fresh = TemplateShellEnv().AcquireTemplate(written)) {
        TemplateShellEnv().SetDocumentTemplate(document, fresh);
        TemplateShellEnv().ReleaseTemplate(this);
    }
    return 1;
}

} // namespace qm
