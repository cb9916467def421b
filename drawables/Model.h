// A model: one diagram of a project (or the sample drawing of a notation
// tool), a named, typed container of drawables with its zoom, page matrix
// and selection. It owns its top-level drawables, reads and writes them as
// records through the drawable factory, and answers the look-ups that the
// editor, the document, the journal and the scripts use to find objects in
// it. The model lives in this folder, beside the drawables it owns and draws;
// the masters below it reach it through MasterSubmodel.
#pragma once

#include "drawables/Drawable.h"
#include "model/ListRecords.h"
#include "model/Master.h"
#include "model/ModelObject.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kest {
struct Cell;
}

namespace qm {

class DeviceContext;
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
    DrawableList& Drawables() override { return drawables; }
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
    // The first top-level place of the master of that look-up kind, name and
    // namespace, or null. The masters are those the model's places stand for.
    virtual Drawable* FindPlaceByMasterName(ModelDocument* document, int masterKind,
                                            const std::string& masterName,
                                            const std::string& nameSpace) const;
    // The first top-level link of that kind code between the two nodes, or null.
    virtual Drawable* FindLink(int toolKind, const Drawable* source, const Drawable* target) const;
    // Diagram models make a place of a master here; the base answers null.
    virtual Drawable* CreatePlace(ModelDocument* document, Master* master, const CRect& rect);
    // The drawable under (x, y): see the .cpp. Null when nothing is hit.
    virtual Drawable* HitTest(int toolKind, int x, int y, int& part, int& index, int flags,
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

    // Appends to the drawables (the model owns it from now on); returns it.
    Drawable* AddDrawable(std::unique_ptr<Drawable> drawable);
    // Takes the drawable out of the list (and the selection) and hands it
    // back; null when the model does not hold it. With releaseMaster, a
    // place's master loses one place count.
    [[nodiscard]] std::unique_ptr<Drawable> RemoveDrawable(Drawable* drawable, bool releaseMaster);

    // Sets the page matrix (left and top 0) and the zoomed page matrix.
    void SetPageMatrix(const CRect& rect);
    // Sets the zoom (not below a small positive value), its inverse and the
    // zoomed page matrix.
    void SetZoomFactor(double factor);

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

    // ---- records ----
    // Given nil: the common part of the record (id, kind, setting, name, "",
    // comment, flags, parent master id, parent model id, zoom, inverse zoom,
    // page matrix, zoomed page matrix, then one record per drawable). Given
    // the list after the head symbol: reads it into this model.
    virtual kest::Cell* Persist(ModelDocument* document, GuidScope* scope, kest::Cell* list);

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
    // Owned, head drawn first.
    DrawableList drawables;
    // Not owned: the selected drawables in the order of selection.
    DrawableRefList selection;

  protected:
    // Copies the five fields Clone and Assign exchange.
    void CopyModelFields(const Model& other);

  private:
    void DetachDrawables(GuidScope* scope);

    int32_t modelNumber = 0;
};

// A model of a diagram kind (0, 11 to 17), entered in map, with the new-model
// setting and flags of the template's diagram type of that kind (when the
// template has one); null for any other kind.
std::unique_ptr<Model> CreateModelOfKind(GuidMap* map, const NotationTemplate* notation, int kind);

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

// After a read, from first (or the list's head when first is the end):
// links remember the bounds of their end nodes, message floaters the ends of
// the segment they sit on.
void RememberLinkGeometry(DrawableList& list, DrawableList::iterator first);

} // namespace qm
