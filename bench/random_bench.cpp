// Draw rates of the two random sources the bootstrap leans on.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

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

// One replicate set's deviates at a time, as the bootstrap draws them.
void BM_snorm_fill(benchmark::State& state) {
    coswitch::GeneratorState g;
    std::vector<float> out(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        coswitch::snorm_fill(g, out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_snorm_fill)->Arg(120)->Arg(5000);

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
