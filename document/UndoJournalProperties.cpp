// The undo journal's records of properties and texts: Replace and Property
// Changes (the differences of an object's property list before and after),
// Text Edit, Place Master Switch, the renumbering of messages and the
// annotation toggles.
#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "document/UndoJournalRecords.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/Tag.h"
#include "kernel/Kernel.h"
#include "model/Master.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace qm {

using kest::Cell;
using kest::nil;

using namespace journal;

namespace {

// The index an annotation record keeps for a member of master: its place in
// the attribute list, else the attribute count plus its place in the method
// list; none for a member found in neither.
std::optional<int32_t> MemberIndex(const Master& master, const ModelObject* member) {
    for (size_t i = 0; i < master.attributes.size(); ++i) {
        if (master.attributes[i].get() == member)
            return static_cast<int32_t>(i);
    }
    for (size_t i = 0; i < master.methods.size(); ++i) {
        if (master.methods[i].get() == member)
            return static_cast<int32_t>(master.attributes.size() + i);
    }
    return std::nullopt;
}

} // namespace

// ---- property lists ----

Cell* UndoJournal::BuildReplaceForm(const FormArgs& args) {
    // One element per changed object: its id and the differences of its
    // copy from before the replace against it.
    Cell* elements = nil;
    for (size_t i = 0; i < pending_.changed.size(); ++i) {
        if (pending_.changed[i] == nullptr || pending_.previous[i] == nullptr)
            continue;
        Cell* diff = pending_.previous[i]->Props(&scope_, pending_.changed[i], nullptr, false);
        elements = kest::mkcons(
            kest::mkcons(Str(pending_.changed[i]->Id().Text()), diff == nullptr ? nil : diff),
            elements);
    }
    return kest::mkcons(args.head, kest::mkcons(args.id, kest::nreverse(elements)));
}

void UndoJournal::ReplayReplace(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    // Every object is looked up and every difference tried on a copy first,
    // so that a record that does not apply changes nothing.
    std::vector<std::pair<ModelObject*, Cell*>> changes;
    for (Cell* rest = fields; rest != nil;) {
        Cell* element = Next(rest);
        if (!kest::ispair(element) || !IsString(kest::car(element)))
            throw CKestException(kDamaged);
        ModelObject* object = nullptr;
        scope_.Lookup(kest::car(element)->a.str, object, true);
        std::unique_ptr<ModelObject> trial = object->Clone();
        if (trial == nullptr)
            throw CKestException(kDamaged);
        trial->SetDetached();
        trial->Props(&scope_, nullptr, kest::cdr(element), redo);
        changes.emplace_back(object, kest::cdr(element));
    }
    for (auto& [object, diff] : changes)
        object->Props(&scope_, nullptr, diff, redo);
    modelToShow_ = model;
}

Cell* UndoJournal::BuildPropertyForm(const FormArgs& args) {
    // The object and the differences of its copy from before the change
    // against it, then (placeId oldFlags newFlags) of the place whose
    // sheet it was: the first changed object that is a place without a
    // copy, its flags before the change given by SetSavedFlags. Nothing
    // when nothing differs.
    Cell* diff = nil;
    if (args.current != nullptr && !pending_.changed.empty() && pending_.previous[0] != nullptr) {
        if (Cell* props = pending_.previous[0]->Props(&scope_, args.current, nullptr, false))
            diff = props;
    }
    bool any = false;
    for (Cell* rest = diff; kest::ispair(rest); rest = kest::cdr(rest))
        any = any || kest::car(rest) != nil;
    Place* place = nullptr;
    for (size_t i = 0; i < pending_.changed.size() && place == nullptr; ++i) {
        if (pending_.previous[i] == nullptr)
            place = dynamic_cast<Place*>(pending_.changed[i]);
    }
    Cell* flags = nil;
    if (place != nullptr) {
        any = any || place->placeFlags != pending_.savedFlags;
        flags = kest::mklist(Str(place->Id().Text()), kest::mkint(int32_t(pending_.savedFlags)),
                             kest::mkint(int32_t(place->placeFlags)), nullptr);
    }
    if (!any)
        return nil;
    ModelObject* object = args.current != nullptr ? args.current : place;
    return kest::mklist(args.head, args.id, Str(object->Id().Text()), diff, flags, nullptr);
}

