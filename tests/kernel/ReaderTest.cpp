// The reader: tokens, atoms, numbers, strings, character constants, bar
// atoms, chunks, brackets, sets, quotes, and its errors on malformed input.
#include "KernelFixture.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kest::test {
namespace {

class ReaderTest : public KernelTest {};

TEST_F(ReaderTest, ReadsAndPrints) {
    struct Case {
        const char* text;
        const char* printed;
    } cases[] = {
        {"(a [b] {c c})", "(a (b) {c})"},
        {"[a b]", "(a b)"},
        {"()", "nil"},
        {"[ ]", "nil"},
        {"{}", "nil"},
        {"{a b a}", "{b a}"},
        {"'x", "'x"},
        {"(quote x)", "'x"},
        {"-12", "-12"},
        {"+7", "7"},
        {"-1.5", "-1.500000"},
        {"-.5", "-0.500000"},
        {"5.", "5.000000"},
        {"1.5", "1.500000"},
        {"-", "-"},
        {"+", "+"},
        {"1.2.3", "1.2.3"},
        {"1e5", "1e5"},
        {"a;b", "a;b"},
        {"(/ 6 3)", "(/ 6 3)"},
        {"(/* c */ a)", "(a)"},
        {"(a ; comment\n b /* block\n */ c)", "(a b c)"},
        {"!a!", "97"},
        {"!^n!", "10"},
        {"!\\t!", "9"},
        {"!!!", "33"},
        {"|a b|", "|a b|"},
        {"|a^|b|", "|a^|b|"},
        {"\"a^nb^\"c\"", "\"a^nb^\"c\""},
        {"\"a\\nb\"", "\"a\\nb\""},
        {"\"^^^t^x\"", "\"^^^tx\""},
        {"99999999999", "2147483647"},
        {"-99999999999", "-2147483648"},
        {"\n\n  (a\r\n b)", "(a b)"},
        {"#'(1 2)", "(1 2)"},
        {"`(a b)", "'(a b)"},
        {"`(a ,b c)", "(cons 'a (cons b '(c)))"},
        {"`(a @b)", "(cons 'a (conc b nil))"},
        {"`(a (b ,c) d)", "(cons 'a (cons (cons 'b (cons c nil)) '(d)))"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(roundtrip(c.text), c.printed) << c.text;
}

TEST_F(ReaderTest, StringsKeepTheirBytes) {
    Cell* s = read("\"a^nb^\"c\"");
    ASSERT_EQ(s->type, TString);
    EXPECT_STREQ(s->a.str, "a\nb\"c");
    Cell* backslash = read("\"a\\nb\"");
    EXPECT_EQ(std::string(backslash->a.str).size(), 4u);
    Cell* bar = read("|a b|");
    ASSERT_TRUE(issymbol(bar));
    EXPECT_STREQ(static_cast<Symbol*>(bar)->name, "|a b|");
    EXPECT_EQ(printstring(bar, PmPrinc), "a b");
}

TEST_F(ReaderTest, NumbersClassify) {
    struct Case {
        const char* text;
        uint8_t type;
    } cases[] = {{"-12", TInteger}, {"-1.5", TReal}, {"-", KPlain},   {"1.2.3", KPlain},
                 {".", TReal},      {"+.", TReal},   {"12a", KPlain}, {"0", TInteger}};
    for (const Case& c : cases) {
        Cell* value = read(c.text);
        EXPECT_EQ(issymbol(value) ? uint8_t{KPlain} : value->type, c.type) << c.text;
    }
}

TEST_F(ReaderTest, Errors) {
    struct Case {
        const char* text;
        const char* report;
    } cases[] = {
        {"(a b]", "read: ( ... ] is not allowed"},
        {"[a b)", "read: [ ... ) is not allowed"},
        {"(a b", "read: unexpected end of file"},
        {"(a (b c)", "unexpected end of file"},
        {"{a b", "unexpected end of file"},
        {")", "unexpected ')'"},
        {"]", "unexpected ']'"},
        {"}", "unexpected '}'"},
        {"!ab", "char constant must end with ! char"},
        {"!", "char constant must end with ! char"},
        {"|ab\n|", "broken atom: \"|ab\""},
        {"|ab", "broken atom"},
        {",x", "',' outside a back-quoted s-expresion"},
        {"@x", "@ is outside a back-quoted s-expression"},
        {"?0123", "unexpected end of file"},
    };
    for (const Case& c : cases) {
        std::string text(c.text);
        EXPECT_NE(readerror(text).find(c.report), std::string::npos)
            << c.text << " -> " << readerror(text);
    }
    EXPECT_NE(readerror(std::string("(a \"x\0y\")", 9)).find("NUL character in string"),
              std::string::npos);
    EXPECT_NE(readerror("\"abc").find("broken string in file"), std::string::npos);
    EXPECT_NE(readerror("\"abc^").find("broken string in file"), std::string::npos);
}

TEST_F(ReaderTest, RezoMode) {
    KernelSyms.RezoMode->value() = KernelSyms.t;
    EXPECT_EQ(roundtrip("@name"), "@name");
    EXPECT_EQ(roundtrip("@12"), "@12");
    EXPECT_NE(readerror("@\"s\"").find("symbol or integer expected after @"), std::string::npos);
    EXPECT_EQ(roundtrip("|(a b)"), "(a b)");
    EXPECT_EQ(roundtrip("(x\n|y)"), "(x y)");
    EXPECT_EQ(roundtrip("(x |y|)"), "(x |y|)");
}

TEST_F(ReaderTest, BinaryChunks) {
    std::string hex;
    for (int i = 0; i < 256; ++i) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[i >> 4];
        hex += digits[i & 15];
    }
    Cell* list = read("(1 ?" + hex + " 2)");
    ASSERT_EQ(listlength(list), 3);
    Cell* chunk = car(cdr(list));
    ASSERT_EQ(chunk->type, TChunk);
    EXPECT_EQ(chunk->a.chunk[0], 0);
    EXPECT_EQ(chunk->a.chunk[171], 171);
    EXPECT_EQ(printstring(chunk), "\n?" + hex);
    // Malformed digits are the reader's error, never a crash.
    std::string bad = hex;
    bad[100] = 'g';
    EXPECT_NE(readerror("?" + bad).find("bad hexadecimal digit in binary chunk"),
              std::string::npos);
    bad = hex;
    bad[511] = 'a'; // lower case is not accepted
    EXPECT_NE(readerror("?" + bad).find("bad hexadecimal digit"), std::string::npos);
}

TEST_F(ReaderTest, ChunksReadThroughBufferChannels) {
    std::string hex(512, 'A');
    Channel* ch = mkbufchan(1024, ChanRead, nullptr, false);
    chanprintf(0, ch, "(?", nullptr);
    chanprintf(0, ch, hex.c_str(), nullptr);
    chanprintf(0, ch, " x)", nullptr);
    Cell* list = readexpr(ch);
    ASSERT_EQ(listlength(list), 2);
    EXPECT_EQ(car(list)->a.chunk[7], 0xAA);
}

// Reals are read to the same float as strtof gives, bit for bit, whether they
// take the short way (few digits) or not (long mantissas, many decimals,
// signs and bare points).
TEST_F(ReaderTest, RealsReadAsStrtofReadsThem) {
    std::vector<std::string> texts = {
        "0.1",
        "0.2",
        "0.3",
        "1.1",
        "123.250000",
        "-0.0",
        "-.000",
        "+.",
        ".",
        "-.",
        "16777216.5",
        "16777217.0",
        "16777215.1",
        "3.4028235",
        "0.0000000001",
        "0.00000000001",
        "9999999999.9",
        "1.00000000000000000000000001",
        "000001.10",
        "340282350000000000000000000000000000000.0",
        "3402823500000000000000000000000000000000.0",
        "0.000000000000000000000000000000000000000000001",
    };
    std::mt19937 rng(4);
    for (int i = 0; i < 3000; ++i) {
        std::string text = std::to_string(rng() % 100000) + "." + std::to_string(rng() % 100000000);
        texts.push_back(i % 2 == 0 ? text : "-" + text);
    }
    for (const std::string& text : texts) {
        Cell* value = read(text);
        ASSERT_EQ(value->type, TReal) << text;
        const float expected = std::strtof(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&value->a.rval, &expected, sizeof expected), 0) << text;
    }
}

TEST_F(ReaderTest, OverlongTokensAreRefused) {
    std::string atom(TokenBufferSize + 10, 'x');
    EXPECT_NE(readerror(atom).find("token too long"), std::string::npos);
    EXPECT_NE(readerror("\"" + atom + "\"").find("token too long"), std::string::npos);
    EXPECT_NE(readerror("|" + atom + "|").find("token too long"), std::string::npos);
    std::string fits(TokenBufferSize, 'y');
    Cell* s = read("\"" + fits + "\"");
    EXPECT_EQ(std::string(s->a.str).size(), TokenBufferSize);
    // The longest atom fits exactly; one more character is refused.
    Cell* longest = read(fits);
    ASSERT_TRUE(issymbol(longest));
    EXPECT_EQ(std::string(static_cast<Symbol*>(longest)->name).size(), TokenBufferSize);
    EXPECT_NE(readerror(fits + "y").find("token too long"), std::string::npos);
    EXPECT_NE(readerror("\"" + fits + "y\"").find("token too long"), std::string::npos);
}

TEST_F(ReaderTest, DeepNestingIsRefused) {
    std::string deep(ReaderDepthLimit + 5, '(');
    EXPECT_NE(readerror(deep).find("nested too deeply"), std::string::npos);
    std::string fine = std::string(100, '(') + std::string(100, ')');
    EXPECT_EQ(readerror(fine), "");
    // The limit counts every expression, an atom inside the deepest list too.
    auto nested = [](int lists, const std::string& inside) {
        return std::string(static_cast<size_t>(lists), '(') + inside +
               std::string(static_cast<size_t>(lists), ')');
    };
    EXPECT_EQ(readerror(nested(ReaderDepthLimit, "")), "");
    EXPECT_NE(readerror(nested(ReaderDepthLimit, "a")).find("nested too deeply"),
              std::string::npos);
    EXPECT_EQ(readerror(nested(ReaderDepthLimit - 1, "a \"s\" 1 2.5")), "");
}

TEST_F(ReaderTest, EndOfInput) {
    LocalChannel empty("", ChanRead);
    EXPECT_EQ(readexpr(empty.get()), KernelSyms.eof);
    EXPECT_EQ(readexpr(empty.get()), KernelSyms.eof);
    LocalChannel comment("a\n; last line without a line end", ChanRead);
    EXPECT_EQ(readexpr(comment.get()), intern("a"));
    EXPECT_EQ(readexpr(comment.get()), KernelSyms.eof);
    LocalChannel nul(std::string("a\0b", 3), ChanRead);
    EXPECT_EQ(readexpr(nul.get()), intern("a"));
    EXPECT_EQ(readexpr(nul.get()), KernelSyms.eof);
    EXPECT_EQ(readexpr(nul.get()), KernelSyms.eof);
    LocalChannel block("a /* never closed", ChanRead);
    EXPECT_EQ(readexpr(block.get()), intern("a"));
    EXPECT_EQ(readexpr(block.get()), KernelSyms.eof);
}

TEST_F(ReaderTest, LinesCountLineFeedsOnly) {
    LocalChannel ch("a\r\nb\r\n\r\nc\n", ChanRead);
    readexpr(ch.get());
    readexpr(ch.get());
    readexpr(ch.get());
    EXPECT_EQ(ch.get()->line, 4); // the look-ahead has met the last one
}

TEST_F(ReaderTest, ReadingGoesOnAfterAStrayCloser) {
    LocalChannel ch("a ) b", ChanRead);
    EXPECT_EQ(readexpr(ch.get()), intern("a"));
    EXPECT_THROW(readexpr(ch.get()), qm::CKestException);
    resetstacks();
    EXPECT_EQ(readexpr(ch.get()), intern("b"));
}

TEST_F(ReaderTest, EveryRefillBoundary) {
    const std::string text = "(head \"a string^n with escapes\" |bar atom| 12 -3.25 !x! {s t}\n"
                             " ; a comment\n (nested [list] /* block */ end))";
    LocalChannel whole(text, ChanRead);
    Cell* expected = readexpr(whole.get());
    for (size_t step = 1; step <= 7; ++step) {
        auto* file = new TrickleFile(text, step);
        Channel* ch = mkfilechan(file, ChanRead, true);
        EXPECT_TRUE(equalcells(readexpr(ch), expected)) << step;
        EXPECT_EQ(readexpr(ch), KernelSyms.eof);
        closechan(ch);
    }
}

} // namespace
} // namespace kest::test

