// Quantization tables and the forward DCT of the JPEG encoder.
//
// The DCT is the scaled 8-point flow graph of Arai, Agui and Nakajima in
// double precision, applied to the columns and then to the rows of a block.
// Its outputs are the true DCT coefficients times 8 s(u) s(v); that factor is
// folded into the quantizer divisors, so quantizing costs one multiply per
// coefficient. Both passes run over eight independent lanes at once (the
// rows pass on a transposed block), which lets the compiler use vector
// registers without changing a single rounding of the arithmetic.
#include "image/JpegQuantTable.h"

#include "image/ImageExceptions.h"

#include <algorithm>
#include <cmath>

namespace qm {

// clang-format off
const std::array<uint8_t, 64> kJpegZigzag = {
     0,  1,  8, 16,  9,  2,  3, 10,
    17, 24, 32, 25, 18, 11,  4,  5,
    12, 19, 26, 33, 40, 48, 41, 34,
    27, 20, 13,  6,  7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36,
    29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46,
    53, 60, 61, 54, 47, 55, 62, 63,
};

const std::array<uint8_t, 64> kJpegNaturalToZigzag = {
     0,  1,  5,  6, 14, 15, 27, 28,
     2,  4,  7, 13, 16, 26, 29, 42,
     3,  8, 12, 17, 25, 30, 41, 43,
     9, 11, 18, 24, 31, 40, 44, 53,
    10, 19, 23, 32, 39, 45, 52, 54,
    20, 22, 33, 38, 46, 51, 55, 60,
    21, 34, 37, 47, 50, 56, 59, 61,
    35, 36, 48, 49, 57, 58, 62, 63,
};

const std::array<uint16_t, 64> kJpegLuminanceBase = {
    16,  11,  10,  16,  24,  40,  51,  61,
    12,  12,  14,  19,  26,  58,  60,  55,
    14,  13,  16,  24,  40,  57,  69,  56,
    14,  17,  22,  29,  51,  87,  80,  62,
    18,  22,  37,  56,  68, 109, 103,  77,
    24,  35,  55,  64,  81, 104, 113,  92,
    49,  64,  78,  87, 103, 121, 120, 101,
    72,  92,  95,  98, 112, 100, 103,  99,
};

const std::array<uint16_t, 64> kJpegChrominanceBase = {
    17,  18,  24,  47,  99,  99,  99,  99,
    18,  21,  26,  66,  99,  99,  99,  99,
    24,  26,  56,  99,  99,  99,  99,  99,
    47,  66,  99,  99,  99,  99,  99,  99,
    99,  99,  99,  99,  99,  99,  99,  99,
    99,  99,  99,  99,  99,  99,  99,  99,
    99,  99,  99,  99,  99,  99,  99,  99,
    99,  99,  99,  99,  99,  99,  99,  99,
};
// clang-format on

namespace {

double Pi() {
    return std::acos(-1.0);
}

// The multipliers of the flow graph.
struct DctConstants {
    double c4 = std::cos(4 * Pi() / 16);
    double c2 = 0.5 / std::cos(2 * Pi() / 16);
    double c6 = 0.5 / std::cos(6 * Pi() / 16);
};

const DctConstants& Constants() {
    static const DctConstants constants;
    return constants;
}

std::array<double, 64> MakeDctScale() {
    std::array<double, 64> scale{};
    const auto s = [](int k) { return k == 0 ? 1.0 : std::sqrt(2.0) * std::cos(k * Pi() / 16); };
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            scale[8 * u + v] = 1.0 / (8.0 * s(u) * s(v));
        }
    }
    return scale;
}

using Block = double[8][8];

