// Registering and resolving ids in the id map: n sequential numeric ids (the
// ids of older files), n sequential ids as texts, and n ids made by the
// generator, each registered and then every one resolved, against a hash map
// of the same texts in the same run. The goal: time that grows no faster
// than n log n for every key order (n = 50,000, 100,000 and 200,000).
#include "model/Guid.h"
#include "model/GuidMap.h"
#include "model/ModelObject.h"
#include "platform/Format.h"

#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace {

using qm::Guid;
using qm::GuidMap;
using qm::ModelObject;

// n objects whose ids are the texts given (numbered from 1 when none).
std::vector<std::unique_ptr<ModelObject>> Objects(const std::vector<std::string>& ids) {
    std::vector<std::unique_ptr<ModelObject>> objects;
    objects.reserve(ids.size());
    for (const std::string& id : ids)
        objects.push_back(std::make_unique<ModelObject>(Guid::FromText{id.c_str()}));
    return objects;
}

std::vector<std::string> SequentialTexts(size_t n) {
    std::vector<std::string> ids;
    for (size_t i = 1; i <= n; ++i)
        ids.push_back(qm::Format("%08d", static_cast<int>(i)));
    return ids;
}

std::vector<std::string> GeneratedTexts(size_t n) {
    qm::SetGuidStoreMode(qm::GuidNoStore);
    std::vector<std::string> ids;
    for (size_t i = 0; i < n; ++i)
        ids.push_back(Guid().Text());
    return ids;
}

void SequentialNumbers(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    auto objects = Objects(SequentialTexts(n));
    for (auto _ : state) {
        GuidMap map;
        for (size_t i = 0; i < n; ++i)
            map.Register(static_cast<int32_t>(i + 1), nullptr, false, objects[i].get());
        ModelObject* found = nullptr;
        for (size_t i = 0; i < n; ++i)
            map.Lookup(static_cast<int32_t>(i + 1), found, true);
        benchmark::DoNotOptimize(found);
    }
    state.SetComplexityN(static_cast<int64_t>(n));
}

void Texts(benchmark::State& state, const std::vector<std::string>& ids) {
    auto objects = Objects(ids);
    for (auto _ : state) {
        GuidMap map;
        for (const auto& object : objects)
            map.Add(object.get());
        ModelObject* found = nullptr;
        for (const std::string& id : ids)
            map.Lookup(id.c_str(), found, true);
        benchmark::DoNotOptimize(found);
    }
    state.SetComplexityN(static_cast<int64_t>(ids.size()));
}

void SequentialTextIds(benchmark::State& state) {
    Texts(state, SequentialTexts(static_cast<size_t>(state.range(0))));
}

void GeneratedIds(benchmark::State& state) {
    Texts(state, GeneratedTexts(static_cast<size_t>(state.range(0))));
}

// The reference: a hash map of the same generated texts.
void ReferenceHashMap(benchmark::State& state) {
    const auto ids = GeneratedTexts(static_cast<size_t>(state.range(0)));
    auto objects = Objects(ids);
    for (auto _ : state) {
        std::unordered_map<std::string, ModelObject*> map;
        for (const auto& object : objects)
            map.emplace(object->guid.Text(), object.get());
        ModelObject* found = nullptr;
        for (const std::string& id : ids)
            found = map.at(id);
        benchmark::DoNotOptimize(found);
    }
    state.SetComplexityN(static_cast<int64_t>(ids.size()));
}

constexpr int64_t kSizes[] = {50000, 100000, 200000};

void Sizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : kSizes)
        b->Arg(n);
    b->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
}

BENCHMARK(SequentialNumbers)->Apply(Sizes);
BENCHMARK(SequentialTextIds)->Apply(Sizes);
BENCHMARK(GeneratedIds)->Apply(Sizes);
BENCHMARK(ReferenceHashMap)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
