#include "engine/observed_pass.hpp"

#include <algorithm>
#include <atomic>

#include "analysis/pair.hpp"
#include "dependence/chivecfun.hpp"
#include "engine/pair_order.hpp"

namespace coswitch {
namespace {
// A bootstrap replicate simulates its data (worth a few passes of its fit)
// and fits them, in about as many passes as the observed data took.
constexpr std::int32_t kFixedCost = 3;
}  // namespace

std::int32_t pair_phase(double concordance) {
    return concordance > 0 ? 1 : concordance < 0 ? -1 : 0;
}

ObservedPass observed_statistics(const RunParameters& p, const Inputs& in, std::int64_t first,
                                 std::int64_t last, ObservedRecord* records, double* abs_r,
                                 int threads, const ThreadStarter& starter,
                                 const std::function<void(std::int64_t)>& progress) {
    const std::int64_t count = std::max<std::int64_t>(0, last - first);
    ObservedPass out;
    constexpr std::int64_t kChunk = 32;
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> done{0};
    std::atomic<long long> capped{0};
    std::atomic<long long> scaled{0};
    std::atomic<bool> stop{false};

    auto work = [&](bool report) {
        try {
            PairScratch scratch(p);
            for (;;) {
                const std::int64_t begin = next.fetch_add(kChunk);
                if (begin >= count || stop.load()) return;
                const std::int64_t end = std::min(count, begin + kChunk);
                GenePair pair = pair_at(first + begin, p.NGENE);
                int chunk_capped = 0, chunk_scaled = 0;
                for (std::int64_t k = begin; k < end; ++k, pair = next_pair(pair, p.NGENE)) {
                    const auto at = static_cast<std::size_t>(k);
                    double stat = 0;
                    observed_pair(p, in, pair.i, pair.j, scratch, stat, abs_r[at], chunk_capped);
                    if (scratch.last_fit.scaled) ++chunk_scaled;
                    const auto cost = static_cast<std::uint32_t>(
                        kFixedCost + std::clamp(scratch.last_fit.passes, 0, kMaxPasses));
                    records[at] = {stat, make_meta(cost, pair_phase(scratch.last_fit.concordance))};
                }
                capped += chunk_capped;
                scaled += chunk_scaled;
                const std::int64_t now = done += end - begin;
                if (report && progress) progress(now);
            }
        } catch (...) {
            stop = true;
            throw;
        }
    };

    const int wanted = static_cast<int>(std::clamp<std::int64_t>(
        threads > 0 ? threads : available_cores(), 1, std::max<std::int64_t>(1, count / kChunk)));
    const int helpers = run_with_helpers(wanted - 1, starter, [&](int) { work(false); },
                                         [&](int) { work(true); });
    out.capped_fits = capped.load();
    out.scaled_fits = scaled.load();
    out.threads_started = helpers + 1;
    return out;
}

}  // namespace coswitch
