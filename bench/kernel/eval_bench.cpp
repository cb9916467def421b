// The evaluator against the same algorithms in C++, in the same run:
// fib(25), tak(18, 12, 6) and a list-building workload (build a list of
// 20000 numbers, map over it, reverse it, sum it). The goal: KestScript
// within 40 times of the C++ code on fib and tak.
#include "kernel/Kernel.h"

#include <benchmark/benchmark.h>

#include <list>
#include <numeric>
#include <string>

namespace {

using namespace kest;

const char* const Definitions = R"(
(fun fib (n) (cond ((< n 2) n) (t (+ (fib (- n 1)) (fib (- n 2))))))
(fun tak (x y z)
  (cond ((not (< y x)) z)
        (t (tak (tak (- x 1) y z) (tak (- y 1) z x) (tak (- z 1) x y)))))
(fun build (n)
  (prog ((acc nil))
   loop
    (cond ((= n 0) (return acc)))
    (setq acc (cons n acc) n (-- n))
    (go loop)))
(fun total (l)
  (prog ((s 0))
   loop
    (cond ((null? l) (return s)))
    (setq s (+ s (car l)) l (cdr l))
    (go loop)))
(fun work (n) (total (reverse (mapcar '++ (build n)))))
)";

Cell* evaltext(const std::string& text) {
    LocalChannel ch(text, ChanRead);
    Cell* last = nil;
    for (Cell* x = readexpr(ch.get()); x != KernelSyms.eof; x = readexpr(ch.get()))
        last = evaluate(x);
    return last;
}

void ensurekernel() {
    static bool ready = [] {
        initkernel();
        evaltext(Definitions);
        return true;
    }();
    (void)ready;
}

void runscript(benchmark::State& state, const char* call) {
    ensurekernel();
    LocalChannel ch(call, ChanRead);
    Cell* form = readexpr(ch.get());
    int32_t result = 0;
    for (auto _ : state) {
        savemark();
        result = evaluate(form)->a.ival;
        restoremark();
    }
    state.counters["result"] = result;
}

int fib(int n) {
    return n < 2 ? n : fib(n - 1) + fib(n - 2);
}

int tak(int x, int y, int z) {
    return !(y < x) ? z : tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y));
}

int work(int n) {
    std::list<int> acc;
    for (; n != 0; --n)
        acc.push_front(n);
    std::list<int> mapped;
    for (int v : acc)
        mapped.push_back(v + 1);
    mapped.reverse();
    return std::accumulate(mapped.begin(), mapped.end(), 0);
}

void BM_FibScript(benchmark::State& state) {
    runscript(state, "(fib 25)");
}
void BM_TakScript(benchmark::State& state) {
    runscript(state, "(tak 18 12 6)");
}
void BM_ListScript(benchmark::State& state) {
    runscript(state, "(work 20000)");
}

void BM_FibNative(benchmark::State& state) {
    int n = 25;
    for (auto _ : state) {
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(fib(n));
    }
}

void BM_TakNative(benchmark::State& state) {
    int x = 18, y = 12, z = 6;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(tak(x, y, z));
    }
}

void BM_ListNative(benchmark::State& state) {
    int n = 20000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(work(n));
    }
}

BENCHMARK(BM_FibNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FibScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListNative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListScript)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
