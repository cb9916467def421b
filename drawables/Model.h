// A model: one diagram of a project (or the sample drawing of a notation
// tool), a named, typed container of drawables with its zoom, page matrix
// and selection. It owns its top-level drawables, reads and writes them as
// records through the drawable factory, and answers the look-ups that the
// editor, the document, the journal and the scripts use to find objects in
// it. The model lives in this folder, beside the drawables it owns and draws;
// the masters below it reach it through MasterSubmodel.
#pragma once

#include "drawables/Drawable.h"
#include "model/ChangeJournal.h"
#include "model/ListRecords.h"
#include "model/Master.h"
#include "model/ModelObject.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kest {
struct Cell;
}

namespace qm {

class BitGrid;
class DeviceContext;
class HitIndex;
class ModelTree;
class NotationTemplate;
class PagedDevice;
struct PrintJob;

// Model kind codes.
enum ModelKind : int {
    MkDefault = 0,
    MkTool = 1,
    MkClass = 11,
    MkUseCase = 12,
    MkSequence = 13,
    MkState = 14,
    MkInteraction = 15,
    MkImplementation = 16,
    MkCollaboration = 17,
};

// Bits of Model::modelFlags. Bits not named here are kept and persisted as they are.
enum ModelFlag : uint32_t {
    MfGenCode = 0x1,
    MfStepLink = 0x4,     // new and re-styled links are orthogonal
    MfCurveLink = 0x8,    // new and re-styled links are curved
    MfClassTool = 0x20,   // old tool records: the tool has Class semantics
    MfRenumber = 0x40,    // message renumbering
    MfToolHidden = 0x80,  // a tool model left out of palettes and files
    MfBandedName = 0x100, // a tool model maps its name frame by bands
};

class Model : public ModelObject, public DrawableModel, public MasterSubmodel {
  public:
    // The empty model: setting 3, flags 1, zoom 1.0, empty rectangles and
    // lists; entered in map when one is given.
    explicit Model(GuidMap* map = nullptr);
    // Frees the drawables the model still owns.
    ~Model() override;

    // Sets the name and the page matrix (0, 0, width, height) and copies it
    // into the zoomed page matrix (a new model has zoom 1.0).
    virtual void Init(CSize size, const std::string& modelName);

    // ---- the operations of ModelObject ----
    // Removes the model and its drawables from the scope's map; the
    // drawables stay with the model.
    void Detach(GuidScope* scope) override;
    // PtModel and the model itself.
    ModelObject* GetPropertyTarget(int* kind) override;
    // A new model with setting, kind, name, flags and comment; zoom, page
    // matrix and drawables are not copied.
    std::unique_ptr<ModelObject> Clone() const override;
    // The same five fields from another model (nothing when it is not one).
    void Assign(const ModelObject* other) override;
    // The journal's exchange of the five fields: without a list the
    // differences from other as (setting kind name flags comment), each nil
    // or (mine other's); with a list, applies each non-nil entry (its second
    // value when redo is set). A malformed list is a format error and
    // changes nothing.
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    // Binds the parent master and parent model read as ids (see the .cpp).
    void ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument) override;

    // A new model holding the five fields (Clone's copy).
    std::unique_ptr<Model> CloneModel() const;

    // ---- DrawableModel and MasterSubmodel ----
    const DrawableList& Drawables() const override { return drawables_; }
    Drawable* FindObjectById(const char* id) override;
    // Sets or clears the drawable's selection bit and keeps the selection
    // list in step (the editing operations of selection come with the editor).
    void Select(Drawable* drawable, int on, int extend, int notify) override;
    bool IsToolModel() const override { return kind == MkTool; }
    void ClearParentMaster() override { parentMaster = nullptr; }

