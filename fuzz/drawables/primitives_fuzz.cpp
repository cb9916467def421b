// Fuzz target of the drawable records: any text is read expression by
// expression through the primitive factory ("line", "text", "box" and
// "group"), with the first byte choosing the file version (old or new), the
// template's map or the project's, the members-by-id switch and the paste's
// read map. What reads is bound, drawn, hit-tested and written; the written
// records are read into a fresh map and written again: both texts must
// agree. Then every drawable is moved, resized, turned and copied.
// Read-time evaluation is off: the input must not run code.
#include "drawables/FontFaceTable.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/RecordingDC.h"
#include "platform/Switches.h"

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

// Every drawable held by a group below the drawables of list.
void CollectMembers(const DrawableList& list, std::set<Drawable*>& held) {
    for (Drawable* d : list) {
        if (DrawableList* members = d->GetMemberList()) {
            held.insert(members->begin(), members->end());
            CollectMembers(*members, held);
        }
    }
}

// Drops from the top level what a group took over (by id).
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

std::string WriteAll(DrawableList& top, GuidScope& scope) {
    Cell* list = nil;
    for (auto it = top.rbegin(); it != top.rend(); ++it)
        list = mkcons((*it)->Persist(&scope, nil), list);
    return prettystring(list);
}

void CheckRoundTrip(DrawableList& top, GuidScope& scope) {
    const std::string first = WriteAll(top, scope);
    GuidMap project, templ;
    GuidScope again(&project, &templ, scope.current == scope.templateMap);
    DrawableList copy;
    LocalChannel in(first, ChanRead);
    for (Cell* at = readexpr(in.get()); at != nil; at = cdr(at)) {
        if (Drawable* d = qm::CreatePrimitiveFromRecord(car(at), &again))
            copy.push_back(d);
    }
    for (Drawable* d : copy)
        d->ResolveRefs(nullptr, &again, false);
    const std::string second = WriteAll(copy, again);
    Release(copy, again);
    if (first != second) {
        std::fprintf(stderr, "written:\n%s\nread back and written:\n%s\n", first.c_str(),
                     second.c_str());
        std::abort();
    }
}

// Draws and hit-tests every drawable, then moves, resizes, turns and copies it.
void Exercise(DrawableList& top) {
    qm::RecordingDC dc;
    for (Drawable* d : top) {
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
        if (Drawable* copy = qm::ClonePrimitive(nullptr, nullptr, *d)) {
            copy->SetDetached();
            delete copy;
        }
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
    (void)ready;
    prompts.asked.clear();
    table.Init();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;

    GuidMap project, templ;
    GuidScope scope(&project, &templ, (mode & 4) != 0);
    qm::ScopedReadFileVersion version((mode & 2) != 0 ? 4.0 : 8.0);
    DrawableList top;
    savemark();
    qm::SetGlobalReadMapActive((mode & 8) != 0);
    qm::Switches().membersById = (mode & 1) != 0;
    LocalChannel in(std::string(reinterpret_cast<const char*>(data), size), ChanRead);
    try {
        for (size_t i = 0; i <= size; ++i) {
            Cell* value = readexpr(in.get());
            if (value == KernelSyms.eof)
                break;
            try {
                if (Drawable* d = qm::CreatePrimitiveFromRecord(value, &scope))
                    top.push_back(d);
                DropAdopted(top);
            } catch (const qm::CKestException&) {
                resetstacks();
            } catch (const qm::CIgnoreException&) {
                resetstacks();
            }
        }
        for (Drawable* d : top)
            d->ResolveRefs(nullptr, &scope, false);
        qm::Switches().membersById = false;
        qm::SetGlobalReadMapActive(false);
        CheckRoundTrip(top, scope);
        Exercise(top);
    } catch (const qm::CKestException&) {
        resetstacks();
    } catch (const qm::CIgnoreException&) {
        resetstacks();
    }
    qm::Switches().membersById = false;
    qm::SetGlobalReadMapActive(false);
    Release(top, scope);
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
