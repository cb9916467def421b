// The primitive makers: VxMakeLine, VxMakeBox and VxMakeText.
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/Model.h"
#include "drawables/Primitives.h"
#include "kernel/Symbol.h"
#include "scripting/MakerClauses.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <algorithm>
#include <memory>

namespace qm {

using namespace kest;

namespace {

GuidMap* ProjectMapOf(Model* model) {
    if (auto* custom = dynamic_cast<CustomModel*>(model))
        if (custom->Document() != nullptr)
            return custom->Document()->ProjectMap();
    CCASEDoc* project = RunContext().project;
    return project != nullptr ? &project->IdMap() : nullptr;
}

Model* ModelTarget(MakerForm& form) {
    return static_cast<Model*>(
        static_cast<ModelObject*>(form.Target(RefModel, kModelReferenceExpected)));
}

// The symbol's position in names, or -1 (symbols compared by identity).
int SymbolIndex(Cell* value, std::initializer_list<const char*> names) {
    int i = 0;
    for (const char* name : names) {
        if (value == intern(name))
            return i;
        ++i;
    }
    return -1;
}

Cell* Finish(Model* model, std::unique_ptr<Drawable> drawable, GuidMap* map) {
    drawable->UpdateRepaintRect();
    Drawable* made = drawable.get();
    model->drawables.push_back(std::move(drawable));
    MarkRunProjectModified();
    return MakeObjectRef(made, RefPrimitive, RunContext().project, map);
}

} // namespace

Cell* VxMakeLine(Symbol* self) {
    MakerForm form(self);
    Model* model = ModelTarget(form);
    GuidMap* map = ProjectMapOf(model);
    auto line = std::make_unique<LinePrimitive>(map);
    int code = 26;
    std::vector<CPoint> points;
    while (form.Next()) {
        if (form.Is("tool")) {
            static const int kCodes[] = {26, 27, 32};
            const int index = SymbolIndex(form.First(), {"line", "polyline", "polygon"});
            if (index < 0)
                form.Fail("invalid line tool", form.First());
            code = kCodes[index];
        } else if (form.Is("looks")) {
            form.ReadLooks(line->looks, false);
        } else if (form.Is("points")) {
            points = form.Points();
        } else {
            form.BadTag();
        }
    }
    if (!line->SetPoints(code, int(points.size()), points.data()))
        form.Fail("too many points", nil);
    if (!points.empty()) {
        CRect bounds(points[0].x, points[0].y, points[0].x, points[0].y);
        for (const CPoint& p : points) {
            bounds.left = std::min(bounds.left, p.x);
            bounds.top = std::min(bounds.top, p.y);
            bounds.right = std::max(bounds.right, p.x);
            bounds.bottom = std::max(bounds.bottom, p.y);
        }
        line->bounds = bounds;
    }
    return Finish(model, std::move(line), map);
}

Cell* VxMakeBox(Symbol* self) {
    MakerForm form(self);
    Model* model = ModelTarget(form);
    GuidMap* map = ProjectMapOf(model);
    auto box = std::make_unique<BoxPrimitive>(map);
    box->kindCode = 29;
    while (form.Next()) {
        if (form.Is("tool")) {
            static const int kCodes[] = {29, 30, 31, 49};
            const int index =
                SymbolIndex(form.First(), {"rectangle", "roundRectangle", "ellipse", "icon"});
            if (index < 0)
                form.Fail("invalid box tool", form.First());
            box->kindCode = kCodes[index];
        } else if (form.Is("looks")) {
            form.ReadLooks(box->looks, false);
        } else if (form.Is("rect")) {
            box->bounds = form.Rect();
        } else if (form.Is("icon")) {
            box->icon = form.Int();
        } else {
            form.BadTag();
        }
    }
    // An icon has the icon's fixed size: 16 wide, 15 high.
    if (box->kindCode == 49) {
        box->bounds.right = box->bounds.left + 16;
        box->bounds.bottom = box->bounds.top + 15;
    }
    return Finish(model, std::move(box), map);
}

Cell* VxMakeText(Symbol* self) {
    MakerForm form(self);
    Model* model = ModelTarget(form);
    GuidMap* map = ProjectMapOf(model);
    auto text = std::make_unique<TextPrimitive>(map);
    text->kindCode = 28;
    while (form.Next()) {
        if (form.Is("text")) {
            text->text = form.Text();
            text->textFlags = 0;
            Cell* rest = ispair(form.Values()) ? cdr(form.Values()) : nil;
            if (ispair(rest)) {
                if (car(rest) != intern("editable"))
                    form.Fail("invalid text property", car(rest));
                text->textFlags |= 0x1;
            }
        } else if (form.Is("looks")) {
            form.ReadLooks(text->looks, false);
        } else if (form.Is("rect")) {
            text->bounds = form.Rect();
        } else {
            form.BadTag();
        }
    }
    return Finish(model, std::move(text), map);
}

} // namespace qm
