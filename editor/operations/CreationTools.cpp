// The creation tools. Each builds its drawable through the model and the
// drawable classes, repaints what changed and records one journal entry when
// it succeeds; a creation that ends without a drawable records nothing.
#include "editor/operations/CreationTools.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/DiagramView.h"
#include "drawables/DrawingTables.h"
#include "drawables/Junction.h"
#include "drawables/LabelText.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/OrthogonalRouting.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "drawables/UiControl.h"
#include "editor/EditorHost.h"
#include "editor/operations/CursorIds.h"
#include "editor/operations/OperationSupport.h"
#include "model/Master.h"
#include "platform/Prompt.h"
#include "platform/UserSettings.h"

#include <string>
#include <vector>

namespace qm {

namespace {

// Model flag: links are drawn orthogonally.
constexpr uint32_t kOrthogonalLinks = 0x4;
// The cursors of the creation tools.
constexpr int kCursorCreate = CurCrossHair;
constexpr int kCursorValidTarget = CurLinkTarget;

bool IsSequence(const Model* model) {
    return model != nullptr && model->kind == MkSequence;
}

// The name text of a tool ("" without one).
std::string ToolNameText(const ToolModel* tool) {
    if (tool == nullptr)
        return "";
    const TextPrimitive* text = tool->FindNameText();
    return text != nullptr ? text->text : "";
}

// The number of the project's masters: a creation that finds it grown made
// its place's master.
size_t MasterCount(const OperationContext& context) {
    return context.document->Masters().Masters().size();
}

// Records the creation of drawable under literal: the drawable, and before
// it the new place's master when the creation made it (masterMade), so that
// undo takes it away again. A master the creation found by its name (one a
// drag from the lister brings, one a deleted place left unused) was there
// before and stays: the records before this one name it.
void RecordCreate(OperationContext& context, Drawable* drawable, const char* literal,
                  bool masterMade = false) {
    UndoJournal& journal = context.document->GetJournal();
    JournalChange change(journal, ChangeKind::Create);
    if (auto* place = dynamic_cast<Place*>(drawable);
        masterMade && place != nullptr && place->master != nullptr)
        journal.AddChangedObject(place->master, nullptr);
    journal.AddChangedObject(drawable, nullptr);
    change.Record(literal, context.model, drawable);
}

// An operation that does all its work at the press.
class OneShot : public OperationBase {
  public:
    OneShot() : OperationBase(DM_NONE) {}
    void Track(OperationContext&, const PointerEvent&) override {}
    bool End(OperationContext&, const PointerEvent&, bool) override { return false; }
    void Cancel(OperationContext&) override {}

  protected:
    // Adds a drawable made in one go to the model, takes it into its
    // group, selects it alone, repaints it and records it under literal.
    static void AddCreated(OperationContext& context, std::unique_ptr<Drawable> made,
                           const char* literal, bool masterMade = false) {
        made->UpdateRepaintRect();
        Drawable* added = context.model->AddDrawable(std::move(made));
        AdoptIntoGroup(context, added);
        SelectAlone(context, added);
        Repaint(context, added->repaintRect);
        RecordCreate(context, added, literal, masterMade);
    }
};

// ---- places ----

// Creates a place of the tool (or of master, when dropped) in rect.
Drawable* CreatePlaceIn(OperationContext& context, Master* master, int tool, const CRect& rect,
                        bool fromDrop) {
    auto* diagram = dynamic_cast<CustomModel*>(context.model);
    if (diagram == nullptr)
        return nullptr;
    std::string name = "?";
    std::string nameSpace;
    if (master != nullptr) {
        name = master->name;
        nameSpace = master->nameSpace;
    } else if (std::string text = ToolNameText(context.document->FindTool(tool)); !text.empty()) {
        name = text;
    }
    const size_t masters = MasterCount(context);
    Drawable* made = diagram->CreatePlaceOfTool(context.document, tool, name, nameSpace, rect,
                                                OptionSet(AnnotatePlaces));
    if (made == nullptr)
        return nullptr;
    if (auto* place = dynamic_cast<Place*>(made)) {
        // A new place is at least as large as its name and members need.
        CRect grown;
        {
            BorrowedDC borrowed(context.document);
            place->ComputeGrownToText(&borrowed.dc(), grown);
        }
        CRect area;
        if (grown != place->bounds)
            context.model->SetDrawableBounds(place, grown, area);
    }
    AdoptIntoGroup(context, made);
    if (auto* place = dynamic_cast<Place*>(made))
        place->Relayout();
    made->UpdateRepaintRect();
    context.model->DeselectAll(nullptr, false);
    context.model->Select(made, true, nullptr, false);
    context.Callbacks().SelectionChanged();
    context.Callbacks().InvalidateModelRect(made->repaintRect);
    if (!fromDrop && !context.Shift()) {
        if (context.host != nullptr)
            context.host->SetCurrentTool(TkPointer);
        if (OptionSet(ShowPropertiesOnCreate))
            context.Callbacks().ShowSelectionProperties();
    }
    RecordCreate(context, made, "Create Place", MasterCount(context) > masters);
    return made;
}

// The tool's default rectangle centred on point (integer halves).
CRect DefaultRectAt(const ToolModel* tool, CPoint point) {
    CRect rect = tool != nullptr ? tool->printFrame : CRect();
    if (rect.IsRectEmpty())
        rect = CRect(0, 0, kPlaceSampleWidth, kPlaceSampleHeight);
    rect.OffsetRect(point.x - rect.Width() / 2, point.y - rect.Height() / 2);
    return rect;
}

class CreatePlace : public OneShot {
  public:
    explicit CreatePlace(int tool) : tool_(tool) {}
    void Begin(OperationContext& context, const PointerEvent& event) override {
        const CRect rect = DefaultRectAt(context.document->FindTool(tool_), event.point);
        CreatePlaceIn(context, nullptr, tool_, rect, false);
    }

