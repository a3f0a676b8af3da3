// Calls per second of the dependence fit on weights like those of a real
// pair: two sticky two-state chains seen through their normal densities.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "dependence/chivecfun.hpp"
#include "dependence/chivecfun_reference.hpp"
#include "numeric/density.hpp"

namespace {

struct Normals {
    explicit Normals(std::uint32_t seed) : rng(seed) {}
    double uniform() { return (static_cast<double>(rng()) + 0.5) / 4294967296.0; }
    double next() {
        const double u1 = uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    std::mt19937 rng;
};

// QVEC(r, t, k), r fastest. The second gene follows the first at a
// switch with probability one half, so the pair is partly coupled.
std::vector<double> pair_weights(int nrep, int ntime, std::uint32_t seed) {
    Normals g(seed);
    const double mean[2] = {2.0, 5.0};
    const double sd[2] = {0.7, 0.8};
    std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
    for (int r = 0; r < nrep; ++r) {
        int a = g.uniform() < 0.5 ? 0 : 1;
        int b = g.uniform() < 0.5 ? 0 : 1;
        for (int t = 0; t < ntime; ++t) {
            if (t > 0) {
                const bool switch_a = g.uniform() >= 0.85;
                if (switch_a) a = 1 - a;
                if (switch_a ? g.uniform() < 0.5 : g.uniform() >= 0.9) b = 1 - b;
            }
            const double ya = mean[a] + sd[a] * g.next();
            const double yb = mean[b] + sd[b] * g.next();
            for (int k = 0; k < 4; ++k)
                q[static_cast<std::size_t>(r + nrep * (t + ntime * k))] =
                    coswitch::dnorm(ya, mean[k / 2], sd[k / 2]) *
                    coswitch::dnorm(yb, mean[k % 2], sd[k % 2]);
        }
    }
    return q;
}

// impl: 0 the first, straightforward version; 1 the fast one with fresh buffers
// per call; 2 the fast one with one scratch kept for all calls; 3 as 2 on the
// SSE2 path. ns_per_unit: time per replicate x transition x EM pass.
void BM_chivecfun(benchmark::State& state) {
    const int impl = static_cast<int>(state.range(2));
    coswitch::set_simd_path(impl == 3 ? coswitch::SimdPath::sse2 : coswitch::SimdPath::automatic);
    const int nrep = static_cast<int>(state.range(0));
    const int ntime = static_cast<int>(state.range(1));
    // A handful of data sets, cycled, so one lucky fit does not set the pace.
    constexpr int kSets = 8;
    std::vector<std::vector<double>> sets;
    for (int s = 0; s < kSets; ++s) sets.push_back(pair_weights(nrep, ntime, 1000u + s));
    double stat = 0.0;
    coswitch::Table4 nullmat;
    coswitch::Vec4 pivec{};
    coswitch::ChivecScratch scratch;
    long long passes = 0;
    std::size_t n = 0;
    for (auto _ : state) {
        const double* q = sets[n].data();
        const auto info =
            impl == 0   ? coswitch::chivecfun_reference(nrep, ntime, q, stat, nullmat, pivec)
            : impl == 1 ? coswitch::chivecfun(nrep, ntime, q, stat, nullmat, pivec)
                        : coswitch::chivecfun(nrep, ntime, q, stat, nullmat, pivec, scratch);
        benchmark::DoNotOptimize(stat);
        benchmark::DoNotOptimize(nullmat);
        benchmark::DoNotOptimize(pivec);
        passes += info.passes;
        n = (n + 1) % kSets;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["calls"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
    state.counters["passes_per_call"] =
        static_cast<double>(passes) / static_cast<double>(state.iterations());
    const double units = static_cast<double>(passes) * nrep * (ntime - 1);
    state.counters["ns_per_unit"] = benchmark::Counter(
        units * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    coswitch::set_simd_path(coswitch::SimdPath::automatic);
}

}  // namespace

BENCHMARK(BM_chivecfun)
    ->ArgNames({"nrep", "ntime", "impl"})
    ->ArgsProduct({{1}, {18}, {0, 2, 3}})
    ->ArgsProduct({{3}, {12}, {0, 1, 2, 3}})
    ->ArgsProduct({{5}, {20}, {0, 1, 2, 3}})
    ->ArgsProduct({{50}, {50}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
