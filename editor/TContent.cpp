// The diagram view: its state machine over the mouse and keyboard, the
// selection services and the view services (zoom, scroll sizes, repaints,
// in-place label editing, change notices). Painting is in TContentPaint.cpp,
// the commands in TContentCommands.cpp.
//
// Design: every press hit-tests the current model and either selects (the
// pointer tool) or starts an operation object of editor/operations; moves and
// the release drive that object through RunOperation, the one place the view
// calls into an operation. A drag begins only at the first move that leaves
// both the snapped press point and the platform's drag distance, so a press
// that wobbles a pixel moves nothing. The view keeps handles of the drawables
// it remembers between events, so an undo that re-creates them never leaves
// it holding a stale address.
#include "editor/TContent.h"

#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/DiagramView.h"
#include "drawables/DrawableKinds.h"
#include "drawables/Junction.h"
#include "drawables/LabelText.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "editor/EditorHost.h"
#include "editor/TEdit.h"
#include "editor/operations/CreationTools.h"
#include "editor/operations/CursorRules.h"
#include "editor/operations/OperationSupport.h"
#include "editor/operations/ViewEdits.h"
#include "model/CommandIds.h"
#include "model/Master.h"
#include "model/Members.h"
#include "model/OperationMenu.h"
#include "platform/PainterDC.h"
#include "platform/Prompt.h"
#include "platform/RecordingDC.h"
#include "platform/TextHelpers.h"
#include "platform/UserSettings.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

namespace qm {

namespace {

// The last mouse position given to any view (one for the process).
QPoint lastMouse(-1, -1);

uint32_t FlagsOf(Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

} // namespace

// This view's side of the document's views: a device context to measure
// with, repaints and change notices for the model's editing operations.
class TContent::DocumentSeam : public DiagramView {
  public:
    explicit DocumentSeam(TContent& view) : view_(view) {}
    DeviceContext* BorrowDC(ModelDocument*) override {
        lent_.push_back(std::make_unique<ImageDC>(1, 1));
        return lent_.back().get();
    }
    void ReleaseDC(ModelDocument*, DeviceContext* dc) override {
        std::erase_if(lent_, [dc](const auto& own) { return own.get() == dc; });
    }
    void InvalidateView(ModelDocument*) override { view_.viewport()->update(); }
    void NotifyChange(ModelDocument*, int code, ModelObject* object) override {
        view_.NotifyChange(code, object, false);
    }
    void EndRenumberMessages(ModelDocument*) override { view_.EndRenumberMessages(); }

  private:
    TContent& view_;
    std::vector<std::unique_ptr<ImageDC>> lent_;
};

TContent::TContent(CCASEDoc& document, EditorHost& host, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), host_(host) {
    setObjectName("TContent");
    setAccessibleName("Diagram");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    if (host_.CurrentTool() == 0)
        host_.SetCurrentTool(TkPointer);
    // Where nothing is shown on a screen, the zoom animation does not wait.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        animationPause_ = [](int) {};
    // The label editor and the text view are children of the viewport, so
    // that they lie over the diagram.
    labelEditor_ = new TEdit(1, viewport());
    textView_ = new QPlainTextEdit(viewport());
    textView_->setObjectName("TextView");
    textView_->setAccessibleName("File");
    textView_->setReadOnly(true);
    textView_->setTabStopDistance(4 * textView_->fontMetrics().horizontalAdvance(' ') * 2);
    textView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    textView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textView_->hide();
    document_.Events().AddObserver(this);
    seam_ = std::make_unique<DocumentSeam>(*this);
    document_.AttachedViews().Attach(seam_.get());
    if (document_.CurrentModel() == nullptr && document_.ModelCount() > 0)
        document_.SetCurrentModel(document_.GetModelAt(0));
    UpdateScrollSizes(false);
}

TContent::~TContent() {
    if (operation_)
        operation_->Cancel(Context(0));
    document_.AttachedViews().Detach(seam_.get());
    document_.Events().RemoveObserver(this);
    NotationTemplate* notation = document_.Template();
    if (notation != nullptr && notation->editingDocument == static_cast<ModelDocument*>(&document_))
        notation->editingDocument = nullptr;
}

Model* TContent::CurrentModel() const {
    return document_.CurrentModel();
}

ObjectHandle TContent::Handle(const ModelObject* object) const {
    if (object == nullptr)
        return {};
    return ObjectHandle(object, &document_.IdMap());
}

CPoint TContent::ScrollPosition() const {
    return CPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

CPoint TContent::ViewPoint(QPoint p) const {
    const CPoint scroll = ScrollPosition();
    return CPoint(p.x() + scroll.x, p.y() + scroll.y);
}

CPoint TContent::ModelPoint(QPoint p) const {
    const CPoint view = ViewPoint(p);
    Model* model = CurrentModel();
    const double zoom = model != nullptr && model->zoom > 0 ? model->zoom : 1.0;
    return CPoint(static_cast<int32_t>(view.x / zoom), static_cast<int32_t>(view.y / zoom));
}

CPoint TContent::SnapToGrid(CPoint p) const {
    if ((Settings().OptionWord() & qm::SnapToGrid) == 0)
        return p;
    const int64_t s = Settings().SnapSize() <= 0 ? 1 : Settings().SnapSize();
    auto snap = [s](int32_t c) { return static_cast<int32_t>((c + s / 2) / s * s); };
    return CPoint(snap(p.x), snap(p.y));
}

OperationContext& TContent::Context(uint32_t flags) {
    context_ = EditContext(flags);
    return context_;
}

OperationContext TContent::EditContext(uint32_t flags) {
    OperationContext context;
    context.document = &document_;
    context.model = CurrentModel();
    context.host = &host_;
    context.view = this;
    context.zoom = context.model != nullptr ? context.model->zoom : 1.0;
    context.snapOn = (Settings().OptionWord() & qm::SnapToGrid) != 0;
    context.snapSize = Settings().SnapSize();
    context.scrollOrigin = ScrollPosition();
    const QPoint origin = viewport()->mapToGlobal(QPoint(0, 0));
    context.clientOnScreen = CPoint(origin.x(), origin.y());
    context.flags = flags;
    return context;
}

PointerEvent TContent::HitAt(QPoint client, uint32_t flags, bool excludePressed) const {
    PointerEvent event;
    event.clientPoint = CPoint(client.x(), client.y());
    event.rawPoint = ModelPoint(client);
    event.point = SnapToGrid(event.rawPoint);
    Model* model = CurrentModel();
    if (model == nullptr)
        return event;
    const Drawable* excluded = nullptr;
    if (excludePressed) {
        auto* pressed = pressed_.As<Drawable>();
        if (pressed != nullptr && (pressed->style & DsScenarioPlace) == 0)
            excluded = pressed;
    }
    event.hit = model->HitTest(host_.CurrentTool(), event.rawPoint.x, event.rawPoint.y, event.part,
                               event.knob, static_cast<int>(flags), excluded);
    if (event.hit == nullptr)
        event.part = 0;
    return event;
}

// ---- the mouse state machine ----

void TContent::mousePressEvent(QMouseEvent* event) {
    const uint32_t flags = FlagsOf(event->modifiers());
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(flags, event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(event->position().toPoint());
}

void TContent::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(FlagsOf(event->modifiers()), event->position().toPoint());
}

void TContent::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonUp(FlagsOf(event->modifiers()), event->position().toPoint());
}

void TContent::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OnLButtonDblClk(FlagsOf(event->modifiers()), event->position().toPoint());
}

void TContent::OnLButtonDown(uint32_t flags, QPoint client) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    setFocus();
    const PointerEvent press = HitAt(client, flags, false);
    knobsInverted_ = false;
    if (dragMode_ != DM_CREATE_POINTS)
        dragMode_ = DM_NONE;
    const int tool = host_.CurrentTool();
    // A press on the label being edited belongs to the editor.
    if (tool == TkPointer && IsEditingLabel() && press.hit != nullptr &&
        press.hit == labelEdited_.Get() && press.part == HpLabel)
        return;
    EditLabel(nullptr);
    pressClient_ = client;
    dragBegun_ = false;
    // While a tool's icon is edited every press paints into the icon.
    if (IconEditedTool(nullptr) != nullptr) {
        operation_ = MakeIconEditOperation(Context(flags));
        if (operation_) {
            dragMode_ = DM_CREATE;
            RunOperation(PhaseBegin, press);
            if (dragMode_ == DM_NONE)
                operation_.reset();
        }
        pressPoint_ = lastPoint_ = press.point;
        return;
    }
    if (tool == TkPointer) {
        ClickSelect(flags, press);
    } else if (dragMode_ != DM_CREATE_POINTS) {
        operation_ = MakeToolOperation(Context(flags), tool, press);
        if (operation_) {
            dragMode_ = DM_CREATE;
            RunOperation(PhaseBegin, press);
        }
        pressPoint_ = lastPoint_ = press.point;
    }
    if (dragMode_ != DM_CREATE_POINTS)
        OnMouseMove(flags, client);
}

