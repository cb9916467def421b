// The find-and-replace engine: runs of the five modes over the document's
// models and the match list.
//
// Design: the engine never looks at texts itself. Each model searches its own
// texts and then its drawables one hit at a time (Model::FindReplaceStep),
// and the engine walks the models in list order (backwards for Find
// Previous), wrapping around, until the mode is satisfied or the walk comes
// back to the model it started in. Between runs the position is kept as the
// model index, the model's two phase flags and a handle of the drawable of
// the last hit, so a drawable that went meanwhile resolves to nothing and the
// model is searched from its start.
#include "dialogs/find/FindEngine.h"

#include "document/CCASEDoc.h"
#include "document/UndoJournal.h"
#include "drawables/Drawable.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/Tag.h"
#include "model/Master.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace qm {

namespace {

ObjectHandle HandleOf(CCASEDoc& document, const ModelObject* object) {
    return object == nullptr ? ObjectHandle() : ObjectHandle(object, &document.IdMap());
}

CRect Zoomed(const CRect& rect, double zoom) {
    auto scale = [zoom](int32_t v) { return static_cast<int32_t>(std::lround(v * zoom)); };
    return CRect(scale(rect.left), scale(rect.top), scale(rect.right), scale(rect.bottom));
}

} // namespace

std::string MatchLineText(const Model& model, const Drawable* drawable, int count) {
    if (drawable == nullptr)
        return Format("Model %s: %d hits", model.name.c_str(), count);
    if (drawable->IsPlace()) {
        const auto* place = dynamic_cast<const Place*>(drawable);
        const std::string master =
            place != nullptr && place->master != nullptr ? place->master->name : "";
        return Format("%s/Place %s: %d hits", model.name.c_str(), master.c_str(), count);
    }
    if (const auto* link = dynamic_cast<const Link*>(drawable))
        return Format("%s/Link %s: %d hits", model.name.c_str(), link->name.c_str(), count);
    if (const auto* tag = dynamic_cast<const Tag*>(drawable))
        return Format("%s/Tag %s: %d hits", model.name.c_str(), tag->text.c_str(), count);
    return "";
}

// ---- the match list ----

void FindMatchList::AddMatch(CCASEDoc& document, Model& model, Drawable* drawable, int count) {
    FindMatch match;
    match.line = MatchLineText(model, drawable, count);
    match.modelIndex = static_cast<int>(document.GetModelIndex(&model));
    match.model = HandleOf(document, &model);
    match.drawable = HandleOf(document, drawable);
    matches_.push_back(std::move(match));
}

bool FindMatchList::GoToMatch(CCASEDoc& document, size_t index, FindHost& host) const {
    if (index >= matches_.size())
        return false;
    const FindMatch& match = matches_[index];
    auto* model = match.model.As<Model>();
    if (model == nullptr || match.modelIndex < 0 ||
        document.GetModelAt(static_cast<size_t>(match.modelIndex)) != model)
        return false;
    if (match.drawable.IsEmpty()) {
        host.ShowModelProperties(*model);
        return true;
    }
    auto* drawable = match.drawable.As<Drawable>();
    if (drawable == nullptr)
        return false;
    const DrawableList& list = model->Drawables();
    if (FindIn(list, drawable) == list.end())
        return false;
    host.ShowDrawable(*model, drawable);
    return true;
}

// ---- the engine ----

void FindEngine::SetDocument(CCASEDoc& document) {
    if (&document != document_)
        matches_.ClearMatchList();
    document_ = &document;
    ResetPosition();
}

void FindEngine::ResetPosition() {
    modelIndex_ = 0;
    started_ = false;
    exhausted_ = false;
    current_ = ObjectHandle();
}

Drawable* FindEngine::CurrentDrawable() const {
    return current_.As<Drawable>();
}

void FindEngine::PrepareStart(FindMode mode, int count) {
    switch (mode) {
    case FindMode::Next:
    case FindMode::Replace:
        if (modelIndex_ >= count || modelIndex_ < 0) {
            modelIndex_ = 0;
            started_ = exhausted_ = false;
        }
        break;
    case FindMode::Previous:
        // A model list that shrank since the last run also lands on the last model.
        if (modelIndex_ < 0 || modelIndex_ >= count) {
            modelIndex_ = count - 1;
            started_ = exhausted_ = false;
        }
        break;
    case FindMode::All:
    case FindMode::ReplaceAll:
        modelIndex_ = 0;
        started_ = exhausted_ = false;
        current_ = ObjectHandle();
        break;
    }
}

