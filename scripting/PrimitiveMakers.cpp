// The primitive makers: VxMakeLine, VxMakeBox, VxMakeText and
// VxMakePrimGroup.
#include "document/CCASEDoc.h"
#include "drawables/CustomModel.h"
#include "drawables/Model.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "kernel/Eval.h"
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
    return AdoptIntoModel(model, std::move(drawable), RefPrimitive, map);
}

} // namespace

Cell* VxMakeLine(Symbol* self) {
    MakerForm form(self);
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    DraftDrawable<LinePrimitive> line(std::make_unique<LinePrimitive>(map), map);
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
    return Finish(model, line.Release(), map);
}

Cell* VxMakeBox(Symbol* self) {
    MakerForm form(self);
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    DraftDrawable<BoxPrimitive> box(std::make_unique<BoxPrimitive>(map), map);
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
    return Finish(model, box.Release(), map);
}

Cell* VxMakeText(Symbol* self) {
    MakerForm form(self);
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    DraftDrawable<TextPrimitive> text(std::make_unique<TextPrimitive>(map), map);
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
    return Finish(model, text.Release(), map);
}

Cell* VxMakePrimGroup(Symbol* self) {
    MakerForm form(self);
    Model* model = MakerModelTarget(form);
    GuidMap* map = MakerProjectMap(model);
    DraftDrawable<PrimitiveGroup> group(std::make_unique<PrimitiveGroup>(map), map);
    while (form.Next()) {
        if (form.Is("looks")) {
            form.ReadLooks(group->looks, false);
        } else if (form.Is("rect")) {
            group->bounds = form.Rect();
        } else if (form.Is("members")) {
            for (Cell* list = form.Values(); ispair(list); list = cdr(list)) {
                Cell* value = evaluate(car(list));
                auto* member = value->type == TRef && value->flag == RefPrimitive
                                   ? dynamic_cast<Drawable*>(ResolveObject(value))
                                   : nullptr;
                if (member == nullptr)
                    form.Fail("non-primitive member reference for a primitive group", value);
                if (!AdoptIntoGroup(model, *group.get(), member))
                    form.Fail("drawable not in the model yet", value);
            }
        } else {
            form.BadTag();
        }
    }
    return Finish(model, group.Release(), map);
}

} // namespace qm
