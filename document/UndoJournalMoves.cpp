// The undo journal's records of moves, reshapes and junctions: dragging or
// nudging drawables (with the swimlanes they leave and enter), reshaping a
// drawable by a knob, a border or a link edge, and dragging, adding and
// deleting a junction.
//
// Every handler reads and resolves all that its record names before it
// changes anything, so a record that does not read or whose objects are gone
// fails with a message and leaves the project as it was.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "kernel/Kernel.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

using namespace journal;

// ---- moves ----

namespace {

// The list a move leaves or enters: the group's members, else the model's.
const DrawableList* ListOf(const PlaceGroup* group, const Model* model) {
    if (group != nullptr)
        return group->MemberList();
    return model != nullptr ? &model->Drawables() : nullptr;
}

// The outermost group holding drawable (drawable itself when it lies in no
// group); null when the chain of groups is broken.
const Drawable* TopOf(const Drawable* drawable) {
    const Drawable* top = drawable;
    for (int depth = 0; top->Parent() != nullptr; ++depth) {
        if (depth > kMaxDepth)
            return nullptr;
        top = top->Parent();
    }
    return top;
}

// Answers whether drawables lie in model: in its list or, through its
// groups, in a drawable of that list, looking the model's list up once.
class ModelMembership {
  public:
    explicit ModelMembership(const Model* model)
        : top_(model != nullptr ? &model->Drawables() : nullptr) {}
    bool Holds(const Drawable* drawable) {
        const Drawable* top = TopOf(drawable);
        return top != nullptr && top_.Holds(top);
    }

