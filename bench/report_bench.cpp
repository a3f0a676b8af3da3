// What the reports of a scan cost per pair: adjusting and ranking every
// pair, and writing pairs.tsv (to /dev/null, plain and gzip).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "engine/pair_order.hpp"
#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/pairs_tsv.hpp"

namespace {

// Statistics spread like chi-square values, counts falling with them as the
// pooled rule gives, with the ties of a coarse null set.
coswitch::PairResults synthetic(int genes) {
    coswitch::PlainPairs r;
    for (int g = 1; g <= genes; ++g) r.names.push_back("YGR" + std::to_string(100000 + g) + "C");
    const auto pairs = static_cast<std::size_t>(coswitch::pair_count(genes));
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    r.M = static_cast<std::int64_t>(pairs) * 20;
    r.switching.assign(static_cast<std::size_t>(genes), 1);
    for (std::size_t n = 0; n < pairs; ++n) {
        const double a = u(rng), b = u(rng);
        r.stat_new.push_back(-2.0 * std::log(a) * 4.0);
        r.r.push_back(n % 3 == 0 ? -b : b);
        r.phase.push_back(n % 3 == 0 ? -1 : 1);
        r.count_new.push_back(static_cast<std::int64_t>(static_cast<double>(r.M) * a));
        r.count_corr.push_back(static_cast<std::int64_t>(static_cast<double>(r.M) * (1.0 - b)) / 50 * 50);
    }
    return coswitch::pair_results(r);
}

void BM_rank_pairs(benchmark::State& state) {
    std::int64_t pairs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        coswitch::PairResults r = synthetic(static_cast<int>(state.range(0)));
        pairs = r.pairs();
        state.ResumeTiming();
        benchmark::DoNotOptimize(coswitch::rank_pairs(r));
    }
    state.SetItemsProcessed(state.iterations() * pairs);
}
BENCHMARK(BM_rank_pairs)->Arg(1415)->Unit(benchmark::kMillisecond);

void BM_write_pairs_tsv(benchmark::State& state) {
    coswitch::PairResults r = synthetic(static_cast<int>(state.range(0)));
    const coswitch::RankedPairs k = coswitch::rank_pairs(r);
    const int fd = ::open("/dev/null", O_WRONLY);
    for (auto _ : state) {
        coswitch::TextOut out;
        out.attach(fd, "pairs.tsv", state.range(1) != 0);
        coswitch::write_pairs_tsv(out, r, k);
        out.close();
    }
    ::close(fd);
    state.SetItemsProcessed(state.iterations() * r.pairs());
}
BENCHMARK(BM_write_pairs_tsv)->Args({1415, 0})->Args({1415, 1})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