void TContent::ClickSelect(uint32_t flags, const PointerEvent& press) {
    if (skipNextClick_) {
        skipNextClick_ = false;
        return;
    }
    Model* model = CurrentModel();
    Drawable* drawable = press.hit;
    const int part = press.part;
    if (IsRenumbering()) {
        auto* custom = static_cast<CustomModel*>(model);
        // Each click numbers the message after the one picked before; with
        // Shift or Ctrl the message only becomes the one to follow.
        if (Floater* floater = AsFloater(drawable)) {
            CRect rect;
            if (custom->PickMessage(floater, (flags & (MK_SHIFT | MK_CONTROL)) != 0, rect))
                InvalidateLogicalRect(rect);
        } else {
            EndRenumberMessages();
        }
        dragMode_ = DM_NONE;
        document_.SetModifiedFlag(true);
        pressed_ = {};
        pressPoint_ = lastPoint_ = press.point;
        pressRaw_ = press.rawPoint;
        return;
    }
    if (drawable != nullptr) {
        Place* place = AsPlace(drawable);
        if ((part & HpSubmodelMarker) != 0 && place != nullptr && place->master != nullptr &&
            place->master->submodel != nullptr) {
            SelectDrawable(drawable, SelectMode::Alone);
            host_.RouteCommand(cmd::PopupExplode, *this);
            return;
        }
        if ((part & HpAttachment) != 0) {
            drawable->OpenAttachment();
            return;
        }
        bool knobDrag = false;
        // A junction is never selected itself: it is the current junction of
        // the place it sits on, which is selected alone.
        Junction* junction = AsJunction(drawable);
        Place* owner = junction != nullptr ? junction->Pivot() : nullptr;
        const bool currentJunction =
            owner != nullptr && owner->IsSelected() && owner->currentJunction == junction;
        if ((flags & MK_SHIFT) != 0) {
            SelectDrawable(drawable, drawable->IsSelected() ? SelectMode::Remove : SelectMode::Add);
            dragMode_ = DM_DRAG_DRAWABLES;
        } else if (!drawable->IsSelected() && !currentJunction) {
            if (junction != nullptr) {
                if (owner != nullptr) {
                    SelectDrawable(owner, SelectMode::Alone);
                    owner->currentJunction = junction;
                    InvalidateModelRect(junction->repaintRect);
                }
            } else {
                SelectDrawable(drawable, SelectMode::Alone);
            }
            if ((part & HpSwimlaneEdge) != 0) {
                dragMode_ = DM_DRAG_KNOB;
                knobIndex_ = press.knob;
                knobDrag = true;
            }
        } else {
            if (place != nullptr && place->currentJunction != nullptr) {
                place->currentJunction = nullptr;
                viewport()->update();
            }
            if ((part & HpLabel) != 0) {
                EditLabel(drawable);
                return;
            }
            if ((part & (HpKnob | HpSwimlaneEdge)) != 0) {
                dragMode_ = DM_DRAG_KNOB;
                knobIndex_ = press.knob;
                knobDrag = true;
            }
        }
        if ((flags & MK_SHIFT) == 0 && !knobDrag) {
            if ((part & (HpCallBox | HpCallBoxTop | HpCallBoxBottom)) != 0)
                dragMode_ = DM_DRAG_CALL_BOX;
            else if ((part & HpJunctionGlyph) != 0)
                dragMode_ = DM_DRAG_JUNCTION;
            else
                dragMode_ = DM_DRAG_DRAWABLES;
        }
        pressed_ = Handle(drawable);
        pressedPart_ = part;
        if (model->SelectionHasStyle(DsImmovable) && part == HpBody)
            dragMode_ = DM_RUBBER_BAND;
        dragRect_ = CRect();
    } else {
        if ((flags & MK_CONTROL) != 0 && model->parentModel != nullptr)
            host_.RouteCommand(cmd::PopupImplode, *this);
        else if ((flags & MK_SHIFT) == 0)
            DeselectAll();
        dragRect_ = CRect(press.point.x, press.point.y, press.point.x, press.point.y);
        pressed_ = {};
        dragMode_ = DM_RUBBER_BAND;
    }
    pressPoint_ = lastPoint_ = press.point;
    pressRaw_ = press.rawPoint;
}

