// The Deflate compressor.
//
// Greedy LZ77 over a 32768-byte window: at each position the three bytes
// ahead are hashed (five low bits of each, fifteen bits in all) and the chain
// of earlier positions with that hash is walked, most recent first, up to the
// level's chain limit; the longest match of 3 to 258 bytes wins (the more
// recent on equal lengths), and a match never overlaps the bytes it codes, so
// its length is at most its distance. There is no lazy matching. Each block
// holds fewer than 16384 symbol entries and is always a dynamic-Huffman
// block whose codes are built from that block's own counts (15 bits at most,
// 7 for the code-length code).
//
// The input sits in one flat buffer that keeps the 32768 bytes before the
// current position and at least 262 bytes ahead of it; when the buffer fills
// it slides down. Chain links are kept per window slot as positions (counted
// from an epoch that moves up now and then), and a walk stops at the first
// position more than 32768 bytes back, just as if its slot had been unlinked
// when reused.
//
// Limits: because a match may not overlap what it codes, a run of one byte
// is matched only from nodes at least as far back as the match is long, so
// level 0 (one node: the byte just before) codes such runs as literals, and
// levels 1 and 2 cut their matches at 64 and 128 bytes.
#include "image/DeflateCompressor.h"

#include "image/Checksums.h"
#include "image/ImageExceptions.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qm {
namespace {

constexpr uint32_t kWindowMask = DeflateCompressor::kWindowSize - 1;
constexpr uint32_t kHashSize = 32768;
constexpr uint32_t kMinLookahead = DeflateCompressor::kMaxMatch + 4;
constexpr size_t kBufferSize = 3 * DeflateCompressor::kWindowSize;
constexpr size_t kOutputChunk = 8192;
// Chain entries hold positions counted from the state's epoch, plus one, so
// that 0 means none and 32 bits suffice. The epoch moves up every 16 MiB of
// input (a pass over the two tables), long before the values could overflow.
constexpr uint32_t kNoPosition = 0;
constexpr uint32_t kRebaseAt = 1u << 24;

// RFC 1951, 3.2.5: the length symbols 257 to 285 and the distance codes 0 to
// 29, each with its base value and number of extra bits.
constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the code-length code's lengths are sent.
constexpr uint8_t kLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

struct SymbolTables {
    uint8_t lengthCode[kMinLookahead + 1]; // length 3..258 -> index 0..28
    uint8_t distanceCode[512];             // see DistanceCode
    SymbolTables() {
        for (uint32_t code = 0; code < 29; ++code) {
            const uint32_t last = code == 28 ? 258 : kLengthBase[code + 1] - 1u;
            for (uint32_t len = kLengthBase[code]; len <= last; ++len) {
                lengthCode[len] = static_cast<uint8_t>(code);
            }
        }
        lengthCode[258] = 28; // 258 is symbol 285, never 284 with extra bits
        for (uint32_t code = 0; code < 30; ++code) {
            const uint32_t last = code == 29 ? 32768 : kDistanceBase[code + 1] - 1u;
            for (uint32_t d = kDistanceBase[code]; d <= last; ++d) {
                if (d <= 256) {
                    distanceCode[d - 1] = static_cast<uint8_t>(code);
                } else {
                    distanceCode[256 + ((d - 1) >> 7)] = static_cast<uint8_t>(code);
                }
            }
        }
    }
    uint32_t DistanceCode(uint32_t d) const {
        return d <= 256 ? distanceCode[d - 1] : distanceCode[256 + ((d - 1) >> 7)];
    }
};

// The number of equal leading bytes of a and b, at most limit; compared
// eight bytes at a time.
inline uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
    uint32_t len = 0;
    while (std::endian::native == std::endian::little && len + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        const uint64_t diff = x ^ y;
        if (diff != 0) {
            // Little-endian: the lowest differing byte is the first.
            return len + static_cast<uint32_t>(std::countr_zero(diff) / 8);
        }
        len += 8;
    }
    while (len < limit && a[len] == b[len]) {
        ++len;
    }
    return len;
}

const SymbolTables& Tables() {
    static const SymbolTables tables;
    return tables;
}

} // namespace