  private:
    int tool_;
};

// ---- links ----

class CreateLink : public OperationBase {
  public:
    explicit CreateLink(int tool) : OperationBase(DM_CREATE_POINTS), tool_(tool) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto* node = dynamic_cast<NodeDrawable*>(event.hit);
        if (node == nullptr)
            return;
        Model& model = *context.model;
        model.DeselectAll(nullptr, false);
        context.Callbacks().SelectionChanged();
        const bool sequence = IsSequence(&model);
        orthogonal_ = !sequence && (model.modelFlags & kOrthogonalLinks) != 0;
        auto* group = sequence && node->IsGroup() ? dynamic_cast<PlaceGroup*>(node) : nullptr;
        if (group != nullptr) {
            SetMode(DM_CREATE);
            press_ = group->AnchorPoint(event.point.x, event.point.y);
        } else {
            SetMode(sequence ? DM_CREATE : DM_CREATE_POINTS);
            press_ = orthogonal_ ? event.point : node->bounds.CenterPoint();
        }
        last_ = event.point;
        ToolModel* tool = context.document->FindTool(tool_);
        auto link = std::make_unique<Link>(&context.document->IdMap());
        int style = LinkStyleFromModelFlags(model.modelFlags);
        if (sequence)
            style |= 8;
        link->Connect(tool_, tool, node, node, style);
        const TextPrimitive* nameText = tool != nullptr ? tool->FindNameText() : nullptr;
        Looks looks;
        looks.Init(true, nameText != nullptr ? &nameText->looks : nullptr);
        link->looks = looks;
        std::vector<CPoint> vertices{event.point, event.point};
        if (orthogonal_)
            vertices.push_back(event.point);
        link->SetVertices(vertices);
        link->name = ToolNameText(tool);
        link->UpdateRepaintRect();
        Link* added = static_cast<Link*>(model.AddDrawable(std::move(link)));
        link_ = HandleOf(context, added);
        BeginRepaint(added->repaintRect);
        bend_ = false;
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        Link* link = link_.As<Link>();
        if (link == nullptr)
            return;
        context.Callbacks().AutoScroll(event.point);
        context.Callbacks().SetCursor(ValidTarget(*link, HitBeneath(context, event, link))
                                          ? kCursorValidTarget
                                          : kCursorCreate);
        if (event.point == last_)
            return;
        std::vector<CPoint> vertices = link->Vertices();
        const CPoint p = event.point;
        if (IsSequence(context.model)) {
            vertices.back() = CPoint(p.x, vertices.front().y);
        } else if (!orthogonal_) {
            vertices.back() = p;
        } else if (!bend_) {
            CPoint routed[3];
            const CRect source = link->GetSource() != nullptr ? link->GetSource()->bounds : CRect();
            const int count = RouteOrthogonal(source, press_, p, routed, true);
            vertices.assign(routed, routed + count);
            if (count == 2)
                vertices.push_back(vertices[1]);
        } else {
            const int n = static_cast<int>(vertices.size());
            std::vector<CPoint> path(vertices);
            path.resize(size_t(kMaxLinkVertices));
            const int count = ExtendOrthogonalPath(n - 3 < 0 ? 0 : n - 3, p, path.data(), n);
            if (count >= 2 && count <= kMaxLinkVertices)
                vertices.assign(path.begin(), path.begin() + count);
        }
        const CRect before = link->repaintRect;
        link->SetVertices(vertices);
        link->Reroute(1, false);
        link->UpdateRepaintRect();
        AccumulateRepaint(link->repaintRect);
        CRect area;
        area.UnionRect(before, link->repaintRect);
        Repaint(context, area);
        last_ = p;
    }