    // ---- look-ups ----
    // The union of the repaint rectangles of the top-level drawables, shrunk
    // by the repaint margin; empty for a model without drawables.
    virtual void GetBounds(CRect& rect) const;
    // The same over the selection.
    virtual void GetSelectionBounds(CRect& rect) const;
    // The part of the page matrix beside drawable on the side of (x, y); the
    // drawable's bounds when the point is inside them; the whole page
    // matrix when the part would be empty.
    virtual void PageRectNear(const Drawable* drawable, int x, int y, CRect& rect) const;
    // The place group that must hold a link, or null.
    virtual Drawable* LinkContainer(const Drawable* link) const;
    // The innermost place group (under a top-level one other than drawable)
    // holding drawable, or null.
    virtual Drawable* FindGroupOf(const Drawable* drawable) const;
    // The first top-level place whose master is master, or null.
    Drawable* FindPlaceOfMaster(const Master* master) const;
    // The first top-level place whose master has that look-up kind and name,
    // and that namespace unless nameSpace is empty (then any namespace
    // matches, as the document's look-up of masters has it); null when none.
    virtual Drawable* FindPlaceByMasterName(ModelDocument* document, int masterKind,
                                            const std::string& masterName,
                                            const std::string& nameSpace) const;
    // The first top-level link of that kind code and name text between the
    // two nodes, or null. A link without a name text matches only "".
    virtual Drawable* FindLink(int toolKind, const std::string& name, const Drawable* source,
                               const Drawable* target) const;
    // Diagram models make a place of a master here; the base answers null.
    virtual Drawable* CreatePlace(ModelDocument* document, Master* master, const CRect& rect);
    // The drawable under (x, y): see the .cpp. Null when nothing is hit.
    virtual Drawable* HitTest(int toolKind, int x, int y, int& part, int& index, int flags,
                              const Drawable* excluded);
    // The same answer as HitTest, found by asking every top-level drawable in
    // turn, without the spatial index (what the index is checked against).
    Drawable* HitTestEveryDrawable(int toolKind, int x, int y, int& part, int& index, int flags,
                                   const Drawable* excluded);
    // The innermost place group at (x, y) under a top-level place group
    // other than excluded, or null.
    virtual Drawable* FindGroupAt(int x, int y, const Drawable* excluded) const;
    // Diagram models re-bind their drawables to a template's tools; the base does nothing.
    virtual void RebindTools(NotationTemplate* notation);
    virtual bool AlwaysTrue(int, int, int) { return true; }

    // The model's name after the names of its parent models, outermost
    // first, joined by "."; the walk stops before stop (which is not
    // included). Asked with itself as stop the answer is "". A cycle of
    // parents ends the walk where it would repeat.
    std::string GetQualifiedName(const Model* stop) const;

    // ---- the drawable list and the selection ----
    // Raised by every change of the model's drawables, their geometry or looks;
    // caches (the spatial index, laid-out texts) compare it with the value
    // they were built at.
    uint64_t ChangeCount() const { return changeCount_; }
    void NoteChanged() { ++changeCount_; }
    // Every write below marks the model changed.
    // The selected drawables in the order of selection (not owned).
    const DrawableRefList& Selection() const { return selection_; }
    // Appends to the drawables (the model owns it from now on); returns it,
    // or null for null.
    Drawable* AddDrawable(std::unique_ptr<Drawable> drawable) override;
    // Inserts at that position of the list (before the drawable at index;
    // a negative index or one past the end appends); returns it.
    Drawable* InsertDrawable(int32_t index, std::unique_ptr<Drawable> drawable);
    // Puts drawables back into the model's list (group null) or into the
    // group's members at their positions (-1: at the end), in ascending
    // order of them, so that each lands where it stood; null entries are
    // skipped. Parents are left as they are.
    void InsertDrawables(std::vector<std::unique_ptr<Drawable>>& drawables,
                         const std::vector<int32_t>& positions, Drawable* group = nullptr);
    // Takes the drawable out of the list (the selection keeps it); null when
    // the list does not hold it.
    [[nodiscard]] std::unique_ptr<Drawable> TakeDrawable(const Drawable* drawable) override;
    // Takes the drawable out of its parent's members when it has a parent,
    // else out of the model's list; its parent is left as it is. Null when
    // that list does not hold it.
    [[nodiscard]] std::unique_ptr<Drawable> TakeFromOwner(Drawable* drawable);
    // The position of the drawable in its group's members (when it has a
    // parent) or in the model's list; -1 when that list does not hold it.
    int32_t IndexOf(const Drawable* drawable) const;
    // Takes the drawable out of the list (and the selection) and hands it
    // back; null when the model does not hold it. With releaseMaster, a
    // place's master loses one place count.
    [[nodiscard]] std::unique_ptr<Drawable> RemoveDrawable(Drawable* drawable, bool releaseMaster);
    // Takes every top-level drawable out (the selection is emptied) for a
    // caller that writes the model's own record without them; hand them back
    // with RestoreDrawables.
    [[nodiscard]] DrawableList SetDrawablesAside();
    // Puts drawables taken by SetDrawablesAside back at the head of the list.
    void RestoreDrawables(DrawableList& aside);
    // Drops the drawable from the selection list alone (its selection bit
    // stays): for a drawable about to leave the model.
    void ForgetSelected(const Drawable* drawable);
    // The writes of a drawable's looks and derived rectangles from outside
    // this folder: each marks the model changed.
    void SetDrawableLooks(Drawable* drawable, const Looks& looks);
    void SetLabelRect(Drawable* drawable, const CRect& rect);
    void SetRepaintRect(Drawable* drawable, const CRect& rect);