void UndoJournal::ReplayPropertyChanges(ChangeKind /*kind*/, Cell* form, bool redo) {
    // A change recorded without a model names no model: its object is
    // looked up in the template's map, then in the project's.
    Cell* fields = kest::cdr(form);
    Cell* id = Next(fields);
    Target target;
    if (!IsString(id) || id->a.str[0] != '\0')
        fields = CheckTarget(form, target);
    Cell* objectId = Next(fields);
    Cell* diff = Next(fields);
    Cell* flags = Next(fields);
    if (!IsString(objectId) || !kest::islist(diff) || !kest::islist(flags))
        throw CKestException(kDamaged);
    // The place's flag words, checked before anything changes.
    Place* place = nullptr;
    uint32_t placeFlags = 0;
    if (flags != nil) {
        Cell* placeId = Next(flags);
        Cell* before = Next(flags);
        Cell* after = Next(flags);
        if (!IsString(placeId) || !IsInteger(before) || !IsInteger(after) || flags != nil)
            throw CKestException(kDamaged);
        ModelObject* found = nullptr;
        scope_.Lookup(placeId->a.str, found, true);
        place = dynamic_cast<Place*>(found);
        if (place == nullptr)
            throw CKestException(kDamaged);
        placeFlags = uint32_t((redo ? after : before)->a.ival);
    }
    ModelObject* object = nullptr;
    if (target.model == nullptr) {
        GuidMap* maps[] = {document_.TemplateMap(), document_.ProjectMap()};
        for (GuidMap* map : maps) {
            if (object == nullptr && map != nullptr)
                object = map->Lookup(objectId->a.str);
        }
        if (object == nullptr)
            throw CKestException("GUID map lookup failed");
    } else {
        scope_.Lookup(objectId->a.str, object, true);
    }
    if (diff != nil) {
        std::unique_ptr<ModelObject> trial = object->Clone();
        if (trial == nullptr)
            throw CKestException(kDamaged);
        trial->SetDetached();
        trial->Props(&scope_, nullptr, diff, redo);
        object->Props(&scope_, nullptr, diff, redo);
    }
    if (place != nullptr)
        place->placeFlags = placeFlags;
    modelToShow_ = target.model;
}

// ---- texts ----

Cell* UndoJournal::BuildTextEditForm(const FormArgs& args) {
    ModelObject* current = args.current;
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // The object and its edited text before (from the copy taken when
    // the edit began) and after.
    auto* drawable = dynamic_cast<Drawable*>(current);
    if (drawable == nullptr && !drawables.empty())
        drawable = drawables.front();
    auto* before =
        pending_.previous.empty() ? nullptr : dynamic_cast<Drawable*>(pending_.previous[0].get());
    if (drawable == nullptr || before == nullptr)
        return nil;
    CRect rect;
    const std::string* oldText = before->GetEditableText(rect);
    const std::string* newText = drawable->GetEditableText(rect);
    if (oldText == nullptr || newText == nullptr)
        return nil;
    return kest::mklist(args.head, args.id, Str(drawable->Id().Text()), Str(oldText->c_str()),
                        Str(newText->c_str()), nullptr);
}

void UndoJournal::ReplayTextEdit(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    Drawable* drawable = LookupDrawable(Next(fields));
    const char* before = NextString(fields);
    const char* after = NextString(fields);
    CRect rect;
    std::string* text = drawable->GetEditableText(rect);
    if (text == nullptr)
        throw CKestException(kDamaged);
    *text = redo ? after : before;
    if (auto* link = dynamic_cast<Link*>(drawable))
        link->LayoutName();
    drawable->UpdateRepaintRect();
    toSelect_.push_back(drawable);
    modelToShow_ = model;
}

Cell* UndoJournal::BuildMasterSwitchForm(const FormArgs& args) {
    ModelObject* current = args.current;
    const std::vector<Drawable*> drawables = ChangedDrawables();
    // The place, its text before and after, and the masters it left
    // and took.
    auto* place = dynamic_cast<Place*>(current);
    if (place == nullptr && !drawables.empty())
        place = dynamic_cast<Place*>(drawables.front());
    if (place == nullptr)
        return nil;
    std::vector<ModelObject*> masters;
    for (ModelObject* object : pending_.changed) {
        if (dynamic_cast<Master*>(object) != nullptr)
            masters.push_back(object);
    }
    // A master the switch made for the new name (one not in the project
    // when the change began) is written whole with its place in the list:
    // undo takes it away again and redo brings it back under its id.
    Cell* made = nil;
    const auto& list = document_.Masters().Masters();
    for (size_t i = 0; !pending_.masterOrder.empty() && i < list.size(); ++i) {
        Master* master = list[i].get();
        if (master != place->master ||
            std::find(pending_.masterOrder.begin(), pending_.masterOrder.end(), master) !=
                pending_.masterOrder.end())
            continue;
        GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
        made =
            kest::mklist(master->Persist(&projectScope, nullptr), kest::mkint(int32_t(i)), nullptr);
    }
    return kest::mklist(args.head, args.id, Str(place->Id().Text()), Str(pending_.oldText.c_str()),
                        Str(pending_.newText.c_str()), IdList("master", masters), made, nullptr);
}

