// The two checksums of the PNG writer: CRC-32 (reflected polynomial
// 0xEDB88320) over each chunk's type and data, and Adler-32 over the
// uncompressed bytes of the zlib stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

// Runs the table-driven CRC-32 over count bytes: crc = table[(crc ^ byte) &
// 255] ^ (crc >> 8) per byte. The caller starts at 0xFFFFFFFF and inverts the
// result, as a PNG chunk does.
uint32_t Crc32Update(uint32_t crc, const uint8_t* bytes, size_t count);

// Adds one byte to an Adler-32 value (start with 1).
inline uint32_t Adler32Update(uint32_t adler, uint8_t byte) {
    const uint32_t s1 = ((adler & 0xFFFF) + byte) % 65521;
    const uint32_t s2 = ((adler >> 16) + s1) % 65521;
    return s2 << 16 | s1;
}

// Adds count bytes to an Adler-32 value; the same result as adding them one
// at a time, with the remainders taken once per run of bytes.
uint32_t Adler32Update(uint32_t adler, const uint8_t* bytes, size_t count);

} // namespace qm