FindResult FindEngine::FindInModels(FindMode mode, const std::string& word,
                                    const std::string& replacement, int options, FindHost& host) {
    FindResult result;
    const FindMode runMode = mode;
    CCASEDoc& document = *document_;
    const int count = static_cast<int>(document.ModelCount());
    if (count == 0)
        return result;
    const bool replacing = mode == FindMode::Replace || mode == FindMode::ReplaceAll;
    int flags = options & (FoNameOnly | FoMatchCase | FoWholeWords);
    if (replacing)
        flags |= FoReplacing;

    PrepareStart(mode, count);
    const int start = modelIndex_;
    // The run's replacements are one change of the document's journal.
    std::optional<JournalChange> change;
    if (replacing)
        change.emplace(document.GetJournal(), ChangeKind::Replace);
    // A master shown by several places is replaced in once per run.
    document.Masters().MarkAll(0);
    matches_.ClearMatchList();
    host.ApplyAndHidePropertySheet();

    Drawable* current = current_.As<Drawable>();
    Model* model = document.GetModelAt(static_cast<size_t>(modelIndex_));
    Model* lastModel = model;
    bool going = model != nullptr;
    while (going && result.passes < kMaxFindPasses) {
        ++result.passes;
        lastModel = model;
        const bool inDrawables = started_;
        Drawable* before = inDrawables ? current : nullptr;
        ModelObject* found = nullptr;
        int replaced = 0;
        const int hits = model->FindReplaceStep(&document, true, word, replacement, flags, current,
                                                found, replaced, started_, exhausted_);
        result.replacements += (flags & FoReplacing) != 0 ? replaced : 0;
        switch (mode) {
        case FindMode::Next:
        case FindMode::Previous:
            if (hits > 0) {
                matches_.AddMatch(document, *model, current, hits);
                host.ShowDrawable(*model, current);
                going = false;
            }
            break;
        case FindMode::All:
            if (hits > 0)
                matches_.AddMatch(document, *model, current, hits);
            break;
        case FindMode::Replace:
            if (replaced > 0) {
                matches_.AddMatch(document, *model, before, replaced);
                if (before != nullptr)
                    host.InvalidateRect(*model, Zoomed(before->repaintRect, model->zoom));
                // The rest of the run only finds: what it stops at is
                // replaced by the next Replace, once the user has seen it.
                mode = FindMode::Next;
                flags &= ~FoReplacing;
            }
            // A step in the drawables that found a hit stopped at the next
            // one: that is shown, as Find Next shows it.
            if (inDrawables && hits > 0) {
                matches_.AddMatch(document, *model, current, hits);
                host.ShowDrawable(*model, current);
                going = false;
            }
            break;
        case FindMode::ReplaceAll:
            if (replaced > 0) {
                matches_.AddMatch(document, *model, before, replaced);
                if (before != nullptr && model == document.CurrentModel())
                    host.InvalidateRect(*model, Zoomed(before->repaintRect, model->zoom));
            }
            break;
        }
        if (!going || !(started_ && exhausted_))
            continue;
        started_ = exhausted_ = false;
        current = nullptr;
        modelIndex_ += mode == FindMode::Previous ? -1 : 1;
        if (modelIndex_ >= count)
            modelIndex_ = 0;
        else if (modelIndex_ < 0)
            modelIndex_ = count - 1;
        if (modelIndex_ == start)
            going = false;
        else
            model = document.GetModelAt(static_cast<size_t>(modelIndex_));
    }
    current_ = HandleOf(document, current);

    result.found = !matches_.Matches().empty();
    if (!result.found)
        MessageBox(kNoFurtherMatch, PromptIcon::Information);
    else
        result.showMatchList = runMode == FindMode::All || runMode == FindMode::ReplaceAll;
    // Only a run that changed something becomes an undo step: an empty one
    // would mark an unchanged project modified.
    if (change && result.replacements > 0 && lastModel != nullptr)
        change->Record(runMode == FindMode::ReplaceAll ? "Replace All" : "Replace", lastModel,
                       nullptr);
    return result;
}

} // namespace qm