  private:
    ListPositions top_;
};

bool LiesIn(Model* model, Drawable* drawable) {
    const Drawable* top = TopOf(drawable);
    return top != nullptr && FindIn(model->Drawables(), top) != model->Drawables().end();
}

// True when drawable is one of those or lies inside one of them.
bool InsideAny(Drawable* drawable, const std::unordered_set<const Drawable*>& those) {
    for (int depth = 0; drawable != nullptr && depth <= kMaxDepth; ++depth) {
        if (those.count(drawable) != 0)
            return true;
        drawable = drawable->Parent();
    }
    return false;
}

// ---- the followers of a move ----

// A follower's words: its bounds and label rectangle; a link adds its name
// segment, its name and end-label rectangles and its vertices (count
// first); a tag its anchor; a message floater its segment and the points of
// its arrow and of the segment's frame.
constexpr size_t kBaseWords = 8;
constexpr size_t kLinkWords = 14;
constexpr size_t kTagWords = 2;
constexpr size_t kFloaterWords = 15;

// The followers: links, tags and floaters, and the place groups (with the
// groups that hold their members), whose bounds follow what they hold.
bool Follows(const Drawable* drawable) {
    if (drawable->IsLink() || drawable->IsTag() || drawable->IsPlaceGroup())
        return true;
    return drawable->IsGroup() && drawable->Parent() != nullptr &&
           drawable->Parent()->IsPlaceGroup();
}

void PutRect(std::vector<int32_t>& words, const CRect& rect) {
    words.insert(words.end(), {rect.left, rect.top, rect.right, rect.bottom});
}

void PutPoint(std::vector<int32_t>& words, CPoint point) {
    words.insert(words.end(), {point.x, point.y});
}

std::vector<int32_t> ShapeWords(const Drawable* drawable) {
    std::vector<int32_t> words;
    PutRect(words, drawable->bounds);
    PutRect(words, drawable->labelRect);
    if (const auto* link = dynamic_cast<const Link*>(drawable)) {
        words.push_back(link->nameSegment);
        PutRect(words, link->nameRect);
        PutRect(words, link->sourceLabelRect);
        PutRect(words, link->targetLabelRect);
        words.push_back(link->VertexCount());
        for (const CPoint& vertex : link->Vertices())
            PutPoint(words, vertex);
    }
    if (const auto* tag = dynamic_cast<const Tag*>(drawable))
        PutPoint(words, tag->anchor);
    if (const auto* floater = dynamic_cast<const Floater*>(drawable)) {
        words.push_back(floater->segment);
        for (CPoint point :
             {floater->arrowTail, floater->arrowHead, floater->frameOrigin, floater->frameAxis,
              floater->localPosition, floater->segmentStart, floater->segmentEnd})
            PutPoint(words, point);
    }
    return words;
}

// True when words can be the words of drawable: the length its kind has,
// a vertex count a link can have, every word a coordinate.
bool ShapeFits(const Drawable* drawable, const std::vector<int32_t>& words) {
    size_t size = kBaseWords;
    if (drawable->IsLink()) {
        if (words.size() <= kBaseWords + kLinkWords - 1)
            return false;
        const int32_t count = words[kBaseWords + kLinkWords - 1];
        if (count < 2 || count > kMaxLinkVertices)
            return false;
        size += kLinkWords + 2 * size_t(count);
    }
    if (dynamic_cast<const Tag*>(drawable) != nullptr)
        size += kTagWords;
    if (dynamic_cast<const Floater*>(drawable) != nullptr)
        size += kFloaterWords;
    if (words.size() != size)
        return false;
    return std::all_of(words.begin(), words.end(), [](int32_t word) {
        return word >= -kMaxCoordinate && word <= kMaxCoordinate;
    });
}

// Gives drawable the geometry of words (which ShapeFits accepted).
void ApplyShapeWords(Model& model, Drawable* drawable, const std::vector<int32_t>& words) {
    size_t at = 0;
    auto rect = [&] {
        const CRect out(words[at], words[at + 1], words[at + 2], words[at + 3]);
        at += 4;
        return out;
    };
    auto point = [&] {
        const CPoint out(words[at], words[at + 1]);
        at += 2;
        return out;
    };
    const CRect shape = rect();
    drawable->bounds = shape;
    const CRect label = rect();
    if (auto* link = dynamic_cast<Link*>(drawable)) {
        const auto segment = uint8_t(words[at++]);
        link->nameRect = rect();
        link->sourceLabelRect = rect();
        link->targetLabelRect = rect();
        std::vector<CPoint> vertices(static_cast<size_t>(words[at++]));
        for (CPoint& vertex : vertices)
            vertex = point();
        link->SetVertices(vertices);
        link->nameSegment = segment;
    }
    if (auto* tag = dynamic_cast<Tag*>(drawable))
        tag->anchor = point();
    if (auto* floater = dynamic_cast<Floater*>(drawable)) {
        floater->segment = int16_t(words[at++]);
        for (CPoint* to :
             {&floater->arrowTail, &floater->arrowHead, &floater->frameOrigin, &floater->frameAxis,
              &floater->localPosition, &floater->segmentStart, &floater->segmentEnd})
            *to = point();
    }
    model.SetLabelRect(drawable, label);
    // A link takes back its path, name and bounds exactly as recorded (laying
    // out its name again would move a name the file placed elsewhere); its
    // repaint rectangle covers what it then draws.
    if (auto* link = dynamic_cast<Link*>(drawable)) {
        link->CoverRepaintRect();
        return;
    }
    drawable->UpdateRepaintRect();
    // A swimlane lays itself out to its page's height when its repaint
    // rectangle is computed. A lane of another height (a stored file may
    // hold one, and moving a lane keeps its height) keeps the height it had,
    // as does the group of its members.
    if (drawable->bounds != shape) {
        drawable->bounds = shape;
        drawable->repaintRect = shape;
        drawable->repaintRect.InflateRect(kRepaintMargin, kRepaintMargin);
        if (PlaceGroup* group = AsPlaceGroup(drawable))
            group->MemberGroup().bounds = shape;
    }
}

// The followers of model in its order, each place group followed by the
// group that holds its members.
std::vector<Drawable*> FollowersOf(const Model& model) {
    std::vector<Drawable*> all;
    model.CollectAllDrawables(all);
    std::vector<Drawable*> out;
    for (Drawable* drawable : all) {
        if (!Follows(drawable))
            continue;
        out.push_back(drawable);
        if (PlaceGroup* group = AsPlaceGroup(drawable))
            out.push_back(&group->MemberGroup());
    }
    return out;
}

} // namespace

FollowerShapes UndoJournal::CaptureFollowers(const Model& model) {
    FollowerShapes shapes;
    for (const Drawable* drawable : FollowersOf(model))
        shapes.emplace(drawable->Id().Text(), ShapeWords(drawable));
    return shapes;
}

void UndoJournal::RestoreFollowers(Model& model, const FollowerShapes& shapes) {
    for (Drawable* drawable : FollowersOf(model)) {
        auto words = shapes.find(drawable->Id().Text());
        if (words != shapes.end() && ShapeFits(drawable, words->second) &&
            words->second != ShapeWords(drawable))
            ApplyShapeWords(model, drawable, words->second);
    }
}