void TContent::RunOperation(OperationPhase phase, const PointerEvent& event, bool pointByPoint) {
    callMenuPending_ = false;
    RunPhase(phase, event, pointByPoint);
    if (callMenuPending_) {
        callMenuPending_ = false;
        OnPopupCall(cmd::PopupCall);
    }
}

void TContent::RunPhase(OperationPhase phase, const PointerEvent& event, bool pointByPoint) {
    if (!operation_)
        return;
    const CRect before = operation_->FeedbackBounds();
    OperationContext& context = Context(context_.flags);
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(inOperation_);
    switch (phase) {
    case PhaseBegin:
        operation_->Begin(context, event);
        break;
    case PhaseTrack:
        operation_->Track(context, event);
        break;
    case PhaseEnd:
    case PhaseEndPoint:
        if (operation_->End(context, event, pointByPoint)) {
            dragMode_ = DM_CREATE_POINTS;
        } else {
            InvalidateModelRect(before);
            operation_.reset();
            return;
        }
        break;
    }
    if (operation_->Mode() != DM_CREATE && dragMode_ != DM_CREATE_POINTS)
        dragMode_ = operation_->Mode();
    InvalidateModelRect(before);
    InvalidateModelRect(operation_->FeedbackBounds());
}

void TContent::OnMouseMove(uint32_t flags, QPoint client) {
    if (client == QPoint(-1, -1))
        client = lastMouse;
    lastMouse = client;
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    const QRect area = viewport()->rect();
    PointerEvent event = HitAt(client, flags, dragMode_ != DM_NONE);
    if (!area.contains(client)) {
        event.autoScroll.cx = client.x() < area.left()    ? client.x() - area.left()
                              : client.x() > area.right() ? client.x() - area.right()
                                                          : 0;
        event.autoScroll.cy = client.y() < area.top()      ? client.y() - area.top()
                              : client.y() > area.bottom() ? client.y() - area.bottom()
                                                           : 0;
    }
    HoverText(event.hit, event.part);
    Context(flags);
    autoScroll_ = event.autoScroll;
    // A drag begins at the first move that leaves the snapped press point and
    // the platform's drag distance.
    const bool moved = event.point != pressPoint_ && (client - pressClient_).manhattanLength() >=
                                                         QApplication::startDragDistance();
    auto dragStep = [&](DragMode mode, bool beginNow, bool hideKnobs) {
        if (!dragBegun_) {
            if (!beginNow)
                return;
            dragBegun_ = true;
            if (hideKnobs)
                SetKnobsInverted(true);
            operation_ = MakeDragOperation(context_, mode, pressed_.As<Drawable>(), knobIndex_,
                                           pressedPart_);
            // The drag starts where the button went down, so that the
            // distance the mouse covered before the threshold counts.
            PointerEvent start = event;
            start.point = pressPoint_;
            start.rawPoint = pressRaw_;
            RunOperation(PhaseBegin, start);
        }
        RunOperation(PhaseTrack, event);
    };
    switch (dragMode_) {
    case DM_NONE:
        break;
    case DM_CREATE:
    case DM_CREATE_POINTS:
        RunOperation(PhaseTrack, event);
        break;
    case DM_DRAG_DRAWABLES:
        if (!moved && !dragBegun_)
            break;
        if (model->SelectionHasStyle(DsImmovable)) {
            dragMode_ = DM_NONE;
            break;
        }
        // The pressed drawable is asked only when the drag begins.
        dragStep(!dragBegun_ && AsLink(pressed_.As<Drawable>()) != nullptr ? DM_BEND_LINK
                                                                           : DM_DRAG_DRAWABLES,
                 true, true);
        break;
    case DM_DRAG_KNOB: {
        // Until the drag begins, a press on a link's added point, a
        // floater's arrow or a junction begins it without a move; once
        // begun, nothing is asked of the pressed drawable.
        bool now = moved || dragBegun_;
        if (!now) {
            auto* pressed = pressed_.As<Drawable>();
            const Link* link = AsLink(pressed);
            now = (link != nullptr && knobIndex_ == int(link->VertexCount())) ||
                  (pressed != nullptr && pressed->IsFloater() && knobIndex_ == 2) ||
                  (pressed != nullptr && pressed->IsJunction());
        }
        dragStep(DM_DRAG_KNOB, now, true);
        break;
    }
    case DM_BEND_LINK:
    case DM_DRAG_LINK:
        SetKnobsInverted(event.point != pressPoint_);
        RunOperation(PhaseTrack, event);
        break;
    case DM_RUBBER_BAND:
        dragStep(DM_RUBBER_BAND, moved, false);
        break;
    case DM_DRAG_CALL_BOX:
    case DM_DRAG_JUNCTION:
        dragStep(static_cast<DragMode>(dragMode_), moved, true);
        break;
    }
    autoScroll_ = CSize();
    if (!area.contains(client))
        ShowCursor(CurArrow);
    else if (dragMode_ == DM_NONE)
        ShowCursor(CursorFeedback(flags, client, event.hit, event.part));
}

void TContent::OnLButtonUp(uint32_t flags, QPoint client) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    const PointerEvent event = HitAt(client, flags, true);
    Context(flags);
    switch (dragMode_) {
    case DM_NONE:
        break;
    case DM_CREATE:
    case DM_CREATE_POINTS: {
        const bool pointByPoint = dragMode_ == DM_CREATE_POINTS && model->kind != MkSequence;
        if (operation_) {
            dragMode_ = DM_NONE;
            RunOperation(pointByPoint ? PhaseEndPoint : PhaseEnd, event, pointByPoint);
        } else {
            dragMode_ = DM_NONE;
        }
        // The icon's painting tools stay chosen from stroke to stroke.
        if ((flags & MK_SHIFT) == 0 && dragMode_ != DM_CREATE_POINTS &&
            IconEditedTool(nullptr) == nullptr)
            host_.SetCurrentTool(TkPointer);
        break;
    }
    default:
        // A press and release without movement ends the operation without
        // beginning it, which changes nothing.
        if (!dragBegun_ && dragMode_ != DM_RUBBER_BAND)
            operation_ = MakeDragOperation(context_, static_cast<DragMode>(dragMode_),
                                           pressed_.As<Drawable>(), knobIndex_, pressedPart_);
        RunOperation(PhaseEnd, event);
        break;
    }
    if (dragMode_ != DM_NONE)
        SetKnobsInverted(false);
    if (dragMode_ != DM_CREATE_POINTS) {
        dragMode_ = DM_NONE;
        operation_.reset();
        dragBegun_ = false;
        OnMouseMove(flags, client);
    }
}

