// The JPEG encoder's building blocks: quality scaling of the quantization
// tables, the forward DCT against the textbook formula, the Huffman table
// build (ties, length limiting, self-checks) and the symbols of one block.
#include "image/ImageExceptions.h"
#include "image/JpegHuffmanTable.h"
#include "image/JpegImageWriter.h"
#include "image/JpegQuantTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace qm {
namespace {

// ---- zigzag and quantization ----

TEST(JpegQuantTableTest, ZigzagWalksTheAntiDiagonalsAndInvertsItself) {
    // Build the order independently: along each anti-diagonal d = u + v,
    // going up-right on even d and down-left on odd d.
    std::vector<int> expected;
    for (int d = 0; d < 15; ++d) {
        for (int i = 0; i <= d; ++i) {
            const int u = d % 2 == 0 ? d - i : i;
            const int v = d - u;
            if (u < 8 && v < 8) {
                expected.push_back(8 * u + v);
            }
        }
    }
    ASSERT_EQ(expected.size(), 64u);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(kJpegZigzag[i], expected[i]) << "position " << i;
        EXPECT_EQ(kJpegNaturalToZigzag[kJpegZigzag[i]], i);
    }
}

TEST(JpegQuantTableTest, QualityScalesTheStandardTables) {
    // The factor is 2 ^ ((50 - q) * 6 / 50), computed as exp(ln 2 * e): for
    // quality 25 that is a hair below 8, so 24 * f truncates to 191.
    for (const uint32_t quality : {50u, 75u, 100u, 1u, 60u, 25u}) {
        SCOPED_TRACE(quality);
        const double factor =
            std::exp(std::log(2.0) * ((50 - static_cast<int>(quality)) * 6 / 50.0));
        JpegImageWriter writer;
        writer.BuildQuantTables(quality);
        for (int i = 0; i < 64; ++i) {
            const auto expect = [&](uint16_t base) {
                const double v = std::trunc(base * factor);
                return static_cast<uint16_t>(v < 1 ? 1 : v > 255 ? 255 : v);
            };
            EXPECT_EQ(writer.GetLuminanceQuantTable().Values()[i],
                      expect(kJpegLuminanceBase[kJpegZigzag[i]]));
            EXPECT_EQ(writer.GetChrominanceQuantTable().Values()[i],
                      expect(kJpegChrominanceBase[kJpegZigzag[i]]));
        }
    }
    JpegImageWriter writer;
    writer.BuildQuantTables(25);
    EXPECT_EQ(writer.GetLuminanceQuantTable().Values()[kJpegNaturalToZigzag[5 * 8]], 191);
}

TEST(JpegQuantTableTest, QualityBounds) {
    JpegImageWriter writer;
    writer.BuildQuantTables(50);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(writer.GetLuminanceQuantTable().Values()[i], kJpegLuminanceBase[kJpegZigzag[i]]);
        EXPECT_EQ(writer.GetChrominanceQuantTable().Values()[i],
                  kJpegChrominanceBase[kJpegZigzag[i]]);
    }
    writer.BuildQuantTables(100);
    for (const uint16_t v : writer.GetLuminanceQuantTable().Values()) {
        EXPECT_EQ(v, 1);
    }
    writer.BuildQuantTables(1);
    for (const uint16_t v : writer.GetLuminanceQuantTable().Values()) {
        EXPECT_EQ(v, 255);
    }
    for (const uint32_t bad : {0u, 101u, 1000u}) {
        EXPECT_THROW(writer.BuildQuantTables(bad), EJpegValueOutOfRange);
        // Nothing changed.
        EXPECT_EQ(writer.GetLuminanceQuantTable().Values()[0], 255);
    }
    try {
        writer.BuildQuantTables(0);
    } catch (const EJpegError& e) {
        EXPECT_STREQ(e.what(), "Value out of range");
    }
}