Cell* UndoJournal::FollowersForm(Model* model) const {
    if (!pending_.followersBefore.has_value() || model == nullptr)
        return nil;
    // The followers the change moved, each with its geometry before and
    // after, in the model's order.
    const std::vector<Drawable*> all = FollowersOf(*model);
    // The replay sets the bounds of the groups left and entered, which lays
    // out each one's title (a plain group takes a titled text member as its
    // title), a swimlane's height and the group of its members anew: those
    // are kept even when the change left them alone.
    std::unordered_set<const Drawable*> kept;
    for (Drawable* lane : {pending_.oldSwimlane, pending_.newSwimlane}) {
        if (PlaceGroup* group = AsPlaceGroup(lane)) {
            kept.insert(group);
            kept.insert(&group->MemberGroup());
        }
    }
    Cell* entries = nil;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        auto before = pending_.followersBefore->find((*it)->Id().Text());
        std::vector<int32_t> after = ShapeWords(*it);
        if (before == pending_.followersBefore->end() ||
            (before->second == after && kept.count(*it) == 0))
            continue;
        entries = kest::mkcons(
            Str((*it)->Id().Text()),
            kest::mkcons(IntList(before->second), kest::mkcons(IntList(after), entries)));
    }
    // Written even when nothing followed: the replay then knows that every
    // follower stays as it is.
    return kest::mkcons(kest::intern("followers"), entries);
}

std::optional<UndoJournal::Followers> UndoJournal::TakeFollowers(Cell*& fields, Model* model,
                                                                 bool redo) {
    // The element ends the record: it is cut off, so that the record's own
    // handler reads the fields it wrote.
    Cell* form = nil;
    bool taken = false;
    Cell* previous = nullptr;
    for (Cell* rest = fields; kest::ispair(rest); rest = kest::cdr(rest)) {
        Cell* element = kest::car(rest);
        if (kest::cdr(rest) == nil && kest::ispair(element) &&
            kest::car(element) == kest::intern("followers")) {
            form = kest::cdr(element);
            taken = true;
            if (previous == nullptr)
                fields = nil;
            else
                previous->b.cdr = nil;
            break;
        }
        previous = rest;
    }
    Followers followers;
    ModelMembership inModel(model);
    for (Cell* entries = form; entries != nil;) {
        Drawable* drawable = LookupDrawable(Next(entries));
        const std::vector<int32_t> before = ReadInts(Next(entries));
        std::vector<int32_t> after = ReadInts(Next(entries));
        if (model == nullptr || !inModel.Holds(drawable) || !Follows(drawable) ||
            !ShapeFits(drawable, before) || !ShapeFits(drawable, after))
            throw CKestException(kDamaged);
        followers.emplace_back(drawable->Id().Text(), redo ? std::move(after) : before);
    }
    if (!taken)
        return std::nullopt;
    return followers;
}

void UndoJournal::ApplyFollowers(Model* model, const Followers& followers,
                                 const FollowerShapes& untouched) {
    // Only the followers still in the model take their geometry: undoing a
    // group takes away what the group held.
    const std::vector<Drawable*> all = FollowersOf(*model);
    std::unordered_map<std::string, Drawable*> present;
    for (Drawable* drawable : all)
        present.emplace(drawable->Id().Text(), drawable);
    // What the change left alone the replay leaves alone too, even where it
    // recomputed it (a move by nothing reroutes the links and tags of what
    // it names): a tag anchored where the layout would not put it stays.
    std::unordered_set<std::string> named;
    for (const auto& entry : followers)
        named.insert(entry.first);
    for (Drawable* drawable : all) {
        const std::string id = drawable->Id().Text();
        auto words = untouched.find(id);
        if (named.count(id) == 0 && words != untouched.end() &&
            ShapeFits(drawable, words->second) && words->second != ShapeWords(drawable))
            ApplyShapeWords(*model, drawable, words->second);
    }
    for (const auto& [id, words] : followers) {
        auto found = present.find(id);
        if (found != present.end() && ShapeFits(found->second, words))
            ApplyShapeWords(*model, found->second, words);
    }
}

