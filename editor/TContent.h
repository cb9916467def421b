// TContent: the diagram view of a project window. A scroll area that paints
// the document's current model through a back buffer, turns mouse and key
// events into selections and into the creation and drag operations of
// editor/operations, and carries out the Edit and Arrange commands. It
// follows the document's events and keeps handles, never model pointers.
#pragma once

#include "document/DocumentEvents.h"
#include "drawables/ZoomScaling.h"
#include "editor/CommandTarget.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/EditOperation.h"
#include "model/ObjectHandle.h"
#include "platform/Geometry.h"

#include <QAbstractScrollArea>

#include <memory>
#include <span>
#include <string>
#include <vector>

class QMenu;
class QPlainTextEdit;

namespace qm {

class CCASEDoc;
class DeviceContext;
class Drawable;
class Link;
class Master;
class EditorHost;
class Model;
class Place;
class TEdit;
class ToolBitmap;
class ToolModel;
struct Looks;

// The cursor shown for a number (the images live in the resource file).
QCursor ViewCursorShape(int cursor);

class TContent : public QAbstractScrollArea,
                 public CommandTarget,
                 public DocumentObserver,
                 private OperationView {
  public:
    // The lowest and highest zoom the view accepts.
    static constexpr double kMinZoom = 0.2;
    static constexpr double kMaxZoom = 4.0;

    TContent(CCASEDoc& document, EditorHost& host, QWidget* parent = nullptr);
    ~TContent() override;

    CCASEDoc& Document() { return document_; }
    Model* CurrentModel() const;

    // ---- CommandTarget ----
    // A command whose rule disables it is taken and does nothing; a model
    // command of the pop-up menu is ruled on here and left to the frame.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    // The view's rows: its Edit and Arrange menu rows, the frame's commands
    // it carries out, and its pop-up menu.
    static std::span<const CommandRow<TContent>> CommandTable();
    // The rows of the frame's menus the view places (Edit and Arrange).
    static std::vector<CommandEntry> MenuRows();

    // ---- view services ----
    // Makes model current (null: none); false when refused.
    bool ShowModel(Model* model);
    // Accepts 0.2 to 4.0 inclusive; anything else is ignored.
    void SetZoom(double zoom);
    // The zoom one step of 0.1 up (direction 1) or down (-1) from zoom, kept
    // to one decimal so that repeated steps land on 0.2 and 4.0 exactly.
    // Every Zoom In and Zoom Out (menu, tool bar, keys) steps through it.
    static double ZoomStep(double zoom, int direction);
    void UpdateScrollSizes(bool redraw);
    // Repaints a view rectangle (model coordinates times the zoom).
    void InvalidateLogicalRect(const CRect& viewRect);
    // Repaints a model rectangle, inflated by the repaint margin.
    void InvalidateModelRect(const CRect& rect) override;
    // Ends the current in-place edit and, with a drawable, starts one on it.
    void EditLabel(Drawable* drawable);
    bool IsEditingLabel() const { return !labelEdited_.IsEmpty(); }
    TEdit* LabelEditor() const { return labelEditor_; }
    // Rounds p to the snap size when snapping is on.
    CPoint SnapToGrid(CPoint p) const;
    // Scrolls forward towards view point (x, y); returns the offset applied.
    CSize AutoScrollTo(int x, int y);
    // Reacts to a changed object (codes of DiagramView::NotifyChange).
    void NotifyChange(int code, ModelObject* object, bool suppress);
    // Asks, through the host, to add the operation that text calls to master
    // or a class nested in it, when none of them has one of that name (not
    // for a link that is no call link, nor with the offer switched off); an
    // added method is recorded as "Property Changes".
    void OfferAddMethod(Link* link, const std::string& text, Master* master);
    void ShowSelectionProperties(bool activate);
    void PanToSelection(bool force);
    // Applies the fields of looks that mask marks to the selection, recorded
    // as "Looks Change". Nothing in icon editing or without a selection.
    // placesAndLinksOnly leaves the selected primitives as they are.
    void LooksChange(const Looks& mask, const Looks& looks, bool placesAndLinksOnly = false);
    // Restyles every link of the current model (recorded by the model).
    void SetLinksStyle(uint32_t style);
    // Switches the current tool model between design and icon editing;
    // false when there is no tool model or it does not switch.
    bool SetIconEditing(bool on);
    // The zoom animation of entering or leaving a submodel. With submodel
    // (leaving it), place becomes the first place of submodel's parent
    // master in its parent model, at that model's zoom; otherwise place (or,
    // when null, a 70 x 50 rectangle at the client area's centre) is taken at
    // the current zoom. Outlines run between that rectangle and the client
    // area, growing without submodel, shrinking with one. Nothing is drawn
    // while the view is hidden. Returns place.
    Drawable* AnimateZoom(Drawable* place, Model* submodel);
    // The pause between the animation's frames (10 ms by default, none on
    // the offscreen platform).
    void SetAnimationPause(AnimationPause pause) { animationPause_ = std::move(pause); }
    // The outlines drawn so far by a running zoom animation, client
    // coordinates; empty when none runs.
    const std::vector<CRect>& ZoomFrames() const { return zoomFrames_; }
    // Switches the renumber-messages mode of the current model (a custom or
    // collaboration model): deselects all, the model toggles the mode (which
    // begins or records the journal change) and the view repaints.
    void ToggleRenumberMessages();
    // Leaves the renumber-messages mode when the current model is in it,
    // recording what was renumbered; the selection is kept.
    void EndRenumberMessages();
    bool IsRenumbering() const;
    // Shows a project file read-only in place of the diagram (empty: none).
    void ShowFile(const std::string& path);
    const std::string& ShownFile() const { return shownFile_; }

    // Drops a place of master at a client point of the view (a master
    // dragged from the lister); false without a current model.
    bool DropMasterAt(Master& master, QPoint client);

    // ---- selection services ----
    // How SelectDrawable changes the selection.
    enum class SelectMode : int {
        Remove = 0, // drawable leaves the selection
        Add = 1,    // drawable joins the selection
        Alone = 3,  // the others leave and drawable is selected alone
    };
    // Changes drawable's selection by mode; true when it changed.
    bool SelectDrawable(Drawable* drawable, SelectMode mode);
    void SelectList(const std::vector<Drawable*>& list);
    void SelectMatching(bool explodesOnly);
    void DeselectAll();
    void OnSelectionChanged();

    // ---- the repaint accumulator ----
    void BeginRepaint(const CRect& rect);
    void AccumulateRepaint(const CRect& rect);
    void EndRepaint(const CRect& rect);

    // ---- commands ----
    CRect DeleteSelection(ChangeKind kind);
    void CopyToClipboard(bool cut, bool shallow);
    void PasteFromClipboard();
    // The picture of the selection (or, with all, of every drawable) at zoom
    // 1.0 as SVG text and as an image, both the size of its bounds.
    QByteArray SelectionAsSvg(bool all) const;
    QImage SelectionAsImage(bool all) const;

    // ---- state for the frame and tests ----
    int Mode() const { return dragMode_; }
    int CursorShown() const { return cursor_; }
    QMenu* ContextMenu() const { return contextMenu_; }
    // The view point of client point p (adds the scroll position).
    CPoint ViewPoint(QPoint p) const;
    CPoint ModelPoint(QPoint p) const;
    CPoint ScrollPosition() const;
    // The process-wide back buffer's size (it only grows).
    static QSize BackBufferSize();
    // The client area the last paint covered.
    QRect LastPainted() const { return lastPainted_; }

    // ---- DocumentObserver ----
    void ModelsChanged(ModelsChange change, const std::vector<Model*>& models) override;
    void DrawablesChanged(Model& model, const CRect& area) override;
    void ObjectsRemoved(const std::vector<Guid>& ids) override;
    void SelectionChanged(Model& model) override;
    void CurrentModelChanged(Model* model) override;
    void ReplayShows(Model& model, const std::vector<Drawable*>& select) override;
    void ReplayComing() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    // ---- the mouse state machine ----
    void OnLButtonDown(uint32_t flags, QPoint client);
    void OnMouseMove(uint32_t flags, QPoint client);
    void OnLButtonUp(uint32_t flags, QPoint client);
    void OnLButtonDblClk(uint32_t flags, QPoint client);
    void OnRButtonDown(QPoint client);
    void ClickSelect(uint32_t flags, const PointerEvent& press);
    bool KeyNudge(int key, int repeat, uint32_t flags);
    int CursorFeedback(uint32_t flags, QPoint client, Drawable* drawable, int part) const;
    void HoverText(Drawable* drawable, int part);
    PointerEvent HitAt(QPoint client, uint32_t flags, bool excludePressed) const;
    // The one place where the view calls into an operation: begins, tracks
    // or ends the operation of the current mode.
    // A call menu the phase asked for pops up after it.
    void RunOperation(OperationPhase phase, const PointerEvent& event, bool pointByPoint = false);
    void RunPhase(OperationPhase phase, const PointerEvent& event, bool pointByPoint);
    // Cancels the operation under way, if any, and leaves the mouse mode.
    void CancelOperation();
    // The context of the operation under way, filled afresh for a call.
    OperationContext& Context(uint32_t flags);
    // A context of its own for an edit outside the operation (a key, a menu
    // pick, a change notice), which leaves the operation's untouched.
    OperationContext EditContext(uint32_t flags = 0);
    void SetKnobsInverted(bool inverted);
    void ShowCursor(int cursor);

    // ---- painting ----
    void DrawBackground(DeviceContext& dc, const CRect& clip, Model* model) const;
    void DrawKnobs(DeviceContext& dc, Model& model) const;
    QRect ClientRectOfModel(const CRect& rect) const;

    // ---- commands ----
    friend struct ViewCommandRows;
    bool RuleD() const;
    bool RuleC() const;
    bool RuleP() const;
    bool RuleS() const;
    bool RuleU() const;
    // The one selected drawable, else null.
    Drawable* SingleSelected() const;
    void OnUpdateRuleD(int id, CommandState& state);
    void OnUpdateRuleC(int id, CommandState& state);
    void OnUpdateRuleP(int id, CommandState& state);
    void OnUpdateRuleS(int id, CommandState& state);
    void OnUpdateRuleU(int id, CommandState& state);
    void OnUpdateGroupAsPrimitive(int id, CommandState& state);
    void OnUpdateGroupAsPlace(int id, CommandState& state);
    void OnUpdateSelectAll(int id, CommandState& state);
    void OnUpdateHasModel(int id, CommandState& state);
    void OnUpdateCall(int id, CommandState& state);
    void OnUpdateExplode(int id, CommandState& state);
    void OnUpdateSubmodel(int id, CommandState& state);
    void OnUpdateImplode(int id, CommandState& state);
    void OnDelete(int id);
    void OnCut(int id);
    void OnCopy(int id);
    void OnPaste(int id);
    void OnProperties(int id);
    void OnSelectAll(int id);
    void OnZoom(int id);
    void OnPanToSelected(int id);
    void OnRefresh(int id);
    void Arrange(int id);
    void NudgeSelection(int dx, int dy);
    void SwapLane(bool left);
    void BuildContextMenu();
    // "Call...": the operation menu of the selected call link's target class,
    // or of the class a selected message calls, at the label's centre.
    void OnPopupCall(int id);
    // Operation label commands: the label of the one selected call link or
    // message becomes the operation numbered id - PickNoneId of the class it
    // calls (a message keeps its number in front), as one "Text Edit".
    void OnOperationLabel(int id);
    // ---- icon editing (the current model a tool whose icon is edited) ----
    // The tool whose icon is edited and, through strip, its icon strip;
    // null when not icon editing or the tool's cell lies outside the strip.
    ToolModel* IconEditedTool(ToolBitmap** strip) const;
    void RecordIconChange(ToolModel& tool, const char* name);
    // Paints over the tool's cell, recorded as "Icon Cut" or "Icon Delete";
    // returns the area to repaint.
    CRect ClearIconCell(bool cut);
    void CopyIcon(bool cut);
    // False when the clipboard holds no icon of the private layout.
    bool PasteIcon();

    // ---- OperationView ----
    CSize AutoScroll(CPoint target) override;
    void SetCursor(int resource) override { ShowCursor(resource); }
    void SelectionChanged() override { OnSelectionChanged(); }
    void ShowSelectionProperties() override { ShowSelectionProperties(true); }
    // A new message or message link asks for its call menu: it pops up once
    // the operation's step is recorded, so that the operation chosen is its
    // own "Text Edit" after it.
    void PopupCall() override { callMenuPending_ = true; }

    ObjectHandle Handle(const ModelObject* object) const;

    CCASEDoc& document_;
    EditorHost& host_;
    int16_t dragMode_ = DM_NONE;
    ObjectHandle pressed_;
    int pressedPart_ = 0;
    int knobIndex_ = -1;
    CPoint lastPoint_;
    CPoint pressPoint_;
    CPoint pressRaw_;
    QPoint pressClient_;
    bool dragBegun_ = false;
    bool scrollSizesPending_ = true;
    bool knobsInverted_ = false;
    bool accumulating_ = false;
    bool skipNextClick_ = false;
    // True while a phase of the operation runs: what it removes itself does
    // not end it.
    bool inOperation_ = false;
    // The call menu of the new selection is to pop up when the operation's
    // phase returns.
    bool callMenuPending_ = false;
    CRect repaintRect_;
    CRect dragRect_;
    std::unique_ptr<EditOperation> operation_;
    OperationContext context_;
    // The distance outside the client area of the mouse move being handled.
    CSize autoScroll_;
    TEdit* labelEditor_ = nullptr;
    ObjectHandle labelEdited_;
    QPlainTextEdit* textView_ = nullptr;
    std::string shownFile_;
    QMenu* contextMenu_ = nullptr;
    int cursor_ = CurArrow;
    QRect lastPainted_;
    AnimationPause animationPause_ = SleepMilliseconds;
    std::vector<CRect> zoomFrames_;
    // What the model's editing operations ask of this view, attached to the
    // document's views while the view lives.
    class DocumentSeam;
    std::unique_ptr<DocumentSeam> seam_;
};

} // namespace qm