// The 8-point scaled DCT down each of the eight columns of in: out[k][j] is
// output k of column j.
inline void DctColumns(const Block& in, Block& out, const DctConstants& k) {
    for (int j = 0; j < 8; ++j) {
        const double t0 = in[0][j] + in[7][j];
        const double t1 = in[1][j] + in[6][j];
        const double t2 = in[2][j] + in[5][j];
        const double t3 = in[3][j] + in[4][j];
        const double t4 = in[3][j] - in[4][j];
        const double t5 = in[2][j] - in[5][j];
        const double t6 = in[1][j] - in[6][j];
        const double t7 = in[0][j] - in[7][j];

        const double s03 = t0 + t3;
        const double d03 = t0 - t3;
        const double s12 = t1 + t2;
        out[0][j] = s03 + s12;
        out[4][j] = s03 - s12;
        const double z1 = k.c4 * ((t1 - t2) + d03);
        out[2][j] = d03 + z1;
        out[6][j] = d03 - z1;

        const double z3 = k.c4 * (t5 + t6);
        const double z11 = t7 + z3;
        const double z13 = t7 - z3;
        const double w = k.c4 * (t4 + t5 + t6 + t7);
        const double z2 = k.c2 * (w + t6 + t7);
        const double z4 = k.c6 * (w - (t6 + t7));
        out[1][j] = z11 + z2;
        out[7][j] = z11 - z2;
        out[5][j] = z13 + z4;
        out[3][j] = z13 - z4;
    }
}

} // namespace

const std::array<double, 64>& JpegDctScale() {
    static const std::array<double, 64> scale = MakeDctScale();
    return scale;
}

void JpegQuantTable::Scale(const std::array<uint16_t, 64>& base, uint32_t quality) {
    if (quality < 1 || quality > 100) {
        throw EJpegValueOutOfRange();
    }
    const double e = static_cast<int32_t>((50 - static_cast<int32_t>(quality)) * 6) / 50.0;
    const double f = std::exp(std::log(2.0) * e);
    for (int i = 0; i < 64; ++i) {
        const double v = std::trunc(base[kJpegZigzag[i]] * f);
        values_[i] = v < 1 ? 1 : v > 255 ? 255 : static_cast<uint16_t>(v);
    }
}

void JpegQuantTable::ComputeDivisors() {
    const std::array<double, 64>& scale = JpegDctScale();
    for (int n = 0; n < 64; ++n) {
        divisors_[n] = scale[n] / values_[kJpegNaturalToZigzag[n]];
    }
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            transposedDivisors_[8 * v + u] = divisors_[8 * u + v];
        }
    }
}

void ForwardDct(const uint8_t* samples, const JpegQuantTable& table, int16_t* coefficients) {
    // A flat block (most of a diagram's background) transforms to its DC
    // alone: every difference in the flow graph is exactly zero and the sums
    // are exact, so the shortcut gives the very same coefficients.
    bool flat = true;
    for (int i = 1; i < 64; ++i) {
        flat &= samples[i] == samples[0];
    }
    if (flat) {
        const double p = 64.0 * (samples[0] - 128) * table.Divisors()[0];
        std::fill(coefficients, coefficients + 64, int16_t{0});
        coefficients[0] = static_cast<int16_t>(p + std::copysign(0.5, p));
        return;
    }
    const DctConstants& k = Constants();
    Block in;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            in[y][x] = samples[8 * y + x] - 128;
        }
    }
    // Columns first: pass1[u][x] is vertical frequency u of column x.
    Block pass1;
    DctColumns(in, pass1, k);
    Block turned;
    for (int u = 0; u < 8; ++u) {
        for (int x = 0; x < 8; ++x) {
            turned[x][u] = pass1[u][x];
        }
    }
    // Then rows, on the transposed block: pass2[v][u] is coefficient (u, v).
    Block pass2;
    DctColumns(turned, pass2, k);
    // Quantize in that transposed order (the divisors are kept transposed as
    // well) without branches, so the loop runs on vector registers: adding
    // 0.5 with the product's sign and truncating rounds half away from zero.
    const double* products = &pass2[0][0];
    const double* divisors = table.TransposedDivisors().data();
    int32_t rounded[64];
    for (int i = 0; i < 64; ++i) {
        const double p = products[i] * divisors[i];
        rounded[i] = static_cast<int32_t>(p + std::copysign(0.5, p));
    }
    for (int v = 0; v < 8; ++v) {
        for (int u = 0; u < 8; ++u) {
            coefficients[8 * u + v] = static_cast<int16_t>(rounded[8 * v + u]);
        }
    }
}

} // namespace qm
