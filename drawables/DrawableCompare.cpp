// The comparisons of drawables and models that the project merge and the
// undo journal use: IsEqual compares everything a drawable shows and holds,
// IsEqualContent only what it says (its kind, texts and references), so that
// a drawable moved or recoloured in one version still pairs with itself.
// References compare by the id text of the object referred to, or by the id
// read for it while it is not yet bound.
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/PlaceGroup.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"

#include <string_view>
#include <typeinfo>
#include <unordered_map>

namespace qm {

namespace {

std::string_view RefId(const ModelObject* bound, const ObjectRef& pending) {
    if (bound != nullptr)
        return bound->Id().Text();
    if (pending.IsText())
        return pending.Text();
    if (pending.IsObject() && pending.Object() != nullptr)
        return pending.Object()->Id().Text();
    return {};
}

// Same count, and every drawable of a equal to the drawable of the same id in
// b (one without a partner is passed over).
bool DrawableListsEqual(const DrawableList& a, const DrawableList& b) {
    if (a.size() != b.size())
        return false;
    std::unordered_map<std::string_view, const Drawable*> byId;
    auto partnerOf = [&](const Drawable& drawable) -> const Drawable* {
        if (byId.empty()) {
            for (const auto& other : b)
                byId.emplace(other->Id().Text(), other.get());
        }
        auto found = byId.find(drawable.Id().Text());
        return found != byId.end() ? found->second : nullptr;
    };
    auto other = b.begin();
    for (const auto& drawable : a) {
        // Versions of one list mostly keep their order.
        const Drawable* partner =
            drawable->Id() == (*other)->Id() ? other->get() : partnerOf(*drawable);
        ++other;
        if (partner != nullptr && !drawable->IsEqual(*partner))
            return false;
    }
    return true;
}

bool SameIdLists(const DrawableList& a, const DrawableList& b) {
    if (a.size() != b.size())
        return false;
    auto other = b.begin();
    for (const auto& drawable : a) {
        if (!(drawable->Id() == (*other++)->Id()))
            return false;
    }
    return true;
}

void CollectFlat(const DrawableList& list, std::vector<Drawable*>& out) {
    for (const auto& drawable : list) {
        out.push_back(drawable.get());
        if (DrawableList* members = drawable->GetMemberList())
            CollectFlat(*members, out);
    }
}

} // namespace

// ---- Drawable ----

bool Drawable::IsEqual(const Drawable& o) const {
    return typeid(*this) == typeid(o) && kindCode == o.kindCode && bounds == o.bounds &&
           kind == o.kind && style == o.style && looks == o.looks;
}

bool Drawable::IsEqualContent(const Drawable& o) const {
    return typeid(*this) == typeid(o) && kindCode == o.kindCode && kind == o.kind &&
           style == o.style;
}

// ---- places ----

bool Place::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const Place&>(other);
    return RefId(master, masterRef_) == RefId(o.master, o.masterRef_) &&
           placeFlags == o.placeFlags && label == o.label;
}

bool Place::IsEqualContent(const Drawable& other) const {
    if (!Drawable::IsEqualContent(other))
        return false;
    const auto& o = static_cast<const Place&>(other);
    return RefId(master, masterRef_) == RefId(o.master, o.masterRef_) && label == o.label;
}

bool ScenarioPlace::IsEqual(const Drawable& other) const {
    return Place::IsEqual(other) &&
           lifeLinePoint == static_cast<const ScenarioPlace&>(other).lifeLinePoint;
}

bool ScenarioPlace::IsEqualContent(const Drawable& other) const {
    return Place::IsEqualContent(other);
}

bool PlaceGroup::IsEqual(const Drawable& other) const {
    return Place::IsEqual(other) &&
           members_.IsEqual(static_cast<const PlaceGroup&>(other).members_);
}

bool PlaceGroup::IsEqualContent(const Drawable& other) const {
    return Place::IsEqualContent(other);
}

bool Swimlane::IsEqual(const Drawable& other) const {
    if (!PlaceGroup::IsEqual(other))
        return false;
    const auto& o = static_cast<const Swimlane&>(other);
    return RefId(previous_, previousRef_) == RefId(o.previous_, o.previousRef_) &&
           RefId(next_, nextRef_) == RefId(o.next_, o.nextRef_) &&
           RefId(model_, modelRef_) == RefId(o.model_, o.modelRef_);
}

bool Swimlane::IsEqualContent(const Drawable& other) const {
    return Place::IsEqualContent(other);
}

// ---- links, tags, junctions ----

