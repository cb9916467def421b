// The Deflate compressor, its Huffman codes and the two checksums. Every
// stream is inflated by zlib and compared with its input; the test-side
// inspector checks the choices zlib does not report (block flags, code
// lengths, match lengths and distances).
#include "image/DeflateCompressor.h"
#include "DeflateStreamWalker.h"
#include "image/Checksums.h"
#include "image/DeflateHuffmanCoder.h"
#include "image/ImageExceptions.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace qm {
namespace {

using Bytes = std::vector<uint8_t>;

class VectorSource : public DeflateSource {
  public:
    // Hands out the data in pieces of at most piece bytes, to exercise refills.
    VectorSource(const Bytes& data, size_t piece) : data_(data), piece_(piece) {}
    size_t Read(uint8_t* buffer, size_t capacity) override {
        const size_t n = std::min({capacity, piece_, data_.size() - at_});
        std::copy_n(data_.data() + at_, n, buffer);
        at_ += n;
        return n;
    }

  private:
    const Bytes& data_;
    size_t piece_;
    size_t at_ = 0;
};

class VectorSink : public DeflateSink {
  public:
    void Write(const uint8_t* bytes, size_t count) override {
        out.insert(out.end(), bytes, bytes + count);
    }
    Bytes out;
};

Bytes Compress(const Bytes& data, int level, size_t piece = 100000) {
    VectorSource source(data, piece);
    VectorSink sink;
    DeflateCompressor compressor(level);
    compressor.Compress(source, sink);
    return sink.out;
}

Bytes Inflate(const Bytes& stream, size_t expected) {
    Bytes out(expected + 1);
    uLongf length = static_cast<uLongf>(out.size());
    const int rc =
        uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size()));
    EXPECT_EQ(rc, Z_OK);
    out.resize(length);
    return out;
}

struct Input {
    const char* name;
    Bytes data;
};

std::vector<Input> Inputs() {
    std::mt19937 random(7);
    std::vector<Input> inputs;
    inputs.push_back({"empty", {}});
    inputs.push_back({"one byte", {42}});
    inputs.push_back({"two bytes", {1, 2}});
    Bytes noise(70000);
    for (auto& b : noise) {
        b = static_cast<uint8_t>(random());
    }
    inputs.push_back({"noise", noise});
    // A de Bruijn sequence of byte pairs: no two bytes, so no three, repeat.
    Bytes pairs;
    std::vector<int> a(3, 0);
    std::function<void(int, int)> db = [&](int t, int p) {
        if (t > 2) {
            if (2 % p == 0) {
                for (int j = 1; j <= p; ++j) {
                    pairs.push_back(static_cast<uint8_t>(a[j]));
                }
            }
            return;
        }
        a[t] = a[t - p];
        db(t + 1, p);
        for (int j = a[t - p] + 1; j < 256; ++j) {
            a[t] = j;
            db(t + 1, t);
        }
    };
    db(1, 1);
    pairs.resize(40000);
    inputs.push_back({"no repeats", pairs});
    inputs.push_back({"one repeated byte", Bytes(100000, 0xFF)});
    std::string text;
    while (text.size() < 90000) {
        text +=
            "class Place : public NodeDrawable { int x" + std::to_string(random() % 97) + "; };\n";
    }
    inputs.push_back({"text", Bytes(text.begin(), text.end())});
    // Line art: mostly white rows with a few black runs, longer than the window.
    Bytes art;
    for (int row = 0; row < 60; ++row) {
        for (int x = 0; x < 1200; ++x) {
            art.push_back((x % 97 == row % 5 || row % 17 == 0) ? 0 : 255);
        }
    }
    inputs.push_back({"line art", art});
    // Repeats exactly 32768 bytes apart, to reach the far end of the window.
    Bytes far(32768 + 600);
    for (size_t i = 0; i < 32768; ++i) {
        far[i] = static_cast<uint8_t>(random());
    }
    std::copy_n(far.begin(), 600, far.begin() + 32768);
    inputs.push_back({"repeat at 32768", far});
    return inputs;
}