    bool End(OperationContext& context, const PointerEvent& event, bool pointByPoint) override {
        Link* link = link_.As<Link>();
        if (link == nullptr) {
            SetMode(DM_NONE);
            return false;
        }
        const bool sequence = IsSequence(context.model);
        Drawable* hit = HitBeneath(context, event, link);
        bool valid = ValidTarget(*link, hit);
        if (valid) {
            ConnectTarget(*link, *hit);
        } else if (!sequence && pointByPoint && link->VertexCount() < kCreationVertexCap) {
            // A bend: the link keeps following the mouse from here.
            if (bend_ || hit != link->GetSource())
                AddBend(*link, event.point);
            last_ = event.point;
            return true;
        } else if (!sequence) {
            Abandon(context);
            return false;
        }
        SetMode(DM_NONE);
        if (!valid && sequence)
            valid = MakeSelfMessage(*link);
        if (!valid) {
            Abandon(context);
            return false;
        }
        AdoptIntoGroup(context, link);
        if (sequence)
            link = PutInTimeOrder(*context.model, link);
        EndRepaint(context, link->repaintRect);
        SelectAlone(context, link);
        UndoJournal& journal = JournalOf(context);
        JournalChange change(journal, ChangeKind::Create);
        if (sequence) {
            journal.SaveLinkEnds(link, 3, false);
            if (auto* diagram = dynamic_cast<SequenceModel*>(context.model)) {
                CRect fitted;
                diagram->FitCallBoxes(*link, 3, fitted);
                Repaint(context, fitted);
            }
            journal.SaveLinkEnds(link, 3, true);
        }
        journal.AddChangedObject(link, nullptr);
        context.Callbacks().PopupCall();
        change.Record("Create Link", context.model, link);
        return false;
    }

    void Cancel(OperationContext& context) override { Abandon(context); }

  private:
    // A new message of a sequence diagram goes before the first message of
    // the model's list that starts lower: the list keeps the messages in the
    // order of time, top to bottom. One adopted by a group stays there.
    static Link* PutInTimeOrder(Model& model, Link* link) {
        if (link->Parent() != nullptr || link->VertexCount() < 1)
            return link;
        const int32_t y = link->Vertices().front().y;
        int32_t index = 0;
        int32_t before = -1;
        // Positions counted without the link itself, as after taking it out.
        for (const auto& drawable : model.Drawables()) {
            if (drawable.get() == link)
                continue;
            const auto* other =
                drawable->IsLink() ? dynamic_cast<const Link*>(drawable.get()) : nullptr;
            if (other != nullptr && other->VertexCount() > 0 && other->Vertices().front().y > y) {
                before = index;
                break;
            }
            ++index;
        }
        if (before < 0)
            return link;
        std::unique_ptr<Drawable> taken = model.TakeDrawable(link);
        if (taken == nullptr)
            return link;
        return static_cast<Link*>(model.InsertDrawable(before, std::move(taken)));
    }

    // A node under the mouse; the link's own source only once the path has
    // bent enough to come back to it.
    bool ValidTarget(const Link& link, const Drawable* hit) const {
        if (hit == nullptr || !hit->IsNode())
            return false;
        if (hit != link.GetSource())
            return true;
        return link.VertexCount() >= (orthogonal_ ? 4 : 3);
    }

    void ConnectTarget(Link& link, Drawable& target) {
        link.SetTarget(&target);
        link.savedTargetBounds = target.bounds;
        if (orthogonal_) {
            std::vector<CPoint> vertices = link.Vertices();
            while (vertices.size() > 2 && target.bounds.PtInRect(vertices[vertices.size() - 2]))
                vertices.pop_back();
            std::vector<CPoint> path(vertices);
            path.resize(size_t(kMaxLinkVertices));
            const int n = static_cast<int>(vertices.size());
            const int count =
                EndOrthogonalPathAtRect(target.bounds, n - 2 < 0 ? 0 : n - 2,
                                        vertices[size_t(n - 2 < 0 ? 0 : n - 2)], path.data(), n);
            if (count >= 2 && count <= kMaxLinkVertices)
                vertices.assign(path.begin(), path.begin() + count);
            link.SetVertices(vertices);
        }
        link.Reroute(3, false);
        link.UpdateRepaintRect();
    }

