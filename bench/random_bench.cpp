// Draw rates of the two random sources the bootstrap leans on.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "random/deviates.hpp"
#include "random/generator.hpp"
#include "random/sampler.hpp"

namespace {

void BM_snorm(benchmark::State& state) {
    coswitch::GeneratorState g;
    for (auto _ : state) benchmark::DoNotOptimize(coswitch::snorm(g));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_snorm);

// A row of a fitted transition table: one heavy cell, three light ones.
void BM_mtn(benchmark::State& state) {
    coswitch::SamplerStream s;
    const float p[4] = {0.71f, 0.12f, 0.09f, 0.08f};
    std::int32_t ix[4];
    for (auto _ : state) {
        coswitch::mtn(1, p, ix, 4, s);
        benchmark::DoNotOptimize(ix);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_mtn);

}  // namespace

BENCHMARK_MAIN();
