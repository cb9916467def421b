// Fuzz target of the tag, floater, place group and swimlane records and of
// whole customModel records: any text is read expression by expression;
// a customModel record becomes a custom or sequence model (by its kind),
// anything else goes through the drawable factory. The first byte chooses the
// file version, the members-by-id switch and whether a paste's read map is
// active. Links find their tools in the built-in template. What reads is
// bound and written; the written records are read into a fresh map, bound and
// written again: both texts must agree. Then everything is drawn, hit-tested,
// moved, laid out, numbered and printed onto a recording paged device.
// Read-time evaluation is off: the input must not run code.
#include "drawables/CustomModel.h"
#include "drawables/DrawableFactory.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/ModelPrinting.h"
#include "drawables/NotationTemplate.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/Tag.h"
#include "drawables/TemplateFile.h"
#include "fuzz/FuzzKernel.h"
#include "fuzz/drawables/DrawableFuzz.h"
#include "kernel/Kernel.h"
#include "kernel/Predefined.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/PagedDevice.h"
#include "platform/RecordingDC.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kest;
using qm::Drawable;
using qm::DrawableList;
using qm::GuidMap;
using qm::GuidScope;
using qm::GuidTree;
using qm::Model;

// The model class of a customModel record's kind (its third element).
std::unique_ptr<qm::CustomModel> ModelFor(Cell* record, GuidMap* map) {
    Cell* rest = cdr(record);
    if (!ispair(rest) || !ispair(cdr(rest)))
        return std::make_unique<qm::CustomModel>(map);
    Cell* kind = car(cdr(rest));
    if (kind->type == TInteger && kind->a.ival == qm::MkSequence)
        return std::make_unique<qm::SequenceModel>(map);
    return std::make_unique<qm::CustomModel>(map);
}

// Reads a model record; a refused one leaves the map as it was.
std::unique_ptr<qm::CustomModel> ReadModel(Cell* record, GuidScope& scope) {
    std::unique_ptr<qm::CustomModel> model = ModelFor(record, scope.current);
    try {
        model->Persist(nullptr, &scope, record);
    } catch (...) {
        model->Detach(&scope);
        throw;
    }
    return model;
}

std::string WriteModel(qm::CustomModel& model, GuidScope& scope) {
    return prettystring(model.Persist(nullptr, &scope, nil));
}

// Enters the drawables of list (with members and junctions) in map.
void RegisterAll(const DrawableList& list, GuidMap& map, int depth) {
    for (const auto& d : list) {
        map.Add(d.get());
        if (auto* place = dynamic_cast<qm::Place*>(d.get())) {
            for (const auto& junction : place->Junctions())
                map.Add(junction.get());
        }
        if (DrawableList* members = d->GetMemberList(); members != nullptr && depth < 100)
            RegisterAll(*members, map, depth + 1);
    }
}

// Top-level drawables may name drawables of the models read beside them:
// those stay where they are and are entered in the fresh map.
void CheckRoundTrip(const DrawableList& top, GuidScope& scope,
                    const std::vector<std::unique_ptr<qm::CustomModel>>& models) {
    GuidMap project;
    for (const auto& model : models) {
        project.Add(model.get());
        RegisterAll(model->Drawables(), project, 0);
    }
    GuidScope again(&project, scope.templateMap, &project);
    fuzzsupport::CheckListRoundTrip(top, scope, again, fuzzsupport::CreateAgain,
                                    fuzzsupport::BindAll<DrawableList, GuidScope>);
}

void CheckModelRoundTrip(qm::CustomModel& model, GuidScope& scope) {
    fuzzsupport::CheckRoundTrip(WriteModel(model, scope), [&](Cell* value) {
        GuidMap project;
        GuidScope again(&project, scope.templateMap, &project);
        std::unique_ptr<qm::CustomModel> copy;
        if (!fuzzsupport::Survive([&] { copy = ReadModel(value, again); })) {
            std::fprintf(stderr, "what was written does not read again\n");
            std::abort();
        }
        std::string text = WriteModel(*copy, again);
        copy->Detach(&again);
        return text;
    });
}