    void AddBend(Link& link, CPoint point) {
        std::vector<CPoint> vertices = link.Vertices();
        vertices.push_back(point);
        if (orthogonal_ && vertices.size() > 2) {
            size_t n = vertices.size();
            if (vertices[n - 1] == vertices[n - 2]) {
                vertices.pop_back();
                --n;
            }
            std::vector<CPoint> path(vertices);
            path.resize(size_t(kMaxLinkVertices));
            const int from = static_cast<int>(n) - 3 < 0 ? 0 : static_cast<int>(n) - 3;
            const int count = ExtendOrthogonalPath(from, point, path.data(), int(n));
            if (count >= 2 && count <= kMaxLinkVertices)
                vertices.assign(path.begin(), path.begin() + count);
        }
        link.SetVertices(vertices);
        bend_ = true;
    }

    // A message released beside its own life line loops back to it.
    bool MakeSelfMessage(Link& link) {
        auto* source = dynamic_cast<ScenarioPlace*>(link.GetSourcePlace());
        if (source == nullptr || source->IsGroup())
            return false;
        std::vector<CPoint> v = link.Vertices();
        if (v.size() < 2)
            return false;
        v.resize(2);
        if (std::abs(v[1].x - v[0].x) < kSelfMessageLoop) {
            const bool left = v[1].x < v[0].x - 2;
            v[0].x = source->lifeLinePoint.x;
            v[1].x = v[0].x + (left ? -kSelfMessageLoop : kSelfMessageLoop);
            v[1].y = v[0].y;
            last_.x = press_.x + 1;
        }
        v.insert(v.begin() + 2, CPoint(v[1].x, v[1].y + kSelfMessageLoop));
        v.insert(v.begin() + 3, CPoint(v[0].x, v[0].y + kSelfMessageLoop));
        link.SetVertices(v);
        link.SetTarget(source);
        link.Reroute(3, false);
        link.UpdateRepaintRect();
        return true;
    }

    void Abandon(OperationContext& context) {
        SetMode(DM_NONE);
        Link* link = link_.As<Link>();
        link_ = {};
        if (link == nullptr)
            return;
        const CRect area = link->repaintRect;
        Discard(context, link);
        accumulating_ = false;
        Repaint(context, area);
    }

    int tool_;
    ObjectHandle link_;
    bool orthogonal_ = false;
    bool bend_ = false;
};

// ---- tags ----

class CreateTag : public OperationBase {
  public:
    CreateTag() : OperationBase(DM_CREATE) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        if (event.hit == nullptr || !event.hit->IsPlace())
            return;
        press_ = event.hit->bounds.CenterPoint();
        last_ = event.point;
        auto tag = std::make_unique<Tag>(&context.document->IdMap());
        tag->Attach(TkTag, RectAt(event.point), event.hit);
        tag->looks.Init(false, nullptr);
        Drawable* added = context.model->AddDrawable(std::move(tag));
        tag_ = HandleOf(context, added);
        place_ = HandleOf(context, event.hit);
        BeginRepaint(added->repaintRect);
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        Tag* tag = tag_.As<Tag>();
        if (tag == nullptr)
            return;
        context.Callbacks().AutoScroll(event.point);
        context.Callbacks().SetCursor(kCursorCreate);
        if (event.point == last_)
            return;
        const CRect before = tag->repaintRect;
        tag->Attach(TkTag, RectAt(event.point), tag->Attached());
        context.model->NoteChanged();
        AccumulateRepaint(tag->repaintRect);
        CRect area;
        area.UnionRect(before, tag->repaintRect);
        Repaint(context, area);
        last_ = event.point;
    }

    bool End(OperationContext& context, const PointerEvent& event, bool) override {
        SetMode(DM_NONE);
        Tag* tag = tag_.As<Tag>();
        if (tag == nullptr)
            return false;
        if (Drawable* hit = HitBeneath(context, event, tag);
            hit != nullptr && hit == place_.Get()) {
            Remove(context, tag);
            return false;
        }
        tag->ComputeAnchor();
        tag->LayoutLabel();
        tag->UpdateRepaintRect();
        EndRepaint(context, tag->repaintRect);
        SelectAlone(context, tag);
        RecordCreate(context, tag, "Create Tag");
        return false;
    }

    void Cancel(OperationContext& context) override {
        if (Tag* tag = tag_.As<Tag>())
            Remove(context, tag);
    }

  private:
    static CRect RectAt(CPoint p) {
        return CRect(p.x - kTagWidth / 2, p.y - kTagHeight / 2, p.x - kTagWidth / 2 + kTagWidth,
                     p.y - kTagHeight / 2 + kTagHeight);
    }
    void Remove(OperationContext& context, Tag* tag) {
        const CRect area = tag->repaintRect;
        tag_ = {};
        Discard(context, tag);
        EndRepaint(context, area);
        Repaint(context, area);
    }