void TContent::OnLButtonDblClk(uint32_t flags, QPoint client) {
    Model* model = CurrentModel();
    if (model == nullptr || dragMode_ == DM_CREATE_POINTS)
        return;
    const PointerEvent event = HitAt(client, flags, false);
    if (event.hit == nullptr)
        return;
    // The label of the current junction (it has no sheet of its own: the
    // selection is its place) is edited in place.
    if (Junction* junction = AsJunction(event.hit);
        junction != nullptr && (event.part & HpLabel) != 0 && junction->Pivot() != nullptr &&
        junction->Pivot()->IsSelected() && junction->Pivot()->currentJunction == junction) {
        EditLabel(junction);
        return;
    }
    if ((flags & MK_CONTROL) == 0) {
        ShowSelectionProperties(true);
        return;
    }
    if (Place* place = AsPlace(event.hit); place != nullptr && place->master)
        host_.RouteCommand(cmd::PopupExplode, *this);
}

void TContent::OnRButtonDown(QPoint client) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    int part = 0;
    int knob = -1;
    const CPoint point = ModelPoint(client);
    Drawable* hit = model->HitTest(TkPointer, point.x, point.y, part, knob, 0, nullptr);
    if (hit != nullptr && !hit->IsSelected())
        SelectDrawable(hit, SelectMode::Alone);
    BuildContextMenu();
    ShowCursor(CurArrow);
    contextMenu_->popup(viewport()->mapToGlobal(client));
}

int TContent::CursorFeedback(uint32_t flags, QPoint client, Drawable* drawable, int part) const {
    const Model* model = CurrentModel();
    CursorQuestion question;
    question.tool = host_.CurrentTool();
    question.flags = flags;
    question.renumbering = IsRenumbering();
    question.canImplode =
        model != nullptr && model->parentModel != nullptr && viewport()->rect().contains(client);
    question.notation = document_.Template();
    return CursorFor(question, drawable, part);
}

void TContent::ShowCursor(int cursor) {
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    viewport()->setCursor(ViewCursorShape(cursor));
}

void TContent::HoverText(Drawable* drawable, int part) {
    if (drawable == nullptr)
        return;
    // The drawable's kind says which class it is, so a hover casts at most
    // once to make sure of it.
    std::string text;
    if (Place* place = AsPlace(drawable)) {
        Master* master = place->master;
        if (master == nullptr) {
            text = "Place Group";
        } else if ((part & HpSubmodelMarker) != 0 && master->submodel != nullptr) {
            auto* submodel = dynamic_cast<Model*>(master->submodel);
            text = "Submodel: " + (submodel != nullptr ? submodel->name : std::string());
        } else if ((part & HpAttachment) != 0) {
            text = "Link-To: " + master->link;
        } else if (auto* tool = dynamic_cast<ToolModel*>(master->tool)) {
            text = tool->name + " (Semantics = " + tool->GetSemanticsName() + ") " +
                   (master->comment.empty() ? tool->comment : master->comment);
        } else {
            text = "Place Group";
        }
    } else if (Link* link = AsLink(drawable)) {
        auto* tool = dynamic_cast<ToolModel*>(link->Tool());
        if ((part & HpAttachment) != 0)
            text = "Link-To: " + link->file;
        else if (tool != nullptr)
            text = tool->name + " (Semantics = " + tool->GetSemanticsName() + ") " +
                   (link->comment.empty() ? tool->comment : link->comment);
    } else if (auto* floater = drawable->IsTag() ? dynamic_cast<Floater*>(drawable) : nullptr) {
        text = (part & HpAttachment) != 0 ? "Link-To: " + floater->attachment : floater->text;
    } else if (drawable->IsPlaceGroup()) {
        text = "Place Group";
    }
    if (!text.empty())
        host_.SetStatusText(text);
}

// ---- the keyboard ----

void TContent::keyPressEvent(QKeyEvent* event) {
    if (!KeyNudge(event->key(), 1, FlagsOf(event->modifiers())))
        QAbstractScrollArea::keyPressEvent(event);
}

void TContent::keyReleaseEvent(QKeyEvent* event) {
    // Shift and Ctrl change the cursor at the last mouse position.
    if (CurrentModel() != nullptr && dragMode_ == DM_NONE)
        OnMouseMove(FlagsOf(event->modifiers()), QPoint(-1, -1));
    QAbstractScrollArea::keyReleaseEvent(event);
}

bool TContent::KeyNudge(int key, int repeat, uint32_t flags) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return true;
    const int step = Settings().SnapSize();
    int dx = 0;
    int dy = 0;
    bool page = false;
    switch (key) {
    case Qt::Key_PageUp:
        dy = -(viewport()->height() - step);
        page = true;
        break;
    case Qt::Key_PageDown:
        dy = viewport()->height() - step;
        page = true;
        break;
    case Qt::Key_Left:
        dx = -step * repeat;
        break;
    case Qt::Key_Right:
        dx = step * repeat;
        break;
    case Qt::Key_Up:
        dy = -step * repeat;
        break;
    case Qt::Key_Down:
        dy = step * repeat;
        break;
    case Qt::Key_Delete:
        if (!IsEditingLabel() && !model->Selection().empty())
            OnCommand(cmd::EditDelete);
        return true;
    default:
        if (dragMode_ == DM_NONE)
            OnMouseMove(flags, QPoint(-1, -1));
        return false;
    }
    // A key that moves drawables ends a mouse operation under way first, as
    // Delete does: the drawable it is building (a link, a line), which no
    // record knows, would otherwise be caught up in the nudge's record.
    if (!page && !model->Selection().empty() && operation_)
        CancelOperation();
    if (page || model->Selection().empty()) {
        const CPoint scroll = ScrollPosition();
        horizontalScrollBar()->setValue(scroll.x + dx);
        verticalScrollBar()->setValue(scroll.y + dy);
        return true;
    }
    if (!model->SelectionHasSwimlane()) {
        NudgeSelection(dx, dy);
        return true;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (model->Selection().size() > 1) {
            MessageBox("To swap a swimlane using left & right arrow keys, select exactly one lane.",
                       PromptIcon::Exclamation, PromptButtons::Ok);
            return true;
        }
        SwapLane(key == Qt::Key_Left);
    }
    return true;
}