TEST(JpegQuantTableTest, DctScaleAndDivisors) {
    const std::array<double, 64>& scale = JpegDctScale();
    EXPECT_DOUBLE_EQ(scale[0], 0.125);
    EXPECT_NEAR(scale[1], 0.0901199777508685, 1e-15);
    EXPECT_DOUBLE_EQ(scale[8], scale[1]);
    JpegImageWriter writer;
    writer.BuildQuantTables(50);
    const JpegQuantTable& table = writer.GetLuminanceQuantTable();
    EXPECT_DOUBLE_EQ(table.Divisors()[0], 0.125 / 16);
    EXPECT_DOUBLE_EQ(table.Divisors()[1], scale[1] / 11);
    EXPECT_DOUBLE_EQ(table.Divisors()[8], scale[8] / 12);
}

double RoundHalfAway(double p) {
    return p >= 0 ? std::trunc(p + 0.5) : std::trunc(p - 0.5);
}

TEST(JpegDctTest, FlatBlocks) {
    JpegImageWriter writer;
    writer.BuildQuantTables(75);
    const JpegQuantTable& table = writer.GetLuminanceQuantTable();
    uint8_t samples[64];
    int16_t out[64];
    std::fill(std::begin(samples), std::end(samples), 128);
    ForwardDct(samples, table, out);
    for (const int16_t c : out) {
        EXPECT_EQ(c, 0);
    }
    std::fill(std::begin(samples), std::end(samples), 255);
    ForwardDct(samples, table, out);
    EXPECT_EQ(out[0], RoundHalfAway(1016.0 / table.Values()[0]));
    for (int i = 1; i < 64; ++i) {
        EXPECT_EQ(out[i], 0) << i;
    }
}

TEST(JpegDctTest, MatchesTheTextbookTransform) {
    std::mt19937 random(7);
    const double pi = std::acos(-1.0);
    for (const uint32_t quality : {100u, 75u, 50u, 10u}) {
        JpegImageWriter writer;
        writer.BuildQuantTables(quality);
        const JpegQuantTable& table = writer.GetChrominanceQuantTable();
        for (int trial = 0; trial < 50; ++trial) {
            uint8_t samples[64];
            for (uint8_t& s : samples) {
                s = static_cast<uint8_t>(random() & 0xFF);
            }
            int16_t out[64];
            ForwardDct(samples, table, out);
            for (int u = 0; u < 8; ++u) {
                for (int v = 0; v < 8; ++v) {
                    double sum = 0;
                    for (int y = 0; y < 8; ++y) {
                        for (int x = 0; x < 8; ++x) {
                            sum += (samples[8 * y + x] - 128) *
                                   std::cos((2 * y + 1) * u * pi / 16) *
                                   std::cos((2 * x + 1) * v * pi / 16);
                        }
                    }
                    const double cu = u == 0 ? std::sqrt(0.5) : 1;
                    const double cv = v == 0 ? std::sqrt(0.5) : 1;
                    const double p =
                        sum * cu * cv / 4 / table.Values()[kJpegNaturalToZigzag[8 * u + v]];
                    // Only a value within rounding noise of a half may round
                    // either way.
                    if (std::abs(std::abs(p - std::trunc(p)) - 0.5) < 1e-9) {
                        continue;
                    }
                    EXPECT_EQ(out[8 * u + v], RoundHalfAway(p)) << "u " << u << " v " << v;
                }
            }
        }
    }
}

// ---- Huffman tables ----

std::string CodeText(const JpegHuffmanTable& table, uint32_t symbol) {
    uint16_t code = 0;
    uint8_t length = 0;
    table.Lookup(symbol, code, length);
    std::string text;
    for (int bit = length - 1; bit >= 0; --bit) {
        text += (code >> bit) & 1 ? '1' : '0';
    }
    return text;
}

