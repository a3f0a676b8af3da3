#include "report/heatmap_genes.hpp"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "engine/pair_order.hpp"
#include "engine/threads.hpp"

namespace coswitch {

std::vector<int> heatmap_genes(const PairResults& r, const RankedPairs& k, int most) {
    const int n = r.genes();
    std::vector<int> genes(static_cast<std::size_t>(n));
    for (int g = 1; g <= n; ++g) genes[static_cast<std::size_t>(g - 1)] = g;
    if (n <= most) return genes;
    std::vector<std::int64_t> by_new(static_cast<std::size_t>(n) + 1), by_corr(by_new.size());
    // NaN never passes. By the dependence statistic the pairs that pass are
    // the first of the ranking; by the correlation those whose magnitude
    // has one of the first positions of its counts.
    const std::int64_t pass_new = pairs_below_new(r, kHeatmapPass);
    const std::int64_t pass_corr = pairs_below_corr(r, kHeatmapPass);
    // Pieces of the ranking on the threads, each with its own tallies per gene.
    constexpr std::int64_t kPiece = 1 << 16;
    const std::int64_t pieces = (r.pairs() + kPiece - 1) / kPiece;
    std::atomic<std::int64_t> next{0};
    std::mutex mutex;
    auto work = [&] {
        std::vector<std::int64_t> mine_new(by_new.size()), mine_corr(by_new.size());
        for (std::int64_t piece; (piece = next.fetch_add(1)) < pieces;) {
            for (std::int64_t q = piece * kPiece; q < std::min(r.pairs(), (piece + 1) * kPiece); ++q) {
                const auto m = static_cast<std::int64_t>(meta_value(r.records[static_cast<std::size_t>(q)].meta));
                const GenePair g = pair_at(m, n);
                const int passes_new = q < pass_new ? 1 : 0;
                const int passes_corr = corr_below(r.correlation->at(m, g).position, pass_corr) ? 1 : 0;
                mine_new[static_cast<std::size_t>(g.i)] += passes_new;
                mine_new[static_cast<std::size_t>(g.j)] += passes_new;
                mine_corr[static_cast<std::size_t>(g.i)] += passes_corr;
                mine_corr[static_cast<std::size_t>(g.j)] += passes_corr;
            }
        }
        std::lock_guard lock(mutex);
        for (std::size_t g = 0; g < by_new.size(); ++g) {
            by_new[g] += mine_new[g];
            by_corr[g] += mine_corr[g];
        }
    };
    run_with_helpers(static_cast<int>(std::min<std::int64_t>(k.threads, pieces)) - 1, {}, [&](int) { work(); },
                     [&](int) { work(); });
    const auto cut = genes.begin() + std::max(most, 0);
    std::partial_sort(genes.begin(), cut, genes.end(), [&](int a, int b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (by_new[ua] != by_new[ub]) return by_new[ua] > by_new[ub];
        if (by_corr[ua] != by_corr[ub]) return by_corr[ua] > by_corr[ub];
        return a < b;
    });
    genes.erase(cut, genes.end());
    std::sort(genes.begin(), genes.end());
    return genes;
}

}  // namespace coswitch
