// Fuzz target of the place, scenario place, junction and link records (and
// of groups holding them): any text is read expression by expression through
// the drawable factory, with the first byte choosing the file version,
// the members-by-id switch and whether a paste's read map is active. Links find their tools in the
// built-in template. What reads is bound and written; the written records
// are read into a fresh map, bound and written again: both texts must
// agree. Then everything is drawn, hit-tested, moved, resized, rerouted,
// reshaped and copied. Read-time evaluation is off: the input must not run
// code.
#include "drawables/DrawableFactory.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/NotationTemplate.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/TemplateFile.h"
#include "fuzz/FuzzKernel.h"
#include "fuzz/drawables/DrawableFuzz.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/RecordingDC.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace kest;
using qm::Drawable;
using qm::DrawableList;
using qm::GuidMap;
using qm::GuidScope;
using qm::GuidTree;

// Binds again what was written, into a fresh map.
void CheckRoundTrip(const DrawableList& top, GuidScope& scope) {
    GuidMap project;
    GuidScope again(&project, scope.templateMap, &project);
    fuzzsupport::CheckListRoundTrip(top, scope, again, fuzzsupport::CreateAgain,
                                    fuzzsupport::BindAll<DrawableList, GuidScope>);
}

void ExerciseLink(qm::Link& link) {
    qm::CRect dirty;
    int16_t knob = 1;
    link.UpdateRepaintRect();
    link.Reroute(0x3, false);
    link.KeepStepped(dirty, &knob);
    link.MakeStepped();
    link.Reroute(0x3, true);
    link.AddMidBend();
    link.MakeSelfLoop();
    link.LayoutName();
    link.NearestSegment(5, 5);
    link.IsOnPath(5, 5);
    qm::CRect fitted;
    link.FitLabel(nullptr, fitted);
    link.Clone();
}

void ExercisePlace(qm::Place& place, qm::RecordingDC& dc) {
    qm::CRect r;
    place.ComputeAutoSize(&dc, r);
    place.LayoutParameterBox(&dc, place.looks);
    place.SaveBounds();
    place.SetBounds(qm::CRect(10, 10, 90, 60));
    place.RestoreJunctionAnchors();
    if (!place.Junctions().empty()) {
        qm::Junction& j = *place.Junctions().front();
        j.SnapToPivot(200, -40, 1);
        j.DrawJunction(&dc, 0.5);
        qm::CPoint p;
        j.BoundaryPoint(-100, -100, j.point.x, j.point.y, p);
        j.Clone();
    }
    if (auto* scenario = dynamic_cast<qm::ScenarioPlace*>(&place)) {
        const qm::CPoint end = scenario->lifeLinePoint;
        scenario->AddCallBoxAt(end.x, end.y - 20);
        scenario->AddCallBoxAt(end.x, (place.bounds.bottom + end.y) / 2);
        scenario->MergeCallBox(1);
    }
}

// Draws and hit-tests every drawable, then moves, resizes and reshapes it.
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
        d->HitTest(d->bounds.left, d->bounds.bottom + 3, part, knob, 0);
        qm::CRect dirty;
        d->MoveBy(3, -2, dirty);
        if (auto* link = dynamic_cast<qm::Link*>(d.get()))
            ExerciseLink(*link);
        else if (auto* place = dynamic_cast<qm::Place*>(d.get()))
            ExercisePlace(*place, dc);
        dc.Clear();
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
    savemark();
    DrawableList top;
    const bool allRead = fuzzsupport::ReadDrawables(data, size, scope, choices, top);
    scope.membersById = false;
    scope.readMap = nullptr;
    if (allRead && fuzzsupport::BindAll(top, scope)) {
        fuzzsupport::Survive([&] {
            CheckRoundTrip(top, scope);
            Exercise(top);
        });
    }
    top.clear();
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
