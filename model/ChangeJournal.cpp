// The journal kinds table and the installed journal.
#include "model/ChangeJournal.h"

#include "model/ModelDocument.h"
#include "model/ModelObject.h"

#include <utility>

namespace qm {

namespace {

using K = ChangeKind;

// Indexed by the kind's number.
constexpr ChangeKindInfo kKinds[kChangeKindCount] = {
    {K::ProjectSaved, "JK_PROJECT_SAVED", {"(Project Saved)"}},
    {K::Create,
     "JK_CREATE",
     {"Create Place", "Create Message", "Create Link", "Create Tag", "Create Primitive",
      "Create Icon Instance", "Create Symbol from Library"}},
    {K::MoveDrawables, "JK_MOVE_DRAWABLES", {"Drag Drawables", "Nudge Drawables"}},
    {K::Reshape, "JK_RESHAPE", {"Drag Knob", "Drag Swimlane Border", "Drag Link Edge"}},
    {K::Reshape4, "JK_RESHAPE_4", {}},
    {K::SwapSwimlanes, "JK_SWAP_SWIMLANES", {"Swap Swimlanes"}},
    {K::PropertyChanges, "JK_PROPERTY_CHANGES", {"Property Changes"}},
    {K::PlaceMasterSwitch, "JK_PLACE_MASTER_SWITCH", {"Place Master Switch"}},
    {K::TextEdit, "JK_TEXT_EDIT", {"Text Edit"}},
    {K::Delete, "JK_DELETE", {"Delete Drawables", "Delete Model", "Delete Masters"}},
    {K::Cut, "JK_CUT", {"Cut Drawables", "Cut Model", "Cut Masters"}},
    {K::Paste, "JK_PASTE", {"Paste"}},
    {K::Replace, "JK_REPLACE", {"Replace", "Replace All"}},
    {K::NewModel, "JK_NEW_MODEL", {"New Model"}},
    {K::NewToolModel, "JK_NEW_TOOL_MODEL", {"New Tool Model", "New Stereotype Model"}},
    {K::Explode, "JK_EXPLODE", {"Explode"}},
    {K::ExplodeToExisting, "JK_EXPLODE_TO_EXISTING", {"Explode to Existing"}},
    {K::BreakExplode, "JK_BREAK_EXPLODE", {"Break Explode"}},
    {K::BringToFront, "JK_BRING_TO_FRONT", {"Bring to Front"}},
    {K::SendToBack, "JK_SEND_TO_BACK", {"Send to Back"}},
    {K::GroupAsPrimitive, "JK_GROUP_AS_PRIMITIVE", {"Group as Primitive"}},
    {K::GroupAsPlace, "JK_GROUP_AS_PLACE", {"Group as Place"}},
    {K::CreateSwimlane, "JK_CREATE_SWIMLANE", {"Create Swimlane"}},
    {K::UngroupPrimitive, "JK_UNGROUP_PRIMITIVE", {"Ungroup"}},
    {K::UngroupPlace, "JK_UNGROUP_PLACE", {"Ungroup"}},
    {K::FlipHorizontal, "JK_FLIP_HORIZONTAL", {"Flip Horizontal"}},
    {K::FlipVertical, "JK_FLIP_VERTICAL", {"Flip Vertical"}},
    {K::RotateLeft, "JK_ROTATE_LEFT", {"Rotate Left"}},
    {K::RotateRight, "JK_ROTATE_RIGHT", {"Rotate Right"}},
    {K::AutoSize, "JK_AUTO_SIZE", {"Auto Size", "Reposition"}},
    {K::LooksChange, "JK_LOOKS_CHANGE", {"Looks Change"}},
    {K::LinksLooksChange, "JK_LINKS_LOOKS_CHANGE", {"Links Looks Change"}},
    {K::ResizeTool, "JK_RESIZE_TOOL", {"Resize Tool"}},
    {K::IconEdit, "JK_ICON_EDIT", {"Icon Edit", "Icon Paste", "Icon Cut", "Icon Delete"}},
    {K::AutoSizeDrawable,
     "JK_AUTO_SIZE_DRAWABLE",
     {"Auto-size Place", "Auto-size Link", "Auto-size Message", "Auto-size Junction"}},
    {K::UndoneCreate, "JK_UNDONE_CREATE", {}},
    {K::MoveModelUp, "JK_MOVE_MODEL_UP", {"Move Model Up"}},
    {K::MoveModelDown, "JK_MOVE_MODEL_DOWN", {"Move Model Down"}},
    {K::RenumberMessages, "JK_RENUMBER_MESSAGES", {"Renumber Messages"}},
    {K::Annotation, "JK_ANNOTATION", {"Annotation"}},
    {K::AnnotationMultiple, "JK_ANNOTATION_MULTIPLE", {"Annotation (multiple)"}},
    {K::ResizeCallBox, "JK_RESIZE_CALL_BOX", {"Resize Call-box"}},
    {K::DragCallBox, "JK_DRAG_CALL_BOX", {"Drag Call-box"}},
    {K::DragJunction, "JK_DRAG_JUNCTION", {"Drag Junction"}},
    {K::DeleteCallBox, "JK_DELETE_CALL_BOX", {"Delete Call-box"}},
    {K::DeleteJunction, "JK_DELETE_JUNCTION", {"Delete Junction"}},
    {K::AddJunction, "JK_ADD_JUNCTION", {"Add Junction"}},
};

// Every row sits at its kind's number.
constexpr bool TableInOrder() {
    for (int i = 0; i < kChangeKindCount; ++i) {
        if (static_cast<int>(kKinds[i].kind) != i)
            return false;
    }
    return true;
}
static_assert(TableInOrder(), "the journal kinds table must be in kind order");

// Passes every call to the journal of the document it names.
class DocumentRouter : public ChangeJournal {
  public:
    void BeginChange(ModelDocument* document, ChangeKind kind) override {
        if (ChangeJournal* journal = Of(document))
            journal->BeginChange(document, kind);
    }
    void AddChangedObject(ModelDocument* document, ModelObject* object,
                          std::unique_ptr<ModelObject> previous) override {
        if (ChangeJournal* journal = Of(document))
            journal->AddChangedObject(document, object, std::move(previous));
    }
    void HoldRemovedObject(ModelDocument* document, std::unique_ptr<ModelObject> object) override {
        if (ChangeJournal* journal = Of(document))
            journal->HoldRemovedObject(document, std::move(object));
        else
            ChangeJournal::HoldRemovedObject(document, std::move(object));
    }
    void SetOperation(ModelDocument* document, int code) override {
        if (ChangeJournal* journal = Of(document))
            journal->SetOperation(document, code);
    }
    void SetOffset(ModelDocument* document, CPoint offset) override {
        if (ChangeJournal* journal = Of(document))
            journal->SetOffset(document, offset);
    }
    void SetSavedFlags(ModelDocument* document, uint32_t flags) override {
        if (ChangeJournal* journal = Of(document))
            journal->SetSavedFlags(document, flags);
    }
    void AddPoints(ModelDocument* document, const std::vector<CPoint>& points) override {
        if (ChangeJournal* journal = Of(document))
            journal->AddPoints(document, points);
    }
    void SetSwimlanes(ModelDocument* document, ModelObject* left, const CRect& leftRect,
                      ModelObject* entered, const CRect& enteredRect) override {
        if (ChangeJournal* journal = Of(document))
            journal->SetSwimlanes(document, left, leftRect, entered, enteredRect);
    }
    void SaveFollowers(ModelDocument* document, ModelObject* model) override {
        if (ChangeJournal* journal = Of(document))
            journal->SaveFollowers(document, model);
    }
    void SaveLinkEnds(ModelDocument* document, ModelObject* link, int mask,
                      bool redoSide) override {
        if (ChangeJournal* journal = Of(document))
            journal->SaveLinkEnds(document, link, mask, redoSide);
    }
    void SaveDragContext(ModelDocument* document, const std::vector<CRect>& before,
                         const std::vector<CRect>& after, CPoint lifeLine) override {
        if (ChangeJournal* journal = Of(document))
            journal->SaveDragContext(document, before, after, lifeLine);
    }
    void RecordChange(ModelDocument* document, ChangeKind kind, const char* name,
                      ModelObject* model, ModelObject* current) override {
        if (ChangeJournal* journal = Of(document))
            journal->RecordChange(document, kind, name, model, current);
    }
    bool HasChangedObjects(ModelDocument* document) const override {
        ChangeJournal* journal = Of(document);
        return journal != nullptr && journal->HasChangedObjects(document);
    }
    void DropChange(ModelDocument* document) override {
        if (ChangeJournal* journal = Of(document))
            journal->DropChange(document);
    }
    void BeginGroup(ModelDocument* document) override {
        if (ChangeJournal* journal = Of(document))
            journal->BeginGroup(document);
    }
    void EndGroup(ModelDocument* document) override {
        if (ChangeJournal* journal = Of(document))
            journal->EndGroup(document);
    }
    void SetToolSize(ModelDocument* document, CPoint size, bool after) override {
        if (ChangeJournal* journal = Of(document))
            journal->SetToolSize(document, size, after);
    }
    bool SaveIconForEdit(ModelDocument* document, ModelObject* tool) override {
        ChangeJournal* journal = Of(document);
        return journal != nullptr && journal->SaveIconForEdit(document, tool);
    }