struct DeflateCompressor::State {
    DeflateSource* source = nullptr;
    DeflateSink* sink = nullptr;
    // Input: buffer[0, end) holds bytes, cur is the next byte to code, base is
    // the absolute position of buffer[0].
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferSize);
    size_t cur = 0;
    size_t end = 0;
    int64_t base = 0;
    int64_t epoch = 0;
    bool ended = false;
    // The run of equal bytes that ends just before cur: its byte and length
    // (0 before the first byte), capped beyond any distance.
    uint8_t runByte = 0;
    uint32_t runBehind = 0;
    // Chains: head[hash] is the most recent position with that hash, link[pos
    // & mask] the one before it on its chain.
    std::vector<uint32_t> head = std::vector<uint32_t>(kHashSize, kNoPosition);
    std::vector<uint32_t> link = std::vector<uint32_t>(kWindowSize, kNoPosition);
    // The block's symbols: a literal as itself, a match as length + 256 then
    // the distance.
    std::vector<uint16_t> symbols;
    // Output.
    std::vector<uint8_t> out;
    uint64_t bitBuffer = 0;
    uint32_t bitCount = 0;
};

DeflateCompressor::DeflateCompressor(int level) : level_(level) {
    static constexpr uint32_t kChains[4] = {1, 64, 128, 0xFFFFFFFFu};
    if (level < 0 || level > 3) {
        throw EPngError("Invalid Compression Level");
    }
    maxChain_ = kChains[level];
}

DeflateCompressor::~DeflateCompressor() = default;

inline void DeflateCompressor::PutBits(State& s, uint32_t value, uint32_t count) {
    s.bitBuffer |= uint64_t{value} << s.bitCount;
    s.bitCount += count;
    if (s.bitCount < 32) {
        return;
    }
    // Four whole bytes at a time; at most 31 bits stay behind.
    for (int k = 0; k < 4; ++k) {
        s.out.push_back(static_cast<uint8_t>(s.bitBuffer));
        s.bitBuffer >>= 8;
    }
    s.bitCount -= 32;
    if (s.out.size() >= kOutputChunk) {
        FlushOutput(s);
    }
}

void DeflateCompressor::FlushOutput(State& s) {
    if (!s.out.empty()) {
        s.sink->Write(s.out.data(), s.out.size());
        s.out.clear();
    }
}

void DeflateCompressor::Compress(DeflateSource& source, DeflateSink& sink) {
    auto state = std::make_unique<State>();
    State& s = *state;
    s.source = &source;
    s.sink = &sink;
    s.symbols.reserve(kBlockSize);
    s.out.reserve(kOutputChunk + 16);
    adler_ = 1;

    // zlib header: deflate with a 32K window, the level, and the check bits
    // that make the two bytes a multiple of 31.
    uint32_t flags = static_cast<uint32_t>(level_) << 6;
    flags += 31 - ((0x78u << 8) + flags) % 31;
    PutBits(s, 0x78, 8);
    PutBits(s, flags, 8);

    bool last = false;
    while (!last) {
        literalCoder_.ResetCounts();
        distanceCoder_.ResetCounts();
        last = CompressBlock(s);
        literalCoder_.BuildCodes(15);
        distanceCoder_.BuildCodes(15);
        WriteBlock(s, last);
    }
    // Complete the last byte with zero bits, then the Adler-32, most
    // significant byte first.
    PutBits(s, 0, (8 - s.bitCount % 8) % 8);
    for (int shift = 24; shift >= 0; shift -= 8) {
        PutBits(s, (adler_ >> shift) & 0xFF, 8);
    }
    for (; s.bitCount > 0; s.bitCount -= 8) {
        s.out.push_back(static_cast<uint8_t>(s.bitBuffer));
        s.bitBuffer >>= 8;
    }
    FlushOutput(s);
}

