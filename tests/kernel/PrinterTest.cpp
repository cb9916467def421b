// The printer, the pretty printers, the file header, and the round trip of
// generated lists through the pretty printer and the reader.
#include "KernelFixture.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

namespace kest::test {
namespace {

class PrinterTest : public KernelTest {
  protected:
    std::string pretty(Cell* value, bool continued = false) {
        LocalChannel ch;
        if (continued)
            ppcontinued(value, ch.get(), 0, 0);
        else
            prettyprint(value, ch.get(), 0, 0);
        return ch.Text();
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::stringstream in(text);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
};

TEST_F(PrinterTest, PrintAndPrinc) {
    struct Case {
        Cell* value;
        const char* print;
        const char* princ;
    } cases[] = {
        {nil, "nil", "nil"},
        {mkreal(1.5f), "1.500000", "1.500000"},
        {mkint(-7), "-7", "-7"},
        {mkstr("a\nb\"c^"), "\"a^nb^\"c^^\"", "a\nb\"c^"},
        {mkstr("\b\t\f\r"), "\"^b^t^f^r\"", "\b\t\f\r"},
        {read("|a b|"), "|a b|", "a b"},
        {mkcons(sym::link, sym::tag), "(link . tag)", "(link . tag)"},
        {read("(quote x)"), "'x", "'x"},
        {read("(quote x y)"), "(quote x y)", "(quote x y)"},
        {read("{a b}"), "{a b}", "{a b}"},
        {read("(a (\"s\" b) c)"), "(a (\"s\" b) c)", "(a (s b) c)"},
        {mkvector(3), "vector[3]", "vector[3]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(printstring(c.value, PmPrint), c.print);
        EXPECT_EQ(printstring(c.value, PmPrinc), c.princ);
    }
}

TEST_F(PrinterTest, MeasuringStopsPastTheLimit) {
    std::string text = "(";
    for (int i = 0; i < 1000; ++i)
        text += "element ";
    text += ")";
    Cell* list = read(text);
    int measured = printval(PmPrint | PmMeasure, list, nullptr, 40);
    EXPECT_GT(measured, 40);
    EXPECT_LT(measured, 60);
}

TEST_F(PrinterTest, MeasuringAStringCountsEscapesAndStopsPastTheLimit) {
    const std::string longText(100000, 'x');
    struct Case {
        Cell* value;
        int limit;
        int exact; // the whole printed length, or 0 when past the limit
    };
    const Case cases[] = {
        {mkstr(""), 0, 2},
        {mkstr("a\"b^c\n"), 40, 11},
        {mkstr("a\"b^c\n"), 11, 11},
        {mkstr("a\"b^c\n"), 10, 0},
        {mkstr(longText.c_str()), 80, 0},
        {mkstr(longText.c_str()), -5, 0},
        {mkcons(mkstr("ab"), mkcons(mkstr(longText.c_str()), nil)), 80, 0},
        {mkcons(mkstr("ab"), mkcons(mkstr("c^d"), nil)), 80, 13},
    };
    for (const Case& c : cases) {
        const int measured = printval(PmPrint | PmMeasure, c.value, nullptr, c.limit);
        if (c.exact != 0) {
            EXPECT_EQ(measured, c.exact) << printstring(c.value, PmPrint);
            EXPECT_EQ(measured, static_cast<int>(printstring(c.value, PmPrint).size()));
        } else {
            EXPECT_GT(measured, c.limit);
            EXPECT_LT(measured, std::max(c.limit, 0) + 8) << "the count stops past the limit";
        }
    }
}

TEST_F(PrinterTest, ShortListsStayOnOneLine) {
    EXPECT_EQ(pretty(read("(a b c)")), "(a b c)");
    EXPECT_EQ(pretty(read("x")), "x");
}

TEST_F(PrinterTest, LongListsBreakWithAlignedContinuations) {
    // Head atom and three or more elements: continuation under the second element.
    std::string text = "(record";
    for (int i = 0; i < 30; ++i)
        text += " field" + std::to_string(i);
    text += ")";
    std::string out = pretty(read(text));
    std::vector<std::string> ls = lines(out);
    ASSERT_GT(ls.size(), 1u);
    for (size_t i = 0; i < ls.size(); ++i) {
        EXPECT_LE(ls[i].size(), 80u) << ls[i];
        if (i + 1 < ls.size()) {
            EXPECT_EQ(ls[i].back(), ' ') << "a broken line ends with the separating blank";
        }
        if (i > 0) {
            EXPECT_EQ(ls[i].find_first_not_of(' '), 8u) << ls[i];
        }
    }
    // A list headed by a list: continuation under the first element.
    text = "((head)";
    for (int i = 0; i < 30; ++i)
        text += " field" + std::to_string(i);
    text += ")";
    ls = lines(pretty(read(text)));
    ASSERT_GT(ls.size(), 1u);
    for (size_t i = 1; i < ls.size(); ++i)
        EXPECT_EQ(ls[i].find_first_not_of(' '), 1u) << ls[i];
}

TEST_F(PrinterTest, NestedContinuationsStayWithin80Columns) {
    std::string text = "(masters";
    for (int m = 0; m < 6; ++m) {
        text += " (master \"Name" + std::to_string(m) + "\" (attribute \"count\" int public)";
        for (int i = 0; i < 8; ++i)
            text += " (method \"op" + std::to_string(i) + "\" (pars (in x int) (out y real)))";
        text += ")";
    }
    text += ")";
    Cell* value = read(text);
    std::string out = pretty(value);
    for (const std::string& line : lines(out))
        EXPECT_LE(line.size(), 80u) << line;
    LocalChannel back(out, ChanRead);
    EXPECT_TRUE(equalcells(readexpr(back.get()), value));
}

TEST_F(PrinterTest, PpContinuesDeepBlocksAtTheLeft) {
    // A long list nested deeper than 50 positions restarts at the left between markers.
    std::string inner = "(";
    for (int i = 0; i < 40; ++i)
        inner += "item" + std::to_string(i) + " ";
    inner += ")";
    std::string text = inner;
    for (int i = 0; i < 20; ++i)
        text = "(level" + std::to_string(i) + " x " + text + ")";
    Cell* value = read(text);
    std::string out = pretty(value, true);
    EXPECT_NE(out.find("\n; <<=== continued left ===<<"), std::string::npos);
    EXPECT_NE(out.find("\n; >>=== continued right ===>>\n"), std::string::npos);
    LocalChannel back(out, ChanRead);
    EXPECT_TRUE(equalcells(readexpr(back.get()), value));
}

TEST_F(PrinterTest, FileChannelWritesLines) {
    std::string written;
    bool closed = false;
    auto* file = new TrickleFile("", 1);
    file->written = &written;
    file->closed = &closed;
    Channel* ch = mkfilechan(file, ChanWrite, true);
    chanprintf(0, ch, "first\nsecond", nullptr);
    EXPECT_EQ(written, "first\n");
    EXPECT_EQ(ch->count, 7); // six characters pending plus one
    closechan(ch);
    EXPECT_EQ(written, "first\nsecond\n");
    EXPECT_TRUE(closed);
    // A line longer than the buffer is written out every 4096 characters.
    std::string long_(10000, 'z');
    long_[5000] = 'y';
    written.clear();
    auto* file2 = new TrickleFile("", 1);
    file2->written = &written;
    Channel* ch2 = mkfilechan(file2, ChanWrite, true);
    chanprintf(0, ch2, long_.c_str(), nullptr);
    closechan(ch2);
    EXPECT_TRUE(written == long_ + "\n") << written.size();
}

// Reals print as printf's "%f" prints them: ties to even at the sixth
// decimal, the sign of zero and of tiny negatives, the largest magnitudes,
// infinities and NaNs, and a spread of random bit patterns.
TEST_F(PrinterTest, RealsPrintAsPrintfFormatsThem) {
    std::vector<float> values = {
        0.0f,          -0.0f,         0.0078125f, 0.0234375f,    -0.0078125f,   1e-7f,
        -1e-7f,        4.9999997e-7f, 5e-7f,      1.5f,          2.5e-6f,       123.25f,
        -123.25f,      0.1f,          1e-45f,     -1e-45f,       8388608.0f,    16777216.0f,
        8.7960930e12f, 8.7960940e12f, 1e13f,      3.4028235e38f, -3.4028235e38f};
    const float special[] = {std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()};
    values.insert(values.end(), std::begin(special), std::end(special));
    std::mt19937 rng(6);
    for (int i = 0; i < 3000; ++i) {
        uint32_t bits = static_cast<uint32_t>(rng());
        float f = 0.0f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(f);
        values.push_back(static_cast<float>(rng() % 100000000) / 1048576.0f);
    }
    for (float f : values) {
        char expected[512];
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(f));
        EXPECT_EQ(printstring(mkreal(f)), expected);
    }
}

TEST_F(PrinterTest, LongStringsAreWrittenWhole) {
    std::string text(200000, 'q');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = '\n';
    Cell* s = mkstr(text.c_str());
    LocalChannel ch;
    prettyprint(s, ch.get(), 0, 0);
    EXPECT_EQ(ch.Text(), "\"" + escapestr(text.c_str()) + "\"");
}

TEST_F(PrinterTest, FileHeader) {
    Cell* header = fileheader(false, sym::project, nullptr, nullptr);
    EXPECT_EQ(printstring(header), "(Quillmark \"8.0\" project)");
    EXPECT_EQ(printstring(fileheader(true, sym::repository, nullptr, nullptr)),
              "(Vaultkeep \"2.0\" repository)");
    double version = 0;
    Cell* list = read("(AnyProduct \"7.5\" project)"); // the product is not examined
    EXPECT_EQ(fileheader(false, sym::project, list, &version), list);
    EXPECT_DOUBLE_EQ(version, 7.5);
    // Version strings compare as text, so "10.0" is accepted by version "8.0".
    EXPECT_NO_THROW(fileheader(false, sym::project, read("(Quillmark \"10.0\" project)"), nullptr));
    struct Refusal {
        const char* header;
        const char* message;
    } refusals[] = {
        {"(Quillmark \"8.0\" notation)", "bad file header"},
        {"(Quillmark \"9.0\" project)", "can't open a version 9.0 file using version 8.0 software"},
        {"(Quillmark 8 project)", "bad file header"},
        {"(Quillmark \"8.0\")", "bad file header"},
        {"project", "bad file header"},
        {"()", "bad file header"},
    };
    for (const Refusal& r : refusals) {
        prompts.asked.clear();
        EXPECT_THROW(fileheader(false, sym::project, read(r.header), nullptr), qm::CIgnoreException)
            << r.header;
        ASSERT_FALSE(prompts.asked.empty());
        EXPECT_NE(prompts.asked.back().find(r.message), std::string::npos) << prompts.asked.back();
    }
}

// Generated lists of the three shapes that stress the printer: deep, wide and
// string-heavy, mixed with every atom type the files hold.
class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    // A value of at most depth levels and about budget cells in all.
    Cell* value(int depth, int budget) {
        budget_ = budget;
        return value(depth);
    }