  private:
    static ChangeJournal* Of(ModelDocument* document) {
        return document != nullptr ? document->ChangeRecorder() : nullptr;
    }
};

DocumentRouter defaultJournal;
ChangeJournal* installed = &defaultJournal;

} // namespace

const ChangeKindInfo& InfoOf(ChangeKind kind) {
    return kKinds[static_cast<int>(kind)];
}

const char* ChangeKindName(ChangeKind kind) {
    return InfoOf(kind).constant;
}

const char* ChangeKindDescription(ChangeKind kind) {
    const char* first = InfoOf(kind).descriptions[0];
    return first != nullptr ? first : "";
}

std::optional<ChangeKind> ChangeKindFromNumber(int number) {
    if (number < 0 || number >= kChangeKindCount)
        return std::nullopt;
    return kKinds[number].kind;
}

void ChangeJournal::HoldRemovedObject(ModelDocument*, std::unique_ptr<ModelObject> object) {
    object.reset();
}

void SeamJournal::BeginChange(ChangeKind kind) {
    Journal().BeginChange(document_, kind);
}

void SeamJournal::RecordChange(ChangeKind kind, const std::string& description, ModelObject* model,
                               ModelObject* current) {
    Journal().RecordChange(document_, kind, description.c_str(), model, current);
}

void SeamJournal::DropChange() {
    Journal().DropChange(document_);
}

void SeamJournal::BeginGroup() {
    Journal().BeginGroup(document_);
}

void SeamJournal::EndGroup() {
    Journal().EndGroup(document_);
}

JournalChange::JournalChange(JournalCalls& journal, ChangeKind kind)
    : seam_(nullptr), journal_(journal), kind_(kind) {
    journal_.BeginChange(kind);
}

JournalChange::JournalChange(ModelDocument* document, ChangeKind kind)
    : seam_(document), journal_(seam_), kind_(kind) {
    journal_.BeginChange(kind);
}

JournalChange::~JournalChange() {
    if (!open_)
        return;
    // Dropping only frees what the change held; a failure there must not
    // replace an exception that is unwinding the scope.
    try {
        journal_.DropChange();
    } catch (...) {
    }
}

void JournalChange::Record(ChangeKind kind, const std::string& description, ModelObject* model,
                           ModelObject* current) {
    open_ = false;
    journal_.RecordChange(kind, description, model, current);
}

JournalGroup::JournalGroup(JournalCalls& journal) : seam_(nullptr), journal_(journal) {
    journal_.BeginGroup();
}

JournalGroup::JournalGroup(ModelDocument* document) : seam_(document), journal_(seam_) {
    journal_.BeginGroup();
}

JournalGroup::~JournalGroup() {
    // The group ends however the scope is left: an open group would join
    // every later record to it.
    try {
        journal_.EndGroup();
    } catch (...) {
    }
}

ChangeJournal& Journal() {
    return *installed;
}

ChangeJournal* Install(ChangeJournal* journal) {
    ChangeJournal* previous = installed == &defaultJournal ? nullptr : installed;
    installed = journal != nullptr ? journal : &defaultJournal;
    return previous;
}

} // namespace qm