    ObjectHandle tag_;
    ObjectHandle place_;
};

// ---- primitives ----

bool IsLineFamily(int tool) {
    return tool == TkLine || tool == TkPolyline || tool == TkPolygon;
}

class CreatePrimitive : public OperationBase {
  public:
    explicit CreatePrimitive(int tool) : OperationBase(DM_CREATE), tool_(tool) {}

    void Begin(OperationContext& context, const PointerEvent& event) override {
        press_ = last_ = event.point;
        GuidMap* map = &context.document->IdMap();
        std::unique_ptr<Drawable> made;
        if (IsLineFamily(tool_)) {
            auto line = std::make_unique<LinePrimitive>(map);
            const CPoint points[2] = {press_, last_};
            line->SetPoints(tool_, 2, points);
            if (tool_ != TkLine)
                SetMode(DM_CREATE_POINTS);
            made = std::move(line);
        } else if (tool_ == TkText) {
            auto text = std::make_unique<TextPrimitive>(map);
            text->SetFrame(tool_, Frame(event.point));
            made = std::move(text);
        } else {
            auto box = std::make_unique<BoxPrimitive>(map);
            box->SetFrame(tool_, Frame(event.point));
            made = std::move(box);
        }
        if (context.host != nullptr)
            made->looks = context.host->CurrentLooks();
        made->UpdateRepaintRect();
        Drawable* added = context.model->AddDrawable(std::move(made));
        primitive_ = HandleOf(context, added);
        BeginRepaint(added->repaintRect);
    }

    void Track(OperationContext& context, const PointerEvent& event) override {
        Drawable* primitive = primitive_.As<Drawable>();
        if (primitive == nullptr)
            return;
        context.Callbacks().AutoScroll(event.point);
        context.Callbacks().SetCursor(kCursorCreate);
        if (event.point == last_)
            return;
        const CRect before = primitive->repaintRect;
        FollowMouse(*primitive, event.point);
        context.model->NoteChanged();
        AccumulateRepaint(primitive->repaintRect);
        CRect area;
        area.UnionRect(before, primitive->repaintRect);
        Repaint(context, area);
        last_ = event.point;
    }

    bool End(OperationContext& context, const PointerEvent& event, bool pointByPoint) override {
        Drawable* primitive = primitive_.As<Drawable>();
        if (primitive == nullptr) {
            SetMode(DM_NONE);
            return false;
        }
        const bool moved =
            !IsNearPoint(event.point.x, event.point.y, press_.x, press_.y, kPrimitiveMoveThreshold);
        bool keep = moved;
        if (tool_ == TkPolyline || tool_ == TkPolygon) {
            auto* line = static_cast<LinePrimitive*>(primitive);
            (void)pointByPoint;
            bool finished;
            if (moved) {
                line->InsertVertex(line->GetVertexCount(), event.point.x, event.point.y);
                finished = line->GetVertexCount() >= kCreationVertexCap;
            } else {
                finished = line->GetVertexCount() > 2;
            }
            press_ = last_;
            if (!finished) {
                SetMode(DM_CREATE_POINTS);
                return true;
            }
            // The last vertex followed the mouse: it is not part of the shape.
            line->RemoveVertex(line->GetVertexCount() - 1);
            keep = line->GetVertexCount() >= 2;
        }
        SetMode(DM_NONE);
        if (!keep) {
            Remove(context, primitive);
            return false;
        }
        primitive->UpdateRepaintRect();
        AdoptIntoGroup(context, primitive);
        EndRepaint(context, primitive->repaintRect);
        SelectAlone(context, primitive);
        RecordCreate(context, primitive, "Create Primitive");
        return false;
    }

    void Cancel(OperationContext& context) override {
        if (Drawable* primitive = primitive_.As<Drawable>())
            Remove(context, primitive);
    }

  private:
    CRect Frame(CPoint to) const {
        CRect rect;
        RectFromCorners(press_.x, press_.y, to.x, to.y, rect);
        return rect;
    }
    void FollowMouse(Drawable& primitive, CPoint p) {
        if (auto* line = dynamic_cast<LinePrimitive*>(&primitive)) {
            std::vector<CPoint> points = line->vertices;
            if (!points.empty())
                points.back() = p;
            line->SetPoints(tool_, int(points.size()), points.data());
        } else if (auto* text = dynamic_cast<TextPrimitive*>(&primitive)) {
            text->SetFrame(tool_, Frame(p));
        } else if (auto* box = dynamic_cast<BoxPrimitive*>(&primitive)) {
            box->SetFrame(tool_, Frame(p));
        }
    }
    void Remove(OperationContext& context, Drawable* primitive) {
        SetMode(DM_NONE);
        const CRect area = primitive->repaintRect;
        primitive_ = {};
        Discard(context, primitive);
        accumulating_ = false;
        Repaint(context, area);
    }

