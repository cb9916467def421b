// Fuzz target of the drawable records: any text is read expression by
// expression through the drawable factory ("line", "text", "box" and
// "group"), with the first byte choosing the file version (old or new), the
// template's map or the project's, the members-by-id switch and the paste's
// read map. The drawables read are held as a change's objects are, so that
// groups read by id take them over. What reads is bound, drawn, hit-tested
// and written; the written records are read into a fresh map and written
// again: both texts must agree. Then every drawable is moved, resized,
// turned and copied. Read-time evaluation is off: the input must not run code.
#include "drawables/DrawableFactory.h"
#include "drawables/FontFaceTable.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "fuzz/FuzzKernel.h"
#include "fuzz/drawables/DrawableFuzz.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/RecordingDC.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace kest;
using qm::Drawable;
using qm::DrawableList;
using qm::GuidMap;
using qm::GuidScope;
using qm::GuidTree;

// Reads what was written into fresh maps; a reference that does not
// resolve fails the input as it failed the first binding.
void CheckRoundTrip(const DrawableList& top, GuidScope& scope) {
    GuidMap project, templ;
    GuidScope again(&project, &templ, scope.current == scope.templateMap);
    fuzzsupport::CheckListRoundTrip(top, scope, again, fuzzsupport::CreateAgain,
                                    [](const DrawableList& copy, GuidScope& in) {
                                        for (const auto& d : copy)
                                            d->ResolveRefs(nullptr, &in, false);
                                        return true;
                                    });
}

// Draws and hit-tests every drawable, then moves, resizes, turns and copies it.
void Exercise(const DrawableList& top) {
    qm::RecordingDC dc;
    for (const auto& d : top) {
        for (double zoom : {1.0, 0.3}) {
            d->Draw(dc, nullptr, zoom, nullptr, nullptr, 0);
            d->InvertKnobs(dc, zoom);
        }
        const qm::CRect frame(0, 0, 50, 50);
        d->DrawOnSegment(dc, 1, &d->bounds, &frame, 0, 0, 100, 30, nullptr, 1.0, 0);
        dc.Clear();
        int part = 0, knob = 0;
        const qm::CPoint c = d->bounds.CenterPoint();
        d->HitTest(c.x, c.y, part, knob, 0x8);
        d->HitTest(d->bounds.left, d->bounds.top, part, knob, 0);
        qm::CRect dirty;
        d->MoveBy(3, -2, dirty);
        d->FlipOrRotate(2, d->bounds, dirty);
        d->FlipOrRotate(0, d->bounds, dirty);
        d->SetBounds(qm::CRect(10, 10, 90, 60));
        qm::ClonePrimitive(nullptr, nullptr, *d);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t mode = 0;
    if (!fuzzsupport::BeginDrawableInput(data, size, mode))
        return 0;
    GuidMap project, templ;
    GuidScope scope(&project, &templ, (mode & 4) != 0);
    fuzzsupport::ReadChoices choices(scope, mode);
    savemark();
    DrawableList top;
    const bool allRead = fuzzsupport::ReadDrawables(data, size, scope, choices, top);
    if (allRead) {
        fuzzsupport::Survive([&] {
            for (const auto& d : top)
                d->ResolveRefs(nullptr, &scope, false);
            scope.membersById = false;
            scope.readMap = nullptr;
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
