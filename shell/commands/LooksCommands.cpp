// The looks commands of a project window: their table, the colour and line
// menus they pop up, and how a chosen value reaches the selection or the
// defaults for new drawables.
#include "shell/commands/LooksCommands.h"

#include "dialogs/font/TFontDialog.h"
#include "dialogs/model/DialogServices.h"
#include "dialogs/model/ModelDialogs.h"
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Model.h"
#include "drawables/ToolModel.h"
#include "editor/TContent.h"
#include "platform/Colors.h"
#include "shell/frames/CChildFrame.h"

#include <QColorDialog>
#include <QCursor>

namespace qm {

namespace {

using Row = CommandRow<LooksCommands>;
using L = LooksCommands;

uint32_t LinkStyleOf(int id) {
    if (id == cmd::StepLinks)
        return MfStepLink;
    return id == cmd::CurveLinks ? uint32_t{MfCurveLink} : 0u;
}

} // namespace

struct LooksCommandRows {
    static constexpr Row rows[] = {
        {cmd::LooksFillColor, cmd::LooksFillColor, "&Looks", "&Fill Color", &L::OnPopup, nullptr},
        {cmd::LooksLineColor, cmd::LooksLineColor, "&Looks", "Line &Color", &L::OnPopup, nullptr},
        {cmd::LooksLineStyle, cmd::LooksLineStyle, "&Looks", "Line &Style", &L::OnPopup, nullptr},
        {cmd::LooksFont, cmd::LooksFont, "&Looks", "Fo&nt...", &L::OnFont, nullptr},
        {kSeparatorRow, 0, "&Looks", "", nullptr, nullptr},
        {cmd::ApplyTemplate, cmd::ApplyTemplate, "&Looks", "Apply &Template\tCtrl+T",
         &L::OnApplyTemplate, &L::OnUpdateApplyTemplate},
        {kSeparatorRow, 0, "&Looks", "", nullptr, nullptr},
        {cmd::NormalLinks, cmd::NormalLinks, "&Looks", "Nor&mal Links", &L::OnLinkStyle,
         &L::OnUpdateLinkStyle},
        {cmd::StepLinks, cmd::StepLinks, "&Looks", "Ste&p Links", &L::OnLinkStyle,
         &L::OnUpdateLinkStyle},
        {cmd::CurveLinks, cmd::CurveLinks, "&Looks", "Cur&ve Links", &L::OnLinkStyle,
         &L::OnUpdateLinkStyle},
        {kSeparatorRow, 0, "&Looks", "", nullptr, nullptr},
        {cmd::Annotation, cmd::Annotation, "&Looks", "&Annotation...", &L::OnAnnotation,
         &L::OnUpdateAnnotation},
        // The pop-up menus' items and the tool bar's colour and font buttons.
        {cmd::FirstColor, cmd::MoreColor, nullptr, nullptr, &L::OnColor, nullptr},
        {cmd::FirstLineKind, cmd::LastLineKind, nullptr, nullptr, &L::OnLineKind, nullptr},
        {cmd::FillColorButton, cmd::OutlinePatternButton, nullptr, nullptr, &L::OnToolBarButton,
         nullptr},
        {cmd::TextFontButton, cmd::TextFontButton, nullptr, nullptr, &L::OnFont, nullptr},
    };
};

LooksCommands::LooksCommands(CChildFrame& frame)
    : frame_(frame),
      fillMenu_(std::make_unique<TColorMenu>()),
      lineColorMenu_(std::make_unique<TColorMenu>()),
      lineMenu_(std::make_unique<TLineMenu>()) {
    defaults_.Init(false, nullptr);
    fillColor_ = defaults_.fillColor;
    lineColor_ = defaults_.lineColor;
    lineKind_ = defaults_.lineKind;
    // A chosen item comes back through the frame, as a menu command does.
    auto route = [this](int id) { frame_.OnCommand(id); };
    fillMenu_->onCommand = route;
    lineColorMenu_->onCommand = route;
    lineMenu_->onCommand = route;
    fillMenu_->SetCurrent(fillColor_, false);
    lineColorMenu_->SetCurrent(lineColor_, false);
    lineMenu_->SetCurrent(lineKind_, false);
}

LooksCommands::~LooksCommands() = default;

std::span<const CommandRow<LooksCommands>> LooksCommands::CommandTable() {
    return LooksCommandRows::rows;
}

bool LooksCommands::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool LooksCommands::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

Model* LooksCommands::CurrentModel() {
    return frame_.Document().CurrentModel();
}

bool LooksCommands::HasSelection() {
    Model* model = CurrentModel();
    return model != nullptr && !model->Selection().empty();
}

const Looks* LooksCommands::SingleSelectionLooks() {
    Model* model = CurrentModel();
    if (model == nullptr || model->Selection().size() != 1)
        return nullptr;
    return &(*model->Selection().begin())->looks;
}

void LooksCommands::ApplyLooks(const Looks& mask, const Looks& looks, bool placesAndLinksOnly) {
    if (TContent* view = frame_.View())
        view->LooksChange(mask, looks, placesAndLinksOnly);
}

// ---- the pop-up menus ----

void LooksCommands::PopupFillColorMenu(QPoint screenPoint) {
    const Looks* single = SingleSelectionLooks();
    fillColor_ = single != nullptr ? single->fillColor : defaults_.fillColor;
    fillMenu_->SetCurrent(fillColor_, false);
    colorMenuKind_ = 0;
    fillMenu_->popup(screenPoint);
}

void LooksCommands::PopupLineColorMenu(QPoint screenPoint) {
    const Looks* single = SingleSelectionLooks();
    lineColor_ = single != nullptr ? single->lineColor : defaults_.lineColor;
    lineColorMenu_->SetCurrent(lineColor_, false);
    colorMenuKind_ = 1;
    lineColorMenu_->popup(screenPoint);
}

void LooksCommands::PopupLineStyleMenu(QPoint screenPoint) {
    const Looks* single = SingleSelectionLooks();
    lineKind_ = single != nullptr ? single->lineKind : defaults_.lineKind;
    lineMenu_->SetCurrent(lineKind_, false);
    lineMenu_->popup(screenPoint);
}

bool LooksCommands::PopupForButton(int id, QPoint screenPoint) {
    if (id == cmd::FillColorButton)
        PopupFillColorMenu(screenPoint);
    else if (id == cmd::OutlineColorButton)
        PopupLineColorMenu(screenPoint);
    else if (id == cmd::OutlinePatternButton)
        PopupLineStyleMenu(screenPoint);
    else
        return false;
    return true;
}

void LooksCommands::OnPopup(int id) {
    const QPoint at = QCursor::pos();
    if (id == cmd::LooksFillColor)
        PopupFillColorMenu(at);
    else if (id == cmd::LooksLineColor)
        PopupLineColorMenu(at);
    else
        PopupLineStyleMenu(at);
}

// ---- values chosen ----

void LooksCommands::OnColor(int id) {
    const bool line = colorMenuKind_ == 1;
    TColorMenu& menu = line ? *lineColorMenu_ : *fillMenu_;
    uint32_t& current = line ? lineColor_ : fillColor_;
    if (id == cmd::MoreColor) {
        // The colour dialog's value is kept as it is: a colour value, not a
        // code. A cancelled dialog leaves the current value.
        const COLORREF shown = ColorFromCode(current);
        QColorDialog dialog(QColor(GetRValue(shown), GetGValue(shown), GetBValue(shown)));
        if (RunModal(dialog) == QDialog::Accepted) {
            const QColor chosen = dialog.selectedColor();
            current = RGB(static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                          static_cast<uint8_t>(chosen.blue()));
        }
    } else {
        current = TColorMenu::IndexOfCommand(id);
    }
    menu.SetCurrent(current, false);
    if (HasSelection()) {
        Looks mask = Looks::EmptyMask();
        Looks looks = defaults_;
        if (line) {
            mask.lineColor = 1;
            looks.lineColor = current;
        } else {
            mask.fillColor = 1;
            looks.fillColor = current;
        }
        ApplyLooks(mask, looks);
        return;
    }
    (line ? defaults_.lineColor : defaults_.fillColor) = current;
    // A link tool being designed takes the line colour as its own.
    auto* tool = dynamic_cast<ToolModel*>(CurrentModel());
    if (line && tool != nullptr && !tool->iconEditing && tool->IsLinkTool() &&
        static_cast<uint32_t>(tool->lineColour) != current) {
        tool->lineColour = static_cast<int32_t>(current);
        frame_.RepaintView(false);
    }
}

void LooksCommands::OnLineKind(int id) {
    lineKind_ = TLineMenu::IndexOfCommand(id);
    lineMenu_->SetCurrent(lineKind_, false);
    if (HasSelection()) {
        Looks mask = Looks::EmptyMask();
        mask.lineKind = 1;
        Looks looks = defaults_;
        looks.lineKind = static_cast<uint8_t>(lineKind_);
        ApplyLooks(mask, looks);
        return;
    }
    defaults_.lineKind = static_cast<uint8_t>(lineKind_);
    auto* tool = dynamic_cast<ToolModel*>(CurrentModel());
    if (tool != nullptr && !tool->iconEditing && tool->IsLinkTool() &&
        tool->lineKind != lineKind_) {
        tool->lineKind = static_cast<uint8_t>(lineKind_);
        frame_.RepaintView(false);
    }
}

void LooksCommands::OnToolBarButton(int id) {
    if (!HasSelection())
        return;
    Looks mask = Looks::EmptyMask();
    Looks looks = defaults_;
    if (id == cmd::FillColorButton) {
        mask.fillColor = 1;
        looks.fillColor = fillColor_;
    } else if (id == cmd::OutlineColorButton) {
        mask.lineColor = 1;
        looks.lineColor = lineColor_;
    } else {
        mask.lineKind = 1;
        looks.lineKind = static_cast<uint8_t>(lineKind_);
    }
    ApplyLooks(mask, looks);
}

// ---- template looks and link styles ----

void LooksCommands::OnApplyTemplate(int) {
    Looks mask;
    mask.face = mask.alignment = mask.style = mask.lineKind = 1;
    mask.height = 1;
    mask.lineColor = mask.fillColor = mask.textColor = 1;
    Looks looks;
    looks.Init(true, nullptr);
    ApplyLooks(mask, looks, true);
}

void LooksCommands::OnUpdateApplyTemplate(int, CommandState& state) {
    Model* model = CurrentModel();
    state.enabled = model != nullptr && IsDiagramKind(model->kind) && !model->Selection().empty();
}

void LooksCommands::OnLinkStyle(int id) {
    if (TContent* view = frame_.View())
        view->SetLinksStyle(LinkStyleOf(id));
}

void LooksCommands::OnUpdateLinkStyle(int id, CommandState& state) {
    Model* model = CurrentModel();
    state.enabled = model != nullptr && IsDiagramKind(model->kind) && model->kind != MkSequence;
    state.radio = true;
    if (model == nullptr)
        return;
    const uint32_t flags = model->modelFlags;
    uint32_t shown = 0;
    if ((flags & MfStepLink) != 0)
        shown = MfStepLink;
    else if ((flags & MfCurveLink) != 0)
        shown = MfCurveLink;
    state.checked = shown == LinkStyleOf(id);
}

// ---- fonts and annotation ----

void LooksCommands::OnFont(int) {
    FontRecord record = FontFaces().DefaultFontRecord();
    if (const Looks* single = SingleSelectionLooks())
        single->ToFont(record);
    TFontDialog dialog(record, &frame_);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    if (!HasSelection()) {
        // The chosen font is the one new drawables are made with from now on.
        FontFaces().SetDefaultFontRecord(dialog.Record());
        defaults_.FromFont(dialog.Record());
        return;
    }
    Looks mask = Looks::EmptyMask();
    mask.face = mask.alignment = mask.style = 1;
    mask.height = 1;
    mask.textColor = 1;
    Looks looks = defaults_;
    looks.FromFont(dialog.Record());
    ApplyLooks(mask, looks);
}

void LooksCommands::OnAnnotation(int) {
    auto* model = dynamic_cast<CustomModel*>(CurrentModel());
    if (model == nullptr || model->IsToolModel())
        return;
    CAnnotationDialog dialog(model->Selection().empty(), &frame_);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    CRect changed;
    model->AnnotateSelection(&frame_.Document(), int(CAnnotationDialog::GetAnnotationWord()),
                             changed);
    if (TContent* view = frame_.View(); view != nullptr && !changed.IsRectEmpty())
        view->InvalidateLogicalRect(changed);
}

void LooksCommands::OnUpdateAnnotation(int, CommandState& state) {
    Model* model = CurrentModel();
    state.enabled = model != nullptr && !model->IsToolModel();
}

} // namespace qm