void UndoJournal::SetSwimlanes(ModelObject* left, const CRect& leftRect, ModelObject* entered,
                               const CRect& enteredRect) {
    PlaceGroup* from = AsPlaceGroup(dynamic_cast<Drawable*>(left));
    PlaceGroup* to = AsPlaceGroup(dynamic_cast<Drawable*>(entered));
    pending_.oldSwimlane = from;
    pending_.newSwimlane = to;
    pending_.oldRect = from != nullptr ? leftRect : CRect();
    pending_.newRect = to != nullptr ? enteredRect : CRect();
    // The list the drawables leave, as it stands before they go: undo puts
    // each back where it stood.
    pending_.leftOrder.clear();
    if (from == to)
        return;
    const DrawableList* list =
        ListOf(from, from != nullptr ? nullptr : document_.FindModelOfDrawable(to));
    if (list == nullptr)
        return;
    for (const auto& drawable : *list)
        pending_.leftOrder.push_back(drawable.get());
}

Cell* UndoJournal::BuildMoveForm(const FormArgs& args) {
    Model* model = args.model;
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // The offset, the swimlane left and the one entered (each with the
    // rectangle saved for it and its bounds now; none: the model itself),
    // and the drawables moved.
    auto lane = [](Drawable* group, const CRect& saved) {
        if (group == nullptr)
            return kest::mklist(Str(""), nil, nil, nullptr);
        return kest::mklist(Str(group->Id().Text()), RectCell(saved), RectCell(group->bounds),
                            nullptr);
    };
    std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
    Cell* form = kest::mklist(
        args.head, args.id,
        kest::mklist(kest::mkint(pending_.offset.x), kest::mkint(pending_.offset.y), nullptr),
        lane(pending_.oldSwimlane, pending_.oldRect), lane(pending_.newSwimlane, pending_.newRect),
        IdList("drawable", objects), nullptr);
    if (pending_.oldSwimlane == pending_.newSwimlane)
        return form;
    // No list taken: the list left was not found (the record names the
    // drawables moved, as older records do).
    const DrawableList* leftList = ListOf(static_cast<PlaceGroup*>(pending_.oldSwimlane), nullptr);
    if (pending_.leftOrder.empty() && (leftList == nullptr || !leftList->empty()))
        return form;
    // What changed lists: each drawable of the list entered that stood in
    // the list left, in its order now, with the place it left there. Links
    // the drag carried along are among them. The list is written even when
    // empty (a drag that began over an empty group, or one that took
    // nothing along): without it the replay takes every drawable moved for
    // transferred and would put them into the group left.
    const DrawableList* entered = ListOf(static_cast<PlaceGroup*>(pending_.newSwimlane), model);
    if (entered == nullptr)
        return form;
    std::unordered_map<const Drawable*, int32_t> stood;
    for (size_t i = 0; i < pending_.leftOrder.size(); ++i)
        stood.emplace(pending_.leftOrder[i], int32_t(i));
    std::vector<std::pair<Drawable*, int32_t>> moved;
    for (const auto& drawable : *entered) {
        auto at = stood.find(drawable.get());
        if (at != stood.end())
            moved.emplace_back(drawable.get(), at->second);
    }
    Cell* entries = nil;
    for (auto it = moved.rbegin(); it != moved.rend(); ++it)
        entries = kest::mkcons(Str(it->first->Id().Text()),
                               kest::mkcons(kest::mkint(it->second), entries));
    kest::nconc(form, kest::mklist(kest::mkcons(kest::intern("transferred"), entries), nullptr));
    return form;
}