void UndoJournal::ReplayMasterSwitch(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    auto* place = dynamic_cast<Place*>(LookupDrawable(Next(fields)));
    const char* before = NextString(fields);
    const char* after = NextString(fields);
    const std::vector<std::string> masterIds = ReadIdList(Next(fields), "master");
    // The master the switch made, when it made one (older records lack it).
    Cell* made = kest::ispair(fields) ? Next(fields) : nil;
    Cell* madeRecord = nil;
    const char* madeId = nullptr;
    int32_t madePosition = 0;
    if (made != nil) {
        madeRecord = Next(made);
        madePosition = NextInt(made);
        madeId = MasterRecordId(madeRecord);
    }
    GuidScope projectScope(document_.ProjectMap(), document_.TemplateMap());
    Master* madeMaster = madeId != nullptr ? document_.Masters().FindByGuid(madeId) : nullptr;
    for (const std::string& masterId : masterIds) {
        // The made master is gone until a redo brings it back.
        if (redo && madeId != nullptr && madeMaster == nullptr && masterId == madeId)
            continue;
        ModelObject* object = nullptr;
        projectScope.Lookup(masterId.c_str(), object, true);
        if (dynamic_cast<Master*>(object) == nullptr)
            throw CKestException(kDamaged);
    }
    if (place == nullptr || place->master == nullptr)
        throw CKestException(kDamaged);
    if (redo && madeRecord != nil && madeMaster == nullptr) {
        // Back under its id and in its place; the rename below binds the
        // place to it and counts that use.
        auto master = std::make_unique<Master>(nullptr);
        try {
            master->Persist(&projectScope, madeRecord);
        } catch (...) {
            DestroyObject(std::move(master));
            throw;
        }
        if (master->Id().Text() != std::string(madeId)) {
            DestroyObject(std::move(master));
            throw CKestException(kDamaged);
        }
        master->refCount = 0;
        const size_t count = document_.Masters().Count();
        madeMaster = document_.InsertMasterAt(
            madePosition < 0 ? count : std::min(size_t(madePosition), count), std::move(master));
        madeMaster->ResolveRefs(&document_, &projectScope, false);
    }
    // The rename runs again with the other text: it finds the master of
    // that name (or renames the place's own), counting the uses.
    Master* master =
        document_.RenamePlaceMaster(place, redo ? after : before, place->master->nameSpace, false);
    if (master == nullptr)
        throw CKestException(kDamaged);
    place->master = master;
    // Undo takes away the master the switch made once nothing uses it.
    if (!redo && madeMaster != nullptr && madeMaster != master && madeMaster->refCount == 0) {
        if (std::unique_ptr<Master> owned = document_.Masters().Remove(madeMaster, false))
            held_.push_back(std::move(owned));
        DestroyHeld();
    }
    place->Relayout();
    place->UpdateRepaintRect();
    toSelect_.push_back(place);
    modelToShow_ = model;
}

Cell* UndoJournal::BuildRenumberForm(const FormArgs& args) {
    // (id before after textBefore textAfter) for each renumbered
    // message, in pick order. The texts restore a message that had no
    // number exactly, which its number 0 alone would not.
    Cell* entries = nil;
    for (size_t i = 0; i < pending_.changed.size(); ++i) {
        auto* floater = dynamic_cast<Floater*>(pending_.changed[i]);
        auto* before = dynamic_cast<Floater*>(pending_.previous[i].get());
        if (floater == nullptr || before == nullptr)
            continue;
        entries =
            kest::mkcons(kest::mklist(Str(floater->Id().Text()), kest::mkint(before->GetNumber()),
                                      kest::mkint(floater->GetNumber()), Str(before->text.c_str()),
                                      Str(floater->text.c_str()), nullptr),
                         entries);
    }
    return kest::mkcons(args.head, kest::mkcons(args.id, kest::nreverse(entries)));
}

