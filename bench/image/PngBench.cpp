// The PNG writer against libpng, and the Deflate compressor against zlib, on
// the same pictures in the same run. Each benchmark reports its time and the
// output size; the PNG files are checked to decode (by libpng) to the source.
//
// Comparable settings: our default writer (level 2, filter None) against
// libpng with filter None at zlib level 6 (zlib's default), and against
// libpng's own defaults (adaptive filters, level 6) for reference; our
// filtered writer against libpng's defaults. The Deflate benchmarks compress
// the same filter-None scanlines (each row led by its filter byte) with our
// compressor at each level and with zlib at levels 1, 6 and 9.
#include "bench/image/BenchRasters.h"
#include "image/DeflateCompressor.h"
#include "image/PngImageWriter.h"

#include <benchmark/benchmark.h>

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm::bench {
namespace {

using RasterFn = const RasterImage& (*)();

std::string EncodeQuillmark(const RasterImage& image, int level, bool filters) {
    PngImageWriter writer;
    writer.SetCompressionLevel(level);
    writer.SetUseFilters(filters);
    std::ostringstream out(std::ios::binary);
    writer.WriteImage(out, image);
    return std::move(out).str();
}

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void NoFlush(png_structp) {}

// filters: PNG_ALL_FILTERS for libpng's default choice, PNG_FILTER_NONE.
std::string EncodeLibpng(const RasterImage& image, int filters, int zlibLevel) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed");
    }
    png_set_write_fn(png, &out, AppendToString, NoFlush);
    png_set_IHDR(png, info, image.GetWidth(), image.GetHeight(), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_set_compression_level(png, zlibLevel);
    png_write_info(png, info);
    png_set_bgr(png);
    for (uint32_t r = 0; r < image.GetHeight(); ++r) {
        png_write_row(png, const_cast<png_bytep>(image.GetRow(r)));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Decodes a PNG with libpng and compares it with the source, byte for byte.
bool DecodesToSource(const std::string& file, const RasterImage& image) {
    png_image decoded{};
    decoded.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&decoded, file.data(), file.size())) {
        return false;
    }
    decoded.format = PNG_FORMAT_BGR;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(decoded));
    if (!png_image_finish_read(&decoded, nullptr, pixels.data(), 0, nullptr)) {
        return false;
    }
    const size_t stride = PNG_IMAGE_ROW_STRIDE(decoded);
    for (uint32_t r = 0; r < image.GetHeight(); ++r) {
        if (std::memcmp(pixels.data() + r * stride, image.GetRow(r),
                        size_t{image.GetWidth()} * 3) != 0) {
            return false;
        }
    }
    return true;
}

void Report(benchmark::State& state, const RasterImage& image, const std::string& file) {
    state.counters["bytes"] = static_cast<double>(file.size());
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(image.GetWidth()) * image.GetHeight() / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate);
    if (!DecodesToSource(file, image)) {
        state.SkipWithError("the file does not decode to the source");
    }
}

void BM_PngQuillmark(benchmark::State& state, RasterFn raster, int level, bool filters) {
    const RasterImage& image = raster();
    std::string file;
    for (auto _ : state) {
        file = EncodeQuillmark(image, level, filters);
        benchmark::DoNotOptimize(file.data());
    }
    Report(state, image, file);
}

void BM_PngLibpng(benchmark::State& state, RasterFn raster, int filters, int zlibLevel) {
    const RasterImage& image = raster();
    std::string file;
    for (auto _ : state) {
        file = EncodeLibpng(image, filters, zlibLevel);
        benchmark::DoNotOptimize(file.data());
    }
    Report(state, image, file);
}