void UndoJournal::ReplayMove(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    Cell* offset = Next(fields);
    const int32_t dx = NextInt(offset);
    const int32_t dy = NextInt(offset);
    if (offset != nil || dx < -kMaxCoordinate || dx > kMaxCoordinate || dy < -kMaxCoordinate ||
        dy > kMaxCoordinate)
        throw CKestException(kDamaged);
    // A swimlane: its id, the rectangle saved for it and its bounds after
    // the move. An id that names nothing counts as none (the model).
    struct Lane {
        PlaceGroup* group = nullptr;
        bool sized = false;
        CRect saved;
        CRect after;
    };
    auto readLane = [&](Cell* cell) {
        Lane lane;
        const char* laneId = NextString(cell);
        Cell* saved = Next(cell);
        Cell* after = Next(cell);
        if (cell != nil)
            throw CKestException(kDamaged);
        if (laneId[0] == '\0')
            return lane;
        ModelObject* object = nullptr;
        scope_.Lookup(laneId, object, false);
        if (object == nullptr)
            return lane;
        lane.group = AsPlaceGroup(dynamic_cast<Drawable*>(object));
        if (lane.group == nullptr || !LiesIn(model, lane.group))
            throw CKestException(kDamaged);
        if (saved != nil || after != nil) {
            lane.saved = ReadRect(saved);
            lane.after = ReadRect(after);
            lane.sized = true;
        }
        return lane;
    };
    const Lane left = readLane(Next(fields));
    const Lane entered = readLane(Next(fields));
    std::vector<Drawable*> drawables;
    for (const std::string& drawableId : ReadIdList(Next(fields), "drawable"))
        drawables.push_back(LookupDrawable(Str(drawableId.c_str())));
    // What changed lists, with the place each left; a record without that
    // list names the drawables moved.
    Cell* transferredForm = nil;
    if (fields != nil) {
        transferredForm = Next(fields);
        if (fields != nil || !kest::ispair(transferredForm) ||
            kest::car(transferredForm) != kest::intern("transferred"))
            throw CKestException(kDamaged);
    }
    std::vector<std::pair<Drawable*, int32_t>> transferred;
    if (transferredForm != nil) {
        for (Cell* entries = kest::cdr(transferredForm); entries != nil;) {
            Drawable* drawable = LookupDrawable(Next(entries));
            transferred.emplace_back(drawable, NextInt(entries));
        }
    } else if (left.group != entered.group) {
        for (Drawable* drawable : drawables)
            transferred.emplace_back(drawable, -1);
    }
    // Undo takes them back to the list left, each to its place there; redo
    // appends them to the list entered, as the drag did.
    PlaceGroup* to = redo ? entered.group : left.group;
    std::unordered_set<const Drawable*> taken;
    ModelMembership inModel(model);
    for (auto& [drawable, position] : transferred) {
        const DrawableList* now = OwningList(drawable, model);
        // A drawable of no group stands in the model's own list, which the
        // membership has just checked; a group's members are looked up.
        if (!taken.insert(drawable).second || !inModel.Holds(drawable) || now == nullptr ||
            (drawable->Parent() != nullptr && FindIn(*now, drawable) == now->end()))
            throw CKestException(kDamaged);
        if (redo)
            position = -1;
    }
    // A group never goes into itself or into one of its members.
    if (to != nullptr && InsideAny(to, taken))
        throw CKestException(kDamaged);

    if (!drawables.empty()) {
        // The drawables of one list move together, through the model.
        Drawable* container = drawables.front()->Parent();
        model->DeselectAll(nullptr, false);
        for (Drawable* drawable : drawables) {
            if (drawable->Parent() != container)
                throw CKestException(kDamaged);
        }
        for (Drawable* drawable : drawables)
            model->Select(drawable, true, nullptr, false);
        model->MoveDrawables(container, redo ? dx : -dx, redo ? dy : -dy, false);
        model->MarkAll(0);
    }
    if (!transferred.empty()) {
        std::vector<std::unique_ptr<Drawable>> moving;
        std::vector<int32_t> positions;
        for (auto& [drawable, position] : transferred) {
            moving.push_back(model->TakeFromOwner(drawable));
            positions.push_back(position);
        }
        Drawable* parent = to != nullptr ? &to->MemberGroup() : nullptr;
        for (auto& drawable : moving)
            drawable->SetParent(parent);
        model->InsertDrawables(moving, positions, to);
    }
    for (const Lane* lane : {&left, &entered}) {
        if (lane->group == nullptr || !lane->sized)
            continue;
        lane->group->SetBounds(redo ? lane->after : lane->saved, lane->group->IsSwimlane() ? 1 : 0);
        lane->group->UpdateRepaintRect();
    }
    if (!transferred.empty()) {
        CRect repaint;
        model->UpdateLinkGeometry(nullptr, repaint, false);
    }
    toSelect_ = drawables;
    modelToShow_ = model;
}

// ---- reshaping ----

namespace {

constexpr int32_t kLinkStyleBits = LoStepped | LoCurved;

// A reshape changes the label rectangle of a link, floater or junction and
// the bounds of anything else.
bool ReshapesLabel(const Drawable* drawable) {
    return drawable->IsLink() || drawable->IsFloater() || drawable->IsJunction();
}

// (junctions id (x y) ...): where each junction of a place is; nil for a
// drawable that is not a place.
Cell* JunctionsForm(Drawable* drawable) {
    auto* place = dynamic_cast<Place*>(drawable);
    if (place == nullptr)
        return nil;
    Cell* entries = nil;
    const auto& junctions = place->Junctions();
    for (auto it = junctions.rbegin(); it != junctions.rend(); ++it) {
        entries = kest::mkcons(Str((*it)->Id().Text()),
                               kest::mkcons(kest::mklist(kest::mkint((*it)->point.x),
                                                         kest::mkint((*it)->point.y), nullptr),
                                            entries));
    }
    return kest::mkcons(kest::intern("junctions"), entries);
}

} // namespace

