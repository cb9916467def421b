// Huffman code construction for Deflate. The code sizes come from the
// classic two-least-frequent merge (on equal counts the higher symbol counts
// as the smaller), are limited to the maximum length by moving symbols up
// the tree in pairs (ITU-T T.81 Annex K, figure K.3), and are handed out in
// the order of the unlimited sizes. The codes are then the canonical codes of
// RFC 1951 for those lengths: within a length they increase with the symbol.
#include "image/DeflateHuffmanCoder.h"

#include "image/ImageExceptions.h"

#include <algorithm>
#include <vector>

namespace qm {

void DeflateHuffmanCoder::ResetCounts() {
    std::fill(std::begin(counts_), std::end(counts_), 0);
}

void DeflateHuffmanCoder::ThrowIndexOutOfRange() {
    throw EPngError("Index out of range");
}

void DeflateHuffmanCoder::Encode(uint32_t v, uint32_t& code, uint32_t& length) const {
    if (v >= kSymbols) {
        throw EPngError("Index Out of Range");
    }
    if (lengths_[v] == 0) {
        throw EPngError("INTERNAL ERROR - Missing Huffman Code");
    }
    code = codes_[v];
    length = lengths_[v];
}

void DeflateHuffmanCoder::BuildCodes(uint32_t maxLength) {
    std::fill(std::begin(lengths_), std::end(lengths_), 0);
    std::fill(std::begin(codes_), std::end(codes_), 0);

    uint64_t freq[kSymbols];
    uint32_t codeSize[kSymbols] = {};
    int others[kSymbols];
    std::vector<uint32_t> active;
    for (uint32_t v = 0; v < kSymbols; ++v) {
        freq[v] = counts_[v];
        others[v] = -1;
        if (freq[v] > 0) {
            active.push_back(v);
        }
    }
    if (active.empty()) {
        return;
    }

    // Merge the two least frequent symbols until one is left. Scanning in
    // ascending symbol order with <= makes the higher symbol the smaller on
    // equal counts.
    while (active.size() > 1) {
        size_t a = 0;
        for (size_t i = 1; i < active.size(); ++i) {
            if (freq[active[i]] <= freq[active[a]]) {
                a = i;
            }
        }
        size_t b = a == 0 ? 1 : 0;
        for (size_t i = 0; i < active.size(); ++i) {
            if (i != a && freq[active[i]] <= freq[active[b]]) {
                b = i;
            }
        }
        uint32_t v1 = active[a];
        uint32_t v2 = active[b];
        freq[v1] += freq[v2];
        freq[v2] = 0;
        active.erase(active.begin() + static_cast<std::ptrdiff_t>(b));
        ++codeSize[v1];
        while (others[v1] >= 0) {
            v1 = static_cast<uint32_t>(others[v1]);
            ++codeSize[v1];
        }
        others[v1] = static_cast<int>(v2);
        ++codeSize[v2];
        while (others[v2] >= 0) {
            v2 = static_cast<uint32_t>(others[v2]);
            ++codeSize[v2];
        }
    }
    if (codeSize[active[0]] == 0) {
        codeSize[active[0]] = 1;
    }

    // Count the symbols per size and pull every size above the maximum down.
    // Sizes can exceed twice the maximum for very skewed counts, so the walk
    // starts from the largest size there is.
    uint32_t largest = 0;
    for (uint32_t v = 0; v < kSymbols; ++v) {
        largest = std::max(largest, codeSize[v]);
    }
    std::vector<uint32_t> bits(std::max(largest, maxLength) + 2, 0);
    for (uint32_t v = 0; v < kSymbols; ++v) {
        if (codeSize[v] > 0) {
            ++bits[codeSize[v]];
        }
    }
    for (uint32_t i = largest; i > maxLength; --i) {
        while (bits[i] > 0) {
            uint32_t j = i - 2;
            while (j > 0 && bits[j] == 0) {
                --j;
            }
            if (j == 0) {
                throw EPngError("Invalid Huffman Code Generated");
            }
            bits[i] -= 2;
            ++bits[i - 1];
            bits[j + 1] += 2;
            --bits[j];
        }
    }
    uint32_t total = 0;
    for (uint32_t i = 1; i <= maxLength; ++i) {
        total += bits[i];
    }
    if (total >= kSymbols) {
        throw EPngError("INTERNAL ERROR - Too many codes defined");
    }

    // Hand the adjusted sizes out, shortest first, to the symbols in order of
    // their unlimited sizes (and symbol number within a size).
    std::vector<uint32_t> order;
    for (uint32_t size = 1; size <= largest; ++size) {
        for (uint32_t v = 0; v < kSymbols; ++v) {
            if (codeSize[v] == size) {
                order.push_back(v);
            }
        }
    }
    size_t next = 0;
    for (uint32_t size = 1; size <= maxLength; ++size) {
        for (uint32_t k = 0; k < bits[size]; ++k) {
            if (next >= order.size()) {
                throw EPngError("INTERNAL ERROR - Missing Huffman Value");
            }
            lengths_[order[next++]] = static_cast<uint8_t>(size);
        }
    }
    if (next != order.size()) {
        throw EPngError("INTERNAL ERROR - Missing Huffman Code Size");
    }

    // Canonical codes (RFC 1951, 3.2.2), then bit-reversed within their length.
    uint32_t perLength[16] = {};
    for (uint32_t v = 0; v < kSymbols; ++v) {
        if (counts_[v] > 0 && lengths_[v] == 0) {
            throw EPngError("INTERNAL ERROR - Missing Huffman Code Size");
        }
        if (lengths_[v] > maxLength || lengths_[v] > 15) {
            throw EPngError("INTERNAL ERROR - Invalid Huffman Range");
        }
        ++perLength[lengths_[v]];
    }
    perLength[0] = 0;
    uint32_t nextCode[16] = {};
    uint32_t code = 0;
    for (uint32_t len = 1; len <= 15; ++len) {
        code = (code + perLength[len - 1]) << 1;
        nextCode[len] = code;
    }
    for (uint32_t v = 0; v < kSymbols; ++v) {
        const uint32_t len = lengths_[v];
        if (len == 0) {
            continue;
        }
        uint32_t c = nextCode[len]++;
        if (c >= (1u << len)) {
            throw EPngError("Invalid Huffman Code Generated");
        }
        uint32_t reversed = 0;
        for (uint32_t k = 0; k < len; ++k) {
            reversed = reversed << 1 | (c & 1);
            c >>= 1;
        }
        codes_[v] = static_cast<uint16_t>(reversed);
    }
}

} // namespace qm
