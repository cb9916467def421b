// A small Deflate reader for the tests: it decodes a zlib stream the slow,
// plain way and records what the compressor chose (blocks, final flags, code
// lengths, matches), so tests can check properties that zlib's inflate does
// not report. Correctness of the data itself is always checked with zlib.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace qm::test {

struct DeflateStats {
    std::vector<uint8_t> data;
    std::vector<int> finalFlags;                    // BFINAL of each block
    std::vector<int> blockTypes;                    // BTYPE of each block
    std::vector<size_t> blockSymbols;               // symbol entries per block (match = 2)
    std::vector<uint32_t> distanceCounts;           // HDIST + 1 per block
    std::vector<uint32_t> zeroLengthDistanceBlocks; // blocks declaring 1 distance code of length 0
    uint32_t maxLiteralCodeLength = 0;
    uint32_t maxDistanceCodeLength = 0;
    uint32_t maxLengthCodeLength = 0;
    uint32_t longestMatch = 0;
    uint32_t symbol285Count = 0;
    bool matchLongerThanDistance = false;
    uint32_t minDistance = 0xFFFFFFFF;
};

class DeflateStreamWalker {
  public:
    explicit DeflateStreamWalker(const std::vector<uint8_t>& zlib) : in_(zlib) {}

    DeflateStats Run() {
        pos_ = 2; // zlib header
        DeflateStats st;
        for (;;) {
            const int final = Bits(1);
            const int type = Bits(2);
            st.finalFlags.push_back(final);
            st.blockTypes.push_back(type);
            if (type != 2) {
                throw std::runtime_error("not a dynamic block");
            }
            const uint32_t hlit = Bits(5) + 257, hdist = Bits(5) + 1, hclen = Bits(4) + 4;
            static const int order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};
            std::vector<uint8_t> clen(19, 0);
            for (uint32_t i = 0; i < hclen; ++i) {
                clen[order[i]] = static_cast<uint8_t>(Bits(3));
            }
            for (uint8_t l : clen) {
                st.maxLengthCodeLength = std::max<uint32_t>(st.maxLengthCodeLength, l);
            }
            Code lengthCode(clen);
            std::vector<uint8_t> lens;
            while (lens.size() < hlit + hdist) {
                const int sym = lengthCode.Decode(*this);
                if (sym < 16) {
                    lens.push_back(static_cast<uint8_t>(sym));
                } else if (sym == 16) {
                    const int n = 3 + Bits(2);
                    lens.insert(lens.end(), n, lens.back());
                } else if (sym == 17) {
                    lens.insert(lens.end(), 3 + Bits(3), 0);
                } else {
                    lens.insert(lens.end(), 11 + Bits(7), 0);
                }
            }
            std::vector<uint8_t> lit(lens.begin(), lens.begin() + hlit);
            std::vector<uint8_t> dist(lens.begin() + hlit, lens.end());
            st.distanceCounts.push_back(hdist);
            if (hdist == 1 && dist[0] == 0) {
                st.zeroLengthDistanceBlocks.push_back(
                    static_cast<uint32_t>(st.finalFlags.size() - 1));
            }
            for (uint8_t l : lit) {
                st.maxLiteralCodeLength = std::max<uint32_t>(st.maxLiteralCodeLength, l);
            }
            for (uint8_t l : dist) {
                st.maxDistanceCodeLength = std::max<uint32_t>(st.maxDistanceCodeLength, l);
            }
            Code litCode(lit), distCode(dist);
            size_t entries = 0;
            for (;;) {
                const int sym = litCode.Decode(*this);
                if (sym < 256) {
                    st.data.push_back(static_cast<uint8_t>(sym));
                    ++entries;
                    continue;
                }
                if (sym == 256) {
                    break;
                }
                static const int lbase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                              15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                              67, 83, 99, 115, 131, 163, 195, 227, 258};
                static const int lextra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
                static const int dbase[30] = {1,    2,    3,    4,     5,     7,    9,    13,
                                              17,   25,   33,   49,    65,    97,   129,  193,
                                              257,  385,  513,  769,   1025,  1537, 2049, 3073,
                                              4097, 6145, 8193, 12289, 16385, 24577};
                static const int dextra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
                const int li = sym - 257;
                if (sym == 285) {
                    ++st.symbol285Count;
                }
                const uint32_t len = static_cast<uint32_t>(lbase[li] + Bits(lextra[li]));
                const int dsym = distCode.Decode(*this);
                const uint32_t d = static_cast<uint32_t>(dbase[dsym] + Bits(dextra[dsym]));
                if (d > st.data.size()) {
                    throw std::runtime_error("distance before the data");
                }
                st.longestMatch = std::max(st.longestMatch, len);
                st.minDistance = std::min(st.minDistance, d);
                st.matchLongerThanDistance |= len > d;
                for (uint32_t k = 0; k < len; ++k) {
                    st.data.push_back(st.data[st.data.size() - d]);
                }
                entries += 2;
            }
            st.blockSymbols.push_back(entries);
            if (final) {
                break;
            }
        }
        return st;
    }

  private:
    // A canonical code decoded bit by bit (slow and plain).
    struct Code {
        uint32_t count[16] = {};
        uint32_t first[16] = {};
        uint32_t offset[16] = {};
        std::vector<int> symbols; // by length, then by symbol
        explicit Code(const std::vector<uint8_t>& lens) {
            for (uint8_t l : lens) {
                ++count[l];
            }
            count[0] = 0;
            uint32_t c = 0, o = 0;
            for (uint32_t len = 1; len <= 15; ++len) {
                c = (c + count[len - 1]) << 1;
                first[len] = c;
                offset[len] = o;
                o += count[len];
            }
            for (uint32_t len = 1; len <= 15; ++len) {
                for (size_t s = 0; s < lens.size(); ++s) {
                    if (lens[s] == len) {
                        symbols.push_back(static_cast<int>(s));
                    }
                }
            }
        }
        int Decode(DeflateStreamWalker& r) const {
            uint32_t code = 0;
            for (uint32_t len = 1; len <= 15; ++len) {
                code = code << 1 | static_cast<uint32_t>(r.Bits(1));
                if (code >= first[len] && code - first[len] < count[len]) {
                    return symbols[offset[len] + code - first[len]];
                }
            }
            throw std::runtime_error("bad code");
        }
    };

    int Bits(int n) {
        int v = 0;
        for (int i = 0; i < n; ++i) {
            if (pos_ >= in_.size()) {
                throw std::runtime_error("stream ended");
            }
            v |= ((in_[pos_] >> bit_) & 1) << i;
            if (++bit_ == 8) {
                bit_ = 0;
                ++pos_;
            }
        }
        return v;
    }

    const std::vector<uint8_t>& in_;
    size_t pos_ = 0;
    int bit_ = 0;
};

} // namespace qm::test