    // Sets the page matrix (left and top 0) and the zoomed page matrix.
    void SetPageMatrix(const CRect& rect);
    // Sets the zoom (not below a small positive value), its inverse and the
    // zoomed page matrix.
    void SetZoomFactor(double factor);

    // ---- selection, marking, delete, cut and copy (ModelSelection.cpp) ----
    // Selects or deselects one drawable, keeping the selection list in step;
    // with repaint and a device context its knobs are inverted. False for a
    // junction and when nothing changed.
    bool Select(Drawable* drawable, bool select, DeviceContext* dc, bool repaint);
    void DeselectAll(DeviceContext* dc, bool repaint);
    // Without a rectangle: Select All (explodesOnly: only places whose master
    // has a submodel). With one: the top-level drawables whose bounds meet
    // it, toggled when toggle is set.
    void SelectMany(DeviceContext* dc, bool repaint, bool explodesOnly, const CRect* rect,
                    bool toggle);
    // Selects the top-level drawables whose bounds lie wholly inside rect.
    void SelectInRect(DeviceContext* dc, const CRect& rect);
    bool SelectionHasStyle(uint8_t mask) const;
    bool SelectionHasSwimlane() const;
    void SetSelectionDragFlag(bool on);
    void MarkAll(int value);
    // Marks the masters of the places in list (and, unless shallow, their
    // submodels) once per value; the model's own mark keeps it out.
    void MarkWithPlaces(const DrawableRefList& list, int value, bool shallow);
    // Appends the marked top-level drawables (and marked members of unmarked
    // groups) to found.
    void CollectMarked(DrawableRefList& found);
    // As CollectMarked, but the marked drawables leave the model: taken owns them.
    void CollectMarked(DrawableList& taken);
    // Takes each drawable of list out of the model and hands it back; each
    // place's master loses a use. With repaint, unites their repaint
    // rectangles scaled by the zoom.
    [[nodiscard]] DrawableList RemoveDrawables(const DrawableRefList& list, CRect* repaint);
    // The common tail of delete and cut for drawables already out of the
    // model: places release their masters (removing unused ones when
    // removeMasters is set), a deleted swimlane closes its gap, and unless
    // noJournal the journal takes the drawables (list is emptied).
    void TakeDrawables(ModelDocument* document, DrawableList& list, CRect* repaint, bool noJournal,
                       bool removeMasters);
    // Takes the drawables of list out of the model with what hangs on them
    // (links ending on them, tags and floaters attached to them), as a
    // delete does, without recording anything; each keeps its list position
    // as its position before. The selection is emptied.
    [[nodiscard]] DrawableList TakeWithAttachments(ModelDocument* document,
                                                   const DrawableRefList& list, CRect* repaint);
    // Delete (ChangeKind::Delete) or Cut (any other kind) of the selection
    // with what hangs on it; what the journal does not take is handed back.
    DrawableList DeleteDrawables(ModelDocument* document, CRect* repaint, ChangeKind kind,
                                 bool noJournal);
    // Writes the selection (links only with both ends, tags with their
    // target) to the masters clipboard file.
    void CopySelection(ModelDocument* document, bool shallow);
    // Appends every link, also those inside place groups.
    void CollectLinks(DrawableRefList& found);
    // Appends, once each, the non-empty source file names of the masters of
    // the places (inside place groups too).
    void CollectSourceFileNames(std::vector<std::string>& names) const;
    // Detaches and frees every top-level drawable; empties the selection.
    void DetachAllDrawables(GuidScope* scope);
    // One step of Find and Replace over the model (see the .cpp).
    int FindReplaceStep(ModelDocument* document, bool notify, const std::string& word,
                        const std::string& replacement, int options, Drawable*& current,
                        ModelObject*& found, int& count, bool& modelDone, bool& finished);

