// The diagram view's commands: the Edit and Arrange menus, the context menu,
// and the rules that enable them. Most arrange commands hand the selection to
// an editing operation of the model, which records its own journal entry.
#include "editor/TContent.h"

#include "document/CCASEDoc.h"
#include "drawables/DrawableKinds.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/TEdit.h"
#include "editor/operations/ViewEdits.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "platform/Errors.h"
#include "platform/Prompt.h"

#include <QMenu>
#include <QPlainTextEdit>

#include <cmath>

namespace qm {

namespace {

// The reposition options last chosen; Auto Size uses the same value.
int repositionOptions = 0;

bool InIconEditing(const Model* model) {
    const auto* tool = dynamic_cast<const ToolModel*>(model);
    return tool != nullptr && tool->iconEditing;
}

} // namespace

double TContent::ZoomStep(double zoom, int direction) {
    return std::round((zoom + 0.1 * direction) * 10.0) / 10.0;
}

bool TContent::RuleD() const {
    Model* model = CurrentModel();
    return model != nullptr && (!model->Selection().empty() || InIconEditing(model));
}

bool TContent::RuleC() const {
    if (CurrentModel() == nullptr && textView_->isVisible() && textView_->isEnabled())
        return textView_->textCursor().hasSelection();
    return RuleD();
}

bool TContent::RuleP() const {
    Model* model = CurrentModel();
    if (model == nullptr && textView_->isVisible() && textView_->isEnabled())
        return false;
    return IsEditingLabel() || InIconEditing(model) || CCASEDoc::ClipboardFileExists();
}

bool TContent::RuleS() const {
    Model* model = CurrentModel();
    return model != nullptr && !model->Selection().empty();
}

bool TContent::RuleU() const {
    Model* model = CurrentModel();
    if (model == nullptr || model->Selection().size() != 1)
        return false;
    const Drawable* drawable = model->Selection().front();
    if ((drawable->style & DsGroup) == 0 || drawable->Parent() != nullptr)
        return false;
    const auto* lane = dynamic_cast<const Swimlane*>(drawable);
    return lane == nullptr || lane->PreviousLane() == nullptr || lane->NextLane() == nullptr;
}

// The call menu's operations arrive as the commands of their run.
static_assert(PickNoneId == cmd::FirstCallOperation && PickLastId == cmd::LastCallOperation);

// The view's rows. The Edit and Arrange rows are placed in the frame's menus
// at its pane slots; the rows without a menu are the commands the view takes
// from the frame's menus and tool bars; the rows with the menu "" are its
// pop-up menu, in order. A row without a handler is one the view rules on but
// the frame carries out (the model commands of the pop-up menu).
struct ViewCommandRows {
    using Row = CommandRow<TContent>;
    using V = TContent;
    static constexpr Row rows[] = {
        {cmd::EditCut, cmd::EditCut, "Edit", "Cu&t\tCtrl+X", &V::OnCut, &V::OnUpdateRuleD},
        {cmd::EditCopy, cmd::EditCopy, "Edit", "&Copy\tCtrl+C", &V::OnCopy, &V::OnUpdateRuleC},
        {cmd::EditShallowCopy, cmd::EditShallowCopy, "Edit", "Shallo&w Copy\tCtrl+W", &V::OnCopy,
         &V::OnUpdateRuleC},
        {cmd::EditPaste, cmd::EditPaste, "Edit", "&Paste\tCtrl+V", &V::OnPaste, &V::OnUpdateRuleP},
        {cmd::EditDelete, cmd::EditDelete, "Edit", "&Delete\tDel", &V::OnDelete, &V::OnUpdateRuleD},
        {cmd::EditProperties, cmd::EditProperties, "Edit", "Pr&operties...\tCtrl+I",
         &V::OnProperties, nullptr},
        {cmd::BringToFront, cmd::BringToFront, "Arrange", "&Bring To Front", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::SendToBack, cmd::SendToBack, "Arrange", "&Send To Back", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::FlipHorizontal, cmd::FlipHorizontal, "Arrange", "Flip &Horizontal", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::FlipVertical, cmd::FlipVertical, "Arrange", "Flip &Vertical", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::RotateRight, cmd::RotateRight, "Arrange", "Rotate &Right", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::RotateLeft, cmd::RotateLeft, "Arrange", "Rotate &Left", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::GroupAsPrimitive, cmd::GroupAsPrimitive, "Arrange", "Group  As Pri&mitive\tCtrl+G",
         &V::Arrange, &V::OnUpdateGroupAsPrimitive},
        {cmd::GroupAsPlace, cmd::GroupAsPlace, "Arrange", "Group As &Place\tCtrl+H", &V::Arrange,
         &V::OnUpdateGroupAsPlace},
        {cmd::Ungroup, cmd::Ungroup, "Arrange", "&Ungroup\tCtrl+U", &V::Arrange, &V::OnUpdateRuleU},
        {cmd::Reposition, cmd::Reposition, "Arrange", "R&eposition...\tCtrl+J", &V::Arrange,
         &V::OnUpdateRuleS},
        {cmd::AutoSize, cmd::AutoSize, "Arrange", "Auto Siz&e\tCtrl+E", &V::Arrange,
         &V::OnUpdateRuleS},
        // Commands of the frame's menus and tool bars the view carries out.
        {cmd::EditSelectAll, cmd::EditSelectAll, nullptr, nullptr, &V::OnSelectAll,
         &V::OnUpdateSelectAll},
        {cmd::SelectExplodes, cmd::SelectExplodes, nullptr, nullptr, &V::OnSelectAll,
         &V::OnUpdateSelectAll},
        {cmd::NormalSize, cmd::NormalSize, nullptr, nullptr, &V::OnZoom, &V::OnUpdateHasModel},
        {cmd::ZoomIn, cmd::ZoomIn, nullptr, nullptr, &V::OnZoom, &V::OnUpdateHasModel},
        {cmd::ZoomOut, cmd::ZoomOut, nullptr, nullptr, &V::OnZoom, &V::OnUpdateHasModel},
        {cmd::ZoomInButton, cmd::ZoomInButton, nullptr, nullptr, &V::OnZoom, &V::OnUpdateHasModel},
        {cmd::ZoomOutButton, cmd::ZoomOutButton, nullptr, nullptr, &V::OnZoom,
         &V::OnUpdateHasModel},
        {cmd::PanToSelected, cmd::PanToSelected, nullptr, nullptr, &V::OnPanToSelected,
         &V::OnUpdateRuleS},
        {cmd::Refresh, cmd::Refresh, nullptr, nullptr, &V::OnRefresh, nullptr},
        // The operations of the "Call..." menu, always enabled.
        {cmd::FirstCallOperation, cmd::LastCallOperation, nullptr, nullptr, &V::OnOperationLabel,
         nullptr},
        // The pop-up menu.
        {cmd::PopupNewModel, cmd::PopupNewModel, "", "New Model...", nullptr, nullptr},
        {kSeparatorRow, 0, "", "", nullptr, nullptr},
        {cmd::PopupCut, cmd::PopupCut, "", "Cut", &V::OnCut, &V::OnUpdateRuleD},
        {cmd::PopupCopy, cmd::PopupCopy, "", "Copy", &V::OnCopy, &V::OnUpdateRuleC},
        {cmd::PopupShallowCopy, cmd::PopupShallowCopy, "", "Shallow Copy", &V::OnCopy,
         &V::OnUpdateRuleC},
        {cmd::PopupPaste, cmd::PopupPaste, "", "Paste", &V::OnPaste, &V::OnUpdateRuleP},
        {cmd::PopupDelete, cmd::PopupDelete, "", "Delete", &V::OnDelete, &V::OnUpdateRuleD},
        {kSeparatorRow, 0, "", "", nullptr, nullptr},
        {cmd::PopupProperties, cmd::PopupProperties, "", "Properties...", &V::OnProperties,
         nullptr},
        {cmd::PopupCall, cmd::PopupCall, "", "Call...", &V::OnPopupCall, &V::OnUpdateCall},
        {kSeparatorRow, 0, "", "", nullptr, nullptr},
        {cmd::PopupExplode, cmd::PopupExplode, "", "Explode...", nullptr, &V::OnUpdateExplode},
        {cmd::PopupSubmodel, cmd::PopupSubmodel, "", "Submodel", nullptr, &V::OnUpdateSubmodel},
        {cmd::PopupImplode, cmd::PopupImplode, "", "Implode", nullptr, &V::OnUpdateImplode},
        {cmd::PopupBreakExplode, cmd::PopupBreakExplode, "", "Break Explode Link", nullptr,
         &V::OnUpdateSubmodel},
    };
};

std::span<const CommandRow<TContent>> TContent::CommandTable() {
    return ViewCommandRows::rows;
}

std::vector<CommandEntry> TContent::MenuRows() {
    return MenuEntries(CommandTable());
}

bool TContent::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

bool TContent::OnCommand(int id) {
    const CommandRow<TContent>* row = FindCommandRow(CommandTable(), id);
    CommandState state;
    if (row == nullptr || !OnUpdateCommand(id, state))
        return false;
    // A command whose rule disables it does nothing, however it arrives.
    if (!state.enabled)
        return true;
    // The frame carries out the model commands the view only rules on.
    if (row->handler == nullptr)
        return false;
    try {
        (this->*row->handler)(id);
    } catch (const CKestException& e) {
        MessageBox(e.Message(), PromptIcon::Exclamation, PromptButtons::Ok);
    } catch (const CIgnoreException&) {
        // Already shown.
    }
    return true;
}

// ---- update rules ----

void TContent::OnUpdateRuleD(int, CommandState& state) {
    state.enabled = RuleD();
}

void TContent::OnUpdateRuleC(int, CommandState& state) {
    state.enabled = RuleC();
}

void TContent::OnUpdateRuleP(int, CommandState& state) {
    state.enabled = RuleP();
}

void TContent::OnUpdateRuleS(int, CommandState& state) {
    state.enabled = RuleS();
}

void TContent::OnUpdateRuleU(int, CommandState& state) {
    state.enabled = RuleU();
}

void TContent::OnUpdateGroupAsPrimitive(int, CommandState& state) {
    const Model* model = CurrentModel();
    state.enabled = model != nullptr && model->Selection().size() > 1;
}

void TContent::OnUpdateGroupAsPlace(int, CommandState& state) {
    const Model* model = CurrentModel();
    state.enabled = model != nullptr && model->kind != MkTool && !model->Selection().empty();
}

void TContent::OnUpdateSelectAll(int, CommandState& state) {
    // Without a model the edit in sight takes it: the file's text view or
    // the label editor.
    const Model* model = CurrentModel();
    state.enabled = model != nullptr ? !model->Drawables().empty() && !InIconEditing(model)
                                     : (!textView_->isHidden() && textView_->isEnabled()) ||
                                           labelEditor_->isVisible();
}

void TContent::OnUpdateHasModel(int, CommandState& state) {
    state.enabled = CurrentModel() != nullptr;
}

Drawable* TContent::SingleSelected() const {
    const Model* model = CurrentModel();
    return model != nullptr && model->Selection().size() == 1 ? model->Selection().front()
                                                              : nullptr;
}

void TContent::OnUpdateCall(int, CommandState& state) {
    Drawable* single = SingleSelected();
    state.enabled = IsCallLink(AsLink(single)) || (single != nullptr && single->IsFloater());
}

void TContent::OnUpdateExplode(int, CommandState& state) {
    state.enabled = AsPlace(SingleSelected()) != nullptr;
}

void TContent::OnUpdateSubmodel(int, CommandState& state) {
    const auto* place = AsPlace(SingleSelected());
    state.enabled =
        place != nullptr && place->master != nullptr && place->master->submodel != nullptr;
}

void TContent::OnUpdateImplode(int, CommandState& state) {
    const Model* model = CurrentModel();
    state.enabled = model != nullptr && model->parentModel != nullptr;
}

// ---- handlers ----

void TContent::OnDelete(int) {
    InvalidateLogicalRect(DeleteSelection(ChangeKind::Delete));
    viewport()->update();
}

void TContent::OnCut(int) {
    CopyToClipboard(true, false);
}

void TContent::OnCopy(int id) {
    CopyToClipboard(false, id == cmd::EditShallowCopy || id == cmd::PopupShallowCopy);
}

void TContent::OnPaste(int) {
    PasteFromClipboard();
}

void TContent::OnProperties(int) {
    ShowSelectionProperties(true);
}

void TContent::OnSelectAll(int id) {
    if (CurrentModel() == nullptr && !textView_->isHidden())
        textView_->selectAll();
    else if (CurrentModel() == nullptr)
        labelEditor_->selectAll();
    else
        SelectMatching(id == cmd::SelectExplodes);
}

void TContent::OnZoom(int id) {
    const double zoom = CurrentModel()->zoom;
    if (id == cmd::ZoomIn || id == cmd::ZoomInButton)
        SetZoom(ZoomStep(zoom, 1));
    else if (id == cmd::ZoomOut || id == cmd::ZoomOutButton)
        SetZoom(ZoomStep(zoom, -1));
    else
        SetZoom(1.0);
}

void TContent::OnPanToSelected(int) {
    PanToSelection(false);
}

void TContent::OnRefresh(int) {
    viewport()->update();
}

void TContent::Arrange(int id) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    CRect repaint;
    switch (id) {
    case cmd::BringToFront:
        model->ChangeOrder(&document_, repaint, ChangeKind::BringToFront, "Bring to Front");
        break;
    case cmd::SendToBack:
        model->ChangeOrder(&document_, repaint, ChangeKind::SendToBack, "Send to Back");
        break;
    case cmd::FlipHorizontal:
        model->FlipOrRotate(&document_, repaint, 0, ChangeKind::FlipHorizontal, "Flip Horizontal");
        break;
    case cmd::FlipVertical:
        model->FlipOrRotate(&document_, repaint, 1, ChangeKind::FlipVertical, "Flip Vertical");
        break;
    case cmd::RotateRight:
        model->FlipOrRotate(&document_, repaint, 3, ChangeKind::RotateRight, "Rotate Right");
        break;
    case cmd::RotateLeft:
        model->FlipOrRotate(&document_, repaint, 2, ChangeKind::RotateLeft, "Rotate Left");
        break;
    case cmd::GroupAsPrimitive:
        model->Group(&document_, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                     ChangeKind::GroupAsPrimitive, "Group as Primitive");
        break;
    case cmd::GroupAsPlace:
        if (model->kind == MkTool)
            return;
        model->Group(&document_, nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                     ChangeKind::GroupAsPlace, "Group as Place");
        break;
    case cmd::Ungroup:
        model->Ungroup(&document_, repaint,
                       model->Selection().front()->IsPlaceGroup() ? ChangeKind::UngroupPlace
                                                                  : ChangeKind::UngroupPrimitive);
        break;
    case cmd::Reposition: {
        int options = repositionOptions;
        if (!host_.AskRepositionOptions(options))
            return;
        repositionOptions = options;
        model->Reposition(&document_, options, repaint);
        break;
    }
    case cmd::AutoSize:
        model->AutoSize(&document_, repaint);
        break;
    default:
        return;
    }
    OnSelectionChanged();
    viewport()->update();
}