TEST(ChecksumTest, KnownValues) {
    const uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(Crc32Update(0xFFFFFFFFu, iend, 4) ^ 0xFFFFFFFFu, 0xAE426082u);
    EXPECT_EQ(Adler32Update(1, nullptr, 0), 1u);
    const std::string wiki = "Wikipedia";
    uint32_t adler = 1;
    for (char c : wiki) {
        adler = Adler32Update(adler, static_cast<uint8_t>(c));
    }
    EXPECT_EQ(adler, 0x11E60398u);

    // The run version equals the byte version and zlib's, across remainder runs.
    std::mt19937 random(3);
    Bytes data(20000);
    for (auto& b : data) {
        b = static_cast<uint8_t>(random() | 0xF0);
    }
    uint32_t bytewise = 1;
    for (uint8_t b : data) {
        bytewise = Adler32Update(bytewise, b);
    }
    EXPECT_EQ(Adler32Update(1, data.data(), data.size()), bytewise);
    EXPECT_EQ(bytewise, adler32(1, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(Crc32Update(0xFFFFFFFFu, data.data(), data.size()) ^ 0xFFFFFFFFu,
              crc32(0, data.data(), static_cast<uInt>(data.size())));
}

TEST(DeflateCompressorTest, ZlibInflatesEveryInputAtEveryLevel) {
    for (const Input& input : Inputs()) {
        for (int level = 0; level <= 3; ++level) {
            SCOPED_TRACE(testing::Message() << input.name << ", level " << level);
            const Bytes stream = Compress(input.data, level);
            ASSERT_EQ(Inflate(stream, input.data.size()), input.data);

            // Header per level, and the trailer is the Adler-32 of the data.
            static const uint8_t kFlags[4] = {0x01, 0x5E, 0x9C, 0xDA};
            EXPECT_EQ(stream[0], 0x78);
            EXPECT_EQ(stream[1], kFlags[level]);
            const uint32_t adler =
                adler32(1, input.data.data(), static_cast<uInt>(input.data.size()));
            const size_t n = stream.size();
            EXPECT_EQ(uint32_t{stream[n - 4]} << 24 | stream[n - 3] << 16 | stream[n - 2] << 8 |
                          stream[n - 1],
                      adler);

            const test::DeflateStats stats = test::DeflateStreamWalker(stream).Run();
            EXPECT_EQ(stats.data, input.data);
            for (size_t b = 0; b < stats.finalFlags.size(); ++b) {
                EXPECT_EQ(stats.finalFlags[b], b + 1 == stats.finalFlags.size() ? 1 : 0);
                EXPECT_EQ(stats.blockTypes[b], 2);
                EXPECT_LT(stats.blockSymbols[b], 16384u);
            }
            EXPECT_LE(stats.maxLiteralCodeLength, 15u);
            EXPECT_LE(stats.maxDistanceCodeLength, 15u);
            EXPECT_LE(stats.maxLengthCodeLength, 7u);
            EXPECT_FALSE(stats.matchLongerThanDistance);
        }
    }
}

TEST(DeflateCompressorTest, InputPiecesDoNotChangeTheStream) {
    const std::vector<Input> inputs = Inputs();
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.name);
        EXPECT_EQ(Compress(input.data, 2, 1), Compress(input.data, 2));
        EXPECT_EQ(Compress(input.data, 1, 777), Compress(input.data, 1));
    }
}

TEST(DeflateCompressorTest, MatchChoices) {
    const std::vector<Input> inputs = Inputs();
    auto stats = [&inputs](const char* name, int level) {
        for (const Input& input : inputs) {
            if (std::string(input.name) == name) {
                return test::DeflateStreamWalker(Compress(input.data, level)).Run();
            }
        }
        throw std::runtime_error(name);
    };
    // No repeated three bytes: literals only, one distance code of length 0.
    const test::DeflateStats unique = stats("no repeats", 3);
    EXPECT_EQ(unique.minDistance, 0xFFFFFFFFu);
    EXPECT_EQ(unique.zeroLengthDistanceBlocks.size(), unique.finalFlags.size());
    EXPECT_GT(unique.finalFlags.size(), 1u);
    // One repeated byte: a match is never longer than its distance, so the
    // chain must reach 258 bytes back for the longest match (symbol 285);
    // level 0 tries only the byte before, and codes literals.
    const test::DeflateStats run = stats("one repeated byte", 3);
    EXPECT_EQ(run.longestMatch, 258u);
    EXPECT_GT(run.symbol285Count, 0u);
    EXPECT_GE(run.minDistance, 3u);
    EXPECT_EQ(stats("one repeated byte", 2).longestMatch, 128u);
    EXPECT_EQ(stats("one repeated byte", 0).longestMatch, 0u);
    // The far end of the window is reached, and never passed.
    EXPECT_EQ(stats("repeat at 32768", 3).longestMatch, 258u);
}