void TContent::NudgeSelection(int dx, int dy) {
    InvalidateLogicalRect(qm::NudgeSelection(EditContext(), dx, dy));
}

void TContent::SwapLane(bool left) {
    Model* model = CurrentModel();
    if (auto* lane = dynamic_cast<Swimlane*>(model->Selection().front()))
        InvalidateLogicalRect(qm::SwapLane(EditContext(), *lane, left));
}

void TContent::PanToSelection(bool force) {
    Model* model = CurrentModel();
    if (model == nullptr) {
        MessageBeep();
        return;
    }
    if (model->Selection().empty() && !force)
        return;
    CRect bounds;
    model->GetSelectionBounds(bounds);
    if (bounds.IsRectEmpty())
        return;
    const double zoom = model->zoom;
    const CRect shown(static_cast<int>(bounds.left * zoom), static_cast<int>(bounds.top * zoom),
                      static_cast<int>(bounds.right * zoom),
                      static_cast<int>(bounds.bottom * zoom));
    horizontalScrollBar()->setValue(shown.left + (shown.Width() - viewport()->width()) / 2);
    verticalScrollBar()->setValue(shown.top + (shown.Height() - viewport()->height()) / 2);
}

// ---- selection services ----

bool TContent::DropMasterAt(Master& master, QPoint client) {
    if (CurrentModel() == nullptr)
        return false;
    DropMaster(Context(0), &master, CPoint(client.x(), client.y()));
    return true;
}

bool TContent::SelectDrawable(Drawable* drawable, SelectMode mode) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return false;
    if (mode == SelectMode::Alone)
        model->DeselectAll(nullptr, false);
    const bool changed = model->Select(drawable, mode != SelectMode::Remove, nullptr, false);
    OnSelectionChanged();
    return changed;
}

void TContent::SelectList(const std::vector<Drawable*>& list) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    model->DeselectAll(nullptr, false);
    for (Drawable* drawable : list)
        model->Select(drawable, true, nullptr, false);
    OnSelectionChanged();
}

void TContent::SelectMatching(bool explodesOnly) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    model->SelectMany(nullptr, false, explodesOnly, nullptr, false);
    OnSelectionChanged();
}

void TContent::DeselectAll() {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    model->DeselectAll(nullptr, false);
    OnSelectionChanged();
}

void TContent::OnSelectionChanged() {
    // The other windows hear of the selection through the document's events;
    // this view repaints the knobs when its own event comes back.
    document_.Events().Publish();
    viewport()->update();
    if (Model* model = CurrentModel(); model != nullptr && model->Selection().size() == 1)
        host_.SelectionShown(Handle(model->Selection().front()));
    else
        host_.SelectionShown({});
}

void TContent::SetKnobsInverted(bool inverted) {
    if (knobsInverted_ == inverted || accumulating_)
        return;
    knobsInverted_ = inverted;
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    CRect bounds;
    model->GetSelectionBounds(bounds);
    InvalidateModelRect(bounds);
}

void TContent::BeginRepaint(const CRect& rect) {
    accumulating_ = true;
    repaintRect_ = rect;
    dragRect_ = rect;
}

void TContent::AccumulateRepaint(const CRect& rect) {
    repaintRect_.UnionRect(repaintRect_, rect);
}

void TContent::EndRepaint(const CRect& rect) {
    accumulating_ = false;
    if (lastPoint_ != pressPoint_)
        repaintRect_.UnionRect(repaintRect_, rect);
    CRect area = repaintRect_;
    area.InflateRect(kRepaintMargin, kRepaintMargin);
    Model* model = CurrentModel();
    const double zoom = model != nullptr ? model->zoom : 1.0;
    InvalidateLogicalRect(
        CRect(static_cast<int>(area.left * zoom), static_cast<int>(area.top * zoom),
              static_cast<int>(area.right * zoom), static_cast<int>(area.bottom * zoom)));
}

// ---- view services ----

bool TContent::ShowModel(Model* model) {
    if (model != nullptr && model->kind == MkTool && document_.Template() != nullptr &&
        document_.Template()->editingDocument != nullptr &&
        document_.Template()->editingDocument != static_cast<ModelDocument*>(&document_)) {
        MessageBox("This template is currently being edited in another window",
                   PromptIcon::Exclamation, PromptButtons::Ok);
        return false;
    }
    EndRenumberMessages();
    if (model == CurrentModel() && shownFile_.empty()) {
        OnSelectionChanged();
        return true;
    }
    EditLabel(nullptr);
    if (!shownFile_.empty())
        ShowFile("");
    CancelOperation();
    // Icon editing ends with the tool model that shows it; a tool model shown
    // next takes up the mode the last one was in.
    auto* previousTool = dynamic_cast<ToolModel*>(CurrentModel());
    const bool iconEditing = previousTool != nullptr && previousTool->iconEditing;
    if (iconEditing)
        SetIconEditing(false);
    // While this view shows a tool model, the template is being edited here.
    if (NotationTemplate* notation = document_.Template()) {
        Model* previous = CurrentModel();
        if (previous != nullptr && previous->kind == MkTool &&
            notation->editingDocument == static_cast<ModelDocument*>(&document_))
            notation->editingDocument = nullptr;
        if (model != nullptr && model->kind == MkTool)
            notation->editingDocument = &document_;
    }
    document_.SetCurrentModel(model);
    if (iconEditing && model != nullptr && model->kind == MkTool)
        SetIconEditing(true);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    scrollSizesPending_ = true;
    UpdateScrollSizes(true);
    const int tool = host_.CurrentTool();
    if (document_.Template() != nullptr &&
        (document_.Template()->IsPlaceTool(tool) || document_.Template()->IsLinkTool(tool) ||
         tool == TkMessage))
        host_.SetCurrentTool(TkPointer);
    OnSelectionChanged();
    return true;
}

void TContent::ShowFile(const std::string& path) {
    shownFile_ = path;
    if (path.empty()) {
        textView_->clear();
        textView_->hide();
        UpdateScrollSizes(true);
        return;
    }
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::ReadOnly)) {
        textView_->setPlainText(QString::fromUtf8(file.readAll()));
        host_.SetStatusText("To open a file separately, double-click its icon");
    } else {
        MessageBeep();
        textView_->setPlainText(QString::fromStdString("Can't access file '" + path + "'."));
    }
    textView_->setGeometry(viewport()->rect());
    textView_->show();
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
}