TEST(JpegHuffmanTableTest, SmallTablesFollowTheTieRule) {
    JpegHuffmanTable one;
    one.Count(42);
    one.Build();
    EXPECT_EQ(CodeText(one, 42), "0");
    EXPECT_EQ(one.NumberOfCodes(), 1u);
    EXPECT_EQ(one.DefinitionSize(), 18u);

    JpegHuffmanTable two;
    for (int i = 0; i < 5; ++i) {
        two.Count(0);
        two.Count(1);
    }
    two.Build();
    EXPECT_EQ(CodeText(two, 0), "0");
    EXPECT_EQ(CodeText(two, 1), "10");
    EXPECT_EQ(two.GetCodeLengthCounts()[0], 1);
    EXPECT_EQ(two.GetCodeLengthCounts()[1], 1);
    EXPECT_EQ(two.GetSymbolValues()[0], 0);
    EXPECT_EQ(two.GetSymbolValues()[1], 1);
}

TEST(JpegHuffmanTableTest, MisuseThrows) {
    JpegHuffmanTable table;
    EXPECT_THROW(table.Count(256), EJpegIndexOutOfRange);
    table.Count(3);
    table.Build();
    table.Build(); // a second build changes nothing
    EXPECT_EQ(CodeText(table, 3), "0");
    try {
        table.Count(3);
        FAIL();
    } catch (const EJpegFatal& e) {
        EXPECT_STREQ(e.what(), "INTERNAL ERROR - Huffman Code sizes already found");
    }
    uint16_t code = 0;
    uint8_t length = 0;
    EXPECT_THROW(table.Lookup(256, code, length), EJpegIndexOutOfRange);
    try {
        table.Lookup(4, code, length);
        FAIL();
    } catch (const EJpegFatal& e) {
        EXPECT_STREQ(e.what(), "INTERNAL ERROR - Missing Huffman Code");
    }
    table.Reset();
    EXPECT_FALSE(table.IsBuilt());
    table.Count(4);

    JpegHuffmanTable full;
    for (uint32_t s = 0; s < 256; ++s) {
        full.Count(s);
    }
    try {
        full.Build();
        FAIL();
    } catch (const EJpegFatal& e) {
        EXPECT_STREQ(e.what(), "INTERNAL ERROR - Too many codes defined");
    }
}

// Every counted symbol has a code of 1 to 16 bits, the codes are a prefix
// code that leaves the all-1-bits code of every length unused, and the
// definition lists exactly the counted symbols.
void ExpectSoundCode(const JpegHuffmanTable& table, const std::vector<uint32_t>& counts) {
    std::vector<std::string> codes;
    double kraft = 0;
    for (uint32_t s = 0; s < counts.size(); ++s) {
        if (counts[s] == 0) {
            continue;
        }
        const std::string code = CodeText(table, s);
        ASSERT_GE(code.size(), 1u);
        ASSERT_LE(code.size(), 16u);
        EXPECT_NE(code, std::string(code.size(), '1'));
        kraft += std::ldexp(1.0, -static_cast<int>(code.size()));
        codes.push_back(code);
    }
    EXPECT_LT(kraft, 1.0);
    for (size_t a = 0; a < codes.size(); ++a) {
        for (size_t b = 0; b < codes.size(); ++b) {
            if (a != b) {
                EXPECT_NE(codes[b].rfind(codes[a], 0), 0u) << codes[a] << " prefixes " << codes[b];
            }
        }
    }
    EXPECT_EQ(table.NumberOfCodes(), codes.size());
}

TEST(JpegHuffmanTableTest, SkewedCountsStayWithinSixteenBits) {
    struct Case {
        const char* name;
        std::vector<uint32_t> counts;
    };
    std::vector<Case> cases;
    {
        // Fibonacci counts make the unlimited tree as deep as it can be: 34
        // symbols and the reserved one nest 34 levels deep, past the 32
        // lengths a byte table of counts would hold.
        std::vector<uint32_t> fib(34);
        uint32_t a = 1, b = 1;
        for (uint32_t& f : fib) {
            f = a;
            const uint32_t next = a + b;
            a = b;
            b = next;
        }
        cases.push_back({"fibonacci", fib});
    }
    {
        std::vector<uint32_t> powers(22);
        for (uint32_t i = 0; i < powers.size(); ++i) {
            powers[i] = 1u << i;
        }
        cases.push_back({"powers of two", powers});
    }
    cases.push_back({"flat 162", std::vector<uint32_t>(162, 7)});
    {
        std::vector<uint32_t> spread(255);
        for (uint32_t i = 0; i < spread.size(); ++i) {
            spread[i] = i % 3 == 0 ? 1 : 100000 / (i + 1);
        }
        cases.push_back({"255 symbols", spread});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegHuffmanTable table;
        for (uint32_t s = 0; s < c.counts.size(); ++s) {
            for (uint32_t k = 0; k < c.counts[s]; ++k) {
                table.Count(s);
            }
        }
        table.Build();
        ExpectSoundCode(table, c.counts);
    }
}

