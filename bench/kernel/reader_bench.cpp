// Reading and pretty-printing about 20 MB of generated project-like records
// (nested lists, strings with escapes, numbers, symbols), against a plain
// byte scan of the same buffer in the same run. The goals: reading at most
// 5 times, pretty-printing at most 10 times the scan.
#include "kernel/Kernel.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kest;

// Reads from a text without copying it.
class ViewFile : public FileObject {
  public:
    explicit ViewFile(std::string_view text) : text_(text) {}
    size_t Read(char* buffer, size_t n) override {
        size_t take = std::min(n, text_.size() - position_);
        std::memcpy(buffer, text_.data() + position_, take);
        position_ += take;
        return take;
    }
    void Write(const char*, size_t) override {}
    void Close() override {}

  private:
    std::string_view text_;
    size_t position_ = 0;
};

// Counts what is written and drops it.
class CountingFile : public FileObject {
  public:
    size_t Read(char*, size_t) override { return 0; }
    void Write(const char* text, size_t n) override {
        bytes += n;
        benchmark::DoNotOptimize(text);
    }
    void Close() override {}
    size_t bytes = 0;
};

std::string makecorpus(size_t target) {
    std::mt19937 rng(8);
    auto word = [&](size_t n) {
        std::string w;
        for (size_t i = 0; i < n; ++i)
            w += static_cast<char>('a' + rng() % 26);
        return w;
    };
    std::string text = "(Quillmark \"8.0\" project)\n";
    int id = 0;
    while (text.size() < target) {
        std::string master = "(master \"" + word(8) + "\" class \"" + std::to_string(++id) +
                             "ABCDEF\" (rect " + std::to_string(rng() % 2000) + " " +
                             std::to_string(rng() % 2000) + " 120 80) ";
        master += "(comment \"" + word(20) + "^n" + word(30) + " ^\"quoted^\" " + word(10) + "\") ";
        for (int a = 0; a < 4; ++a)
            master += "(attribute \"" + word(6) + "\" int " + (a % 2 != 0 ? "public" : "private") +
                      " \"" + std::to_string(a) + "\") ";
        for (int m = 0; m < 3; ++m)
            master += "(method \"" + word(7) + "\" (pars (in \"" + word(4) + "\" int) (out \"" +
                      word(5) + "\" real)) (code \"return " + word(6) + "();^n^t\") " +
                      std::to_string(static_cast<float>(rng() % 1000) / 4.0f) + ") ";
        master += "(looks 0 1 -12 {bold italic} 12 18 18 18))\n";
        text += master;
    }
    return text;
}

const std::string& corpus() {
    static const std::string text = makecorpus(20u << 20);
    return text;
}

void ensurekernel() {
    static bool ready = [] {
        initkernel();
        return true;
    }();
    (void)ready;
}

// The plain scan: every byte looked at once and classified as a delimiter or
// not, counting where atoms start: the least any reader of the syntax does.
void BM_PlainScan(benchmark::State& state) {
    const std::string& text = corpus();
    static bool delimiter[256];
    for (unsigned char c : {'(', ')', '[', ']', '{', '}', ' ', '\t', '\r', '\n', '"'})
        delimiter[c] = true;
    for (auto _ : state) {
        size_t starts = 0;
        bool inside = false;
        for (char c : text) {
            bool d = delimiter[static_cast<unsigned char>(c)];
            starts += !d && !inside;
            inside = !d;
        }
        benchmark::DoNotOptimize(starts);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Read(benchmark::State& state) {
    ensurekernel();
    const std::string& text = corpus();
    size_t records = 0;
    for (auto _ : state) {
        savemark();
        ViewFile file(text);
        Channel* ch = mkfilechan(&file, ChanRead, false);
        records = 0;
        while (readexpr(ch) != KernelSyms.eof)
            ++records;
        restoremark();
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_PrettyPrint(benchmark::State& state) {
    ensurekernel();
    const std::string& text = corpus();
    savemark();
    ViewFile in(text);
    Channel* ch = mkfilechan(&in, ChanRead, false);
    std::vector<Cell*> records;
    for (Cell* x = readexpr(ch); x != KernelSyms.eof; x = readexpr(ch))
        records.push_back(x);
    size_t written = 0;
    for (auto _ : state) {
        CountingFile file;
        LocalChannel local;
        Channel* out = mkfilechan(&file, ChanWrite, false);
        for (Cell* record : records)
            prettyprint(record, out, 0, 0);
        flushpending(out);
        written = file.bytes;
    }
    restoremark();
    state.counters["written"] = static_cast<double>(written);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_PlainScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrettyPrint)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