void ExerciseOne(Drawable& d, qm::RecordingDC& dc) {
    qm::CRect dirty;
    if (auto* floater = dynamic_cast<qm::Floater*>(&d)) {
        floater->GetNumber();
        floater->SetNumber(7);
        floater->Reanchor();
        floater->MoveNearSegment(d.bounds.left, d.bounds.top - 3, false);
        floater->flags |= qm::MoDragged;
        floater->MoveBy(40, 25, dirty);
        floater->flags &= ~qm::MoDragged;
        floater->WrapText(dc, 0.7);
        floater->Clone();
    } else if (auto* tag = dynamic_cast<qm::Tag*>(&d)) {
        tag->ComputeAnchor();
        tag->Relayout(dc, 1.5, dirty);
    }
    if (auto* lane = dynamic_cast<qm::Swimlane*>(&d)) {
        lane->GetDragLimits(dirty);
        lane->Unlink(false);
        lane->Relink();
    }
    if (auto* group = dynamic_cast<qm::PlaceGroup*>(&d)) {
        qm::CRect content;
        group->GetContentRect(content, 1);
        group->MaxFloaterNumber();
        qm::DrawableRefList links;
        group->CollectLinks(links);
        std::vector<std::string> names;
        group->CollectMasterNames(names);
        const qm::CPoint c = d.bounds.CenterPoint();
        group->GroupAt(c.x, c.y, nullptr);
        group->FindDropTarget(&d);
        group->dropState = 2;
        group->DrawDropHighlight(dc, 0.5);
        group->FitTo(d.bounds, dirty);
        group->GetAnchorRect(content, 2, false);
    }
}

// Draws and hit-tests every drawable, then moves and lays it out.
void Exercise(const DrawableList& top) {
    qm::RecordingDC dc;
    for (const auto& d : top) {
        for (double zoom : {1.0, 0.3}) {
            d->Draw(dc, nullptr, zoom, nullptr, nullptr, 0);
            d->InvertKnobs(dc, zoom);
        }
        dc.Clear();
        int part = 0, knob = 0;
        const qm::CPoint c = d->bounds.CenterPoint();
        d->HitTest(c.x, c.y, part, knob, 0x8);
        d->HitTest(d->bounds.left + 1, d->bounds.top + 1, part, knob, 0);
        qm::CRect dirty;
        d->MoveBy(3, -2, dirty);
        ExerciseOne(*d, dc);
        dc.Clear();
    }
}

void ExerciseModel(qm::CustomModel& model) {
    qm::RecordingDC dc;
    model.Draw(dc, false);
    const qm::CRect page = model.pageMatrix;
    const int32_t width = std::max<int32_t>(1, page.Width() / 2 + 1);
    const int32_t height = std::max<int32_t>(1, page.Height() / 2 + 1);
    qm::RecordingPagedDevice device(width);
    int number = 1;
    model.PrintPages(qm::PrintJob{"fuzz", nullptr}, device, 0xC0, number, width, height, 1.0);
    model.PrintPages(qm::PrintJob{"fuzz", nullptr}, device, 0x80, number, width, height, 1.0);
    model.GetMaxMessageNumber();
    model.ToggleRenumberMessages();
    qm::CRect rect;
    for (const auto& d : model.Drawables()) {
        if (auto* floater = dynamic_cast<qm::Floater*>(d.get()))
            model.PickMessage(floater, false, rect);
    }
    model.ToggleRenumberMessages();
    qm::DrawableRefList marked;
    if (!model.Drawables().empty())
        model.MarkNodeDrawables(model.Drawables().front().get(), marked);
    model.UpdatePlaces();
    if (auto* sequence = dynamic_cast<qm::SequenceModel*>(&model)) {
        for (const auto& d : model.Drawables()) {
            if (auto* place = dynamic_cast<qm::ScenarioPlace*>(d.get()))
                sequence->ExtendLifeline(*place, 30, rect);
            if (auto* link = dynamic_cast<qm::Link*>(d.get())) {
                sequence->CompareLifelines(*link);
                sequence->FitCallBoxes(*link, 0x3, rect);
            }
        }
        sequence->ShiftAll(10, rect);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t mode = 0;
    if (!fuzzsupport::BeginDrawableInput(data, size, mode))
        return 0;
    // Links find their tools in the built-in template.
    qm::NotationTemplate& notation = fuzzsupport::BuiltInNotation();
    GuidMap project;
    GuidScope scope(&project, &notation.guidMap, &project);
    fuzzsupport::ReadChoices choices(scope, mode);
    std::vector<std::unique_ptr<qm::CustomModel>> models;
    savemark();
    DrawableList top;
    const bool allRead =
        fuzzsupport::ReadDrawables(data, size, scope, choices, top, [&](Cell* value) {
            if (!ispair(value) || car(value) != sym::customModel)
                return false;
            models.push_back(ReadModel(value, scope));
            return true;
        });
    scope.membersById = false;
    scope.readMap = nullptr;
    if (allRead && fuzzsupport::BindAll(top, scope)) {
        fuzzsupport::Survive([&] {
            CheckRoundTrip(top, scope, models);
            for (auto& model : models)
                CheckModelRoundTrip(*model, scope);
            Exercise(top);
            for (auto& model : models) {
                Exercise(model->Drawables());
                ExerciseModel(*model);
            }
        });
    }
    top.clear();
    models.clear();
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