    // ---- arrangement, moves and link upkeep (ModelArrangement.cpp) ----
    // Bring to Front (ChangeKind::BringToFront) or Send to Back.
    void ChangeOrder(ModelDocument* document, CRect& repaint, ChangeKind kind, const char* name);
    // Numbers the drawables of list 0, 1, 2... as old (which 1) or new (2) positions.
    static void NumberByPosition(DrawableList& list, int which);
    static void SortByPosition(DrawableRefList& list, int which);
    // Puts the drawables of list back at their numbered positions.
    void RestoreOrder(DrawableRefList& list, int which);
    // Flips (0, 1) or rotates (2, 3) the selected primitives.
    void FlipOrRotate(ModelDocument* document, CRect& repaint, int operation, ChangeKind kind,
                      const char* name);
    // Align, same size and space evenly by the mode bits (RmAlignLeft...).
    void Reposition(ModelDocument* document, int mode, CRect& repaint);
    void AutoSize(ModelDocument* document, CRect& repaint);
    // Moves the selected drawables of the container (null: the model) and
    // the links between them; answers the repaint area scaled by the zoom.
    CRect MoveDrawables(Drawable* container, int dx, int dy, bool floatersOnly);
    // Whether the selection may be dragged, with the rectangle it must stay
    // in and, when refused, the message (empty for a silent refusal).
    bool CanDrag(CRect& limit, std::string& message);
    bool SetDrawableBounds(Drawable* drawable, const CRect& rect, CRect& repaint);
    // As SetDrawableBounds for each drawable and rectangle in turn, with the
    // links, tags and message floaters brought into shape once after all of
    // them instead of after each.
    void SetDrawablesBounds(const std::vector<std::pair<Drawable*, CRect>>& sizes, CRect& repaint);
    bool ReshapeDrawable(Drawable* drawable, const CRect& label, CRect& repaint);
    bool ReshapeDrawableB(Drawable* drawable, const CRect& label, CRect& repaint);
    bool ReshapeDrawableC(Drawable* drawable, const CRect& label, CRect& repaint);
    // Brings links, tags and message floaters back into shape after marked
    // drawables moved (see the .cpp).
    void UpdateLinkGeometry(Drawable* container, CRect& repaint, bool oneEndOnly);
    void MoveSelfLinks(Drawable* place, int dx, int dy);
    void RepositionLinkFloaters(int mode, Drawable* link, int index, CRect& repaint);
    void ChangeSelectionLooks(const Looks& mask, const Looks& looks, CRect& repaint,
                              DeviceContext* dc, bool placesAndLinksOnly);
    void ChangeLinksLooks(ModelDocument* document, uint32_t style, bool noJournal);

    // ---- grouping, ungrouping and swimlanes (ModelGrouping.cpp) ----
    // Groups the selection as a primitive group, or (asPlace) as a place
    // group; with laneRect, as a swimlane of the drawables inside it, linked
    // between the two lanes. Refusals show a message or beep and answer
    // null. Recorded under kind and name, shift as the offset; kind
    // ProjectSaved records nothing.
    virtual Drawable* Group(ModelDocument* document, ModelDocument* idDocument, CRect& repaint,
                            bool asPlace, const CRect* laneRect, Drawable* previousLane, int shift,
                            Drawable* nextLane, ChangeKind kind, const char* name);
    // Ungroups the one selected top-level group; a place group whose master
    // has a submodel is refused with CKestException.
    void Ungroup(ModelDocument* document, CRect& repaint, ChangeKind kind);
    // A new lane of 128 clicked at x, pushed into the chain of lanes.
    Drawable* CreateSwimlane(ModelDocument* document, ModelDocument* idDocument, int x,
                             CRect& repaint);
    // The lanes between which a lane of rect goes (either may be null).
    void FindLaneNeighbours(const CRect& rect, Drawable*& previous, Drawable*& next) const;
    // Moves the lane and every lane after it sideways by dx.
    void ShiftSwimlanes(ModelDocument* document, Drawable* lane, int dx, CRect& repaint);
    // Grows the page matrix by whole pages to the right so that it reaches x.
    void ExtendPageCount(ModelDocument* document, int x);
    // Every lane reaches down to the page matrix's bottom.
    void StretchSwimlanes();
    // The first (or last) lane of the chain; null without lanes.
    Drawable* FindSwimlane(bool first) const;
    // Closes gaps and overlaps of the chain.
    void PackSwimlanes();
    // Exchanges two neighbouring lanes.
    void SwapSwimlanes(Drawable* lane, Drawable* other, CRect& repaint);