CRect TContent::DeleteSelection(ChangeKind kind) {
    Model* model = CurrentModel();
    if (model == nullptr || IsEditingLabel())
        return {};
    if (InIconEditing(model))
        return ClearIconCell(kind == ChangeKind::Cut);
    host_.HidePropertySheet();
    // An operation under way (a line built point by point, a drag) ends
    // first, undoing what it did so far: left running it would keep a
    // half-made drawable in the model that no record knows.
    CancelOperation();
    CRect repaint;
    // What the journal does not keep is freed here.
    DrawableList left = model->DeleteDrawables(&document_, &repaint, kind, false);
    left.clear();
    dragMode_ = DM_NONE;
    pressed_ = {};
    OnSelectionChanged();
    return repaint;
}

void TContent::BuildContextMenu() {
    delete contextMenu_;
    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName("ViewContextMenu");
    // Each item is enabled and carried out through the frame's routing, which
    // asks this view first.
    for (const CommandRow<TContent>& row : CommandTable()) {
        if (row.menuPath == nullptr || row.menuPath[0] != '\0')
            continue;
        if (row.first == kSeparatorRow) {
            contextMenu_->addSeparator();
            continue;
        }
        QAction* action = contextMenu_->addAction(QString::fromUtf8(row.label));
        const int id = row.first;
        action->setEnabled(host_.RouteUpdate(id, *this).enabled);
        connect(action, &QAction::triggered, this, [this, id] { host_.RouteCommand(id, *this); });
    }
}

} // namespace qm