    Cell* value(int depth) {
        int pick = static_cast<int>(rng_() % 10);
        if (depth <= 0 || pick < 5 || --budget_ <= 0)
            return atom();
        int n = static_cast<int>(rng_() % (pick == 9 ? 60 : 8));
        Cell* head = nil;
        for (int i = 0; i < n; ++i)
            head = pick == 8 ? mkset(value(depth - 1), head) : mkcons(value(depth - 1), head);
        return pick == 8 ? normset(head) : head;
    }

    Cell* atom() {
        static const char* names[] = {"master", "place", "|bar sym|", "x",     "+",
                                      "-",      "a;b",   "/",         "1.2.3", "KestMain"};
        switch (rng_() % 6) {
        case 0:
            return mkint(static_cast<int32_t>(rng_()));
        case 1:
            return mkreal(static_cast<float>(static_cast<int>(rng_() % 100000) - 50000) / 8.0f);
        case 2:
        case 3:
            return mkstr(text().c_str());
        case 4:
            return intern(names[rng_() % 10]);
        default: {
            uint8_t bytes[256];
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(rng_());
            return car(cdr(mkbinary(256, bytes)));
        }
        }
    }

    std::string text() {
        static const char alphabet[] = "abc XYZ\n\t\"^\\;()[]{}|'`,@#!?\r\b\f";
        std::string s;
        size_t n = rng_() % 200;
        for (size_t i = 0; i < n; ++i)
            s += alphabet[rng_() % (sizeof alphabet - 1)];
        return s;
    }