    // ---- automatic layout (ModelLayout.cpp) ----
    int NumberComponents();
    void FloodComponent(Drawable* place);
    Drawable* FindHubPlace(int component);
    // Packs the component and moves it into free room of `grid`; `members`
    // holds its drawables and the links that end at its places, in list order.
    void LayoutComponent(DeviceContext& dc, BitGrid& grid, int component,
                         const std::vector<Drawable*>& members);

    // ---- drawing, the page matrix and printing (ModelDrawing.cpp) ----
    // Draws the drawables in order at the model's zoom (only the selected
    // ones with selectedOnly), with the drawing flag set to the model's
    // renumbering bit meanwhile.
    void Draw(DeviceContext& dc, bool selectedOnly);
    // The page matrix's size, unzoomed or zoomed.
    CSize GetPageSize(bool unzoomed) const;
    // The smallest matrix of pages (columns, rows), at least 1 x 1, that
    // holds the drawing; it becomes the page matrix. A page size of 0 counts as 1.
    CSize BestPageMatrix(int32_t pageWidth, int32_t pageHeight);
    void SetZoom(double factor) { SetZoomFactor(factor); }
    // Prints the model, then once each unmarked submodel of its top-level
    // places (marking it), depth first.
    void PrintWithSubmodels(const PrintJob& job, PagedDevice& device, int options, int& pageNumber,
                            int32_t pageWidth, int32_t pageHeight, double zoom);
    // Prints the model on as many pages as its zoomed page matrix needs
    // (one with option 0x40, fitted); "can't start page" and "can't end
    // page" through the failure check.
    void PrintPages(const PrintJob& job, PagedDevice& device, int options, int& pageNumber,
                    int32_t pageWidth, int32_t pageHeight, double zoom);
    // Prints the part of the drawing in pageRect on the current page, with
    // the footer under option 0x80 and fitted under 0x40.
    void PrintPage(const PrintJob& job, PagedDevice& device, int options, int pageNumber,
                   const CRect& pageRect, double zoom);
    // Prints this model's entry of the model tree at position (indent, y)
    // and then its child items; pages break before an entry that would
    // reach the page's bottom.
    void PrintTreeItem(const PrintJob& job, ModelTree& tree, int item, PagedDevice& device,
                       int options, int& pageNumber, CPoint& position, int32_t pageWidth,
                       int32_t pageHeight);

    // ---- comparison (DrawableCompare.cpp) ----
    // Kind, setting, name, comment, flags, the parent master's id text, the
    // page matrix and the drawables (same count, and each equal to the
    // drawable of the same id in the other model).
    virtual bool IsEqual(const Model& other) const;
    // The same kind and, when both have a parent master, the same parent id;
    // when neither has one, the same name; false when only one has one.
    virtual bool IsSameIdentity(const Model& other) const;
    // Every drawable of the model, flat, containers before their members.
    virtual void CollectAllDrawables(std::vector<Drawable*>& out) const;

    // ---- records ----
    // Given nil: the common part of the record (id, kind, setting, name, "",
    // comment, flags, parent master id, parent model id, zoom, inverse zoom,
    // page matrix, zoomed page matrix, then one record per drawable). Given
    // the list after the head symbol: reads it into this model.
    virtual kest::Cell* Persist(ModelDocument* document, GuidScope* scope, kest::Cell* list);
    // Reading as Persist reads, from the elements of the record after its head
    // (for a custom model, after customModel), one at a time: a model of
    // many drawables is never held in cells whole.
    virtual void ReadElements(ModelDocument* document, GuidScope* scope, RecordElements& elements);
    // The common part's fields (id to zoomed page matrix) consed onto
    // drawables: the record Persist writes when drawables are its drawable
    // records, so that a writer can print those one at a time.
    kest::Cell* PersistFields(kest::Cell* drawables);

    // The model's number: -1 - i for the tool at entry i of a template.
    int32_t ModelNumber() const { return modelNumber; }
    void SetModelNumber(int32_t number) { modelNumber = number; }

