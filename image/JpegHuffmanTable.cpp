// Huffman tables of the JPEG encoder, built per scan from symbol counts.
//
// The build is the procedure of ITU T.81 Annex K.2: repeatedly merge the two
// least frequent entries (ties go to the larger symbol number) and lengthen
// the codes of everything chained below them; then limit the lengths to 16
// bits by the Annex K.3 adjustment and drop the reserved symbol 256, which
// sits at the longest length and so keeps the all-1-bits code unused. The
// tables hold at most 257 entries, so the quadratic search costs nothing
// beside the coding itself. Sums are kept in 64 bits and code sizes in a
// table as long as any tree can be deep, so even skewed counts on a huge
// picture cannot overflow.
#include "image/JpegHuffmanTable.h"

#include "image/JpegImageWriter.h"

#include <limits>
#include <vector>

namespace qm {

namespace {

constexpr int kSymbols = 257;
constexpr int kReserved = 256;
constexpr int kMaxCodeLength = 16;

[[noreturn]] void Fatal(const char* text) {
    throw EJpegFatal(text);
}

} // namespace

void JpegHuffmanTable::Reset() {
    frequencies_.fill(0);
    frequencies_[kReserved] = 1;
    built_ = false;
}

void JpegHuffmanTable::ThrowAlreadyBuilt() {
    Fatal("INTERNAL ERROR - Huffman Code sizes already found");
}

void JpegHuffmanTable::ThrowMissingCode() {
    Fatal("INTERNAL ERROR - Missing Huffman Code");
}

void JpegHuffmanTable::Build() {
    if (built_) {
        return;
    }
    std::array<uint64_t, kSymbols> freq{};
    for (int i = 0; i < kSymbols; ++i) {
        freq[i] = frequencies_[i];
    }
    std::array<int, kSymbols> codeSize{};
    std::array<int, kSymbols> others{};
    others.fill(-1);

    for (;;) {
        int x = -1;
        uint64_t v = std::numeric_limits<uint64_t>::max();
        for (int i = 0; i < kSymbols; ++i) {
            if (freq[i] != 0 && freq[i] <= v) {
                v = freq[i];
                x = i;
            }
        }
        int y = -1;
        v = std::numeric_limits<uint64_t>::max();
        for (int i = 0; i < kSymbols; ++i) {
            if (freq[i] != 0 && freq[i] <= v && i != x) {
                v = freq[i];
                y = i;
            }
        }
        if (y < 0) {
            break;
        }
        freq[x] += freq[y];
        freq[y] = 0;
        ++codeSize[x];
        while (others[x] >= 0) {
            x = others[x];
            ++codeSize[x];
        }
        others[x] = y;
        ++codeSize[y];
        while (others[y] >= 0) {
            y = others[y];
            ++codeSize[y];
        }
    }

    // bits[l]: the number of codes of length l. A tree of 257 leaves is at
    // most 256 deep.
    std::array<int, kSymbols + 1> bits{};
    int longest = 0;
    for (int i = 0; i < kSymbols; ++i) {
        if (codeSize[i] != 0) {
            ++bits[codeSize[i]];
            longest = std::max(longest, codeSize[i]);
        }
    }

    // Annex K.3: move pairs of overlong codes up until none is longer than 16.
    for (int i = longest; i > kMaxCodeLength; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (j > 0 && bits[j] == 0) {
                --j;
            }
            if (j == 0) {
                Fatal("INTERNAL ERROR - Invalid Huffman Range");
            }
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    // Drop the reserved symbol's code, the last one of the longest length.
    for (int i = kMaxCodeLength; i > 0; --i) {
        if (bits[i] > 0) {
            --bits[i];
            break;
        }
    }

    int total = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l) {
        total += bits[l];
    }
    if (total >= 256) {
        Fatal("INTERNAL ERROR - Too many codes defined");
    }

    lengthCounts_.fill(0);
    for (int l = 1; l <= kMaxCodeLength; ++l) {
        lengthCounts_[l - 1] = static_cast<uint8_t>(bits[l]);
    }

    // The symbols in order of their unlimited code sizes, ascending within a
    // size; the reserved symbol is not among them.
    symbolValues_.fill(0);
    int count = 0;
    for (int size = 1; size <= longest; ++size) {
        for (int s = 0; s < 256; ++s) {
            if (codeSize[s] == size && count < total) {
                symbolValues_[count++] = static_cast<uint8_t>(s);
            }
        }
    }

    // Annex C: the code lengths in order, then the canonical codes.
    std::array<uint8_t, 256> sizes{};
    std::array<uint32_t, 256> codes{};
    int k = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l) {
        for (int n = 0; n < bits[l]; ++n) {
            sizes[k++] = static_cast<uint8_t>(l);
        }
    }
    uint32_t code = 0;
    for (int n = 0; n < total;) {
        const uint8_t size = sizes[n];
        while (n < total && sizes[n] == size) {
            codes[n++] = code++;
        }
        if (n < total) {
            code <<= sizes[n] - size;
        }
    }

    codeLengths_.fill(0);
    codes_.fill(0);
    std::array<int, 256> seen{};
    for (int n = 0; n < total; ++n) {
        const uint8_t symbol = symbolValues_[n];
        ++seen[symbol];
        codeLengths_[symbol] = sizes[n];
        codes_[symbol] = static_cast<uint16_t>(codes[n]);
    }

    // Self-checks: every counted symbol has exactly one code of at most 16
    // bits, and no two codes are alike.
    for (int s = 0; s < 256; ++s) {
        if (frequencies_[s] == 0) {
            continue;
        }
        if (codeSize[s] == 0) {
            Fatal("INTERNAL ERROR - Missing Huffman Code Size");
        }
        if (seen[s] > 1) {
            Fatal("INTERNAL ERROR - Duplicate Huffman Value");
        }
        if (seen[s] == 0) {
            Fatal("INTERNAL ERROR - Missing Huffman Value");
        }
        if (codeLengths_[s] > kMaxCodeLength) {
            Fatal("INTERNAL ERROR - Invalid Huffman Range");
        }
    }
    // Canonical codes grow strictly in code order and each fits its length;
    // one that does not repeats (or is a prefix of) another.
    for (int n = 0; n < total; ++n) {
        if ((codes[n] >> sizes[n]) != 0 || (n > 0 && codes[n] <= codes[n - 1])) {
            Fatal("INTERNAL ERROR - Duplicate Huffman Code");
        }
    }
    built_ = true;
}

uint32_t JpegHuffmanTable::NumberOfCodes() const {
    uint32_t total = 0;
    for (int k = 0; k < kMaxCodeLength; ++k) {
        total += lengthCounts_[k];
    }
    return total;
}

uint32_t JpegHuffmanTable::DefinitionSize() const {
    return 17 + NumberOfCodes();
}

void JpegHuffmanTable::WriteDefinition(JpegImageWriter& writer) const {
    for (int k = 0; k < kMaxCodeLength; ++k) {
        writer.OutputByte(lengthCounts_[k]);
    }
    const uint32_t total = NumberOfCodes();
    for (uint32_t n = 0; n < total; ++n) {
        writer.OutputByte(symbolValues_[n]);
    }
}

} // namespace qm