  private:
    std::mt19937 rng_;
    int budget_ = 0;
};

// equalcells, except that binary chunks (equal only to themselves there) are
// compared by their bytes, as a chunk read back is a new cell.
bool samecells(Cell* x, Cell* y) {
    if (x->type == TChunk && y->type == TChunk)
        return std::memcmp(x->a.chunk, y->a.chunk, 256) == 0;
    if (!ispair(x) || !ispair(y))
        return equalcells(x, y);
    for (; ispair(x) && ispair(y); x = cdr(x), y = cdr(y))
        if (x->type != y->type || !samecells(car(x), car(y)))
            return false;
    return samecells(x, y);
}

TEST_F(PrinterTest, PrettyPrintedListsReadBackEqual) {
    Generator gen(20261209);
    for (int round = 0; round < 200; ++round) {
        savemark();
        Cell* value = gen.value(round % 12, 2000);
        for (bool continued : {false, true}) {
            std::string text = pretty(value, continued);
            LocalChannel back(text, ChanRead);
            Cell* again = readexpr(back.get());
            ASSERT_TRUE(samecells(again, value)) << text.substr(0, 2000) << "\n----\n"
                                                 << printstring(again).substr(0, 2000);
            EXPECT_EQ(readexpr(back.get()), KernelSyms.eof);
        }
        restoremark();
    }
}

TEST_F(PrinterTest, DeepListsRoundTrip) {
    Cell* deep = sym::master;
    for (int i = 0; i < 2000; ++i)
        deep = mkcons(deep, mkcons(mkint(i), nil));
    std::string text = pretty(deep);
    LocalChannel back(text, ChanRead);
    EXPECT_TRUE(equalcells(readexpr(back.get()), deep));
}

} // namespace
} // namespace kest::test