// Compresses input into the block's symbols until the block is full or the
// input has ended. Returns true when the input has ended.
bool DeflateCompressor::CompressBlock(State& s) {
    const SymbolTables& tables = Tables();
    s.symbols.clear();

    auto refill = [this, &s] {
        if (s.ended || s.end - s.cur >= kMinLookahead) {
            return;
        }
        if (s.cur > kWindowSize && s.end + kMinLookahead > kBufferSize) {
            const size_t drop = s.cur - kWindowSize;
            std::memmove(s.buffer.data(), s.buffer.data() + drop, s.end - drop);
            s.cur -= drop;
            s.end -= drop;
            s.base += static_cast<int64_t>(drop);
        }
        while (!s.ended && s.end - s.cur < kMinLookahead) {
            const size_t got = s.source->Read(s.buffer.data() + s.end, kBufferSize - s.end);
            if (got == 0) {
                s.ended = true;
                break;
            }
            adler_ = Adler32Update(adler_, s.buffer.data() + s.end, got);
            s.end += got;
        }
    };
    // The hash of the three bytes at buffer index i; a byte past the end of
    // the data counts as 31, the low bits of the end-of-data mark.
    auto hashAt = [&s](size_t i) {
        const uint8_t* p = s.buffer.data();
        const uint32_t e0 = i < s.end ? p[i] & 31u : 31u;
        const uint32_t e1 = i + 1 < s.end ? p[i + 1] & 31u : 31u;
        const uint32_t e2 = i + 2 < s.end ? p[i + 2] & 31u : 31u;
        return e0 | e1 << 5 | e2 << 10;
    };
    // The chain value of buffer index i.
    auto valueOf = [&s](size_t i) {
        return static_cast<uint32_t>(s.base + static_cast<int64_t>(i) - s.epoch + 1);
    };
    auto insert = [&s, &valueOf](size_t i, uint32_t hash) {
        const uint32_t value = valueOf(i);
        s.link[value & kWindowMask] = s.head[hash];
        s.head[hash] = value;
    };

    for (;;) {
        refill();
        if (s.cur >= s.end || s.symbols.size() >= kBlockSize - 1) {
            break;
        }
        if (valueOf(s.cur) >= kRebaseAt) {
            // Move the epoch up to about two windows before here, by whole
            // windows so that every value keeps its slot; entries older than
            // that can no longer be reached and become none.
            const uint32_t shift = (valueOf(s.cur) - 2 * kWindowSize) & ~kWindowMask;
            for (auto* table : {&s.head, &s.link}) {
                for (uint32_t& e : *table) {
                    e = e > shift ? e - shift : kNoPosition;
                }
            }
            s.epoch += shift;
        }
        const uint8_t* p = s.buffer.data();
        if (maxChain_ == 1 && LiteralRun(s)) {
            continue;
        }
        const uint32_t here = valueOf(s.cur);
        const uint32_t hash = hashAt(s.cur);
        const uint32_t available =
            static_cast<uint32_t>(std::min<size_t>(s.end - s.cur, kMaxMatch));
        // Inside a run of one byte the match with a node no farther back than
        // the run's start is known without comparing: the bytes behind are
        // all the run's byte, so it matches as far as the run goes on ahead.
        // Counted only as far as a node needs: runAhead bytes are known to
        // be the run's byte, and runEnded says a different one follows them.
        uint32_t runAhead = 0;
        bool runEnded = false;
        auto runMatch = [&](uint32_t limit) {
            while (!runEnded && runAhead < limit) {
                if (p[s.cur + runAhead] != s.runByte) {
                    runEnded = true;
                    break;
                }
                ++runAhead;
            }
            return std::min(limit, runAhead);
        };

        uint32_t bestLength = 0;
        uint32_t bestDistance = 0;
        uint32_t node = s.head[hash];
        for (uint32_t walked = 0; node != kNoPosition && walked < maxChain_; ++walked) {
            const uint32_t distance = here - node;
            if (distance > kWindowSize) {
                break;
            }
            const uint32_t limit = std::min(available, distance);
            const uint8_t* a = p + s.cur;
            const uint8_t* b = a - distance;
            // Only a longer match can win, so a difference at the best length
            // so far rules the node out at once.
            if (limit > bestLength && (bestLength < 3 || a[bestLength] == b[bestLength])) {
                const uint32_t len =
                    distance <= s.runBehind ? runMatch(limit) : MatchLength(a, b, limit);
                if (len >= 3 && len > bestLength) {
                    bestLength = len;
                    bestDistance = distance;
                    if (len >= kMaxMatch) {
                        break;
                    }
                }
            }
            node = s.link[node & kWindowMask];
        }

        // Moves the run behind over the next n bytes to be consumed.
        auto extendRun = [&s, p, runAhead](uint32_t n) {
            if (n <= runAhead) {
                s.runBehind = std::min(s.runBehind + n, kWindowSize + 1);
                return;
            }
            for (uint32_t k = 0; k < n; ++k) {
                const uint8_t b = p[s.cur + k];
                if (s.runBehind > 0 && b == s.runByte) {
                    s.runBehind = std::min(s.runBehind + 1, kWindowSize + 1);
                } else {
                    s.runByte = b;
                    s.runBehind = 1;
                }
            }
        };

        if (bestLength >= 3) {
            extendRun(bestLength);
            insert(s.cur, hash);
            // Rolling hash over the match: each step drops the oldest byte's
            // five bits and takes in the next; the checked form at the end.
            uint32_t h = hash;
            for (uint32_t k = 1; k < bestLength; ++k) {
                const size_t i = s.cur + k;
                h = i + 2 < s.end ? h >> 5 | (p[i + 2] & 31u) << 10 : hashAt(i);
                insert(i, h);
            }
            s.cur += bestLength;
            s.symbols.push_back(static_cast<uint16_t>(bestLength + 256));
            s.symbols.push_back(static_cast<uint16_t>(bestDistance));
            literalCoder_.CountSymbol(257 + tables.lengthCode[bestLength]);
            distanceCoder_.CountSymbol(tables.DistanceCode(bestDistance));
        } else {
            extendRun(1);
            insert(s.cur, hash);
            const uint8_t literal = p[s.cur++];
            s.symbols.push_back(literal);
            literalCoder_.CountSymbol(literal);
        }
    }
    literalCoder_.CountSymbol(256);
    return s.cur >= s.end && s.ended;
}

