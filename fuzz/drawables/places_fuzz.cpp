// Fuzz target of the place, scenario place, junction and link records (and
// of groups holding them): any text is read expression by expression through
// the drawable factory, with the first byte choosing the file version and
// whether a paste's read map is active. Links find their tools in the
// built-in template. What reads is bound and written; the written records
// are read into a fresh map, bound and written again: both texts must
// agree. Then everything is drawn, hit-tested, moved, resized, rerouted,
// reshaped and copied. Read-time evaluation is off: the input must not run
// code.
#include "drawables/FontFaceTable.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/NotationTemplate.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/TemplateFile.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/RecordingDC.h"
#include "platform/Switches.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

namespace {

using namespace kest;
using qm::Drawable;
using qm::DrawableList;
using qm::GuidMap;
using qm::GuidScope;

void CollectMembers(const DrawableList& list, std::set<Drawable*>& held) {
    for (Drawable* d : list) {
        if (DrawableList* members = d->GetMemberList()) {
            held.insert(members->begin(), members->end());
            CollectMembers(*members, held);
        }
    }
}

void DropAdopted(DrawableList& top) {
    std::set<Drawable*> held;
    CollectMembers(top, held);
    top.remove_if([&](Drawable* d) { return held.count(d) != 0; });
}

void Release(DrawableList& top, GuidScope& scope) {
    for (Drawable* d : top)
        qm::DiscardDrawable(d, &scope);
    top.clear();
}

// Binds every drawable; one whose references do not resolve is dropped, as
// a project whose records name missing objects does not load.
void Bind(DrawableList& top, GuidScope& scope) {
    for (auto it = top.begin(); it != top.end();) {
        try {
            (*it)->ResolveRefs(nullptr, &scope, false);
            ++it;
        } catch (const qm::CKestException&) {
            resetstacks();
            qm::DiscardDrawable(*it, &scope);
            it = top.erase(it);
        }
    }
}

std::string WriteAll(DrawableList& top, GuidScope& scope) {
    Cell* list = nil;
    for (auto it = top.rbegin(); it != top.rend(); ++it)
        list = mkcons((*it)->Persist(&scope, nil), list);
    return prettystring(list);
}

void ReadAll(const std::string& text, GuidScope& scope, DrawableList& into) {
    LocalChannel in(text, ChanRead);
    for (Cell* at = readexpr(in.get()); at != nil; at = cdr(at)) {
        if (Drawable* d = qm::DrawableEnv().CreateDrawableFromSymbol(car(at), &scope))
            into.push_back(d);
    }
}

void CheckRoundTrip(DrawableList& top, GuidScope& scope) {
    const std::string first = WriteAll(top, scope);
    GuidMap project;
    GuidScope again(&project, scope.templateMap, &project);
    DrawableList copy;
    ReadAll(first, again, copy);
    Bind(copy, again);
    const std::string second = WriteAll(copy, again);
    Release(copy, again);
    if (first != second) {
        std::fprintf(stderr, "written:\n%s\nread back and written:\n%s\n", first.c_str(),
                     second.c_str());
        std::abort();
    }
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
    std::unique_ptr<qm::ModelObject> copy(link.Clone(nullptr));
    if (copy != nullptr)
        copy->SetDetached();
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
        std::unique_ptr<qm::ModelObject> copy(j.Clone(nullptr));
        copy->SetDetached();
    }
    if (auto* scenario = dynamic_cast<qm::ScenarioPlace*>(&place)) {
        const qm::CPoint end = scenario->lifeLinePoint;
        scenario->AddCallBoxAt(end.x, end.y - 20);
        scenario->AddCallBoxAt(end.x, (place.bounds.bottom + end.y) / 2);
        scenario->MergeCallBox(1);
    }
}

// Draws and hit-tests every drawable, then moves, resizes and reshapes it.
void Exercise(DrawableList& top) {
    qm::RecordingDC dc;
    for (Drawable* d : top) {
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
        if (auto* link = dynamic_cast<qm::Link*>(d))
            ExerciseLink(*link);
        else if (auto* place = dynamic_cast<qm::Place*>(d))
            ExercisePlace(*place, dc);
        dc.Clear();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::FontFaceTable table;
    static bool ready = [] {
        qm::SetFontFaceTable(&table);
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(fuzzsupport::LoopbackHost);
        return true;
    }();
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static qm::NotationTemplate notation;
    static bool toolsReady = [] {
        savemark();
        qm::CreateTemplate(notation, qm::kInternalTemplateName);
        restoremark();
        return true;
    }();
    (void)ready;
    (void)toolsReady;
    prompts.asked.clear();
    table.Init();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;

    GuidMap project;
    GuidScope scope(&project, &notation.guidMap, &project);
    qm::ScopedReadFileVersion version((mode & 2) != 0 ? 4.0 : 8.0);
    DrawableList top;
    savemark();
    qm::SetGlobalReadMapActive((mode & 8) != 0);
    LocalChannel in(std::string(reinterpret_cast<const char*>(data), size), ChanRead);
    try {
        for (size_t i = 0; i <= size; ++i) {
            Cell* value = readexpr(in.get());
            if (value == KernelSyms.eof)
                break;
            try {
                if (Drawable* d = qm::DrawableEnv().CreateDrawableFromSymbol(value, &scope))
                    top.push_back(d);
                DropAdopted(top);
            } catch (const qm::CKestException&) {
                resetstacks();
            } catch (const qm::CIgnoreException&) {
                resetstacks();
            }
        }
        qm::SetGlobalReadMapActive(false);
        Bind(top, scope);
        CheckRoundTrip(top, scope);
        Exercise(top);
    } catch (const qm::CKestException&) {
        resetstacks();
    } catch (const qm::CIgnoreException&) {
        resetstacks();
    }
    qm::SetGlobalReadMapActive(false);
    Release(top, scope);
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
