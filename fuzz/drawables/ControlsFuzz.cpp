// Fuzz target of the control records: any text is read through the drawable
// factory, the first byte choosing file version, map, members by id and paste
// map. What reads is bound, written, read into a fresh map and written again
// (both texts must agree); then every control is drawn at three zooms,
// hit-tested, sized, given a member and tabs, selected into, moved and copied.
#include "drawables/DrawableFactory.h"
#include "drawables/UiControl.h"
#include "fuzz/FuzzKernel.h"
#include "fuzz/drawables/DrawableFuzz.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/RecordingDC.h"

#include <cstdint>
#include <memory>

namespace {

using namespace kest;
using qm::Drawable;
using qm::DrawableList;
using qm::GuidMap;
using qm::GuidScope;

// A model's selection as the containers' member selection sees it.
class SelectingModel : public qm::DrawableModel {
  public:
    const DrawableList& Drawables() const override { return list; }
    Drawable* AddDrawable(std::unique_ptr<Drawable> d) override {
        list.push_back(std::move(d));
        return list.back().get();
    }
    std::unique_ptr<Drawable> TakeDrawable(const Drawable* d) override {
        return qm::TakeFrom(list, d);
    }
    Drawable* FindObjectById(const char*) override { return nullptr; }
    void Select(Drawable* d, int on, int, int) override { d->SetSelected(on != 0); }
    bool IsToolModel() const override { return false; }
    DrawableList list;
};

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

void ExerciseControl(qm::UiControlPlace& control, qm::RecordingDC& dc) {
    qm::CSize size;
    qm::CRect content, dirty;
    control.GetDefaultSize(size, content);
    control.ResetLabelRect();
    std::unique_ptr<Drawable> member = qm::MakeUiControl(qm::TkUiButton, nullptr);
    member->bounds = qm::CRect(0, 0, 30, 12);
    control.AddMember(member);
    if (auto* group = dynamic_cast<qm::UiGroupBoxControl*>(&control)) {
        SelectingModel model;
        group->SelectMembersInRect(&model, 0, 0, nullptr, false);
        group->SelectMembersInRect(&model, 0, 0, &control.bounds, true);
        const qm::CRect corner(control.bounds.left, control.bounds.top, control.bounds.left,
                               control.bounds.top);
        group->SelectMembersInRect(&model, 0, 0, &corner, false);
    }
    if (auto* tabs = dynamic_cast<qm::UiTabControl*>(&control)) {
        tabs->AddTab(nullptr, -3, "first");
        tabs->AddTab(nullptr, 1 << 30, "last");
        tabs->SetCurrentPage(tabs->PageCount() - 1);
    }
    control.Draw(dc, nullptr, 1.5, nullptr, nullptr, 0);
    std::unique_ptr<qm::ModelObject> copy = control.Clone();
    copy->Assign(&control);
    control.Assign(copy.get());
    control.MoveBy(-7, 11, dirty);
    control.SetBounds(qm::CRect(5, 5, 120, 90));
    control.Draw(dc, nullptr, 1.0, nullptr, nullptr, 0);
}

// Draws and hit-tests every drawable, then works the controls' own operations.
void Exercise(const DrawableList& top) {
    qm::RecordingDC dc;
    for (const auto& d : top) {
        const qm::CRect frame(0, 0, 60, 40);
        for (double zoom : {1.0, 0.4, 2.5}) {
            d->Draw(dc, nullptr, zoom, nullptr, nullptr, 0);
            d->Draw(dc, nullptr, zoom, &d->bounds, &frame, 0);
            dc.Clear();
        }
        const qm::CRect& b = d->bounds;
        for (int i = 0; i <= 4; ++i) {
            int part = 0, knob = 0;
            const int64_t x = b.left + (int64_t(b.right) - b.left) * i / 4;
            const int64_t y = b.top + (int64_t(b.bottom) - b.top) * i / 4;
            d->HitTest(int(x), int(y), part, knob, 0);
        }
        if (auto* control = dynamic_cast<qm::UiControlPlace*>(d.get()))
            ExerciseControl(*control, dc);
        dc.Clear();
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
