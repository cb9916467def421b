// DeflateCompressor: writes one zlib stream (RFC 1950) of dynamic-Huffman
// Deflate blocks (RFC 1951) for the bytes it pulls from a source. The PNG
// writer feeds it filtered rows and packs its output into IDAT chunks.
#pragma once

#include "image/DeflateHuffmanCoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm {

// Where the compressor pulls its input from: Read fills up to capacity bytes
// and returns how many; 0 means the data has ended.
class DeflateSource {
  public:
    virtual ~DeflateSource() = default;
    virtual size_t Read(uint8_t* buffer, size_t capacity) = 0;
};

// Where the compressed bytes go, in order.
class DeflateSink {
  public:
    virtual ~DeflateSink() = default;
    virtual void Write(const uint8_t* bytes, size_t count) = 0;
};

class DeflateCompressor {
  public:
    static constexpr uint32_t kWindowSize = 32768;
    static constexpr uint32_t kMaxMatch = 258;
    static constexpr uint32_t kBlockSize = 16384;

    // level 0 to 3 (the zlib header's level field); it sets how many earlier
    // occurrences of a three-byte hash are tried: 1, 64, 128 or all. Throws
    // EPngError "Invalid Compression Level" for any other level.
    explicit DeflateCompressor(int level);
    ~DeflateCompressor();

    // Compresses everything the source delivers into one complete zlib
    // stream: header, blocks (the last one marked final), Adler-32 trailer.
    // Exceptions from the source or the sink pass through.
    void Compress(DeflateSource& source, DeflateSink& sink);

    // The Adler-32 of the bytes compressed by the last Compress.
    uint32_t GetAdler32() const { return adler_; }

  private:
    struct State;

    bool CompressBlock(State& s);
    bool LiteralRun(State& s);
    void WriteBlock(State& s, bool last);
    void WriteLengths(State& s, uint32_t literalCount, uint32_t distanceCount);
    void PutBits(State& s, uint32_t value, uint32_t count);
    void FlushOutput(State& s);

    int level_;
    uint32_t maxChain_;
    uint32_t adler_ = 1;
    DeflateHuffmanCoder distanceCoder_;
    DeflateHuffmanCoder literalCoder_;
    DeflateHuffmanCoder lengthCoder_;
};

} // namespace qm