    int tool_;
    ObjectHandle primitive_;
};

// ---- one-shot creations ----

class CreateMessage : public OneShot {
  public:
    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto* diagram = dynamic_cast<CustomModel*>(context.model);
        auto* link = dynamic_cast<Link*>(event.hit);
        Floater* floater =
            diagram != nullptr ? diagram->CreateFloater("?", link, event.point) : nullptr;
        if (floater == nullptr) {
            MessageBeep();
            return;
        }
        if (context.model->kind == MkCollaboration) {
            // Numbered after the others, with its label reshaped to the
            // numbered text.
            floater->SetNumber(diagram->GetMaxMessageNumber() + 1);
            floater->LayoutLabel();
            CRect fitted;
            {
                BorrowedDC borrowed(context.document);
                FitTextRect(borrowed.dc(), floater->text, nullptr, &floater->looks,
                            floater->labelRect, fitted);
            }
            CRect dirty;
            context.model->ReshapeDrawableB(floater, fitted, dirty);
            floater->UpdateRepaintRect();
        }
        AdoptIntoGroup(context, floater);
        SelectAlone(context, floater);
        context.Callbacks().PopupCall();
        Repaint(context, floater->repaintRect);
        ReturnToPointer(context);
        RecordCreate(context, floater, "Create Message");
    }
};

class CreateSwimlane : public OneShot {
  public:
    void Begin(OperationContext& context, const PointerEvent& event) override {
        CRect repaint;
        context.model->CreateSwimlane(context.document, context.document, event.point.x, repaint);
        Repaint(context, repaint);
        ReturnToPointer(context);
    }
};

class CreateIconInstance : public OneShot {
  public:
    explicit CreateIconInstance(int tool) : tool_(tool) {}
    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto box = std::make_unique<BoxPrimitive>(&context.document->IdMap());
        const CPoint at(event.point.x - 8, event.point.y - 7);
        box->SetFrame(TkIcon, CRect(at, CSize(kIconInstanceWidth, kIconInstanceHeight)));
        box->SetIcon(tool_ - 500);
        AddCreated(context, std::move(box), "Create Icon Instance");
        ReturnToPointer(context);
    }

  private:
    int tool_;
};

// A control of the tool's kind put into the container control pressed (a
// window, group box, list box or tab control), centred on the press. The
// control keeps the name its set-up gave it ("ctrl" and its number).
class CreateUiControlIn : public OneShot {
  public:
    explicit CreateUiControlIn(int tool) : tool_(tool) {}
    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto* container = dynamic_cast<UiControlPlace*>(event.hit);
        if (container == nullptr || !container->IsContainer())
            return;
        UiControlPlace* made = CreateUiControl(context.document, *container, tool_, std::string(),
                                               event.point.x, event.point.y);
        if (made == nullptr)
            return;
        made->name = "ctrl" + std::to_string(made->controlNumber);
        made->UpdateRepaintRect();
        container->UpdateRepaintRect();
        SelectAlone(context, made);
        Repaint(context, container->repaintRect);
        RecordCreate(context, made, "Create Control");
        ReturnToPointer(context);
    }

  private:
    int tool_;
};

class AddJunction : public OneShot {
  public:
    explicit AddJunction(int tool) : tool_(tool) {}
    void Begin(OperationContext& context, const PointerEvent& event) override {
        auto* place = dynamic_cast<Place*>(event.hit);
        if (place == nullptr)
            return;
        UndoJournal& journal = JournalOf(context);
        JournalChange change(journal, ChangeKind::AddJunction);
        // A junction on a place group fits the group of its members around
        // them again: undo and redo put back that group's rectangle.
        journal.SetFollowersBefore(UndoJournal::CaptureFollowers(*context.model));
        Junction* junction =
            place->AddJunction(&context.document->IdMap(), event.point.x, event.point.y, tool_);
        if (junction == nullptr)
            return;
        CRect repaint;
        context.model->ReshapeDrawableC(junction, junction->labelRect, repaint);
        context.model->DeselectAll(nullptr, false);
        place->currentJunction = junction;
        context.model->Select(place, true, nullptr, false);
        context.Callbacks().SelectionChanged();
        place->UpdateRepaintRect();
        Repaint(context, place->repaintRect);
        change.Record("Add Junction", context.model, junction);
        ReturnToPointer(context);
    }

