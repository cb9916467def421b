// CRC-32 with its table built once, and Adler-32 over runs of bytes.
#include "image/Checksums.h"

#include <array>

namespace qm {
namespace {

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    return table;
}

} // namespace

uint32_t Crc32Update(uint32_t crc, const uint8_t* bytes, size_t count) {
    const auto& table = CrcTable();
    for (size_t i = 0; i < count; ++i) {
        crc = table[(crc ^ bytes[i]) & 255] ^ (crc >> 8);
    }
    return crc;
}

uint32_t Adler32Update(uint32_t adler, const uint8_t* bytes, size_t count) {
    // 5552 is the longest run whose sums cannot overflow 32 bits before the
    // remainders are taken.
    constexpr size_t kRun = 5552;
    uint32_t s1 = adler & 0xFFFF;
    uint32_t s2 = adler >> 16;
    while (count > 0) {
        const size_t n = count < kRun ? count : kRun;
        for (size_t i = 0; i < n; ++i) {
            s1 += bytes[i];
            s2 += s1;
        }
        s1 %= 65521;
        s2 %= 65521;
        bytes += n;
        count -= n;
    }
    return s2 << 16 | s1;
}

} // namespace qm
