// The diagram view's commands: the Edit and Arrange menus, the context menu,
// and the rules that enable them. Most arrange commands hand the selection to
// an editing operation of the model, which records its own journal entry.
#include "editor/TContent.h"

#include "document/CCASEDoc.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/TEdit.h"
#include "editor/ViewCommands.h"
#include "model/Master.h"
#include "platform/Errors.h"
#include "platform/Prompt.h"

#include <QMenu>
#include <QPlainTextEdit>

#include <cmath>
#include <filesystem>

namespace qm {

namespace {

// The reposition options last chosen; Auto Size uses the same value.
int repositionOptions = 0;

bool InIconEditing(const Model* model) {
    const auto* tool = dynamic_cast<const ToolModel*>(model);
    return tool != nullptr && tool->iconEditing;
}

bool ClipboardFileExists() {
    try {
        std::error_code error;
        return std::filesystem::is_regular_file(CCASEDoc::ClipboardFile(), error);
    } catch (const CException&) {
        return false;
    }
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
    return IsEditingLabel() || InIconEditing(model) || ClipboardFileExists();
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

bool TContent::OnUpdateCommand(int id, CommandState& state) {
    Model* model = CurrentModel();
    const size_t selected = model != nullptr ? model->Selection().size() : 0;
    Drawable* single = selected == 1 ? model->Selection().front() : nullptr;
    auto* singlePlace = dynamic_cast<Place*>(single);
    const bool submodel = singlePlace != nullptr && singlePlace->master != nullptr &&
                          singlePlace->master->submodel != nullptr;
    // The operations of the "Call..." menu, always enabled.
    if (id >= PickNoneId && id <= PickLastId) {
        state.enabled = true;
        return true;
    }
    switch (id) {
    case ID_EDIT_DELETE:
    case ID_EDIT_CUT:
    case ID_POPUP_DELETE:
    case ID_POPUP_CUT:
        state.enabled = RuleD();
        return true;
    case ID_EDIT_COPY:
    case ID_EDIT_SHALLOW_COPY:
    case ID_POPUP_COPY:
    case ID_POPUP_SHALLOW_COPY:
        state.enabled = RuleC();
        return true;
    case ID_EDIT_PASTE:
    case ID_POPUP_PASTE:
        state.enabled = RuleP();
        return true;
    case ID_EDIT_PROPERTIES:
    case ID_POPUP_PROPERTIES:
    case ID_POPUP_NEW_MODEL:
    case ID_VIEW_REFRESH:
        state.enabled = true;
        return true;
    case ID_POPUP_CALL: {
        state.enabled =
            IsCallLink(dynamic_cast<Link*>(single)) || (single != nullptr && single->IsFloater());
        return true;
    }
    case ID_POPUP_EXPLODE:
        state.enabled = singlePlace != nullptr;
        return true;
    case ID_POPUP_SUBMODEL:
    case ID_POPUP_BREAK_EXPLODE_LINK:
        state.enabled = submodel;
        return true;
    case ID_POPUP_IMPLODE:
        state.enabled = model != nullptr && model->parentModel != nullptr;
        return true;
    case ID_ARRANGE_BRING_TO_FRONT:
    case ID_ARRANGE_SEND_TO_BACK:
    case ID_ARRANGE_FLIP_HORIZONTAL:
    case ID_ARRANGE_FLIP_VERTICAL:
    case ID_ARRANGE_ROTATE_RIGHT:
    case ID_ARRANGE_ROTATE_LEFT:
    case ID_ARRANGE_REPOSITION:
    case ID_ARRANGE_AUTO_SIZE:
        state.enabled = RuleS();
        return true;
    case ID_ARRANGE_GROUP_AS_PRIMITIVE:
        state.enabled = model != nullptr && selected > 1;
        return true;
    case ID_ARRANGE_GROUP_AS_PLACE:
        state.enabled = model != nullptr && model->kind != MkTool && selected >= 1;
        return true;
    case ID_ARRANGE_UNGROUP:
        state.enabled = RuleU();
        return true;
    case ID_EDIT_SELECT_ALL:
    case ID_EDIT_SELECT_EXPLODES:
        // Without a model the edit in sight takes it: the file's text view
        // or the label editor.
        state.enabled = model != nullptr ? !model->Drawables().empty() && !InIconEditing(model)
                                         : (!textView_->isHidden() && textView_->isEnabled()) ||
                                               labelEditor_->isVisible();
        return true;
    case ID_VIEW_NORMAL_SIZE:
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_ZOOM_IN_BAR:
    case ID_VIEW_ZOOM_OUT_BAR:
        state.enabled = model != nullptr;
        return true;
    case ID_VIEW_PAN_TO_SELECTED:
        state.enabled = RuleS();
        return true;
    default:
        return false;
    }
}

bool TContent::OnCommand(int id) {
    CommandState state;
    if (!OnUpdateCommand(id, state))
        return false;
    // A command whose rule disables it does nothing, however it arrives.
    if (!state.enabled)
        return true;
    Model* model = CurrentModel();
    try {
        switch (id) {
        case ID_EDIT_DELETE:
        case ID_POPUP_DELETE:
            InvalidateLogicalRect(DeleteSelection(ChangeKind::Delete));
            viewport()->update();
            break;
        case ID_EDIT_COPY:
        case ID_POPUP_COPY:
            CopyToClipboard(false, false);
            break;
        case ID_EDIT_SHALLOW_COPY:
        case ID_POPUP_SHALLOW_COPY:
            CopyToClipboard(false, true);
            break;
        case ID_EDIT_CUT:
        case ID_POPUP_CUT:
            CopyToClipboard(true, false);
            break;
        case ID_EDIT_PASTE:
        case ID_POPUP_PASTE:
            PasteFromClipboard();
            break;
        case ID_EDIT_PROPERTIES:
        case ID_POPUP_PROPERTIES:
            ShowSelectionProperties(true);
            break;
        case ID_POPUP_CALL:
            OnPopupCall();
            break;
        case ID_POPUP_NEW_MODEL:
        case ID_POPUP_EXPLODE:
        case ID_POPUP_SUBMODEL:
        case ID_POPUP_IMPLODE:
        case ID_POPUP_BREAK_EXPLODE_LINK:
            host_.RunCommand(id);
            break;
        case ID_EDIT_SELECT_ALL:
        case ID_EDIT_SELECT_EXPLODES:
            if (model == nullptr && !textView_->isHidden())
                textView_->selectAll();
            else if (model == nullptr)
                labelEditor_->selectAll();
            else
                SelectMatching(id == ID_EDIT_SELECT_EXPLODES);
            break;
        case ID_VIEW_NORMAL_SIZE:
            SetZoom(1.0);
            break;
        case ID_VIEW_ZOOM_IN:
        case ID_VIEW_ZOOM_IN_BAR:
            SetZoom(ZoomStep(model->zoom, 1));
            break;
        case ID_VIEW_ZOOM_OUT:
        case ID_VIEW_ZOOM_OUT_BAR:
            SetZoom(ZoomStep(model->zoom, -1));
            break;
        case ID_VIEW_PAN_TO_SELECTED:
            PanToSelection(false);
            break;
        case ID_VIEW_REFRESH:
            viewport()->update();
            break;
        default:
            if (id >= PickNoneId && id <= PickLastId)
                OnOperationLabel(id);
            else
                Arrange(id);
            break;
        }
    } catch (const CKestException& e) {
        MessageBox(e.Message(), PromptIcon::Exclamation, PromptButtons::Ok);
    } catch (const CIgnoreException&) {
        // Already shown.
    }
    return true;
}

void TContent::Arrange(int id) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    CRect repaint;
    switch (id) {
    case ID_ARRANGE_BRING_TO_FRONT:
        model->ChangeOrder(&document_, repaint, ChangeKind::BringToFront, "Bring to Front");
        break;
    case ID_ARRANGE_SEND_TO_BACK:
        model->ChangeOrder(&document_, repaint, ChangeKind::SendToBack, "Send to Back");
        break;
    case ID_ARRANGE_FLIP_HORIZONTAL:
        model->FlipOrRotate(&document_, repaint, 0, ChangeKind::FlipHorizontal, "Flip Horizontal");
        break;
    case ID_ARRANGE_FLIP_VERTICAL:
        model->FlipOrRotate(&document_, repaint, 1, ChangeKind::FlipVertical, "Flip Vertical");
        break;
    case ID_ARRANGE_ROTATE_RIGHT:
        model->FlipOrRotate(&document_, repaint, 3, ChangeKind::RotateRight, "Rotate Right");
        break;
    case ID_ARRANGE_ROTATE_LEFT:
        model->FlipOrRotate(&document_, repaint, 2, ChangeKind::RotateLeft, "Rotate Left");
        break;
    case ID_ARRANGE_GROUP_AS_PRIMITIVE:
        model->Group(&document_, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                     ChangeKind::GroupAsPrimitive, "Group as Primitive");
        break;
    case ID_ARRANGE_GROUP_AS_PLACE:
        if (model->kind == MkTool)
            return;
        model->Group(&document_, nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                     ChangeKind::GroupAsPlace, "Group as Place");
        break;
    case ID_ARRANGE_UNGROUP:
        model->Ungroup(&document_, repaint,
                       model->Selection().front()->IsPlaceGroup() ? ChangeKind::UngroupPlace
                                                                  : ChangeKind::UngroupPrimitive);
        break;
    case ID_ARRANGE_REPOSITION: {
        int options = repositionOptions;
        if (!host_.AskRepositionOptions(options))
            return;
        repositionOptions = options;
        model->Reposition(&document_, options, repaint);
        break;
    }
    case ID_ARRANGE_AUTO_SIZE:
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
    for (const CommandEntry& entry : ViewContextMenuTable()) {
        if (entry.id == 0) {
            contextMenu_->addSeparator();
            continue;
        }
        QAction* action = contextMenu_->addAction(QString::fromUtf8(entry.label));
        CommandState state;
        OnUpdateCommand(entry.id, state);
        action->setEnabled(state.enabled);
        const int id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
}

} // namespace qm