  private:
    int tool_;
};

class CreateSymbolFromLibrary : public OneShot {
  public:
    explicit CreateSymbolFromLibrary(int tool) : tool_(tool) {}
    void Begin(OperationContext& context, const PointerEvent& event) override {
        const LibrarySymbol library = context.host->LibrarySymbolForTool(tool_);
        if (library.symbol == nullptr || library.model == nullptr || library.document == nullptr) {
            ReturnToPointer(context);
            return;
        }
        if (!library.symbol->IsPrimitive())
            PasteSymbol(context, library, event.point);
        else
            PlaceSymbol(context, library, event.point);
        ReturnToPointer(context);
    }

  private:
    // A place group of the library: copied through the masters clipboard
    // file (the paste journals itself), its top-left put at the click.
    static void PasteSymbol(OperationContext& context, const LibrarySymbol& library, CPoint point) {
        library.model->DeselectAll(nullptr, false);
        library.model->Select(library.symbol, true, nullptr, false);
        library.model->CopySelection(library.document, false);
        library.model->DeselectAll(nullptr, false);
        Model* model = context.model;
        model->DeselectAll(nullptr, false);
        const size_t before = model->Drawables().size();
        if (!context.document->PasteFromClipboardFile(true, model, CPoint()))
            return;
        CRect pasted;
        bool any = false;
        for (auto it = std::next(model->Drawables().begin(), std::ptrdiff_t(before));
             it != model->Drawables().end(); ++it) {
            model->Select(it->get(), true, nullptr, false);
            pasted = any ? UnionOf(pasted, (*it)->bounds) : (*it)->bounds;
            any = true;
        }
        context.Callbacks().SelectionChanged();
        if (!any)
            return;
        const CRect moved =
            model->MoveDrawables(nullptr, point.x - pasted.left, point.y - pasted.top, false);
        context.Callbacks().InvalidateModelRect(UnionOf(pasted, moved));
    }

    // A primitive: its copy, or with "Use As Place" a place group of a new
    // master named by its text; centred on the click.
    static void PlaceSymbol(OperationContext& context, const LibrarySymbol& library, CPoint point) {
        std::unique_ptr<Drawable> made;
        const size_t masters = MasterCount(context);
        auto* group = dynamic_cast<PrimitiveGroup*>(library.symbol);
        if (library.asPlace && group != nullptr) {
            const Drawable* textMember = group->FindTextMember();
            const auto* text = dynamic_cast<const TextPrimitive*>(textMember);
            const std::string name = text != nullptr && !text->text.empty() ? text->text : "?";
            Master* master = context.document->NewMaster(TkPlaceGroup, name, "");
            auto place = std::make_unique<PlaceGroup>(&context.document->IdMap());
            place->CopySymbol(*group, master);
            place->placeFlags |= 0x20;
            place->looks.Init(true, textMember != nullptr ? &textMember->looks : nullptr);
            made = std::move(place);
        } else {
            made = ClonePrimitive(context.document, context.model, *library.symbol);
        }
        if (made == nullptr)
            return;
        const CPoint centre(made->bounds.left + made->bounds.Width() / 2,
                            made->bounds.top + made->bounds.Height() / 2);
        CRect dirty;
        made->MoveBy(point.x - centre.x, point.y - centre.y, dirty);
        AddCreated(context, std::move(made), "Create Symbol from Library",
                   MasterCount(context) > masters);
    }

    static CRect UnionOf(const CRect& a, const CRect& b) {
        CRect both;
        both.UnionRect(a, b);
        return both;
    }

    int tool_;
};

} // namespace

void AdoptIntoGroup(OperationContext& context, Drawable* drawable) {
    Model& model = *context.model;
    Drawable* container = nullptr;
    if (drawable->IsLink()) {
        container = model.LinkContainer(drawable);
    } else if (drawable->IsTag()) {
        if (auto* floater = dynamic_cast<Floater*>(drawable);
            floater != nullptr && floater->IsFloater())
            container =
                floater->GetLink() != nullptr ? model.LinkContainer(floater->GetLink()) : nullptr;
    } else {
        // The model's look-up answers by membership, which a new drawable
        // has none of yet: the group under its centre holds it.
        container = model.FindGroupOf(drawable);
        if (container == nullptr) {
            const CPoint centre = drawable->bounds.CenterPoint();
            container = model.FindGroupAt(centre.x, centre.y, drawable);
        }
    }
    PlaceGroup* group = AsPlaceGroup(container);
    if (group == nullptr || group == drawable)
        return;
    CRect area;
    group->GetContentRect(area, 0);
    CRect dirty = group->repaintRect;
    group->AddMember(&model, drawable, area, dirty);
    dirty.UnionRect(dirty, group->repaintRect);
    dirty.UnionRect(dirty, drawable->repaintRect);
    context.Callbacks().InvalidateModelRect(dirty);
}