void TContent::SetZoom(double zoom) {
    Model* model = CurrentModel();
    if (model == nullptr || !(zoom >= kMinZoom && zoom <= kMaxZoom))
        return;
    EditLabel(nullptr);
    model->SetZoom(zoom);
    UpdateScrollSizes(true);
    host_.ZoomShown(zoom);
}

void TContent::UpdateScrollSizes(bool redraw) {
    Model* model = CurrentModel();
    if (model != nullptr && shownFile_.empty()) {
        const CSize page = model->GetPageSize(false);
        const QSize client = viewport()->size();
        horizontalScrollBar()->setRange(0, std::max(0, page.cx - client.width()));
        verticalScrollBar()->setRange(0, std::max(0, page.cy - client.height()));
        horizontalScrollBar()->setPageStep(client.width());
        verticalScrollBar()->setPageStep(client.height());
        horizontalScrollBar()->setSingleStep(16);
        verticalScrollBar()->setSingleStep(16);
    }
    if (redraw)
        viewport()->update();
    host_.ViewScrolled(true);
}

QRect TContent::ClientRectOfModel(const CRect& rect) const {
    Model* model = CurrentModel();
    const double zoom = model != nullptr ? model->zoom : 1.0;
    const CPoint scroll = ScrollPosition();
    const int left = static_cast<int>(std::floor(rect.left * zoom)) - scroll.x;
    const int top = static_cast<int>(std::floor(rect.top * zoom)) - scroll.y;
    const int right = static_cast<int>(std::ceil(rect.right * zoom)) - scroll.x;
    const int bottom = static_cast<int>(std::ceil(rect.bottom * zoom)) - scroll.y;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void TContent::InvalidateModelRect(const CRect& rect) {
    if (rect.IsRectEmpty())
        return;
    CRect area = rect;
    area.InflateRect(kRepaintMargin, kRepaintMargin);
    viewport()->update(ClientRectOfModel(area).adjusted(-1, -1, 2, 2));
}

void TContent::InvalidateLogicalRect(const CRect& viewRect) {
    if (CurrentModel() == nullptr || accumulating_ || viewRect.IsRectEmpty())
        return;
    CRect area = viewRect;
    area.NormalizeRect();
    area.InflateRect(kRepaintMargin, kRepaintMargin);
    const CPoint scroll = ScrollPosition();
    viewport()->update(QRect(QPoint(area.left - scroll.x, area.top - scroll.y),
                             QPoint(area.right - scroll.x, area.bottom - scroll.y)));
}

CSize TContent::AutoScroll(CPoint /*target*/) {
    // Operations scroll only while the mouse is outside the client area: by
    // the distance outside that the mouse-move handler measured for the
    // call under way, whatever point they name.
    if (autoScroll_.cx == 0 && autoScroll_.cy == 0)
        return {};
    const CPoint scroll = ScrollPosition();
    return AutoScrollTo(scroll.x + autoScroll_.cx, scroll.y + autoScroll_.cy);
}

CSize TContent::AutoScrollTo(int x, int y) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return {};
    const CPoint scroll = ScrollPosition();
    const CSize page = model->GetPageSize(false);
    int dx = 0;
    int dy = 0;
    if (x > scroll.x)
        dx = std::max(0, std::min(x - scroll.x, page.cx - (scroll.x + viewport()->width())));
    if (y > scroll.y)
        dy = std::max(0, std::min(y - scroll.y, page.cy - (scroll.y + viewport()->height())));
    horizontalScrollBar()->setValue(scroll.x + dx);
    verticalScrollBar()->setValue(scroll.y + dy);
    return CSize(dx, dy);
}

void TContent::EditLabel(Drawable* drawable) {
    Model* model = CurrentModel();
    auto* edited = labelEdited_.As<Drawable>();
    if (drawable != nullptr && drawable == edited)
        return;
    CRect labelRect;
    {
        JournalGroup group(ScopeJournal(document_));
        if (edited != nullptr && model != nullptr) {
            labelRect = edited->labelRect;
            labelEdited_ = {};
            const CPoint scroll = ScrollPosition();
            ModelObject* changed = EditDrawableText(document_, *model, *edited, *labelEditor_,
                                                    scroll.x, scroll.y, model->zoom, false);
            if (changed != nullptr) {
                host_.LabelCommitted();
                if (edited->IsPlace()) {
                    NotifyChange(VcPlace, changed, false);
                    InvalidateModelRect(GrowEditedPlace(EditContext(), *edited));
                } else if (edited->IsLink())
                    NotifyChange(VcLink, edited, false);
                else if (edited->IsFloater())
                    NotifyChange(VcMessage, edited, false);
                else if (edited->IsJunction())
                    NotifyChange(VcJunction, edited, false);
                else
                    NotifyChange(VcOther, edited, false);
            }
        } else {
            labelEdited_ = {};
            labelEditor_->hide();
        }
        if (drawable != nullptr && model != nullptr) {
            CRect rect;
            if (drawable->GetEditableText(rect) != nullptr) {
                const int alignment = drawable->looks.alignment;
                if (alignment != labelEditor_->Alignment()) {
                    labelEditor_->deleteLater();
                    labelEditor_->hide();
                    labelEditor_ = new TEdit(alignment, viewport());
                }
                labelEditor_->SetLooks(drawable->looks, model->zoom);
                const CPoint scroll = ScrollPosition();
                EditDrawableText(document_, *model, *drawable, *labelEditor_, scroll.x, scroll.y,
                                 model->zoom, true);
                labelEdited_ = Handle(drawable);
            }
        }
    }
    InvalidateModelRect(labelRect);
}

