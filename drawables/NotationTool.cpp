// The frames a notation tool derives from its sample drawing.
#include "drawables/NotationTool.h"

#include "drawables/Primitives.h"
#include "drawables/ShapeGeometry.h"
#include "drawables/ZoomScaling.h"
#include "model/Master.h"

namespace qm {

namespace {

int64_t NonZero(int64_t v) {
    return v == 0 ? 1 : v;
}

// The semantics code of class tools: their text margins stay as drawn.
constexpr int kClassSemantics = 1;

} // namespace

TextPrimitive* NotationTool::FindText(int32_t flagBit) const {
    for (const auto& d : Drawing()) {
        auto* text = dynamic_cast<TextPrimitive*>(d.get());
        if (text != nullptr && d->kindCode == TkText && (text->textFlags & flagBit) != 0)
            return text;
    }
    return nullptr;
}

void NotationTool::MapTextFrame(const TextPrimitive* frame, const CRect& bounds, CRect& out) const {
    if (frame == nullptr) {
        out = bounds;
        return;
    }
    const CRect sample = SampleFrame();
    const CRect& f = frame->bounds;
    const double sx = double(bounds.Width()) / double(NonZero(sample.Width()));
    const double sy = double(bounds.Height()) / double(NonZero(sample.Height()));
    if (Semantics() == kClassSemantics && IsPlaceTool()) {
        auto margin = [](int64_t m, double factor) {
            return factor <= 1.0 ? TruncToInt32(double(m) * factor) : ClampCoordinate(m);
        };
        out = CRect(
            ClampCoordinate(int64_t(bounds.left) + margin(int64_t(f.left) - sample.left, sx)),
            ClampCoordinate(int64_t(bounds.top) + margin(int64_t(f.top) - sample.top, sy)),
            ClampCoordinate(int64_t(bounds.right) - margin(int64_t(sample.right) - f.right, sx)),
            ClampCoordinate(int64_t(bounds.bottom) -
                            margin(int64_t(sample.bottom) - f.bottom, sy)));
        return;
    }
    auto x = [&](int32_t v) {
        return ClampCoordinate(int64_t(bounds.left) +
                               TruncToInt32(double(int64_t(v) - sample.left) * sx));
    };
    auto y = [&](int32_t v) {
        return ClampCoordinate(int64_t(bounds.top) +
                               TruncToInt32(double(int64_t(v) - sample.top) * sy));
    };
    out = CRect(x(f.left), y(f.top), x(f.right), y(f.bottom));
}

void NotationTool::ComputeNameRect(const CRect& nameRect, CRect& placeRect) const {
    const CRect sample = SampleFrame();
    const TextPrimitive* frame = FindNameText();
    if (frame == nullptr) {
        // Without a name frame the name and the compartments take the whole
        // symbol: the place is the text's rectangle (whose width already
        // holds the margins), not the tool's sample whatever the text.
        placeRect = nameRect;
        return;
    }
    const CRect& f = frame->bounds;
    if (Semantics() == kClassSemantics && IsPlaceTool()) {
        placeRect =
            CRect(ClampCoordinate(int64_t(nameRect.left) - (int64_t(f.left) - sample.left)),
                  ClampCoordinate(int64_t(nameRect.top) - (int64_t(f.top) - sample.top)),
                  ClampCoordinate(int64_t(nameRect.right) + (int64_t(sample.right) - f.right)),
                  ClampCoordinate(int64_t(nameRect.bottom) + (int64_t(sample.bottom) - f.bottom)));
        return;
    }
    const double kx = double(sample.Width()) / double(NonZero(f.Width()));
    const double ky = double(sample.Height()) / double(NonZero(f.Height()));
    const int32_t w = TruncToInt32(double(nameRect.Width()) * kx);
    const int32_t h = TruncToInt32(double(nameRect.Height()) * ky);
    const int32_t left = ClampCoordinate(int64_t(nameRect.left) -
                                         TruncToInt32(double(int64_t(f.left) - sample.left) *
                                                      double(w) / double(NonZero(sample.Width()))));
    const int32_t top = ClampCoordinate(int64_t(nameRect.top) -
                                        TruncToInt32(double(int64_t(f.top) - sample.top) *
                                                     double(h) / double(NonZero(sample.Height()))));
    placeRect =
        CRect(left, top, ClampCoordinate(int64_t(left) + w), ClampCoordinate(int64_t(top) + h));
}

NotationTool* ToolOf(const Master* master) {
    return master != nullptr ? dynamic_cast<NotationTool*>(master->tool) : nullptr;
}

} // namespace qm