TEST(DeflateCompressorTest, LongInputsPastTheChainEpoch) {
    // Over 16 MiB, so that the chains' positions are renumbered on the way.
    std::mt19937 random(11);
    Bytes data;
    data.reserve(17u << 20);
    while (data.size() < (17u << 20)) {
        const uint8_t b = static_cast<uint8_t>(random() % 6);
        data.insert(data.end(), 1 + random() % 40, b);
    }
    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        EXPECT_EQ(Inflate(Compress(data, level), data.size()), data);
    }
}

TEST(DeflateCompressorTest, InvalidLevels) {
    for (int level : {-1, 4}) {
        try {
            DeflateCompressor compressor(level);
            FAIL() << level;
        } catch (const EPngError& e) {
            EXPECT_STREQ(e.what(), "Invalid Compression Level");
        }
    }
}

// Lengths of a built code: all within the limit, and the code is complete
// (Kraft sum exactly 1) when two or more symbols were counted.
void CheckCode(const DeflateHuffmanCoder& coder, uint32_t maxLength, uint32_t symbols) {
    double kraft = 0;
    uint32_t used = 0;
    for (uint32_t v = 0; v < DeflateHuffmanCoder::kSymbols; ++v) {
        const uint32_t len = coder.GetLength(v);
        EXPECT_LE(len, maxLength);
        EXPECT_EQ(len != 0, coder.GetCount(v) != 0) << v;
        if (len != 0) {
            kraft += 1.0 / (1u << len);
            ++used;
        }
    }
    EXPECT_EQ(used, symbols);
    if (symbols >= 2) {
        EXPECT_DOUBLE_EQ(kraft, 1.0);
    }
}

TEST(DeflateHuffmanCoderTest, SkewedCountsStayWithinTheLimit) {
    struct Case {
        uint32_t symbols, maxLength;
    };
    for (const Case c : {Case{286, 15}, Case{30, 15}, Case{19, 7}, Case{40, 15}}) {
        DeflateHuffmanCoder coder;
        // Fibonacci counts make the deepest possible tree.
        uint64_t a = 1, b = 1;
        for (uint32_t v = 0; v < c.symbols; ++v) {
            const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(a, 1u << 13));
            for (uint32_t k = 0; k < count; ++k) {
                coder.CountSymbol(v);
            }
            const uint64_t next = a + b;
            a = b;
            b = next;
        }
        coder.BuildCodes(c.maxLength);
        SCOPED_TRACE(c.symbols);
        CheckCode(coder, c.maxLength, c.symbols);
    }
}

TEST(DeflateHuffmanCoderTest, CanonicalCodesAndErrors) {
    DeflateHuffmanCoder coder;
    coder.BuildCodes(15);
    CheckCode(coder, 15, 0);

    coder.CountSymbol(256);
    coder.BuildCodes(15);
    uint32_t code, length;
    coder.Encode(256, code, length);
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(code, 0u);

    // Counts 1, 1, 2, 4 give lengths 3, 3, 2, 1 and codes 110, 111, 10, 0,
    // stored bit-reversed.
    coder.ResetCounts();
    const uint32_t counts[4] = {1, 1, 2, 4};
    for (uint32_t v = 0; v < 4; ++v) {
        for (uint32_t k = 0; k < counts[v]; ++k) {
            coder.CountSymbol(v);
        }
    }
    coder.BuildCodes(15);
    const uint32_t expected[4][2] = {{0b011, 3}, {0b111, 3}, {0b01, 2}, {0b0, 1}};
    for (uint32_t v = 0; v < 4; ++v) {
        coder.Encode(v, code, length);
        EXPECT_EQ(code, expected[v][0]) << v;
        EXPECT_EQ(length, expected[v][1]) << v;
    }

    auto text = [](auto f) {
        try {
            f();
        } catch (const EPngError& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(text([&] { coder.CountSymbol(288); }), "Index out of range");
    EXPECT_EQ(text([&] { coder.Encode(288, code, length); }), "Index Out of Range");
    EXPECT_EQ(text([&] { coder.Encode(5, code, length); }),
              "INTERNAL ERROR - Missing Huffman Code");
}

} // namespace
} // namespace qm
