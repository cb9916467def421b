// The JPEG encoder's quantization: the constant tables (zigzag order, the
// standard's example luminance and chrominance tables), JpegQuantTable with
// its quality scaling and DCT divisors, and the forward DCT that turns an
// 8 x 8 block of samples into quantized coefficients.
#pragma once

#include <array>
#include <cstdint>

namespace qm {

// Natural (row-major) index of the coefficient at each zigzag position.
extern const std::array<uint8_t, 64> kJpegZigzag;
// Zigzag position of each natural index (the inverse of kJpegZigzag).
extern const std::array<uint8_t, 64> kJpegNaturalToZigzag;
// The example luminance and chrominance quantization tables of the JPEG
// standard (ITU T.81 Annex K, Tables K.1 and K.2), in natural order.
extern const std::array<uint16_t, 64> kJpegLuminanceBase;
extern const std::array<uint16_t, 64> kJpegChrominanceBase;

// The scale table A[8u + v] = 1 / (8 s(u) s(v)), s(0) = 1 and
// s(k) = sqrt(2) cos(k pi / 16): the factors by which the scaled DCT's
// outputs exceed the true coefficients.
const std::array<double, 64>& JpegDctScale();

// One quantization table: the quantizer values in zigzag order and the
// divisors (natural order) that fold the DCT's output scaling into the
// quantization.
class JpegQuantTable {
  public:
    JpegQuantTable() = default;

    // Fills the values from a base table (natural order) scaled for quality q
    // (1 to 100): f = 2 ^ ((50 - q) * 6 / 50), each value trunc(base * f)
    // limited to 1 .. 255. Throws EJpegValueOutOfRange outside 1 .. 100,
    // before anything changes. The divisors are not touched.
    void Scale(const std::array<uint16_t, 64>& base, uint32_t quality);

    // divisor[8u + v] = A[8u + v] / value at the zigzag position of 8u + v.
    // Call again after changing the values.
    void ComputeDivisors();

    const std::array<uint16_t, 64>& Values() const { return values_; }
    std::array<uint16_t, 64>& Values() { return values_; }
    const std::array<double, 64>& Divisors() const { return divisors_; }
    // The same divisors indexed 8v + u, the order the DCT leaves its output in.
    const std::array<double, 64>& TransposedDivisors() const { return transposedDivisors_; }

  private:
    std::array<uint16_t, 64> values_{};
    std::array<double, 64> divisors_{};
    std::array<double, 64> transposedDivisors_{};
};

// Transforms one 8 x 8 block of sample bytes (row-major) and quantizes it with
// the table's divisors, rounding half away from zero, into 64 coefficients in
// natural order.
void ForwardDct(const uint8_t* samples, const JpegQuantTable& table, int16_t* coefficients);

} // namespace qm
