// JpegImageWriter: encodes a RasterImage as a baseline sequential JPEG file
// with a JFIF header: three components Y, Cb and Cr sampled 1 x 1, the
// standard's example quantization tables scaled by the quality, and Huffman
// tables built for each scan from that scan's own symbol counts.
#pragma once

#include "image/ImageCoder.h"
#include "image/JpegHuffmanTable.h"
#include "image/JpegQuantTable.h"

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

class JpegImageWriter;

// One entry of the scan table. In sequential coding only the mask matters:
// every scan codes coefficients 0 to 63 at full precision.
struct JpegScan {
    uint32_t componentMask = 0; // bit 1 Y, bit 2 Cb, bit 3 Cr (14: all three)
    uint32_t spectralStart = 0;
    uint32_t spectralEnd = 0;
    uint32_t successiveApproximation = 0;
    uint32_t progressiveWork[2] = {0, 0};
};

// One colour component: its block grid, its quantized coefficients (64 per
// block in natural order, blocks in row-major order) and its tables.
class JpegComponent {
  public:
    virtual ~JpegComponent() = default;

    JpegImageWriter* writer = nullptr;
    uint8_t identifier = 0; // 1 Y, 2 Cb, 3 Cr
    uint32_t blockRows = 0;
    uint32_t blocksPerRow = 0;
    std::vector<int16_t> coefficients;
    uint32_t endOfBandRun = 0; // progressive coding only
    uint32_t verticalFactor = 1;
    uint32_t horizontalFactor = 1;
    uint32_t verticalRatio = 1;
    uint32_t horizontalRatio = 1;
    JpegHuffmanTable* acTable = nullptr;
    JpegHuffmanTable* dcTable = nullptr;
    JpegQuantTable* quantTable = nullptr;
    int32_t lastDc = 0;

    const int16_t* Block(uint32_t row, uint32_t column) const {
        return coefficients.data() + (size_t{row} * blocksPerRow + column) * 64;
    }
};

// The colour conversion, in integers with coefficients trunc(4096 c) and an
// arithmetic shift of 12; results are limited to 0 .. 255.
inline uint8_t JpegClampSample(int32_t value) {
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}
inline uint8_t JpegY(int32_t r, int32_t g, int32_t b) {
    return JpegClampSample((1224 * r + 2404 * g + 466 * b + 2048) >> 12);
}
inline uint8_t JpegCb(int32_t r, int32_t g, int32_t b) {
    return JpegClampSample((526336 - 690 * r - 1357 * g + 2048 * b) >> 12);
}
inline uint8_t JpegCr(int32_t r, int32_t g, int32_t b) {
    return JpegClampSample((2048 * r + 526336 - 1714 * g - 333 * b) >> 12);
}

// Bit i set for each nonzero value among 64 coefficients.
inline uint64_t JpegNonzeroMask(const int16_t* values) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 16 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 16 * i + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
        mask |= uint64_t{~static_cast<uint32_t>(_mm_movemask_epi8(zeros)) & 0xFFFF} << (16 * i);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (int i = 0; i < 64; ++i) {
        mask |= uint64_t{values[i] != 0} << i;
    }
    return mask;
#endif
}

// Forms the Huffman symbols of one block of quantized coefficients (natural
// order) and hands each to emit(table class, symbol, value bits, bit count):
// the DC difference against the prediction (which becomes the block's DC),
// then the AC run/size symbols in zigzag order with 0xF0 for each run of 16
// zeros before a nonzero value and 0x00 (end of block) when zeros end the
// block. Table class 0 is DC, 1 is AC; the bit count is 0 when a symbol has
// no value bits.
template <typename Emit>
inline void FormJpegBlockSymbols(const int16_t* block, int32_t& prediction, Emit&& emit) {
    const auto sizeAndBits = [](int32_t value, uint32_t& bits) {
        const uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
        const uint32_t size = static_cast<uint32_t>(std::bit_width(magnitude));
        bits = static_cast<uint32_t>(value < 0 ? ~magnitude : value) & ((1u << size) - 1);
        return size;
    };
    const int32_t diff = block[0] - prediction;
    prediction = block[0];
    uint32_t bits = 0;
    uint32_t size = sizeAndBits(diff, bits);
    emit(0, size, bits, size);

    // A block of DC alone (flat areas) ends at once.
    if ((JpegNonzeroMask(block) & ~uint64_t{1}) == 0) {
        emit(1, 0x00, 0, 0);
        return;
    }
    // The AC coefficients in zigzag order and a mask of the nonzero ones, so
    // that runs of zeros are skipped without a branch per coefficient.
    int16_t zigzag[64];
    for (int k = 0; k < 64; ++k) {
        zigzag[k] = block[kJpegZigzag[k]];
    }
    uint64_t nonzero = JpegNonzeroMask(zigzag) & ~uint64_t{1};
    uint32_t last = 0; // zigzag position of the previous nonzero coefficient
    while (nonzero != 0) {
        const uint32_t k = static_cast<uint32_t>(std::countr_zero(nonzero));
        nonzero &= nonzero - 1;
        uint32_t run = k - last - 1;
        while (run >= 16) {
            emit(1, 0xF0, 0, 0);
            run -= 16;
        }
        size = sizeAndBits(zigzag[k], bits);
        emit(1, (run << 4) + size, bits, size);
        last = k;
    }
    if (last < 63) {
        emit(1, 0x00, 0, 0);
    }
}