void TContent::NotifyChange(int code, ModelObject* object, bool suppress) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    if (code == VcPlace) {
        // Every place of the master lays out its label again and, with
        // automatic sizing, takes the size its text needs.
        auto* master = dynamic_cast<Master*>(object);
        if (master == nullptr)
            return;
        model->MarkAll(0);
        std::vector<Drawable*> top;
        for (const auto& drawable : model->Drawables())
            top.push_back(drawable.get());
        CRect repaint;
        const OperationContext context = EditContext();
        for (Drawable* drawable : top)
            RelayoutPlaces(context, drawable, *master, repaint, suppress);
        InvalidateModelRect(repaint);
        return;
    }
    auto* drawable = dynamic_cast<Drawable*>(object);
    if (drawable == nullptr) {
        viewport()->update();
        return;
    }
    InvalidateModelRect(drawable->repaintRect);
    auto* link = AsLink(drawable);
    CRect repaint;
    if (code == VcLink && link != nullptr) {
        {
            BorrowedDC borrowed(&document_);
            link->MeasureEndLabels(borrowed.dc());
        }
        if (!suppress && link->Tool() != nullptr && (link->Tool()->ToolFlagWord() & 0x2) != 0)
            AutoSizeLabel(EditContext(), *link, "Auto-size Link", repaint);
    } else if (code == VcMessage && drawable->IsFloater() && !suppress) {
        AutoSizeLabel(EditContext(), *drawable, "Auto-size Message", repaint);
    } else if (code == VcJunction && drawable->IsJunction() && !suppress) {
        AutoSizeLabel(EditContext(), *drawable, "Auto-size Junction", repaint);
    }
    InvalidateLogicalRect(repaint);
    InvalidateModelRect(drawable->repaintRect);
    if (suppress)
        return;
    // A named call may name an operation its class lacks.
    if (code == VcLink && link != nullptr &&
        (model->kind == MkSequence || model->kind == MkCollaboration)) {
        OfferAddMethod(link, link->name, link->GetTargetMaster());
    } else if (auto* floater = dynamic_cast<Floater*>(object);
               code == VcMessage && floater != nullptr) {
        if (const Link* carrier = floater->GetLink())
            OfferAddMethod(nullptr, floater->text,
                           (floater->tagFlags & FfReversed) != 0 ? carrier->GetSourceMaster()
                                                                 : carrier->GetTargetMaster());
    }
}

namespace {

// The shared operations menu while the view shows it: its items go to the
// host's pop-up menu, and the command of the item chosen is kept.
class HostOperationMenu : public OperationMenu {
  public:
    explicit HostOperationMenu(EditorHost& host) : host_(host) {}
    void Clear() override {
        items_.clear();
        ids_.clear();
    }
    void Append(int id, const std::string& text) override {
        ids_.push_back(id);
        items_.push_back(text);
    }
    void Track(MenuWindow*, int x, int y) override {
        if (items_.empty())
            return;
        const int chosen = host_.PopupMenu(items_, CPoint(x, y));
        if (chosen >= 0 && static_cast<size_t>(chosen) < ids_.size())
            chosen_ = ids_[static_cast<size_t>(chosen)];
    }
    // The command of the item chosen, 0 when none was.
    int Chosen() const { return chosen_; }

  private:
    EditorHost& host_;
    std::vector<std::string> items_;
    std::vector<int> ids_;
    int chosen_ = 0;
};

} // namespace

void TContent::OnPopupCall(int) {
    Model* model = CurrentModel();
    if (model == nullptr || model->Selection().size() != 1)
        return;
    Drawable* drawable = model->Selection().front();
    // The centre of the label, on the screen.
    const CPoint centre = drawable->labelRect.CenterPoint();
    const CPoint scroll = ScrollPosition();
    const QPoint screen =
        viewport()->mapToGlobal(QPoint(static_cast<int>(centre.x * model->zoom) - scroll.x,
                                       static_cast<int>(centre.y * model->zoom) - scroll.y));
    HostOperationMenu menu(host_);
    {
        ScopedInstall<OperationMenu> shown(&menu);
        // The model only hands the window back to the menu, which does not
        // use it: the view stands in as an opaque handle.
        auto* window = reinterpret_cast<MenuWindow*>(static_cast<QWidget*>(this));
        if (auto* link = AsLink(drawable)) {
            if (link->GetSource() != nullptr && link->GetSource()->IsPlace())
                link->PopupCallMenu(&document_, window, screen.x(), screen.y());
        } else if (auto* floater = dynamic_cast<Floater*>(drawable)) {
            floater->PopupCallMenu(&document_, window, screen.x(), screen.y());
        }
    }
    // The picker only shows the menu: the operation chosen arrives as its
    // command, as it would from any menu.
    if (menu.Chosen() != 0)
        OnCommand(menu.Chosen());
}

void TContent::OnOperationLabel(int id) {
    Model* model = CurrentModel();
    if (model == nullptr || model->Selection().size() != 1)
        return;
    Drawable* drawable = model->Selection().front();
    auto* link = AsLink(drawable);
    auto* floater = AsFloater(drawable);
    Master* master = nullptr;
    if (link != nullptr) {
        master = link->GetTargetMaster();
    } else if (floater != nullptr) {
        if (const Link* carrier = floater->GetLink())
            master = (floater->tagFlags & FfReversed) != 0 ? carrier->GetSourceMaster()
                                                           : carrier->GetTargetMaster();
    } else {
        return;
    }
    CRect rect;
    std::string* text = drawable->GetEditableText(rect);
    if (text == nullptr)
        return;
    std::string label =
        master != nullptr ? master->PickOperation(&document_, nullptr, 0, 0, id - PickNoneId) : "";
    // A numbered message keeps its number in front of the operation; one
    // without a number is not given a number 0.
    if (floater != nullptr && floater->GetNumber() > 0)
        label = RenumberedText(label, floater->GetNumber());
    CRect repaint = drawable->labelRect;
    JournalGroup group(ScopeJournal(document_));
    RecordTextEdit(document_, *model, *drawable, *text, label);
    NotifyChange(link != nullptr ? VcLink : VcMessage, drawable, false);
    repaint.UnionRect(repaint, drawable->labelRect);
    InvalidateModelRect(repaint);
}

void TContent::OfferAddMethod(Link* link, const std::string& text, Master* master) {
    // The click that closed the question is not one on the diagram.
    if (OfferMissingMethod(EditContext(), link, text, master))
        skipNextClick_ = true;
}

void TContent::ShowSelectionProperties(bool activate) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    if (model->Selection().size() != 1) {
        host_.ShowProperties(document_, {}, 0, {}, activate);
        return;
    }
    Drawable* drawable = model->Selection().front();
    int kind = 0;
    ModelObject* target = drawable->GetPropertyTarget(&kind);
    host_.ShowProperties(document_, Handle(target), kind,
                         drawable->IsPlace() ? Handle(drawable) : ObjectHandle(), activate);
}

void TContent::LooksChange(const Looks& mask, const Looks& looks, bool placesAndLinksOnly) {
    Model* model = CurrentModel();
    auto* tool = dynamic_cast<ToolModel*>(model);
    if (model == nullptr || model->Selection().empty() || (tool != nullptr && tool->iconEditing))
        return;
    InvalidateLogicalRect(ChangeSelectionLooks(EditContext(), mask, looks, placesAndLinksOnly));
}

void TContent::SetLinksStyle(uint32_t style) {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    model->ChangeLinksLooks(&document_, style, false);
    viewport()->update();
}

