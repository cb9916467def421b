// Scaling from model to device coordinates and drawing at a zoom. Products
// that could leave 32 bits with coordinates from files are computed in 64
// bits; doubles are truncated with TruncToInt32, so that no conversion is
// out of range.
#include "drawables/ZoomScaling.h"

#include "drawables/DrawingSwitches.h"
#include "drawables/Looks.h"
#include "platform/PainterDC.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>

namespace qm {

int32_t TruncToInt32(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return int32_t(std::clamp(std::trunc(value), lo, hi));
}

namespace {

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

int32_t Scale(int32_t v, double zoom) {
    return TruncToInt32(v * zoom);
}

} // namespace

void ScaleLengthByZoom(int32_t length, int32_t& result, double zoom) {
    result = Scale(length, zoom);
    if (result == 0)
        result = 1;
}

int32_t ScaleLengthByZoom(int32_t length, double zoom) {
    int32_t result;
    ScaleLengthByZoom(length, result, zoom);
    return result;
}

void ScaleSizeByZoom(int32_t cx, int32_t cy, CSize& size, double zoom) {
    size = CSize(Scale(cx, zoom), Scale(cy, zoom));
}

void ScaleSizeByZoomMin1(int32_t cx, int32_t cy, CSize& size, double zoom) {
    ScaleSizeByZoom(cx, cy, size, zoom);
    if (size.cx == 0)
        size.cx = 1;
    if (size.cy == 0)
        size.cy = 1;
}

void ScalePointByZoom(int32_t x, int32_t y, CPoint& point, double zoom) {
    point = CPoint(Scale(x, zoom), Scale(y, zoom));
}

void ScalePointsByZoom(int count, const CPoint* in, CPoint* out, double zoom) {
    for (int i = 0; i < count; ++i)
        ScalePointByZoom(in[i].x, in[i].y, out[i], zoom);
}

void ScaleByZoom(const CRect& in, CRect& out, double zoom) {
    out = CRect(Scale(in.left, zoom), Scale(in.top, zoom), Scale(in.right, zoom),
                Scale(in.bottom, zoom));
}

CRect ScaleByZoom(const CRect& in, double zoom) {
    CRect out;
    ScaleByZoom(in, out, zoom);
    return out;
}

void ScaleRectByZoomXY(const CRect& in, CRect& out, double zoomX, double zoomY) {
    out = CRect(Scale(in.left, zoomX), Scale(in.top, zoomY), Scale(in.right, zoomX),
                Scale(in.bottom, zoomY));
}

void ScaleRectsByZoom(int count, const CRect* in, CRect* out, double zoom) {
    for (int i = 0; i < count; ++i)
        ScaleByZoom(in[i], out[i], zoom);
}

void TransformPoints(int count, const CPoint* in, CPoint* out, int32_t originX, int32_t originY,
                     double scaleX, double scaleY) {
    for (int i = 0; i < count; ++i)
        out[i] = CPoint(Clamp32(int64_t(originX) + TruncToInt32(in[i].x * scaleX)),
                        Clamp32(int64_t(originY) + TruncToInt32(in[i].y * scaleY)));
}

double LineWidthFactor(double zoom, int lineKind) {
    if (lineKind >= 0 && lineKind <= 3 && SwitchOn(DrawingSwitch::Printing))
        return 1.0;
    return LineKindPenWidth(lineKind) * zoom;
}

namespace {

// Runs a copy with both contexts' origins at (0, 0), restoring them after.
template <class Copy> bool WithZeroOrigins(DeviceContext& a, DeviceContext& b, Copy copy) {
    const CPoint aView = a.SetViewportOrg(CPoint()), aWindow = a.SetWindowOrg(CPoint());
    const CPoint bView = b.SetViewportOrg(CPoint()), bWindow = b.SetWindowOrg(CPoint());
    const bool done = copy();
    b.SetWindowOrg(bWindow);
    b.SetViewportOrg(bView);
    a.SetWindowOrg(aWindow);
    a.SetViewportOrg(aView);
    return done;
}

bool CopyZoomed(DeviceContext& source, int32_t srcX, int32_t srcY, DeviceContext& target, int32_t x,
                int32_t y, int32_t w, int32_t h, double zoom, uint32_t rop) {
    if (zoom == 1.0)
        return target.BitBlt(x, y, w, h, source, srcX, srcY, rop);
    return target.StretchBlt(x, y, TruncToInt32(w * zoom), TruncToInt32(h * zoom), source, srcX,
                             srcY, w, h, rop);
}

} // namespace

bool BlitZoomed(DeviceContext& source, int32_t srcX, int32_t srcY, DeviceContext& target, int32_t x,
                int32_t y, int32_t w, int32_t h, double zoom, uint32_t rop) {
    return WithZeroOrigins(source, target, [&] {
        return CopyZoomed(source, srcX, srcY, target, x, y, w, h, zoom, rop);
    });
}

bool DrawBitmapZoomed(CBitmap& bitmap, int32_t srcX, int32_t srcY, DeviceContext& target, int32_t x,
                      int32_t y, int32_t w, int32_t h, double zoom, uint32_t rop) {
    PainterDC memory(bitmap);
    if (!memory.IsActive())
        return false;
    return WithZeroOrigins(memory, target, [&] {
        return CopyZoomed(memory, srcX, srcY, target, x, y, w, h, zoom, rop);
    });
}

bool CopyBitmapRect(CBitmap& source, int32_t srcX, int32_t srcY, CBitmap& target, int32_t x,
                    int32_t y, int32_t w, int32_t h) {
    // One painter per image: a copy within one bitmap goes through one context.
    PainterDC to(target);
    if (&source == &target)
        return to.BitBlt(x, y, w, h, to, srcX, srcY, SRCCOPY);
    PainterDC from(source);
    return to.BitBlt(x, y, w, h, from, srcX, srcY, SRCCOPY);
}

void DrawXorRect(DeviceContext& dc, CRect rect, double zoom) {
    ScaleByZoom(rect, rect, zoom);
    const LogPen pen = dc.SelectPen(PS_SOLID, ScaleLengthByZoom(1, zoom), RGB(100, 100, 100));
    const LogBrush brush = dc.SelectSolidBrush(RGB(255, 255, 255));
    const int rop = dc.SetROP2(R2_NOTXORPEN);
    dc.Rectangle(rect);
    dc.SetROP2(rop);
    dc.SelectBrush(brush);
    dc.SelectPen(pen);
}

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void AnimateZoomRect(DeviceContext& dc, CRect first, CRect second, const CRect& clip, bool reverse,
                     const AnimationPause& pause) {
    CRect clipped;
    clipped.IntersectRect(first, clip);
    first = clipped;
    clipped.IntersectRect(second, clip);
    second = clipped;
    CRect frames[11];
    frames[0] = second;
    int64_t left = int64_t(second.left) - first.left, top = int64_t(second.top) - first.top;
    int64_t right = int64_t(second.right) - first.right;
    int64_t bottom = int64_t(second.bottom) - first.bottom;
    for (int i = 1; i < 11; ++i) {
        const int64_t ql = left / 3, qt = top / 3, qr = right / 3, qb = bottom / 3;
        left -= ql;
        top -= qt;
        right -= qr;
        bottom -= qb;
        const CRect& p = frames[i - 1];
        frames[i] = CRect(Clamp32(p.left - ql), Clamp32(p.top - qt), Clamp32(p.right - qr),
                          Clamp32(p.bottom - qb));
    }
    const LogBrush black{BS_SOLID, RGB(0, 0, 0)};
    for (int i = 0; i < 11; ++i) {
        if (i > 0 && pause)
            pause(10);
        dc.FrameRect(frames[reverse ? 10 - i : i], black);
    }
}

void DrawSubmodelMarker(DeviceContext& dc, const CRect& markerRect, bool hasExplodedSubmodel,
                        double zoom) {
    if (!OptionSet(ShowHyperLinks) || !hasExplodedSubmodel)
        return;
    const LogPen pen = dc.SelectPen(PS_SOLID, std::max(1, TruncToInt32(zoom)), RGB(255, 0, 0));
    const LogBrush brush = dc.SelectSolidBrush(RGB(255, 255, 0));
    dc.Rectangle(ScaleByZoom(markerRect, zoom));
    dc.SelectBrush(brush);
    dc.SelectPen(pen);
}

} // namespace qm