// Level 0 inside a run of one byte: the one node tried for a position whose
// three bytes ahead are the run's byte is the position just before it (it
// has the same hash and was entered last), at distance 1, where no match of
// 3 can start; so the position is a literal. Takes such positions as
// literals in one step, exactly as the general step would one by one, as
// far as the block's room and the look-ahead the general step keeps allow.
// Returns whether it took any.
bool DeflateCompressor::LiteralRun(State& s) {
    const uint8_t* p = s.buffer.data();
    if (s.cur == 0 || s.runBehind == 0 || s.cur + 2 >= s.end) {
        return false;
    }
    const uint8_t b = s.runByte;
    const uint32_t hash = (b & 31u) * (1u | 1u << 5 | 1u << 10);
    const uint32_t before = static_cast<uint32_t>(s.base + static_cast<int64_t>(s.cur) - s.epoch);
    if (p[s.cur - 1] != b || s.head[hash] != before) {
        return false;
    }
    // Positions whose three bytes ahead all lie in the buffer and keep the
    // look-ahead the general step refills to, and that leave the block room
    // for one more entry.
    const size_t keep = s.ended ? 2 : kMinLookahead;
    if (s.end < s.cur + keep) {
        return false;
    }
    size_t last = std::min(s.end - keep, s.end - 3) + 1;
    last = std::min(last, s.cur + (kBlockSize - 1 - s.symbols.size()));
    last = std::min<size_t>(last, s.cur + (kRebaseAt - 1 - before));
    size_t n = 0;
    while (s.cur + n < last && p[s.cur + n] == b && p[s.cur + n + 1] == b &&
           p[s.cur + n + 2] == b) {
        ++n;
    }
    if (n == 0) {
        return false;
    }
    for (size_t k = 0; k < n; ++k) {
        const uint32_t value = before + 1 + static_cast<uint32_t>(k);
        s.link[value & kWindowMask] = value - 1;
    }
    s.head[hash] = before + static_cast<uint32_t>(n);
    s.runBehind =
        static_cast<uint32_t>(std::min<size_t>(size_t{s.runBehind} + n, size_t{kWindowSize} + 1));
    s.symbols.insert(s.symbols.end(), n, b);
    literalCoder_.CountSymbol(b, static_cast<uint32_t>(n));
    s.cur += n;
    return true;
}