bool TContent::SetIconEditing(bool on) {
    auto* tool = dynamic_cast<ToolModel*>(CurrentModel());
    if (tool == nullptr || tool->SetIconEditing(on) == 0)
        return false;
    UpdateScrollSizes(true);
    return true;
}

namespace {

// Hands each outline of the zoom animation to the view as it is drawn.
class ZoomFrameDC : public RecordingDC {
  public:
    explicit ZoomFrameDC(std::function<void(const CRect&)> show) : show_(std::move(show)) {}
    void FrameRect(const CRect& rect, const LogBrush&) override { show_(rect); }

  private:
    std::function<void(const CRect&)> show_;
};

// The first place of master among the model's drawables, or null.
Drawable* FirstPlaceOf(const Model& model, const Master* master) {
    for (const auto& drawable : model.Drawables())
        if (auto* place = AsPlace(drawable.get());
            place != nullptr && master != nullptr && place->master == master)
            return place;
    return nullptr;
}

} // namespace

Drawable* TContent::AnimateZoom(Drawable* place, Model* submodel) {
    Model* model = CurrentModel();
    double zoom = model != nullptr ? model->zoom : 1.0;
    CPoint scroll = ScrollPosition();
    if (submodel != nullptr) {
        place = nullptr;
        if (Model* parent = submodel->parentModel) {
            place = FirstPlaceOf(*parent, submodel->parentMaster);
            zoom = parent->zoom;
        }
        // The parent model is shown from its origin.
        scroll = CPoint(0, 0);
    }
    if (!isVisible())
        return place;
    const QRect client = viewport()->rect();
    const CRect clientRect(client.left(), client.top(), client.right() + 1, client.bottom() + 1);
    CRect start;
    if (place != nullptr) {
        start = ScaleByZoom(place->bounds, zoom);
        start.OffsetRect(-scroll.x, -scroll.y);
    } else {
        const CPoint centre = clientRect.CenterPoint();
        const int32_t halfWidth = ScaleLengthByZoom(35, zoom);
        const int32_t halfHeight = ScaleLengthByZoom(25, zoom);
        start = CRect(centre.x - halfWidth, centre.y - halfHeight, centre.x + halfWidth,
                      centre.y + halfHeight);
    }
    zoomFrames_.clear();
    ZoomFrameDC dc([this](const CRect& frame) {
        zoomFrames_.push_back(frame);
        viewport()->repaint();
    });
    AnimateZoomRect(dc, start, clientRect, clientRect, submodel == nullptr, animationPause_);
    zoomFrames_.clear();
    viewport()->update();
    return place;
}

bool TContent::IsRenumbering() const {
    // Asked at every move: the model's flag answers first, so only a model
    // renumbering its messages is cast.
    const Model* model = CurrentModel();
    return model != nullptr && (model->modelFlags & MfRenumber) != 0 &&
           dynamic_cast<const CustomModel*>(model) != nullptr;
}

void TContent::ToggleRenumberMessages() {
    auto* custom = dynamic_cast<CustomModel*>(CurrentModel());
    if (custom == nullptr)
        return;
    DeselectAll();
    custom->ToggleRenumberMessages();
    viewport()->update();
    OnMouseMove(0, QPoint(-1, -1));
}

void TContent::EndRenumberMessages() {
    // The selection stays: a change that ends the mode may be about to act
    // on it.
    auto* custom = dynamic_cast<CustomModel*>(CurrentModel());
    if (custom == nullptr || !custom->IsRenumbering())
        return;
    custom->ToggleRenumberMessages();
    viewport()->update();
}

// ---- document events ----

void TContent::ModelsChanged(ModelsChange, const std::vector<Model*>&) {
    UpdateScrollSizes(true);
}

void TContent::DrawablesChanged(Model& model, const CRect& area) {
    if (&model != CurrentModel())
        return;
    InvalidateModelRect(area);
}

void TContent::ObjectsRemoved(const std::vector<Guid>&) {
    // Handles resolve to nothing once their object is gone; a label edit of
    // a removed drawable ends without recording.
    if (!labelEdited_.IsEmpty() && labelEdited_.Get() == nullptr) {
        labelEdited_ = {};
        labelEditor_->hide();
    }
    // An undo or redo under way of a gesture (a key while the button is
    // held, or while a link or line is built point by point) may take away
    // what the operation works on: the operation ends, undoing what it did.
    if (!inOperation_ && (operation_ || (pressed_.Get() == nullptr && !pressed_.IsEmpty())))
        CancelOperation();
}

void TContent::ReplayComing() {
    // Ctrl+Z or Ctrl+Y while the button is held, or while a link or line is
    // built point by point: the gesture ends here, as if abandoned, before
    // the journal replays. Left running, it would go on from what it took at
    // its start (a drag would move its drawables again at the release) over
    // a project the replay has changed.
    if (!inOperation_ && (operation_ || dragMode_ != DM_NONE))
        CancelOperation();
}

void TContent::CancelOperation() {
    // Taken out first: a cancel that puts itself back through the journal
    // replays, and the replay's notice comes back here.
    if (std::unique_ptr<EditOperation> operation = std::move(operation_)) {
        InvalidateModelRect(operation->FeedbackBounds());
        operation->Cancel(Context(0));
    }
    if (dragMode_ != DM_NONE)
        SetKnobsInverted(false);
    dragMode_ = DM_NONE;
    dragBegun_ = false;
    pressed_ = {};
}

void TContent::SelectionChanged(Model& model) {
    if (&model == CurrentModel())
        viewport()->update();
}

void TContent::CurrentModelChanged(Model*) {
    scrollSizesPending_ = true;
    UpdateScrollSizes(true);
}

void TContent::ReplayShows(Model& model, const std::vector<Drawable*>& select) {
    if (&model != CurrentModel())
        return;
    // The replay of an icon edit shows the tool model in icon editing
    // (switching its page to the icon's), whatever mode it was in: the
    // scroll area and the frame's mode follow the model's flag.
    if (const auto* tool = dynamic_cast<const ToolModel*>(&model)) {
        UpdateScrollSizes(false);
        host_.ToolEditingShown(tool->iconEditing);
    }
    if (!select.empty())
        SelectList(select);
    viewport()->update();
}

void TContent::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (!shownFile_.empty())
        textView_->setGeometry(viewport()->rect());
    UpdateScrollSizes(false);
}

void TContent::scrollContentsBy(int, int) {
    if (IsEditingLabel())
        EditLabel(nullptr);
    viewport()->update();
    host_.ViewScrolled(false);
}

} // namespace qm
