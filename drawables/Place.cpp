// Places: set-up, junction ownership and operations, hit tests, resizing,
// marking, the binding to the master with its use count, annotation and the
// place record with its older forms.
#include "drawables/Place.h"

#include "drawables/Junction.h"
#include "drawables/NotationTool.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/SymbolDrawing.h"
#include "drawables/ZoomScaling.h"
#include "kernel/Kernel.h"
#include "model/ChangeJournal.h"
#include "model/GuidMap.h"
#include "model/Master.h"
#include "model/MasterCollection.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <array>
#include <limits>

namespace qm {

// The master flag that opens its attached file as a page.
constexpr int32_t kAttachmentIsWebPage = 0x10;

using kest::Cell;
using kest::nil;

Place::Place(GuidMap* map) : NodeDrawable(map) {
    kind = DkPlace;
}

Place::~Place() = default;

// ---- the drawable operations ----

void Place::Detach(GuidScope* scope) {
    currentJunction = nullptr;
    for (auto& junction : junctions_)
        junction->Detach(scope);
    Drawable::Detach(scope);
}

ModelObject* Place::GetPropertyTarget(int* targetKind) {
    if (targetKind != nullptr)
        *targetKind = PtMaster;
    return master;
}

void Place::MarkFiltered(int value, int mask, Drawable*) {
    MarkPlace(value, mask);
}

void Place::MarkPlace(int value, int markFlags) {
    if ((markFlags & 0x8) != 0 && master != nullptr) {
        master->Mark(value, 1, 0);
        auto* submodel = dynamic_cast<DrawableModel*>(master->submodel);
        if ((markFlags & 0x10) == 0 && submodel != nullptr && !master->submodel->IsMarked()) {
            for (const auto& d : submodel->Drawables()) {
                if (d->IsPlace())
                    d->ModelObject::Mark(value, 1, 0);
            }
            master->submodel->Mark(value, 1, 0);
        }
    }
    if ((markFlags & 0x1) != 0)
        ModelObject::Mark(value, 1, 0);
}

void Place::ResolveRefs(ModelDocument* document, GuidScope* scope, DrawableModel* model) {
    Drawable::ResolveRefs(document, scope, model);
    ResolveMaster(document, scope, false);
    for (auto& junction : junctions_)
        junction->ResolveRefs(document, scope, model);
}

void Place::ResolveRefs(ModelDocument* document, GuidScope* scope, bool byText) {
    Drawable::ResolveRefs(document, scope, static_cast<DrawableModel*>(nullptr));
    ResolveMaster(document, scope, byText);
    for (auto& junction : junctions_)
        junction->ResolveRefs(document, scope, static_cast<DrawableModel*>(nullptr));
}

void Place::ResolveMaster(ModelDocument*, GuidScope* scope, bool byText) {
    if (!masterRef_.IsText() && !masterRef_.IsNumber() && !masterRef_.IsObject())
        return;
    const ObjectRef pending = masterRef_;
    masterRef_ = ObjectRef();
    master = nullptr;
    if (pending.IsNil())
        return;
    if (pending.IsObject()) {
        master = dynamic_cast<Master*>(pending.Object());
        return;
    }
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    if (byText) {
        // Copies between documents bind by id text and leave the count alone.
        master = dynamic_cast<Master*>(pending.Resolve(map));
        return;
    }
    if (map == nullptr)
        throw CKestException("GUID map lookup failed");
    ModelObject* found = nullptr;
    if (pending.IsText()) {
        // While a paste is read, a pasted master's id may name the project's
        // master of the same name: the paste's read map holds that alias.
        if (scope->readMap != nullptr)
            scope->readMap->Lookup(pending.Text(), found);
        if (found == nullptr)
            map->Lookup(pending.Text(), found, true);
    } else {
        map->Lookup(pending.Number(), found, true);
    }
    master = dynamic_cast<Master*>(found);
    if (master == nullptr)
        throw CKestException(Format("bad place record: %s names no master",
                                    pending.IsText() ? pending.Text() : "the id"));
    // Only this place's own use: a group's members count theirs as they resolve.
    Place::AddMasterReference();
}

void Place::Draw(DeviceContext& dc, const Looks* imposed, double zoom, const CRect* fromFrame,
                 const CRect* toFrame, int flag) {
    const Looks effective = Effective(imposed);
    if (master == nullptr)
        return;
    DrawSymbol(*master, dc, *this, effective, zoom, fromFrame, toFrame, flag);
    DrawJunctions(dc, &effective, zoom);
}

void Place::PrepareDrawing() {
    if (master == nullptr)
        return;
    PrepareSymbol(*master, *this);
    PrepareJunctionGlyphs(*this);
}

// A place's attachment is its master's Link To text: the text the name is
// drawn as a hyperlink for and the status line shows. The master's file name
// is where generated code goes; a class with one is no hyperlink, and a click
// on its name selects it.
bool Place::HasAttachment() const {
    return master != nullptr && !master->link.empty();
}

void Place::OpenAttachment() {
    if (HasAttachment())
        OpenAttachedFile(master->link, (master->masterFlags & kAttachmentIsWebPage) != 0);
}

void Place::InvertKnobs(DeviceContext& dc, double zoom) {
    Drawable::InvertKnobs(dc, zoom);
    if (currentJunction != nullptr)
        currentJunction->InvertKnobs(dc, zoom);
}

void Place::UpdateRepaintRect() {
    Drawable::UpdateRepaintRect();
    if (!parameterBox.IsRectEmpty()) {
        CRect box = parameterBox;
        box.InflateRect(kRepaintMargin, kRepaintMargin);
        repaintRect.UnionRect(repaintRect, box);
    }
    for (auto& junction : junctions_)
        repaintRect.UnionRect(repaintRect, junction->repaintRect);
}

Drawable* Place::HitTest(int x, int y, int& part, int& knob, int hitFlags) {
    const CPoint p(x, y);
    Drawable* hit = Drawable::HitTest(x, y, part, knob, hitFlags);
    const bool options = (Settings().OptionWord() & ShowHyperLinks) != 0;
    if (options && (part == HpBody || part == HpLabel)) {
        if (part == HpLabel && !nameRect.PtInRect(p))
            part = HpBody;
        CRect marker;
        GetSubmodelMarkerRect(marker);
        if (part == HpLabel && (hitFlags & 0xC) == 0 && HasAttachment())
            part = HpAttachment;
        else if (master != nullptr && master->submodel != nullptr && marker.PtInRect(p))
            part = HpSubmodelMarker;
    } else if (part == HpNone && parameterBox.PtInRect(p)) {
        part = HpBody;
        hit = this;
    }
    for (auto& junction : junctions_) {
        int junctionPart = HpNone, junctionKnob = 0;
        if (Drawable* j = junction->HitTest(x, y, junctionPart, junctionKnob, hitFlags)) {
            part = junctionPart;
            knob = junctionKnob;
            return j;
        }
    }
    return hit;
}

void Place::MoveBy(int dx, int dy, CRect& dirty) {
    Drawable::MoveBy(dx, dy, dirty);
    // The name rectangle and the parameter box go along, so that hit tests
    // find them where the place now is.
    if (!nameRect.IsRectEmpty())
        OffsetRectClamped(nameRect, dx, dy);
    if (!parameterBox.IsRectEmpty())
        OffsetRectClamped(parameterBox, dx, dy);
    for (auto& junction : junctions_)
        junction->MoveBy(dx, dy, dirty);
}

void Place::SetBounds(const CRect& rect, int) {
    const CRect old = bounds;
    bounds = ClampRect(rect);
    for (auto& junction : junctions_) {
        CPoint mapped;
        MapPointsBetweenRects(1, &junction->point, &mapped, old, bounds, false);
        junction->SnapToPivot(mapped.x, mapped.y, 0);
    }
    Drawable::UpdateRepaintRect();
    UpdateRepaintRect();
    LayoutLabel();
}

void Place::SaveBounds() {
    SaveJunctionAnchors();
    Drawable::SaveBounds();
}

std::string* Place::GetEditableText(CRect& rect) {
    rect = labelRect;
    if (master == nullptr)
        return nullptr;
    editable_ = (placeFlags & PfInstanceLabel) != 0 ? label + ":" + master->name : master->name;
    return &editable_;
}

int Place::FindReplaceText(ModelDocument* document, const std::string& word,
                           const std::string& replacement, int options) {
    int count = master != nullptr ? master->ReplaceText(document, word, replacement, options) : 0;
    for (auto& junction : junctions_)
        count += junction->FindReplaceText(document, word, replacement, options);
    return count;
}

Drawable* Place::GetCurrentJunction() const {
    return currentJunction;
}

// ---- the place's own operations ----

void Place::Setup(int code, const CRect& rect, Master* shown, bool showCompartments) {
    kindCode = code;
    bounds = ClampRect(rect);
    repaintRect = bounds;
    repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
    master = shown;
    masterRef_ = ObjectRef();
    placeFlags = PfDetails | (showCompartments ? uint32_t(PfCompartments) : 0u);
    LayoutLabel();
}

void Place::DrawJunctions(DeviceContext& dc, const Looks*, double zoom) {
    for (auto& junction : junctions_)
        junction->DrawJunction(&dc, zoom);
}

void Place::LayoutLabel() {
    if (master != nullptr) {
        labelRect.SetRectEmpty();
        if (NotationTool* tool = ToolOf(master))
            tool->MapNameFrame(bounds, labelRect);
        return;
    }
    // Without a master the label is the inside of the bounds: deflating the
    // label itself would shrink it on every layout.
    labelRect = bounds;
    labelRect.DeflateRect(3, 3);
}

void Place::GetSubmodelMarkerRect(CRect& rect) const {
    rect.SetRect(bounds.right - 8, bounds.bottom - 8, bounds.right, bounds.bottom);
}

bool Place::IsNearBorder(int x, int y, int tolerance) const {
    auto near = [tolerance](int64_t a, int64_t b) { return std::llabs(a - b) <= tolerance; };
    const bool inY = y >= bounds.top && y <= bounds.bottom;
    const bool inX = x >= bounds.left && x <= bounds.right;
    return (inY && (near(x, bounds.left) || near(x, bounds.right))) ||
           (inX && (near(y, bounds.top) || near(y, bounds.bottom)));
}

bool Place::HasJunction(const Junction* junction) const {
    if (junction == nullptr)
        return false;
    return std::any_of(junctions_.begin(), junctions_.end(),
                       [junction](const auto& j) { return j.get() == junction; });
}

Junction* Place::AddJunction(GuidMap* map, int x, int y, int toolId) {
    if (!IsJunctionToolId(toolId))
        return nullptr;
    auto junction = std::make_unique<Junction>(map);
    junction->Attach(toolId - kFirstJunctionTool, this, x, y);
    Junction* added = junction.get();
    junctions_.push_back(std::move(junction));
    UpdateRepaintRect();
    return added;
}

void Place::AttachJunction(std::unique_ptr<Junction> junction) {
    if (junction == nullptr)
        return;
    junction->SetPivot(this);
    junction->DrawJunction(nullptr, 1.0);
    junction->UpdateRepaintRect();
    junctions_.push_back(std::move(junction));
    UpdateRepaintRect();
}

void Place::RemoveJunctionLike(GuidScope* scope, const Junction& other) {
    auto it = std::find_if(junctions_.begin(), junctions_.end(),
                           [&other](const auto& j) { return j->guid == other.guid; });
    if (it == junctions_.end())
        return;
    if (currentJunction == it->get())
        currentJunction = nullptr;
    (*it)->Detach(scope);
    junctions_.erase(it);
}

std::unique_ptr<Junction> Place::DetachJunction(Junction* junction) {
    auto it = std::find_if(junctions_.begin(), junctions_.end(),
                           [junction](const auto& j) { return j.get() == junction; });
    if (it == junctions_.end())
        return nullptr;
    if (currentJunction == junction)
        currentJunction = nullptr;
    std::unique_ptr<Junction> taken = std::move(*it);
    junctions_.erase(it);
    return taken;
}

Junction* Place::JunctionAt(int x, int y, bool useLabel) const {
    const CPoint p(x, y);
    for (const auto& junction : junctions_) {
        if ((useLabel ? junction->labelRect : junction->bounds).PtInRect(p))
            return junction.get();
    }
    return nullptr;
}

void Place::RestoreJunctionAnchors() {
    for (auto& junction : junctions_)
        junction->SnapToPivot(junction->savedPoint.x, junction->savedPoint.y, 0);
}

void Place::SaveJunctionAnchors() {
    for (auto& junction : junctions_)
        junction->savedPoint = junction->point;
}

void Place::MoveCurrentJunction(int dx, int dy, CRect& dirty) {
    if (currentJunction == nullptr)
        return;
    dirty = currentJunction->repaintRect;
    currentJunction->MoveJunction(dx, dy);
    dirty.UnionRect(dirty, currentJunction->repaintRect);
}

void Place::AddMasterReference() {
    if (master != nullptr && master->refCount < std::numeric_limits<int16_t>::max())
        ++master->refCount;
}

std::unique_ptr<Master> Place::ReleaseMaster(MasterCollection& masters, bool removeUnused) {
    Master* released = master;
    master = nullptr;
    if (released == nullptr)
        return nullptr;
    if (removeUnused)
        return masters.Remove(released, true);
    if (released->refCount > 0)
        --released->refCount;
    return nullptr;
}

void Place::Relayout() {
    LayoutLabel();
}

bool Place::Annotate(ModelDocument* document, int filter) {
    JournalChange change(document, ChangeKind::Annotation);
    bool changed = false;
    if ((filter & 0xA) != 0 && (placeFlags & PfCompartments) == 0) {
        placeFlags |= PfCompartments;
        Journal().AddChangedObject(document, nullptr, nullptr);
        changed = true;
    }
    if (master != nullptr && !master->IsMarked()) {
        if ((filter & 0x3) != 0) {
            for (auto& attribute : master->attributes) {
                if (!attribute->IsShown(filter)) {
                    attribute->mode ^= ModeAnnotate;
                    Journal().AddChangedObject(document, attribute.get(), nullptr);
                    changed = true;
                }
            }
        }
        if ((filter & 0xC) != 0) {
            for (auto& method : master->methods) {
                if (!method->IsShown(filter)) {
                    method->mode ^= ModeAnnotate;
                    Journal().AddChangedObject(document, method.get(), nullptr);
                    changed = true;
                }
            }
        }
        master->Mark(1, 1, 0);
    }
    if (changed)
        change.Record(ChangeKindDescription(ChangeKind::Annotation), nullptr, this);
    return changed;
}

// ---- the record ----

Cell* Place::PersistJunctions(GuidScope* scope, Cell* list) {
    if (list == nil) {
        Cell* records = nil;
        for (auto it = junctions_.rbegin(); it != junctions_.rend(); ++it)
            records = kest::mkcons((*it)->Persist(scope, nil), records);
        return kest::mkcons(kest::sym::junctions, records);
    }
    ExpectHead(list, kest::sym::junctions);
    Cell* records = kest::cdr(list);
    CheckedLength(records, "place", "junctions");
    // Read every junction before any replaces the current ones, so that a
    // bad record leaves the place as it was.
    std::vector<std::unique_ptr<Junction>> read;
    try {
        for (Cell* at = records; at != nil; at = kest::cdr(at)) {
            Cell* element = kest::car(at);
            if (!kest::ispair(element))
                continue;
            auto junction = std::make_unique<Junction>();
            read.push_back(std::move(junction));
            Cell* rest = read.back()->Persist(scope, element);
            if (rest != nil)
                RecordFormatError("junction", "nine elements expected");
            read.back()->SetPivot(this);
        }
    } catch (...) {
        for (auto& junction : read)
            junction->Detach(scope);
        throw;
    }
    for (auto& junction : junctions_)
        junction->Detach(scope);
    currentJunction = nullptr;
    junctions_ = std::move(read);
    return nil;
}

Cell* Place::WritePlace(GuidScope* scope) {
    Cell* masterCell = master != nullptr       ? kest::mkstr(IdOf(master))
                       : masterRef_.IsText()   ? kest::mkstr(masterRef_.Text())
                       : masterRef_.IsNumber() ? kest::mkint(masterRef_.Number())
                                               : kest::mkstr("");
    const char* labelText =
        label.empty() ? ((placeFlags & PfInstanceLabel) != 0 ? "?" : "") : label.c_str();
    Cell* own = kest::mklist(kest::sym::place, masterCell,
                             kest::mklist(kest::mkint(int32_t(placeFlags)), nullptr),
                             kest::mkstr(labelText), PersistJunctions(scope, nil), nullptr);
    return kest::nconc(own, WriteBase());
}

void Place::CheckPlaceKind() const {
    if (kind != DkPlace)
        RecordFormatError("place", Format("kind %d expected, got %d", DkPlace, kind));
    if ((style & (DsGroup | DsScenarioPlace)) != 0)
        RecordFormatError("place", Format("style %d does not suit the record", style));
}

Cell* Place::ReadPlace(GuidScope* scope, Cell* list) {
    ExpectHead(list, kest::sym::place);
    RecordReader r(kest::cdr(list), "place");
    const GuidMap* map = scope != nullptr ? scope->current : nullptr;
    Cell* masterCell = r.Peek();
    if (masterCell == nullptr || (masterCell->type != kest::TString &&
                                  masterCell->type != kest::TInteger && masterCell != nil))
        r.Fail("master", "id text");
    const ObjectRef readMaster = r.Ref(map, "master");

    uint32_t readFlags = 0;
    Cell* next = r.Peek();
    if (next != nullptr && kest::ispair(next)) {
        Cell* flagList = r.List("place flags");
        Cell* word = kest::car(flagList);
        if (word->type != kest::TInteger)
            r.Fail("place flags", "a list of one integer");
        readFlags = uint32_t(word->a.ival);
    } else if (next != nullptr && kest::issymbol(next)) {
        // The older form: two symbols, t for compartments and for details.
        if (r.Take("compartments") == kest::KernelSyms.t)
            readFlags |= PfCompartments;
        if (Cell* second = r.Peek(); second != nullptr && kest::issymbol(second)) {
            if (r.Take("details") == kest::KernelSyms.t)
                readFlags |= PfDetails;
        }
    }
    std::string readLabel;
    if (r.NextIsString()) {
        readLabel = r.String("label");
        if (!readLabel.empty())
            readFlags |= PfInstanceLabel;
        if (readLabel == "?")
            readLabel.clear();
    }
    Cell* junctionList = nullptr;
    if (Cell* j = r.Peek(); j != nullptr && kest::ispair(j) && kest::car(j) == kest::sym::junctions)
        junctionList = r.Take("junctions");

    // The base run is read and checked before the junctions are made, so a
    // bad record leaves nothing registered under the junctions' ids.
    ReadBase(scope, r);
    CheckPlaceKind();
    if (junctionList != nullptr)
        PersistJunctions(scope, junctionList);
    master = nullptr;
    masterRef_ = readMaster;
    placeFlags = readFlags;
    label = std::move(readLabel);
    return r.Rest();
}

Cell* Place::Persist(GuidScope* scope, Cell* list) {
    if (list == nil)
        return WritePlace(scope);
    return ReadPlace(scope, list);
}

// ---- look-up by id ----

namespace {

Drawable* FindJunctionById(const DrawableList& list, const char* id) {
    for (const auto& d : list) {
        if (auto* place = dynamic_cast<Place*>(d.get())) {
            for (const auto& junction : place->Junctions()) {
                if (junction->guid == id)
                    return junction.get();
            }
        }
        if (DrawableList* members = d->GetMemberList()) {
            if (Drawable* found = FindJunctionById(*members, id))
                return found;
        }
    }
    return nullptr;
}

} // namespace

Drawable* FindDrawableOrJunction(DrawableModel& model, const char* id) {
    if (id == nullptr)
        return nullptr;
    if (Drawable* found = model.FindObjectById(id))
        return found;
    return FindJunctionById(model.Drawables(), id);
}

} // namespace qm
