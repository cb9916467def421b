// DeflateHuffmanCoder: counts the symbols of one Deflate alphabet (up to 288)
// and builds length-limited canonical Huffman codes for them, stored
// bit-reversed so that the bit writer, which sends values least significant
// bit first, sends each code most significant bit first.
#pragma once

#include <cstdint>

namespace qm {

class DeflateHuffmanCoder {
  public:
    static constexpr uint32_t kSymbols = 288;

    DeflateHuffmanCoder() = default;
    virtual ~DeflateHuffmanCoder() = default;

    void ResetCounts();
    // Adds one to the count of v. Throws EPngError "Index out of range" for
    // v of 288 or more.
    void CountSymbol(uint32_t v) {
        if (v >= kSymbols) {
            ThrowIndexOutOfRange();
        }
        ++counts_[v];
    }
    // Adds n to the count of v (as n calls of CountSymbol).
    void CountSymbol(uint32_t v, uint32_t n) {
        if (v >= kSymbols) {
            ThrowIndexOutOfRange();
        }
        counts_[v] += n;
    }
    // Builds code lengths of at most maxLength bits, and canonical codes, for
    // every symbol with a non-zero count; symbols never counted get none. A
    // single counted symbol gets a 1-bit code. Throws EPngError with an
    // "INTERNAL ERROR" text when the construction goes wrong (never on
    // counts a block can produce).
    void BuildCodes(uint32_t maxLength);
    // The bit-reversed code of v and its length. Throws EPngError "Index Out
    // of Range" for v of 288 or more and "INTERNAL ERROR - Missing Huffman
    // Code" for a symbol without a code.
    void Encode(uint32_t v, uint32_t& code, uint32_t& length) const;

    uint32_t GetCount(uint32_t v) const { return counts_[v]; }
    // The code length of v (0: no code); v below 288.
    uint8_t GetLength(uint32_t v) const { return lengths_[v]; }
    // The bit-reversed code of v without checks; v below 288.
    uint16_t GetCode(uint32_t v) const { return codes_[v]; }

  private:
    [[noreturn]] static void ThrowIndexOutOfRange();

    uint32_t counts_[kSymbols] = {};
    uint8_t lengths_[kSymbols] = {};
    uint16_t codes_[kSymbols] = {};
};

} // namespace qm