// Sends the code lengths of both alphabets, run-length coded: a non-zero
// length as itself, zeros in runs (1 or 2 as plain zeros, 3 to 10 as symbol
// 17, 11 to 138 as symbol 18), never a run across the two alphabets.
void DeflateCompressor::WriteLengths(State& s, uint32_t literalCount, uint32_t distanceCount) {
    struct Entry {
        uint8_t symbol;
        uint8_t extra;
    };
    std::vector<Entry> entries;
    auto code = [&entries](const DeflateHuffmanCoder& coder, uint32_t count) {
        for (uint32_t i = 0; i < count;) {
            const uint8_t len = coder.GetLength(i);
            if (len != 0) {
                entries.push_back({len, 0});
                ++i;
                continue;
            }
            uint32_t run = 0;
            while (i + run < count && coder.GetLength(i + run) == 0 && run < 138) {
                ++run;
            }
            if (run < 3) {
                for (uint32_t k = 0; k < run; ++k) {
                    entries.push_back({0, 0});
                }
            } else if (run <= 10) {
                entries.push_back({17, static_cast<uint8_t>(run - 3)});
            } else {
                entries.push_back({18, static_cast<uint8_t>(run - 11)});
            }
            i += run;
        }
    };
    code(literalCoder_, literalCount);
    code(distanceCoder_, distanceCount);

    lengthCoder_.ResetCounts();
    for (const Entry& e : entries) {
        lengthCoder_.CountSymbol(e.symbol);
    }
    lengthCoder_.BuildCodes(7);
    uint32_t lengthCount = 4;
    for (uint32_t i = 0; i < 19; ++i) {
        if (lengthCoder_.GetLength(kLengthOrder[i]) != 0) {
            lengthCount = std::max(lengthCount, i + 1);
        }
    }

    PutBits(s, literalCount - 257, 5);
    PutBits(s, distanceCount - 1, 5);
    PutBits(s, lengthCount - 4, 4);
    for (uint32_t i = 0; i < lengthCount; ++i) {
        PutBits(s, lengthCoder_.GetLength(kLengthOrder[i]), 3);
    }
    for (const Entry& e : entries) {
        uint32_t bits, length;
        lengthCoder_.Encode(e.symbol, bits, length);
        PutBits(s, bits, length);
        if (e.symbol == 17) {
            PutBits(s, e.extra, 3);
        } else if (e.symbol == 18) {
            PutBits(s, e.extra, 7);
        }
    }
}

void DeflateCompressor::WriteBlock(State& s, bool last) {
    const SymbolTables& tables = Tables();
    uint32_t literalCount = 257;
    for (uint32_t v = 0; v < DeflateHuffmanCoder::kSymbols; ++v) {
        if (literalCoder_.GetLength(v) != 0) {
            literalCount = std::max(literalCount, v + 1);
        }
    }
    uint32_t distanceCount = 1;
    for (uint32_t v = 0; v < 30; ++v) {
        if (distanceCoder_.GetLength(v) != 0) {
            distanceCount = v + 1;
        }
    }

    PutBits(s, last ? 1 : 0, 1);
    PutBits(s, 2, 2);
    WriteLengths(s, literalCount, distanceCount);

    // The codes of the block's own symbols; Encode reports a missing one.
    auto send = [this, &s](const DeflateHuffmanCoder& coder, uint32_t symbol) {
        const uint32_t length = coder.GetLength(symbol);
        if (length == 0) {
            uint32_t code, size;
            coder.Encode(symbol, code, size);
        }
        PutBits(s, coder.GetCode(symbol), length);
    };
    for (size_t i = 0; i < s.symbols.size(); ++i) {
        const uint32_t symbol = s.symbols[i];
        if (symbol < 256) {
            send(literalCoder_, symbol);
            continue;
        }
        const uint32_t matchLength = symbol - 256;
        const uint32_t distance = s.symbols[++i];
        const uint32_t lengthCode = tables.lengthCode[matchLength];
        send(literalCoder_, 257 + lengthCode);
        PutBits(s, matchLength - kLengthBase[lengthCode], kLengthExtra[lengthCode]);
        const uint32_t distanceCode = tables.DistanceCode(distance);
        send(distanceCoder_, distanceCode);
        PutBits(s, distance - kDistanceBase[distanceCode], kDistanceExtra[distanceCode]);
    }
    send(literalCoder_, 256);
}

} // namespace qm