// The end nodes of a link whose ends the change moved: source and target
// before, then after; none when they stayed.
std::vector<ModelObject*> UndoJournal::EndNodes(const Drawable* first) const {
    const auto& ends = pending_.linkEnds;
    if (first == nullptr || !first->IsLink() ||
        std::any_of(ends.begin(), ends.end(), [](ModelObject* end) { return end == nullptr; }))
        return {};
    return {ends.begin(), ends.end()};
}

Cell* UndoJournal::BuildReshapeForm(const FormArgs& args) {
    Model* model = args.model;
    const std::vector<Drawable*> drawables = ChangedDrawables();
    if (drawables.empty())
        return nil;
    Drawable* first = drawables.front();
    // The rectangle before is the one the drag saved; the one after is the
    // rectangle the reshape changed.
    const CRect oldRect = first->savedBounds;
    const CRect newRect = ReshapesLabel(first) ? first->labelRect : first->bounds;
    int32_t oldStyle = 0;
    int32_t newStyle = 0;
    std::vector<CPoint> before;
    std::vector<CPoint> after;
    if (HasVertices(first)) {
        after = VerticesOf(first);
        size_t count = after.size();
        if (auto* link = dynamic_cast<Link*>(first)) {
            count = link->savedVertexCount;
            newStyle = link->options & kLinkStyleBits;
            oldStyle = int32_t(pending_.savedFlags) & kLinkStyleBits;
        }
        count = std::min(count, pending_.oldVertices.size());
        before.assign(pending_.oldVertices.begin(),
                      pending_.oldVertices.begin() + std::ptrdiff_t(count));
    }
    std::vector<ModelObject*> objects(drawables.begin(), drawables.end());
    Cell* form = kest::mklist(args.head, args.id, kest::mkint(oldStyle), kest::mkint(newStyle),
                              PointCell(pending_.offset), PointCell(pending_.offset),
                              PointsCell(before), PointsCell(after), RectCell(oldRect),
                              RectCell(newRect), IdList("drawable", objects),
                              IdList("drawable", EndNodes(first)), JunctionsForm(first), nullptr);
    // A message of a sequence diagram keeps the call boxes of its end
    // places before and after, a scenario place whose life line was dragged
    // its own.
    const bool lifeLine = dynamic_cast<ScenarioPlace*>(first) != nullptr &&
                          pending_.undoContext.source.has_value() &&
                          pending_.redoContext.source.has_value();
    if (model != nullptr && model->kind == MkSequence && (first->IsLink() || lifeLine))
        kest::nconc(form, kest::mklist(ContextForm(pending_.undoContext),
                                       ContextForm(pending_.redoContext), nullptr));
    return form;
}

