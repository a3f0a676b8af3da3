#include "report/scan_heatmap.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/pair_order.hpp"
#include "numeric/elementary.hpp"
#include "report/clustering.hpp"
#include "report/heatmap.hpp"

namespace coswitch {
namespace {

// A pair passes when its adjusted p-value is below this.
constexpr double kHeatmapPass = 0.05;

// The top is -log10 1/(M+1), the smallest p-value of the run, raw or
// adjusted (the adjustment never lowers one): no cell lies beyond it, and
// it depends on M alone, so runs of the same size and replicates compare.
HeatmapScale pooled_scale(std::int64_t M) {
    HeatmapScale s;
    s.pass = kHeatmapPass;
    s.zero = false;
    // Below M = 99 the bar still spans two decades, to leave room above 0.05.
    s.top = std::max(portable_log10(static_cast<double>(M) + 1.0), 2.0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3g", pooled_pvalue(0, M));
    s.top_note = std::string("1/(M+1) = ") + buf;
    return s;
}

}  // namespace

void write_scan_heatmap(TextOut& out, const PairResults& r, const RankedPairs& k) {
    const int n = r.genes();
    const std::vector<int> order = average_linkage_order(n, r.stat_new);
    std::vector<int> place(static_cast<std::size_t>(n) + 1);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(n));
    for (int p = 1; p <= n; ++p) {
        const int g = order[static_cast<std::size_t>(p - 1)];
        place[static_cast<std::size_t>(g)] = p;
        names.push_back(r.names[static_cast<std::size_t>(g - 1)]);
    }
    const HeatmapCells cells = [&](const std::function<void(const PairRow&)>& take) {
        GenePair g{1, 2};
        for (std::int64_t m = 0; m < r.pairs(); ++m, g = next_pair(g, n)) {
            const auto u = static_cast<std::size_t>(m);
            PairRow c;
            c.i = place[static_cast<std::size_t>(g.i)];
            c.j = place[static_cast<std::size_t>(g.j)];
            if (c.i > c.j) std::swap(c.i, c.j);  // both statistics are symmetric in the pair
            c.stat_new = r.stat_new[u];
            c.p_new = pooled_pvalue(r.count_new[u], r.M);
            c.p_new_bh = k.bh_new[u];
            c.stat_corr = r.stat_corr[u];
            c.p_corr = pooled_pvalue(r.count_corr[u], r.M);
            c.p_corr_bh = k.bh_corr[u];
            take(c);
        }
    };
    HeatmapStyle style;
    style.title = "coswitch scan: " + std::to_string(n) + " genes, " +
                  std::to_string(r.pairs()) + " gene pairs";
    style.order_note = "genes ordered by average-linkage clustering of the dependence statistic";
    style.adjusted = true;
    style.scale = pooled_scale(r.M);
    draw_heatmap(cells, names, style, [&](const std::string& s) { out.write(s); });
}

}  // namespace coswitch