namespace kest::test {
namespace {

// A stored file is read and written back byte for byte: the header, the
// records and the pretty printer's layout (continuation lines, the blank
// that ends a broken line, the final line end) all stay as they were.
TEST_F(PrinterTest, StoredFileIsWrittenBackUnchanged) {
    const std::string path = std::string(QM_FIXTURES) + "/kernel/layout.pro";
    savemark();
    Channel* in = openfilechan(path.c_str(), ChanRead, true);
    ASSERT_NE(in, nullptr);
    double version = 0;
    Cell* header = fileheader(false, sym::project, readexpr(in), &version);
    EXPECT_EQ(version, 8.0);
    std::vector<Cell*> records;
    for (Cell* x = readexpr(in); x != KernelSyms.eof; x = readexpr(in))
        records.push_back(x);
    closechan(in);
    ASSERT_EQ(records.size(), 1u);
    auto* file = new MemoryFile;
    std::string written;
    Channel* out = mkfilechan(file, ChanWrite, false);
    prettyprint(header, out, 0, 0);
    for (Cell* record : records)
        prettyprint(record, out, 0, 0);
    chanprintf(0, out, "\n", nullptr);
    written = file->Text();
    delete file;
    restoremark();
    std::ifstream original(path, std::ios::binary);
    std::stringstream text;
    text << original.rdbuf();
    EXPECT_EQ(written, text.str());
}

} // namespace
} // namespace kest::test
