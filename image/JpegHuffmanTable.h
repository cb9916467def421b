// JpegHuffmanTable: one Huffman table of the JPEG encoder, built from the
// symbol counts of the scan it codes (the procedure of ITU T.81 Annex K.2,
// code lengths limited to 16 bits).
#pragma once

#include "image/ImageExceptions.h"

#include <array>
#include <cstdint>

namespace qm {

class JpegImageWriter;

class JpegHuffmanTable {
  public:
    JpegHuffmanTable() { Reset(); }
    virtual ~JpegHuffmanTable() = default;

    // Clears the counts (the reserved symbol 256 counts once, so that no real
    // code is all 1-bits) and the built flag.
    void Reset();

    // Counts one occurrence of symbol. Throws EJpegIndexOutOfRange for a
    // symbol of 256 or more and EJpegFatal once the table is built.
    void Count(uint32_t symbol) {
        if (symbol >= 256) {
            throw EJpegIndexOutOfRange();
        }
        if (built_) {
            ThrowAlreadyBuilt();
        }
        ++frequencies_[symbol];
    }

    // Builds the codes from the counts; does nothing when already built.
    // Throws EJpegFatal when the counts cannot be coded (too many symbols) or
    // a self-check fails.
    void Build();
    bool IsBuilt() const { return built_; }

    // The code and code length of symbol. Throws EJpegIndexOutOfRange for a
    // symbol of 256 or more and EJpegFatal for a symbol without a code.
    void Lookup(uint32_t symbol, uint16_t& code, uint8_t& length) const {
        if (symbol >= 256) {
            throw EJpegIndexOutOfRange();
        }
        if (codeLengths_[symbol] == 0) {
            ThrowMissingCode();
        }
        code = codes_[symbol];
        length = codeLengths_[symbol];
    }

    // Writes the 16 code-length counts (lengths 1 to 16), then the symbol
    // values, one byte each.
    void WriteDefinition(JpegImageWriter& writer) const;

    // The DHT bytes of this table with its class-and-identifier byte:
    // 17 plus the number of codes.
    uint32_t DefinitionSize() const;

    uint32_t GetFrequency(uint32_t symbol) const { return frequencies_.at(symbol); }
    // Number of codes of length k + 1, for k from 0 to 15.
    const std::array<uint8_t, 32>& GetCodeLengthCounts() const { return lengthCounts_; }
    // The coded symbols in code order (the first NumberOfCodes() are used).
    const std::array<uint8_t, 256>& GetSymbolValues() const { return symbolValues_; }
    uint32_t NumberOfCodes() const;

  private:
    [[noreturn]] static void ThrowAlreadyBuilt();
    [[noreturn]] static void ThrowMissingCode();

    std::array<uint32_t, 257> frequencies_{};
    std::array<uint8_t, 32> lengthCounts_{};
    std::array<uint8_t, 256> symbolValues_{};
    std::array<uint8_t, 256> codeLengths_{};
    std::array<uint16_t, 256> codes_{};
    bool built_ = false;
};

} // namespace qm