namespace kest::test {
namespace {

// A name read again after its symbol left the table (a mark restored, the
// symbols purged, the kernel rebuilt) gives the symbol now in the table.
TEST_F(ReaderTest, NamesReadAfterTheirSymbolsLeftGiveTheTablesSymbol) {
    for (int way = 0; way < 3; ++way) {
        savemark();
        Cell* first = read("(zqfresh zqfresh2)");
        ASSERT_EQ(car(first), findsym("zqfresh"));
        if (way == 0) {
            restoremark();
        } else if (way == 1) {
            restoremark();
            purgesymbols();
        } else {
            restoremark();
            initkernel();
        }
        EXPECT_EQ(findsym("zqfresh"), nullptr);
        savemark();
        Cell* again = read("zqfresh");
        EXPECT_EQ(again, findsym("zqfresh")) << way;
        EXPECT_STREQ(static_cast<Symbol*>(again)->name, "zqfresh");
        restoremark();
    }
}

TEST_F(ReaderTest, ChannelsReadInTurnKeepTheirTokens) {
    // Each channel is one token ahead; reading another channel in between
    // must not change the token it holds.
    LocalChannel first("alpha \"one\" 1 beta", ChanRead);
    LocalChannel second("gamma \"two\" 2.5 delta", ChanRead);
    std::string both;
    for (int i = 0; i < 4; ++i) {
        both += printstring(readexpr(first.get())) + " ";
        both += printstring(readexpr(second.get())) + " ";
    }
    EXPECT_EQ(both, "alpha gamma \"one\" \"two\" 1 2.500000 beta delta ");
}

} // namespace
} // namespace kest::test
