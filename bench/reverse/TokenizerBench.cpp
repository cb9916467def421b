// Tokenizing a large real source tree (the installed Qt 6 and GoogleTest
// headers) against a plain read of the same files in the same run: opening
// each file, reading all of its bytes through a buffer and closing it. The
// ratio of the two times is printed at the end; the goal is at most 4.
#include "platform/Log.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qm;

struct Corpus {
    std::vector<std::string> files;
    int64_t bytes = 0;
};

const Corpus& SourceTree() {
    static const Corpus corpus = [] {
        Corpus c;
        for (const char* root :
             {"/usr/include/x86_64-linux-gnu/qt6", "/usr/include/gtest", "/usr/include/gmock"}) {
            std::error_code error;
            for (auto it = std::filesystem::recursive_directory_iterator(root, error);
                 !error && it != std::filesystem::recursive_directory_iterator();
                 it.increment(error)) {
                if (it->is_regular_file(error)) {
                    c.files.push_back(it->path().string());
                    c.bytes += static_cast<int64_t>(it->file_size(error));
                }
            }
        }
        std::sort(c.files.begin(), c.files.end());
        return c;
    }();
    return corpus;
}

void BM_PlainRead(benchmark::State& state) {
    const Corpus& corpus = SourceTree();
    std::vector<unsigned char> buffer(64 * 1024);
    for (auto _ : state) {
        uint64_t sum = 0;
        for (const std::string& path : corpus.files) {
            std::FILE* file = std::fopen(path.c_str(), "rb");
            if (file == nullptr) {
                continue;
            }
            size_t n;
            while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
                for (size_t i = 0; i < n; ++i) {
                    sum += buffer[i] == '\n';
                }
            }
            std::fclose(file);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
    state.counters["files"] = static_cast<double>(corpus.files.size());
}

void BM_Tokenize(benchmark::State& state) {
    const Corpus& corpus = SourceTree();
    NullLogSink log;
    ScopedLogSink scope(&log);
    SourceParser parser(nullptr, kLangCpp);
    for (auto _ : state) {
        uint64_t tokens = 0;
        for (const std::string& path : corpus.files) {
            if (!parser.OpenSourceFile(path)) {
                continue;
            }
            while (parser.GetToken() != kTokEnd) {
                ++tokens;
            }
            parser.CloseSourceFile();
        }
        benchmark::DoNotOptimize(tokens);
        state.counters["tokens"] = static_cast<double>(tokens);
    }
    state.SetBytesProcessed(state.iterations() * corpus.bytes);
}

// Repeated and interleaved (see main), so that a busy machine weighs on both alike.
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(7);
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(7);

// Keeps each benchmark's time per iteration so that the ratio can be shown.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
                run.iterations > 0) {
                times[run.run_name.function_name] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (SourceTree().files.empty()) {
        std::fprintf(stderr, "no Qt 6 or GoogleTest headers installed\n");
        return 1;
    }
    std::printf("corpus: %zu files, %lld bytes\n", SourceTree().files.size(),
                static_cast<long long>(SourceTree().bytes));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto plain = reporter.times.find("BM_PlainRead");
    auto tokenize = reporter.times.find("BM_Tokenize");
    if (plain != reporter.times.end() && tokenize != reporter.times.end() && plain->second > 0) {
        std::printf("tokenize / plain read (medians) = %.2f (goal: at most 4)\n",
                    tokenize->second / plain->second);
    }
    benchmark::Shutdown();
    return 0;
}