void UndoJournal::ReplayReshape(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    const int32_t oldStyle = NextInt(fields);
    const int32_t newStyle = NextInt(fields);
    if ((oldStyle & ~kLinkStyleBits) != 0 || (newStyle & ~kLinkStyleBits) != 0)
        throw CKestException(kDamaged);
    ReadPoint(Next(fields));
    ReadPoint(Next(fields));
    const std::vector<CPoint> oldVertices = ReadPoints(Next(fields));
    const std::vector<CPoint> newVertices = ReadPoints(Next(fields));
    const CRect oldRect = ReadRect(Next(fields));
    const CRect newRect = ReadRect(Next(fields));
    std::vector<Drawable*> drawables;
    for (const std::string& drawableId : ReadIdList(Next(fields), "drawable"))
        drawables.push_back(LookupDrawable(Str(drawableId.c_str())));
    // The link's end nodes before and after, when the change moved an end.
    std::vector<Drawable*> ends;
    for (const std::string& drawableId : ReadIdList(Next(fields), "drawable"))
        ends.push_back(LookupDrawable(Str(drawableId.c_str())));
    if (drawables.empty() || (!ends.empty() && ends.size() != 4))
        throw CKestException(kDamaged);
    NodeDrawable* sources[2] = {nullptr, nullptr};
    if (!ends.empty()) {
        sources[0] = dynamic_cast<NodeDrawable*>(ends[0]);
        sources[1] = dynamic_cast<NodeDrawable*>(ends[2]);
        if (sources[0] == nullptr || sources[1] == nullptr)
            throw CKestException(kDamaged);
    }
    Drawable* first = drawables.front();
    if (!ends.empty() && !first->IsLink())
        throw CKestException(kDamaged);
    // The junctions as they were after the reshape.
    std::vector<std::pair<Junction*, CPoint>> junctions;
    Cell* junctionsForm = Next(fields);
    if (junctionsForm != nil) {
        if (!kest::ispair(junctionsForm) || kest::car(junctionsForm) != kest::intern("junctions"))
            throw CKestException("junctions sym expected");
        auto* place = dynamic_cast<Place*>(first);
        for (Cell* rest = kest::cdr(junctionsForm); rest != nil;) {
            auto* junction = dynamic_cast<Junction*>(LookupDrawable(Next(rest)));
            const CPoint at = ReadPoint(Next(rest));
            if (junction == nullptr || place == nullptr || !place->HasJunction(junction))
                throw CKestException(kDamaged);
            junctions.emplace_back(junction, at);
        }
    }
    ChangeContext before;
    ChangeContext after;
    if (kest::ispair(fields)) {
        before = ReadContext(Next(fields));
        after = ReadContext(Next(fields));
        if (fields != nil || (!first->IsLink() && dynamic_cast<ScenarioPlace*>(first) == nullptr))
            throw CKestException(kDamaged);
    }
    const std::vector<CPoint>& vertices = redo ? newVertices : oldVertices;
    if (HasVertices(first) && !vertices.empty() &&
        (vertices.size() < 2 || vertices.size() > size_t(kMaxVertices)))
        throw CKestException(kDamaged);

    const CRect& rect = redo ? newRect : oldRect;
    CRect repaint;
    if (auto* link = dynamic_cast<Link*>(first)) {
        link->options = (link->options & ~kLinkStyleBits) | (redo ? newStyle : oldStyle);
        // The call boxes kept with a change that moved an end are those of
        // the end places after it: undo gives them back before the ends go
        // back, redo once the ends are there again.
        if (!ends.empty() && !redo)
            RestoreLinkEnds(*link, before);
        if (!ends.empty()) {
            link->SetSource(sources[redo ? 1 : 0]);
            link->SetTarget(ends[redo ? 3 : 1]);
        }
        if (!vertices.empty())
            link->SetVertices(vertices);
        link->SetLabelRect(rect);
        link->LayoutEndLabels();
        link->UpdateRepaintRect();
        if (ends.empty() || redo)
            RestoreLinkEnds(*link, redo ? after : before);
    } else if (HasVertices(first)) {
        if (!vertices.empty())
            SetVerticesOf(first, vertices);
        first->UpdateRepaintRect();
    } else if (first->IsFloater() || first->IsJunction()) {
        model->SetLabelRect(first, rect);
        first->UpdateRepaintRect();
        UpdatePivotRepaint(first);
    } else {
        first->SaveBounds();
        model->SetDrawableBounds(first, rect, repaint);
        const ChangeContext& lifeLine = redo ? after : before;
        if (auto* scenario = dynamic_cast<ScenarioPlace*>(first); scenario && lifeLine.source)
            RestoreCallBoxes(*scenario, *lifeLine.source, lifeLine.sourcePoint);
        if (redo) {
            for (auto& [junction, at] : junctions)
                junction->MoveJunction(at.x - junction->point.x, at.y - junction->point.y);
        }
    }
    toSelect_.push_back(first);
    modelToShow_ = model;
}

// ---- junctions ----

Cell* UndoJournal::BuildJunctionForm(const FormArgs& args) {
    Cell* head = args.head;
    Cell* id = args.id;
    const std::vector<Drawable*> drawables = ChangedDrawables();
    auto* junction = dynamic_cast<Junction*>(args.current);
    if (junction == nullptr && !drawables.empty())
        junction = dynamic_cast<Junction*>(drawables.front());
    if (junction == nullptr)
        return nil;
    // The position before a drag or a delete is kept in the first two words
    // of the saved bounds.
    Cell* before = kest::mklist(kest::mkint(junction->savedBounds.left),
                                kest::mkint(junction->savedBounds.top), nullptr);
    if (args.kind == ChangeKind::DragJunction)
        return kest::mklist(head, id, Str(junction->Id().Text()), before,
                            PointCell(junction->point), nullptr);
    if (args.kind == ChangeKind::AddJunction) {
        Place* pivot = junction->Pivot();
        if (pivot == nullptr)
            return nil;
        return kest::mklist(head, id, Str(pivot->Id().Text()), junction->Persist(&scope_, nil),
                            nullptr);
    }
    // A deleted junction is written whole, and so are the links that went
    // with it and what hung on them.
    if (junction->Pivot() == nullptr)
        return nil;
    const std::vector<Drawable*> links = RemovedDrawables(junction);
    std::vector<ModelObject*> objects(links.begin(), links.end());
    return kest::mklist(head, id, before, junction->Persist(&scope_, nil),
                        IdList("drawable", objects), FullDrawables(links),
                        kest::mklist(kest::intern("positions"),
                                     IntList(DrawablePositions(nullptr, links)), nullptr),
                        nullptr);
}

