// The line merge of a regenerated source file with the user's edited copy:
// generated headers of 1,000 to 8,000 lines with a user region per method
// (every fifth line a marker pair), where the user filled every region and
// the generator changed a tenth of the other lines. Measured against a plain
// read of both files split into lines in the same run, which is the least
// any merge must do. No goal is set; the search is quadratic by design (every
// free start of the generated file for every line of the existing file).
#include "platform/Files.h"
#include "scripting/LineMerge.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct Pair {
    std::string existing;
    std::string generated;
};

Pair MakePair(int lines) {
    Pair pair;
    for (int i = 0; i < lines; i += 5) {
        const std::string n = std::to_string(i);
        const std::string method = "    int method" + n + "(int value" + n + ");\n";
        pair.generated += method;
        pair.generated += "    // USER BEGIN " + n + "\n";
        pair.generated += "    // USER END " + n + "\n";
        pair.generated += "    static const int constant" + n + " = " + n + ";\n";
        pair.generated += i % 50 == 0 ? "    // changed " + n + "\n" : "    // comment " + n + "\n";
        pair.existing += method;
        pair.existing += "    // USER BEGIN " + n + "\n";
        pair.existing += "    int userCode" + n + " = compute(" + n + ");\n";
        pair.existing += "    // USER END " + n + "\n";
        pair.existing += "    static const int constant" + n + " = " + n + ";\n";
        pair.existing += "    // comment " + n + "\n";
    }
    return pair;
}

class Folder {
  public:
    Folder() {
        path_ = std::filesystem::temp_directory_path().string() + "/qm-bench-merge-XXXXXX";
        if (::mkdtemp(path_.data()) == nullptr)
            std::abort();
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string operator/(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void BM_LineMerge(benchmark::State& state) {
    Folder folder;
    const Pair pair = MakePair(static_cast<int>(state.range(0)));
    qm::WriteFileReplacing(folder / "old.h", pair.existing);
    qm::WriteFileReplacing(folder / "new.h", pair.generated);
    size_t size = 0;
    for (auto _ : state) {
        qm::MergeContext context(folder / "old.h", folder / "new.h");
        context.MakeMerged("USER BEGIN", "USER END");
        size = context.MergedText().size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["outputBytes"] = static_cast<double>(size);
}

// The reference: both files read and split into lines.
void BM_ReadAndSplit(benchmark::State& state) {
    Folder folder;
    const Pair pair = MakePair(static_cast<int>(state.range(0)));
    qm::WriteFileReplacing(folder / "old.h", pair.existing);
    qm::WriteFileReplacing(folder / "new.h", pair.generated);
    for (auto _ : state) {
        size_t lines = 0;
        for (const char* name : {"old.h", "new.h"}) {
            const std::string text = qm::ReadWholeFile(folder / name, 1000000).value_or("");
            for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
                ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
}

BENCHMARK(BM_LineMerge)->Arg(1000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndSplit)->Arg(1000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
