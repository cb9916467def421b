// What the model and the drawables ask of the undo journal: the kinds of
// change it records (ChangeKind, with their constant names and the
// descriptions callers record them under, in one table) and the calls that
// prepare and record a change. Each document owns its journal and hands it
// out through ModelDocument::ChangeRecorder; Journal() passes every call to
// the journal of the document named in the call (nothing is recorded for no
// document). Tests may install a fake in its place.
#pragma once

#include "platform/Geometry.h"
#include "platform/ScopedInstall.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class ModelDocument;
class ModelObject;

// The journal kinds; the numbers are those of the journal's records.
enum class ChangeKind : int {
    ProjectSaved = 0,
    Create = 1,
    MoveDrawables = 2,
    Reshape = 3,
    Reshape4 = 4,
    SwapSwimlanes = 5,
    PropertyChanges = 6,
    PlaceMasterSwitch = 7,
    TextEdit = 8,
    Delete = 9,
    Cut = 10,
    Paste = 11,
    Replace = 12,
    NewModel = 13,
    NewToolModel = 14,
    Explode = 15,
    ExplodeToExisting = 16,
    BreakExplode = 17,
    BringToFront = 18,
    SendToBack = 19,
    GroupAsPrimitive = 20,
    GroupAsPlace = 21,
    CreateSwimlane = 22,
    UngroupPrimitive = 23,
    UngroupPlace = 24,
    FlipHorizontal = 25,
    FlipVertical = 26,
    RotateLeft = 27,
    RotateRight = 28,
    AutoSize = 29,
    LooksChange = 30,
    LinksLooksChange = 31,
    ResizeTool = 32,
    IconEdit = 33,
    AutoSizeDrawable = 34,
    UndoneCreate = 35,
    MoveModelUp = 36,
    MoveModelDown = 37,
    RenumberMessages = 38,
    Annotation = 39,
    AnnotationMultiple = 40,
    ResizeCallBox = 41,
    DragCallBox = 42,
    DragJunction = 43,
    DeleteCallBox = 44,
    DeleteJunction = 45,
    AddJunction = 46,
};

constexpr int kChangeKindCount = 47;

// One row of the kinds table: the kind, its constant name and the
// descriptions its callers record it under (unused slots null).
struct ChangeKindInfo {
    ChangeKind kind;
    const char* constant;
    std::array<const char*, 7> descriptions;
};

// The row of a kind.
const ChangeKindInfo& InfoOf(ChangeKind kind);
// The constant name of a kind ("JK_ANNOTATION").
const char* ChangeKindName(ChangeKind kind);
// The first description of a kind ("Annotation"); "" for a kind recorded without one.
const char* ChangeKindDescription(ChangeKind kind);
// The kind of a record's number, or none for a number outside 0..46.
std::optional<ChangeKind> ChangeKindFromNumber(int number);

class ChangeJournal {
  public:
    virtual ~ChangeJournal() = default;
    // Prepares one change of the document's journal: empties its change context.
    virtual void BeginChange(ModelDocument* /*document*/, ChangeKind /*kind*/) {}
    // Adds a changed object, with its previous state when there is one (the
    // journal takes that copy), to the change being prepared.
    virtual void AddChangedObject(ModelDocument* /*document*/, ModelObject* /*object*/,
                                  std::unique_ptr<ModelObject> /*previous*/) {}
    // Hands an object the change took out of its model to the change being
    // prepared, which holds it from now on (so that undo can put it back).
    // The journal that records nothing frees it.
    virtual void HoldRemovedObject(ModelDocument* document, std::unique_ptr<ModelObject> object);
    // The change context beside the objects: the flip or rotate operation
    // code, the offset of a swimlane shift, the model's flag word before a
    // link style change, and the vertex arrays of changed lines and links
    // (appended in order; BeginChange empties them).
    virtual void SetOperation(ModelDocument* /*document*/, int /*code*/) {}
    virtual void SetOffset(ModelDocument* /*document*/, CPoint /*offset*/) {}
    virtual void SetSavedFlags(ModelDocument* /*document*/, uint32_t /*flags*/) {}
    virtual void AddPoints(ModelDocument* /*document*/, const std::vector<CPoint>& /*points*/) {}
    // The swimlanes (or other place groups) a drag of drawables leaves and
    // enters, null for the model itself, each with the rectangle saved for
    // it at the drop; entered is the group the drawables end in (null when
    // the group under the drop refuses them). Called before the drawables
    // change groups, so that the journal notes where each stood in the list
    // it leaves.
    virtual void SetSwimlanes(ModelDocument* /*document*/, ModelObject* /*left*/,
                              const CRect& /*leftRect*/, ModelObject* /*entered*/,
                              const CRect& /*enteredRect*/) {}
    // Keeps the geometry of model's links, tags, message floaters and place
    // groups as they are now, after BeginChange and before anything moves:
    // the record keeps exactly where each one the change moved stood.
    virtual void SaveFollowers(ModelDocument* /*document*/, ModelObject* /*model*/) {}
    // The call boxes of sequence diagrams. SaveLinkEnds keeps the call
    // boxes and life-line end of a message's end places (mask 1 the source
    // place, 2 the target place) as they are before the change (redoSide
    // false) or after it. SaveDragContext keeps the call boxes of one life
    // line before and after a call-box drag, with the life-line point.
    virtual void SaveLinkEnds(ModelDocument* /*document*/, ModelObject* /*link*/, int /*mask*/,
                              bool /*redoSide*/) {}
    virtual void SaveDragContext(ModelDocument* /*document*/, const std::vector<CRect>& /*before*/,
                                 const std::vector<CRect>& /*after*/, CPoint /*lifeLine*/) {}
    // Records the change just made under kind and name; model is the model
    // changed (null for none), current the object the change is about.
    virtual void RecordChange(ModelDocument* /*document*/, ChangeKind /*kind*/,
                              const char* /*name*/, ModelObject* /*model*/,
                              ModelObject* /*current*/) {}
    // Bracket several recorded changes that one undo or redo replays together.
    // True when the change being prepared holds changed objects.
    virtual bool HasChangedObjects(ModelDocument* /*document*/) const { return false; }
    // Forgets the change being prepared without recording it, freeing what
    // it held (a change abandoned part way, see JournalChange).
    virtual void DropChange(ModelDocument* /*document*/) {}
    virtual void BeginGroup(ModelDocument* /*document*/) {}
    virtual void EndGroup(ModelDocument* /*document*/) {}