void UndoJournal::ReplayJunction(ChangeKind kind, Model* model, Cell* fields, bool redo) {
    if (kind == ChangeKind::DragJunction) {
        auto* junction = dynamic_cast<Junction*>(LookupDrawable(Next(fields)));
        const CPoint before = ReadPoint(Next(fields));
        const CPoint after = ReadPoint(Next(fields));
        if (junction == nullptr || !RectInRange(CRect(before, before)) ||
            !RectInRange(CRect(after, after)))
            throw CKestException(kDamaged);
        const CPoint& to = redo ? after : before;
        junction->MoveJunction(to.x - junction->point.x, to.y - junction->point.y);
        toSelect_.push_back(junction);
        modelToShow_ = model;
        return;
    }
    // An added junction goes on undo and comes back on redo; a deleted one
    // the other way round.
    Place* place = nullptr;
    if (kind == ChangeKind::AddJunction) {
        place = dynamic_cast<Place*>(LookupDrawable(Next(fields)));
    } else {
        ReadPoint(Next(fields));
    }
    Cell* record = Next(fields);
    if (!kest::ispair(record) || !kest::ispair(kest::cdr(record)) ||
        !IsString(kest::car(kest::cdr(record))))
        throw CKestException(kDamaged);
    Cell* pivotCell = kest::cdr(kest::cdr(record));
    // The links that went with a deleted junction, whole.
    ObjectsHeader links;
    Cell* fullLinks = nil;
    if (kind == ChangeKind::DeleteJunction) {
        links.drawables = ReadIdList(Next(fields), "drawable");
        fullLinks = Next(fields);
        if (!kest::islist(fullLinks))
            throw CKestException(kDamaged);
        if (Cell* positions = NextPositions(fields); positions != nil)
            links.drawablePositions = ReadInts(Next(positions));
        links.drawablePositions.resize(links.drawables.size(), -1);
        if (!kest::ispair(pivotCell))
            throw CKestException(kDamaged);
        place = dynamic_cast<Place*>(LookupDrawable(kest::car(pivotCell)));
    }
    if (place == nullptr)
        throw CKestException(kDamaged);
    const bool add = kind == ChangeKind::AddJunction ? redo : !redo;
    if (!add) {
        auto* junction = dynamic_cast<Junction*>(LookupDrawable(kest::car(kest::cdr(record))));
        if (junction == nullptr || !place->HasJunction(junction))
            throw CKestException(kDamaged);
        // Its links go first: they are all found before anything goes.
        if (!links.drawables.empty())
            RemoveObjects(kind, model, links);
        std::unique_ptr<Junction> taken = place->DetachJunction(junction);
        place->UpdateRepaintRect();
        DestroyObject(std::move(taken));
        toSelect_.push_back(place);
        modelToShow_ = model;
        return;
    }
    auto junction = std::make_unique<Junction>();
    try {
        if (junction->Persist(&scope_, record) != nil)
            throw CKestException(kDamaged);
    } catch (...) {
        junction->Detach(&scope_);
        throw;
    }
    Junction* made = junction.get();
    const CRect repaint = place->repaintRect;
    // Attaching lays the label out anew; the record's label and repaint
    // rectangle stay, as the junction had them when it went.
    const CRect label = made->labelRect;
    const CRect area = made->repaintRect;
    place->AttachJunction(std::move(junction));
    if (!label.IsRectNull()) {
        made->labelRect = label;
        made->repaintRect = area;
    }
    // Its links come back once it is there to end on.
    if (!links.drawables.empty()) {
        try {
            RecreateObjects(kind, model, links, nil, nil, fullLinks);
        } catch (...) {
            DestroyObject(place->DetachJunction(made));
            model->SetRepaintRect(place, repaint);
            throw;
        }
    }
    place->UpdateRepaintRect();
    toSelect_.push_back(made);
    modelToShow_ = model;
}

} // namespace qm