// The filter-None scanlines of a 24-bit picture, red, green, blue.
std::vector<uint8_t> Scanlines(const RasterImage& image) {
    std::vector<uint8_t> data;
    data.reserve(size_t{image.GetHeight()} * (size_t{image.GetWidth()} * 3 + 1));
    for (uint32_t r = 0; r < image.GetHeight(); ++r) {
        data.push_back(0);
        const uint8_t* row = image.GetRow(r);
        for (uint32_t x = 0; x < image.GetWidth(); ++x) {
            data.insert(data.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
        }
    }
    return data;
}

class MemorySource : public DeflateSource {
  public:
    explicit MemorySource(const std::vector<uint8_t>& data) : data_(data) {}
    size_t Read(uint8_t* buffer, size_t capacity) override {
        const size_t n = std::min(capacity, data_.size() - at_);
        std::memcpy(buffer, data_.data() + at_, n);
        at_ += n;
        return n;
    }

  private:
    const std::vector<uint8_t>& data_;
    size_t at_ = 0;
};

class MemorySink : public DeflateSink {
  public:
    void Write(const uint8_t* bytes, size_t count) override {
        out.insert(out.end(), bytes, bytes + count);
    }
    std::vector<uint8_t> out;
};

void CheckInflates(benchmark::State& state, const std::vector<uint8_t>& stream,
                   const std::vector<uint8_t>& data) {
    std::vector<uint8_t> back(data.size());
    uLongf length = static_cast<uLongf>(back.size());
    if (uncompress(back.data(), &length, stream.data(), static_cast<uLong>(stream.size())) !=
            Z_OK ||
        back != data) {
        state.SkipWithError("the stream does not inflate to the input");
    }
    state.counters["bytes"] = static_cast<double>(stream.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_DeflateQuillmark(benchmark::State& state, RasterFn raster, int level) {
    const std::vector<uint8_t> data = Scanlines(raster());
    std::vector<uint8_t> stream;
    for (auto _ : state) {
        MemorySource source(data);
        MemorySink sink;
        DeflateCompressor compressor(level);
        compressor.Compress(source, sink);
        stream = std::move(sink.out);
        benchmark::DoNotOptimize(stream.data());
    }
    CheckInflates(state, stream, data);
}

void BM_DeflateZlib(benchmark::State& state, RasterFn raster, int level) {
    const std::vector<uint8_t> data = Scanlines(raster());
    std::vector<uint8_t> stream;
    for (auto _ : state) {
        uLongf length = compressBound(static_cast<uLong>(data.size()));
        stream.resize(length);
        compress2(stream.data(), &length, data.data(), static_cast<uLong>(data.size()), level);
        stream.resize(length);
        benchmark::DoNotOptimize(stream.data());
    }
    CheckInflates(state, stream, data);
}

#define QM_PNG_BENCHES(name, raster)                                                               \
    BENCHMARK_CAPTURE(BM_PngQuillmark, name##_default_level2, raster, 2, false)                    \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_PngLibpng, name##_filter_none_z6, raster, PNG_FILTER_NONE, 6)             \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_PngLibpng, name##_libpng_defaults_z6, raster, PNG_ALL_FILTERS, 6)         \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_PngQuillmark, name##_filters_level2, raster, 2, true)                     \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_PngQuillmark, name##_export_level0, raster, 0, false)                     \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_PngQuillmark, name##_level3, raster, 3, false)                            \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_DeflateQuillmark, name##_level0, raster, 0)                               \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_DeflateQuillmark, name##_level1, raster, 1)                               \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_DeflateQuillmark, name##_level2, raster, 2)                               \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_DeflateQuillmark, name##_level3, raster, 3)                               \
        ->Unit(benchmark::kMillisecond);                                                           \
    BENCHMARK_CAPTURE(BM_DeflateZlib, name##_z1, raster, 1)->Unit(benchmark::kMillisecond);        \
    BENCHMARK_CAPTURE(BM_DeflateZlib, name##_z6, raster, 6)->Unit(benchmark::kMillisecond);        \
    BENCHMARK_CAPTURE(BM_DeflateZlib, name##_z9, raster, 9)->Unit(benchmark::kMillisecond)

QM_PNG_BENCHES(diagram, &DiagramRaster);
QM_PNG_BENCHES(photo, &PhotoRaster);

} // namespace
} // namespace qm::bench