bool Link::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const Link&>(other);
    return RefId(source_, sourceRef_) == RefId(o.source_, o.sourceRef_) &&
           RefId(target_, targetRef_) == RefId(o.target_, o.targetRef_) &&
           toolNumber_ == o.toolNumber_ && vertices_ == o.vertices_ && access == o.access &&
           name == o.name && stereotype == o.stereotype && sourceEnd == o.sourceEnd &&
           targetEnd == o.targetEnd && comment == o.comment && file == o.file && type == o.type &&
           options == o.options && nameSegment == o.nameSegment && labelRect == o.labelRect &&
           nameRect == o.nameRect && sourceLabelRect == o.sourceLabelRect &&
           targetLabelRect == o.targetLabelRect;
}

bool Link::IsEqualContent(const Drawable& other) const {
    if (!Drawable::IsEqualContent(other))
        return false;
    const auto& o = static_cast<const Link&>(other);
    return RefId(source_, sourceRef_) == RefId(o.source_, o.sourceRef_) &&
           RefId(target_, targetRef_) == RefId(o.target_, o.targetRef_) &&
           toolNumber_ == o.toolNumber_ && name == o.name && sourceEnd == o.sourceEnd &&
           targetEnd == o.targetEnd;
}

bool Tag::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const Tag&>(other);
    return RefId(attached_, attachedRef_) == RefId(o.attached_, o.attachedRef_) &&
           anchor == o.anchor && text == o.text && tagFlags == o.tagFlags;
}

bool Tag::IsEqualContent(const Drawable& other) const {
    if (!Drawable::IsEqualContent(other))
        return false;
    const auto& o = static_cast<const Tag&>(other);
    return RefId(attached_, attachedRef_) == RefId(o.attached_, o.attachedRef_) && text == o.text;
}

bool Floater::IsEqual(const Drawable& other) const {
    if (!Tag::IsEqual(other))
        return false;
    const auto& o = static_cast<const Floater&>(other);
    return secondText == o.secondText && attachment == o.attachment && segment == o.segment &&
           arrowTail == o.arrowTail && arrowHead == o.arrowHead && frameOrigin == o.frameOrigin &&
           frameAxis == o.frameAxis && localPosition == o.localPosition;
}

bool Floater::IsEqualContent(const Drawable& other) const {
    return Tag::IsEqualContent(other) &&
           localPosition == static_cast<const Floater&>(other).localPosition;
}

bool Junction::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const Junction&>(other);
    return RefId(pivot_, pivotRef_) == RefId(o.pivot_, o.pivotRef_) && point == o.point &&
           side == o.side && text == o.text;
}

bool Junction::IsEqualContent(const Drawable& other) const {
    if (!Drawable::IsEqualContent(other))
        return false;
    const auto& o = static_cast<const Junction&>(other);
    return RefId(pivot_, pivotRef_) == RefId(o.pivot_, o.pivotRef_) && text == o.text;
}

// ---- primitives ----

bool LinePrimitive::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const LinePrimitive&>(other);
    return vertices == o.vertices && curved == o.curved;
}

bool LinePrimitive::IsEqualContent(const Drawable& other) const {
    return Drawable::IsEqualContent(other) &&
           vertices == static_cast<const LinePrimitive&>(other).vertices;
}

bool TextPrimitive::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const TextPrimitive&>(other);
    return text == o.text && textFlags == o.textFlags;
}

bool TextPrimitive::IsEqualContent(const Drawable& other) const {
    return Drawable::IsEqualContent(other) && text == static_cast<const TextPrimitive&>(other).text;
}

bool PrimitiveGroup::IsEqual(const Drawable& other) const {
    if (!Drawable::IsEqual(other))
        return false;
    const auto& o = static_cast<const PrimitiveGroup&>(other);
    return DrawableListsEqual(members_, o.members_) && SameIdLists(members_, o.members_);
}

bool PrimitiveGroup::IsEqualContent(const Drawable& other) const {
    // A group says nothing of its own: its frame and looks stand for it.
    return Drawable::IsEqual(other);
}

// ---- models ----

bool Model::IsEqual(const Model& o) const {
    return kind == o.kind && setting == o.setting && name == o.name && comment == o.comment &&
           modelFlags == o.modelFlags &&
           RefId(parentMaster, parentMasterRef) == RefId(o.parentMaster, o.parentMasterRef) &&
           pageMatrix == o.pageMatrix && DrawableListsEqual(Drawables(), o.Drawables());
}

bool Model::IsSameIdentity(const Model& o) const {
    if (kind != o.kind)
        return false;
    std::string_view mine = RefId(parentMaster, parentMasterRef);
    std::string_view theirs = RefId(o.parentMaster, o.parentMasterRef);
    if (!mine.empty() && !theirs.empty())
        return mine == theirs;
    if (!mine.empty() || !theirs.empty())
        return false;
    return name == o.name;
}

void Model::CollectAllDrawables(std::vector<Drawable*>& out) const {
    CollectFlat(Drawables(), out);
}

} // namespace qm