void UndoJournal::ReplayRenumber(ChangeKind /*kind*/, Model* model, Cell* fields, bool redo) {
    struct Entry {
        Floater* floater;
        int32_t before;
        int32_t after;
        Cell* textBefore; // null in a record without the texts
        Cell* textAfter;
    };
    std::vector<Entry> entries;
    for (Cell* rest = fields; rest != nil;) {
        Cell* entry = Next(rest);
        Cell* id = Next(entry);
        Cell* before = Next(entry);
        Cell* after = Next(entry);
        if (!IsString(id) || !IsInteger(before) || !IsInteger(after))
            throw CKestException(kDamaged);
        Cell* textBefore = kest::ispair(entry) ? Next(entry) : nullptr;
        Cell* textAfter = kest::ispair(entry) ? Next(entry) : nullptr;
        if ((textBefore != nullptr && !IsString(textBefore)) ||
            (textAfter != nullptr && !IsString(textAfter)))
            throw CKestException(kDamaged);
        ModelObject* object = nullptr;
        scope_.Lookup(id->a.str, object, true);
        auto* floater = dynamic_cast<Floater*>(object);
        if (floater == nullptr)
            throw CKestException(kDamaged);
        entries.push_back({floater, before->a.ival, after->a.ival, textBefore, textAfter});
    }
    // A message picked twice: undo goes back through its numbers in reverse.
    auto apply = [](const Entry& entry, int32_t number, Cell* text) {
        if (text != nullptr)
            entry.floater->text = text->a.str;
        else
            entry.floater->SetNumber(number);
    };
    if (redo) {
        for (const Entry& entry : entries)
            apply(entry, entry.after, entry.textAfter);
    } else {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            apply(*it, it->before, it->textBefore);
    }
    // Each label is measured anew for its number, as renumbering did.
    for (const Entry& entry : entries) {
        entry.floater->MeasureLabel(&document_, model != nullptr ? model->zoom : 1.0);
        toSelect_.push_back(entry.floater);
    }
    modelToShow_ = model;
}

// ---- annotations ----

Cell* UndoJournal::BuildAnnotationForm(const FormArgs& args) {
    auto* place = dynamic_cast<Place*>(args.current);
    if (place == nullptr)
        throw CKestException("Annotation recorded without its place");
    Cell* indices = nil;
    for (ModelObject* member : pending_.changed) {
        if (member == nullptr) {
            indices = kest::mkcons(kest::mkint(-1), indices);
            continue;
        }
        if (place->GetMaster() == nullptr)
            continue;
        if (std::optional<int32_t> index = MemberIndex(*place->GetMaster(), member))
            indices = kest::mkcons(kest::mkint(*index), indices);
    }
    return kest::mkcons(args.head, kest::mkcons(args.id, kest::mkcons(Str(place->Id().Text()),
                                                                      kest::nreverse(indices))));
}

void UndoJournal::ReplayAnnotation(ChangeKind /*kind*/, Model* model, Cell* fields, bool /*redo*/) {
    Cell* placeId = Next(fields);
    if (!IsString(placeId))
        throw CKestException(kDamaged);
    ModelObject* object = nullptr;
    scope_.Lookup(placeId->a.str, object, true);
    auto* place = dynamic_cast<Place*>(object);
    if (place == nullptr)
        throw CKestException(kDamaged);
    Master* master = place->GetMaster();
    const int32_t attributes =
        master != nullptr ? static_cast<int32_t>(master->attributes.size()) : 0;
    const int32_t members =
        attributes + (master != nullptr ? static_cast<int32_t>(master->methods.size()) : 0);
    std::vector<int32_t> indices;
    for (Cell* rest = fields; rest != nil;) {
        Cell* index = Next(rest);
        if (!IsInteger(index) || index->a.ival < -1 || index->a.ival >= members)
            throw CKestException(kDamaged);
        indices.push_back(index->a.ival);
    }
    // The same toggles undo and redo.
    for (int32_t index : indices) {
        if (index == -1)
            place->placeFlags ^= PfCompartments;
        else if (index < attributes)
            master->attributes[static_cast<size_t>(index)]->mode ^= ModeAnnotate;
        else
            master->methods[static_cast<size_t>(index - attributes)]->mode ^= ModeAnnotate;
    }
    toSelect_.push_back(place);
    modelToShow_ = model;
}

Cell* UndoJournal::BuildAnnotationsForm(const FormArgs& args) {
    Cell* entries = nil;
    for (ModelObject* drawable : pending_.changed) {
        if (drawable != nullptr)
            entries = kest::mkcons(Str(drawable->Id().Text()), entries);
    }
    return kest::mkcons(args.head, kest::mkcons(args.id, kest::nreverse(entries)));
}

void UndoJournal::ReplayAnnotations(ChangeKind /*kind*/, Model* model, Cell* fields,
                                    bool /*redo*/) {
    // The changes themselves are the annotation records of the group;
    // this one only selects the drawables.
    std::vector<Drawable*> drawables;
    for (Cell* rest = fields; rest != nil;) {
        Cell* id = Next(rest);
        if (!IsString(id))
            throw CKestException(kDamaged);
        ModelObject* object = nullptr;
        scope_.Lookup(id->a.str, object, true);
        if (auto* drawable = dynamic_cast<Drawable*>(object))
            drawables.push_back(drawable);
    }
    toSelect_ = std::move(drawables);
    modelToShow_ = model;
}

} // namespace qm
