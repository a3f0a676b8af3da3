#include "report/heatmap_genes.hpp"

#include <algorithm>

#include "engine/pair_order.hpp"

namespace coswitch {

std::vector<int> heatmap_genes(const PairResults& r, const RankedPairs& k, int most) {
    const int n = r.genes();
    std::vector<int> genes(static_cast<std::size_t>(n));
    for (int g = 1; g <= n; ++g) genes[static_cast<std::size_t>(g - 1)] = g;
    if (n <= most) return genes;
    std::vector<std::int64_t> by_new(static_cast<std::size_t>(n) + 1), by_corr(by_new.size());
    GenePair g{1, 2};
    for (std::int64_t m = 0; m < r.pairs(); ++m, g = next_pair(g, n)) {
        const auto u = static_cast<std::size_t>(m);
        // NaN never passes.
        const int pass_new = k.bh_new[u] < kHeatmapPass, pass_corr = k.bh_corr[u] < kHeatmapPass;
        by_new[static_cast<std::size_t>(g.i)] += pass_new;
        by_new[static_cast<std::size_t>(g.j)] += pass_new;
        by_corr[static_cast<std::size_t>(g.i)] += pass_corr;
        by_corr[static_cast<std::size_t>(g.j)] += pass_corr;
    }
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