    int32_t kind = MkDefault;
    int32_t setting = 3;
    std::string name;
    std::string comment;
    uint32_t modelFlags = MfGenCode;
    Master* parentMaster = nullptr;
    Model* parentModel = nullptr;
    // The parents' ids between reading and ResolveRefs.
    ObjectRef parentMasterRef;
    ObjectRef parentModelRef;
    double zoom = 1.0;
    double inverseZoom = 1.0;
    CRect pageMatrix;
    CRect zoomedPageMatrix;
    // The page matrix as it stood when the last new swimlane began, before
    // the lane (or the lanes it pushed right) widened it: the journal's
    // record of the lane keeps it for undo.
    CRect pageBeforeLane;

  protected:
    // Copies the five fields Clone and Assign exchange.
    void CopyModelFields(const Model& other);

  private:
    // Persist's reading of the fields, from list (after the head); returns
    // the drawable records after them.
    kest::Cell* ReadFields(GuidScope* scope, kest::Cell* list);

    void DetachDrawables(GuidScope* scope);
    // The new group of the selected drawables (taken out of the list).
    std::unique_ptr<Drawable> MakeGroup(ModelDocument* document, GuidMap* map, bool asPlace,
                                        const CRect* laneRect, Drawable* previousLane,
                                        Drawable* nextLane);

    int32_t modelNumber = 0;
    // Owned, head drawn first.
    DrawableList drawables_;
    // Not owned: the selected drawables in the order of selection, and
    // where each stands in that list, so that taking one out does not scan
    // the whole selection (a delete of every drawable would be quadratic).
    // Changed only through the three functions below.
    DrawableRefList selection_;
    std::unordered_map<const Drawable*, DrawableRefList::iterator> selectionAt_;
    // Appends drawable, or moves it to the end when it is already there.
    void SelectionAppend(Drawable* drawable);
    void SelectionRemove(const Drawable* drawable);
    void SelectionClear();
    uint64_t changeCount_ = 0;
    // The hit test's index, built on first use after a change.
    std::unique_ptr<HitIndex> hitIndex_;
};

// A model of a diagram kind (0, 11 to 17), entered in map, with the new-model
// setting and flags of the template's diagram type of that kind (when the
// template has one); null for any other kind.
std::unique_ptr<Model> CreateModelOfKind(GuidMap* map, const NotationTemplate* notation, int kind);

// The mode bits of Model::Reposition.
enum RepositionMode : int {
    RmAlignLeft = 0x1,
    RmAlignCentre = 0x2,
    RmAlignRight = 0x4,
    RmSpaceAcross = 0x8,
    RmSameWidth = 0x10,
    RmAlignTop = 0x20,
    RmAlignMiddle = 0x40,
    RmAlignBottom = 0x80,
    RmSpaceDown = 0x100,
    RmSameHeight = 0x200,
};

// Lays the places of model out (see ModelLayout.cpp): unmarked places are
// packed by connected component with the best-connected place in the
// middle; marked drawables keep their places. resize gives unmarked places
// their natural size first; recurse lays out class-diagram submodels too.
// Nothing for a null or marked model.
void LayoutModel(ModelDocument* document, Model* model, bool resize, bool recurse);

// The first drawable of list whose id is id; groups are searched inside,
// depth first. Null when none.
Drawable* FindObjectById(const DrawableList& list, const char* id);
// The object holding a drawable's members: a primitive group itself; null
// for anything else and for null.
Drawable* ContainerOf(Drawable* drawable);

// Given nil records: one record per drawable of list, in order. Given
// records: reads each through the factory into list (and into second when
// given), binds what was read, unites the repaint rectangles into repaint
// (emptied first, when given) and remembers the links' geometry; with
// primitivesOnly, records of other drawables are read and discarded.
// Returns the records.
kest::Cell* PersistDrawables(ModelDocument* document, DrawableList& list, GuidScope* scope,
                             DrawableModel* model, DrawableRefList* second, kest::Cell* records,
                             CRect* repaint, bool primitivesOnly);
// PersistDrawables reading, the records given one at a time (each released
// once its drawable is made).
void ReadDrawables(ModelDocument* document, DrawableList& list, GuidScope* scope,
                   DrawableModel* model, RecordElements& records, DrawableRefList* second = nullptr,
                   CRect* repaint = nullptr, bool primitivesOnly = false);

// After a read, from first (or the list's head when first is the end):
// links remember the bounds of their end nodes, message floaters the ends of
// the segment they sit on.
void RememberLinkGeometry(const DrawableList& list, DrawableList::const_iterator first);

} // namespace qm