// ---- symbols of one block ----

struct Symbol {
    int tableClass;
    uint32_t symbol;
    uint32_t bits;
    uint32_t size;
    bool operator==(const Symbol&) const = default;
};

std::vector<Symbol> Symbols(const int16_t* block, int32_t& prediction) {
    std::vector<Symbol> out;
    FormJpegBlockSymbols(block, prediction, [&](int c, uint32_t s, uint32_t bits, uint32_t size) {
        out.push_back({c, s, bits, size});
    });
    return out;
}

TEST(JpegBlockSymbolsTest, Cases) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int16_t>> zigzagValues; // zigzag position, value
        int32_t prediction;
        std::vector<Symbol> expected;
    };
    const Case cases[] = {
        {"negative DC difference", {{0, 2}}, 5, {{0, 2, 0b00, 2}, {1, 0x00, 0, 0}}},
        {"positive DC difference", {{0, 5}}, 0, {{0, 3, 0b101, 3}, {1, 0x00, 0, 0}}},
        {"no DC difference",
         {{0, 4}, {1, -1}},
         4,
         {{0, 0, 0, 0}, {1, 0x01, 0, 1}, {1, 0x00, 0, 0}}},
        {"last coefficient set",
         {{63, 3}},
         0,
         {{0, 0, 0, 0}, {1, 0xF0, 0, 0}, {1, 0xF0, 0, 0}, {1, 0xF0, 0, 0}, {1, 0xE2, 0b11, 2}}},
        {"seventeen zeros",
         {{18, 1}},
         0,
         {{0, 0, 0, 0}, {1, 0xF0, 0, 0}, {1, 0x11, 1, 1}, {1, 0x00, 0, 0}}},
        {"big values",
         {{0, 1016}, {2, -1023}},
         -1016,
         {{0, 11, 2032, 11}, {1, 0x1A, 0, 10}, {1, 0x00, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int16_t block[64] = {};
        for (const auto& [position, value] : c.zigzagValues) {
            block[kJpegZigzag[position]] = value;
        }
        int32_t prediction = c.prediction;
        EXPECT_EQ(Symbols(block, prediction), c.expected);
        EXPECT_EQ(prediction, block[0]);
    }
}

TEST(JpegBlockSymbolsTest, NonzeroMaskMatchesEveryPosition) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 200; ++trial) {
        int16_t values[64] = {};
        uint64_t expected = 0;
        for (int i = 0; i < 64; ++i) {
            if (random() % 4 == 0) {
                values[i] = static_cast<int16_t>(static_cast<int>(random() % 4001) - 2000);
            }
            expected |= uint64_t{values[i] != 0} << i;
        }
        EXPECT_EQ(JpegNonzeroMask(values), expected);
    }
}

TEST(JpegColorTest, ConversionOfPrimaries) {
    struct Case {
        int r, g, b, y, cb, cr;
    };
    const Case cases[] = {
        {255, 0, 0, 76, 85, 255},  {0, 0, 0, 0, 128, 128},   {255, 255, 255, 255, 128, 128},
        {0, 0, 255, 29, 255, 107}, {0, 255, 0, 150, 44, 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_EQ(JpegY(c.r, c.g, c.b), c.y);
        EXPECT_EQ(JpegCb(c.r, c.g, c.b), c.cb);
        EXPECT_EQ(JpegCr(c.r, c.g, c.b), c.cr);
    }
}

} // namespace
} // namespace qm
