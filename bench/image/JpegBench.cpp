// The JPEG encoder against libjpeg-turbo on the same pictures, in the same
// run. Each benchmark reports its time, the file size and the PSNR of the
// decoded file against the source (decoded by libjpeg-turbo for every
// encoder alike).
//
// Comparable settings: 4:4:4 sampling and Huffman tables optimized per
// image, with libjpeg-turbo given either our own quality-75 quantization
// tables (the fair comparison of speed and quality per byte) or its own
// quality 75 (a coarser scale than ours, listed for reference).
#include "bench/image/BenchRasters.h"
#include "image/JpegImageWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

namespace qm::bench {
namespace {

std::string EncodeQuillmark(const RasterImage& image) {
    JpegImageWriter writer;
    std::ostringstream out(std::ios::binary);
    writer.WriteImage(out, image);
    return std::move(out).str();
}

enum class TurboTables { OursAtQuality75, TurboQuality75 };

std::string EncodeTurbo(const RasterImage& image, TurboTables tables, J_DCT_METHOD method) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = image.GetWidth();
    info.image_height = image.GetHeight();
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    if (tables == TurboTables::TurboQuality75) {
        jpeg_set_quality(&info, 75, TRUE);
    } else {
        JpegImageWriter writer;
        writer.BuildQuantTables(75);
        const JpegQuantTable* ours[2] = {&writer.GetLuminanceQuantTable(),
                                         &writer.GetChrominanceQuantTable()};
        for (int t = 0; t < 2; ++t) {
            unsigned int natural[64];
            for (int n = 0; n < 64; ++n) {
                natural[n] = ours[t]->Values()[kJpegNaturalToZigzag[n]];
            }
            jpeg_add_quant_table(&info, t, natural, 100, TRUE);
        }
    }
    for (int c = 0; c < 3; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    info.optimize_coding = TRUE;
    info.dct_method = method;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(image.GetRow(info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string result(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return result;
}

// Decodes a file with libjpeg-turbo and measures it against the source.
double Psnr(const RasterImage& source, const std::string& file) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    std::string line(size_t{info.output_width} * 3, '\0');
    double squares = 0;
    while (info.output_scanline < info.output_height) {
        const uint32_t y = info.output_scanline;
        JSAMPROW row = reinterpret_cast<JSAMPROW>(line.data());
        jpeg_read_scanlines(&info, &row, 1);
        const uint8_t* expected = source.GetRow(y);
        for (size_t i = 0; i < line.size(); ++i) {
            const double d = static_cast<uint8_t>(line[i]) - expected[i];
            squares += d * d;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    const double mse = squares / (3.0 * source.GetWidth() * source.GetHeight());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

using Picture = const RasterImage& (*)();

template <typename Encode> void Run(benchmark::State& state, Picture picture, Encode encode) {
    const RasterImage& image = picture();
    std::string file;
    for (auto _ : state) {
        file = encode(image);
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = static_cast<double>(file.size());
    state.counters["psnr_dB"] = Psnr(image, file);
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(image.GetWidth()) * image.GetHeight() / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Quillmark(benchmark::State& state, Picture picture) {
    Run(state, picture, EncodeQuillmark);
}

void BM_TurboOurTablesFloat(benchmark::State& state, Picture picture) {
    Run(state, picture, [](const RasterImage& image) {
        return EncodeTurbo(image, TurboTables::OursAtQuality75, JDCT_FLOAT);
    });
}

void BM_TurboOurTablesIslow(benchmark::State& state, Picture picture) {
    Run(state, picture, [](const RasterImage& image) {
        return EncodeTurbo(image, TurboTables::OursAtQuality75, JDCT_ISLOW);
    });
}

void BM_TurboQuality75(benchmark::State& state, Picture picture) {
    Run(state, picture, [](const RasterImage& image) {
        return EncodeTurbo(image, TurboTables::TurboQuality75, JDCT_ISLOW);
    });
}

BENCHMARK_CAPTURE(BM_Quillmark, diagram, &DiagramRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TurboOurTablesFloat, diagram, &DiagramRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TurboOurTablesIslow, diagram, &DiagramRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TurboQuality75, diagram, &DiagramRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Quillmark, photo, &PhotoRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TurboOurTablesFloat, photo, &PhotoRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TurboOurTablesIslow, photo, &PhotoRaster)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TurboQuality75, photo, &PhotoRaster)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm::bench