std::unique_ptr<EditOperation> MakeCreationOperation(OperationContext& context, int tool,
                                                     const PointerEvent& press) {
    Drawable* hit = press.hit;
    if (tool == TkTag)
        return hit != nullptr && hit->IsPlace() ? std::make_unique<CreateTag>() : nullptr;
    if ((tool >= TkLine && tool <= TkPolygon) || tool == TkIcon)
        return std::make_unique<CreatePrimitive>(tool);
    if (tool == TkMessage)
        return hit != nullptr && hit->IsLink() ? std::make_unique<CreateMessage>() : nullptr;
    if (tool == TkSwimlane)
        return std::make_unique<CreateSwimlane>();
    if (tool >= TkUiLabel && tool <= TkUiTabControl) {
        auto* container = dynamic_cast<UiControlPlace*>(hit);
        return container != nullptr && container->IsContainer()
                   ? std::make_unique<CreateUiControlIn>(tool)
                   : nullptr;
    }
    if (IsIconToolId(tool))
        return std::make_unique<CreateIconInstance>(tool);
    if (IsLibraryToolId(tool))
        return context.host != nullptr ? std::make_unique<CreateSymbolFromLibrary>(tool) : nullptr;
    if (IsJunctionToolId(tool)) {
        if ((press.part & HpPlaceEdge) == 0 || hit == nullptr || hit->IsSwimlane() ||
            (hit->style & DsScenarioPlace) != 0)
            return nullptr;
        return std::make_unique<AddJunction>(tool);
    }
    NotationTemplate* notation = context.document->Template();
    if (notation == nullptr)
        return nullptr;
    if (notation->IsPlaceTool(tool))
        return std::make_unique<CreatePlace>(tool);
    if (notation->IsLinkTool(tool)) {
        if (hit == nullptr || !hit->IsNode())
            return nullptr;
        // In a sequence diagram a message starts on a life line or a call
        // box, or on a place group, which has neither and takes it at its
        // anchor point.
        if (IsSequence(context.model) && !hit->IsGroup()) {
            int part = 0;
            int knob = -1;
            Drawable* self = hit->HitTest(press.point.x, press.point.y, part, knob, 0);
            if (self != hit || (part != HpLifeLine && part != HpCallBox))
                return nullptr;
        }
        return std::make_unique<CreateLink>(tool);
    }
    return nullptr;
}

void DropMaster(OperationContext& context, Master* master, CPoint clientPoint) {
    if (master == nullptr || context.model == nullptr)
        return;
    const double inverse = context.zoom > 0 ? 1.0 / context.zoom : 1.0;
    const CPoint point = context.Snap(
        CPoint(static_cast<int32_t>((clientPoint.x + context.scrollOrigin.x) * inverse),
               static_cast<int32_t>((clientPoint.y + context.scrollOrigin.y) * inverse)));
    if (master->tool != nullptr) {
        const int toolId = master->tool->ToolId();
        CreatePlaceIn(context, master, toolId,
                      DefaultRectAt(context.document->FindTool(toolId), point), true);
        return;
    }
    if (IsSequence(context.model)) {
        MessageBeep();
        return;
    }
    Model* holder = nullptr;
    Drawable* place = context.document->FindPlaceOfMaster(master, &holder);
    if (place == nullptr || holder == nullptr)
        return;
    context.document->CopyToClipboardFile(holder, std::vector<Drawable*>{place});
    const size_t before = context.model->Drawables().size();
    if (!context.document->PasteFromClipboardFile(true, context.model, CPoint()))
        return;
    if (context.model->Drawables().size() <= before)
        return;
    Drawable* pasted = std::next(context.model->Drawables().begin(), std::ptrdiff_t(before))->get();
    const CPoint centre = pasted->bounds.CenterPoint();
    context.model->DeselectAll(nullptr, false);
    context.model->Select(pasted, true, nullptr, false);
    const CRect area =
        context.model->MoveDrawables(nullptr, point.x - centre.x, point.y - centre.y, false);
    context.Callbacks().SelectionChanged();
    context.Callbacks().InvalidateModelRect(area);
}

Model* CreateExplodeModel(OperationContext& context, int kind, Master* master, Model* parent) {
    if (context.document == nullptr)
        return nullptr;
    return static_cast<Model*>(context.document->NewSubmodel(kind, master, parent));
}

} // namespace qm
