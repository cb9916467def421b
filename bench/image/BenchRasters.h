// The pictures the image coders' benchmarks encode: a diagram-like raster
// (white ground, boxes, lines and text, drawn with QPainter) and a photo-like
// one (smooth multi-scale noise with fine grain), both 24-bit, about
// 3400 x 2400, the same on every run.
#pragma once

#include "image/RasterImage.h"

#include <cstdint>

namespace qm::bench {

constexpr uint32_t kBenchWidth = 3400;
constexpr uint32_t kBenchHeight = 2400;

// Needs a QGuiApplication (fonts). Built once and kept.
const RasterImage& DiagramRaster();
const RasterImage& PhotoRaster();

} // namespace qm::bench