class JpegImageWriter : public ImageEncoder {
  public:
    static constexpr uint32_t kMaxScans = 256;

    // Quality 75, one scan of all three components, 1 x 1 sampling.
    JpegImageWriter();
    ~JpegImageWriter() override;
    JpegImageWriter(const JpegImageWriter&) = delete;
    JpegImageWriter& operator=(const JpegImageWriter&) = delete;

    // Sets scan entry index: its component mask, last spectral index and
    // successive approximation. Throws EJpegError for an index of 256 or more.
    void SetScan(uint32_t index, uint32_t componentMask, uint32_t spectralEnd,
                 uint32_t successiveApproximation);

    // Writes the whole file. Any image GetRGB reads is accepted (palette
    // images through their colour map); width and height must be 1 to 65535,
    // the range a JPEG frame can state, else EJpegBadOutputParameter. A
    // failed write of the stream throws EJpegError. On any exception what was
    // written stays written and the writer stays usable.
    void WriteImage(std::ostream& output, const RasterImage& image) override;

    // Fills both quantization tables for quality (1 to 100) and computes
    // their divisors. Throws EJpegValueOutOfRange outside that range before
    // anything changes.
    void BuildQuantTables(uint32_t quality);

    // With a callback set, reports the current pass and percent (limited to
    // 100); throws EJpegAbort when the callback asks to stop.
    void ReportProgress(uint32_t percent);

    uint32_t GetQuality() const { return quality_; }
    uint32_t GetScanCount() const { return scanCount_; }
    const JpegScan& GetScan(uint32_t index) const { return scans_.at(index); }
    const JpegQuantTable& GetLuminanceQuantTable() const { return *luminanceQuant_; }
    const JpegQuantTable& GetChrominanceQuantTable() const { return *chrominanceQuant_; }

  private:
    // The tables write their own definitions into the DHT segment.
    friend class JpegHuffmanTable;

    // Output, only while WriteImage runs. The bytes of marker segments: any
    // pending entropy-coded bits are first completed to a byte with 1-bits.
    // 16-bit values go big-endian.
    void OutputByte(uint8_t value);
    void OutputWord(uint16_t value);
    // Appends count (1 to 32) bits, most significant first, to the
    // entropy-coded data; a byte 0xFF is followed by a zero byte. Throws
    // EJpegFatal for a count of 0.
    void OutputBits(uint32_t bits, uint32_t count) {
        if (count == 0) {
            ThrowInvalidBitCount();
        }
        bitBuffer_ = (bitBuffer_ << count) | (bits & ((uint64_t{1} << count) - 1));
        bitCount_ += count;
        if (bitCount_ >= 32) {
            EmitWholeBytes();
        }
    }

    [[noreturn]] static void ThrowInvalidBitCount();
    void EmitWholeBytes();
    void CompleteBits();
    void PutByte(uint8_t value) {
        if (outputUsed_ == outputBuffer_.size()) {
            FlushOutput();
        }
        outputBuffer_[outputUsed_++] = value;
    }
    void FlushOutput();
    void FlushAfterFailure();

    void ValidateScans();
    void ConvertComponent(JpegComponent& component, uint32_t componentIndex);
    void ComponentRow(uint32_t componentIndex, uint32_t row, uint8_t* samples, size_t count);
    void WriteFrameHeader();
    void WriteQuantTables();
    void WriteScan();
    template <typename Visit> void WalkScan(uint32_t progressStart, Visit&& visit);
    void EncodeDataUnit(const int16_t* block, JpegComponent& component, bool statistics);
    void FreeCoefficients();

    // Entropy-coded output: pending bits (most significant first) and the
    // bytes waiting for the stream.
    uint32_t bitCount_ = 0;
    uint64_t bitBuffer_ = 0;
    std::unique_ptr<JpegQuantTable> chrominanceQuant_;
    std::unique_ptr<JpegQuantTable> luminanceQuant_;
    std::array<std::unique_ptr<JpegHuffmanTable>, 2> acTables_;
    std::array<std::unique_ptr<JpegHuffmanTable>, 2> dcTables_;
    uint32_t quality_ = 75;
    uint32_t passCount_ = 0;
    uint32_t currentPass_ = 0;
    uint32_t imageWidth_ = 0;
    uint32_t imageHeight_ = 0;
    uint32_t maxHorizontalFactor_ = 1;
    uint32_t maxVerticalFactor_ = 1;
    uint32_t mcuRows_ = 0;
    uint32_t mcusPerRow_ = 0;
    const RasterImage* image_ = nullptr;
    std::ostream* output_ = nullptr;
    uint32_t scanCount_ = 0;
    std::array<JpegScan, kMaxScans> scans_{};
    std::array<JpegComponent, 3> components_;
    uint32_t scanComponentCount_ = 0;
    std::array<JpegComponent*, 4> scanComponents_{};

    std::vector<uint8_t> outputBuffer_;
    size_t outputUsed_ = 0;
    // Colours of a palette image's indices, and which indices the colour map
    // holds.
    std::array<std::array<uint8_t, 3>, 256> palette_{};
    std::array<bool, 256> paletteValid_{};
    std::vector<uint8_t> rowScratch_;
};

} // namespace qm