    // ---- the template's tools: resizing a tool and editing its icon ----
    // The width and height of the tool's rectangle before (after false) or
    // after a resize of the tool, for the "Resize Tool" change being prepared.
    virtual void SetToolSize(ModelDocument* /*document*/, CPoint /*size*/, bool /*after*/) {}
    // Keeps the tool's icon as the document's icon backup, the icon an
    // "Icon Edit" (paste, cut, delete) starts from; tool is a tool model.
    // False when nothing was kept (no document, or the icon lies outside the
    // template's strip).
    virtual bool SaveIconForEdit(ModelDocument* /*document*/, ModelObject* /*tool*/) {
        return false;
    }
};

// What the change and group scopes below call. The document's own journal
// (UndoJournal) answers it, and so does SeamJournal, the installed journal
// bound to one document, for the folders below the document.
class JournalCalls {
  public:
    virtual void BeginChange(ChangeKind kind) = 0;
    virtual void RecordChange(ChangeKind kind, const std::string& description, ModelObject* model,
                              ModelObject* current) = 0;
    virtual void DropChange() = 0;
    virtual void BeginGroup() = 0;
    virtual void EndGroup() = 0;

  protected:
    ~JournalCalls() = default;
};

// The installed journal (Journal(), looked up at every call) for one document.
class SeamJournal final : public JournalCalls {
  public:
    explicit SeamJournal(ModelDocument* document) : document_(document) {}
    void BeginChange(ChangeKind kind) override;
    void RecordChange(ChangeKind kind, const std::string& description, ModelObject* model,
                      ModelObject* current) override;
    void DropChange() override;
    void BeginGroup() override;
    void EndGroup() override;

  private:
    ModelDocument* document_;
};

// One journaled change as a scope: the constructor begins it (emptying the
// change context, which the caller then fills), Record writes it. A scope
// left without Record (an early return, an exception part way) records
// nothing and drops what the change had prepared, so that no later record
// reads it.
class JournalChange {
  public:
    JournalChange(JournalCalls& journal, ChangeKind kind);
    // Through the installed journal, for document's journal.
    JournalChange(ModelDocument* document, ChangeKind kind);
    ~JournalChange();
    JournalChange(const JournalChange&) = delete;
    JournalChange& operator=(const JournalChange&) = delete;

    // Records the change just made under the kind it began with (or kind)
    // and description: model is the model changed (null: project level),
    // current the object the change is about.
    void Record(const std::string& description, ModelObject* model, ModelObject* current) {
        Record(kind_, description, model, current);
    }
    void Record(ChangeKind kind, const std::string& description, ModelObject* model,
                ModelObject* current);
    // True until Record ran.
    bool Open() const { return open_; }

  private:
    SeamJournal seam_;
    JournalCalls& journal_;
    ChangeKind kind_;
    bool open_ = true;
};

// The records written while the scope lives replay as one undo or redo
// step, and the document's events go out once, as the scope ends; it ends
// the group however it is left.
class JournalGroup {
  public:
    explicit JournalGroup(JournalCalls& journal);
    // Through the installed journal, for document's journal.
    explicit JournalGroup(ModelDocument* document);
    ~JournalGroup();
    JournalGroup(const JournalGroup&) = delete;
    JournalGroup& operator=(const JournalGroup&) = delete;

  private:
    SeamJournal seam_;
    JournalCalls& journal_;
};

// The journal every change goes through: by default the one that passes each
// call to the journal of the document it names; a test's fake when installed.
ChangeJournal& Journal();
// Installs a journal (not owned) and returns the one replaced; null restores the default.
ChangeJournal* Install(ChangeJournal* journal);

} // namespace qm
