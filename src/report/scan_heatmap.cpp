#include "report/scan_heatmap.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/pair_order.hpp"
#include "io/number_text.hpp"
#include "numeric/elementary.hpp"
#include "report/clustering.hpp"
#include "report/heatmap.hpp"

namespace coswitch {
namespace {

// The top is -log10 1/(M+1), the smallest p-value of the run, raw or
// adjusted (the adjustment never lowers one): no cell lies beyond it, and
// it depends on M alone, so runs of the same size and replicates compare.
HeatmapScale pooled_scale(std::int64_t M) {
    HeatmapScale s;
    s.pass = kHeatmapPass;
    s.zero = false;
    // Below M = 99 the bar still spans two decades, to leave room above 0.05.
    s.top = std::max(portable_log10(static_cast<double>(M) + 1.0), 2.0);
    s.top_note = "1/(M+1) = " + significant(pooled_pvalue(0, M), 3);
    return s;
}

}  // namespace

void write_scan_heatmap(TextOut& out, const PairResults& r, const RankedPairs&,
                        const std::vector<int>& genes) {
    const int all = r.genes();
    const int n = static_cast<int>(genes.size());
    if (n < 2 || !std::is_sorted(genes.begin(), genes.end(), std::less_equal<int>()) ||
        genes.front() < 1 || genes.back() > all)
        throw std::invalid_argument("a heatmap needs two or more distinct genes of the run");
    // The drawn genes' pairs, found by one scan of the ranking, in their own
    // pair order.
    std::vector<int> local(static_cast<std::size_t>(all) + 1, 0);
    for (int g = 1; g <= n; ++g) local[static_cast<std::size_t>(genes[static_cast<std::size_t>(g - 1)])] = g;
    std::vector<PairValues> drawn(static_cast<std::size_t>(pair_count(n)));
    for (std::int64_t q = 0; q < r.pairs(); ++q) {
        const auto m = static_cast<std::int64_t>(meta_value(r.records[static_cast<std::size_t>(q)].meta));
        const GenePair g = pair_at(m, all);
        const int a = local[static_cast<std::size_t>(g.i)], b = local[static_cast<std::size_t>(g.j)];
        if (a == 0 || b == 0) continue;
        for_each_pair(r, q, q + 1, [&](const PairValues& v) {
            drawn[static_cast<std::size_t>(pair_index(a, b, n))] = v;
        });
    }
    std::vector<int> order;
    {
        std::vector<double> similarity;
        similarity.reserve(drawn.size());
        for (const PairValues& v : drawn) similarity.push_back(v.stat_new);
        order = average_linkage_order(n, similarity);
    }
    std::vector<int> place(static_cast<std::size_t>(n) + 1);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(n));
    for (int p = 1; p <= n; ++p) {
        const int g = order[static_cast<std::size_t>(p - 1)];
        place[static_cast<std::size_t>(g)] = p;
        names.push_back(r.names[static_cast<std::size_t>(genes[static_cast<std::size_t>(g - 1)] - 1)]);
    }
    const HeatmapCells cells = [&](const std::function<void(const PairRow&)>& take) {
        std::size_t u = 0;
        for (GenePair g{1, 2}; g.i < n; g = next_pair(g, n), ++u) {
            const PairValues& v = drawn[u];
            PairRow c;
            c.i = place[static_cast<std::size_t>(g.i)];
            c.j = place[static_cast<std::size_t>(g.j)];
            if (c.i > c.j) std::swap(c.i, c.j);  // both statistics are symmetric in the pair
            c.stat_new = v.stat_new;
            c.p_new = pooled_pvalue(v.count_new, r.M);
            c.p_new_bh = v.bh_new;
            c.stat_corr = v.stat_corr;
            c.p_corr = pooled_pvalue(v.count_corr, r.M);
            c.p_corr_bh = v.bh_corr;
            take(c);
        }
    };
    HeatmapStyle style;
    style.title = n == all ? "coswitch scan: " + std::to_string(n) + " genes, " +
                                 std::to_string(r.pairs()) + " gene pairs"
                           : "coswitch scan: " + std::to_string(n) + " of " + std::to_string(all) +
                                 " genes: those with the most pairs at adjusted p < 0.05";
    style.order_note = "genes ordered by average-linkage clustering of the dependence statistic";
    if (n < all)
        style.order_note = "genes chosen by their pairs that pass by the dependence statistic, "
                           "then by the correlation; " + style.order_note;
    style.adjusted = true;
    style.scale = pooled_scale(r.M);
    draw_heatmap(cells, names, style, [&](const std::string& s) { out.write(s); });
}

}  // namespace coswitch
