// Scaling model coordinates to device coordinates (each product truncated
// towards zero, and clamped to 32 bits) and drawing at a zoom: bitmaps and
// blits, rubber bands, the zoom animation and the submodel marker. None keeps
// state between calls; the line width reads the printing switch, the
// submodel marker the option word.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <functional>

namespace qm {

class CBitmap;

// A double truncated towards zero into 32 bits; out-of-range values clamp and
// NaN gives 0.
int32_t TruncToInt32(double value);

// Scaling from model to device coordinates.
void ScaleLengthByZoom(int32_t length, int32_t& result, double zoom); // 0 becomes 1
int32_t ScaleLengthByZoom(int32_t length, double zoom);
void ScaleSizeByZoom(int32_t cx, int32_t cy, CSize& size, double zoom);
void ScaleSizeByZoomMin1(int32_t cx, int32_t cy, CSize& size, double zoom);
void ScalePointByZoom(int32_t x, int32_t y, CPoint& point, double zoom);
void ScalePointsByZoom(int count, const CPoint* in, CPoint* out, double zoom);
// in and out may be the same rectangle.
void ScaleByZoom(const CRect& in, CRect& out, double zoom);
CRect ScaleByZoom(const CRect& in, double zoom);
void ScaleRectByZoomXY(const CRect& in, CRect& out, double zoomX, double zoomY);
void ScaleRectsByZoom(int count, const CRect* in, CRect* out, double zoom);
// (originX + trunc(x * scaleX), originY + trunc(y * scaleY)).
void TransformPoints(int count, const CPoint* in, CPoint* out, int32_t originX, int32_t originY,
                     double scaleX, double scaleY);
// The line kind's width times the zoom; 1.0 for the dashed kinds 0 to 3
// while printing.
double LineWidthFactor(double zoom, int lineKind);

// Drawing at a zoom. The blits copy with BitBlt at a zoom of exactly 1.0,
// else stretch to (trunc(w * zoom), trunc(h * zoom)), with both contexts'
// origins at (0, 0) for the copy and restored afterwards.
bool BlitZoomed(DeviceContext& source, int32_t srcX, int32_t srcY, DeviceContext& target, int32_t x,
                int32_t y, int32_t w, int32_t h, double zoom, uint32_t rop);
bool DrawBitmapZoomed(CBitmap& bitmap, int32_t srcX, int32_t srcY, DeviceContext& target, int32_t x,
                      int32_t y, int32_t w, int32_t h, double zoom, uint32_t rop);
// Copies a rectangle from one bitmap to another (or within one).
bool CopyBitmapRect(CBitmap& source, int32_t srcX, int32_t srcY, CBitmap& target, int32_t x,
                    int32_t y, int32_t w, int32_t h);
// A rubber band: drawing it twice restores the picture.
void DrawXorRect(DeviceContext& dc, CRect rect, double zoom);
// Waits the given milliseconds between animation frames.
using AnimationPause = std::function<void(int milliseconds)>;
void SleepMilliseconds(int milliseconds);
// Outlines eleven frames from the second rectangle to the first (or back),
// 10 ms apart, nothing erased between them.
void AnimateZoomRect(DeviceContext& dc, CRect first, CRect second, const CRect& clip, bool reverse,
                     const AnimationPause& pause = SleepMilliseconds);
// The exploded-master marker of a place, drawn only with the "Show Hyper
// Links" option and when the place's master has an exploded submodel.
void DrawSubmodelMarker(DeviceContext& dc, const CRect& markerRect, bool hasExplodedSubmodel,
                        double zoom);

} // namespace qm
