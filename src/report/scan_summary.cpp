#include "report/scan_summary.hpp"

#include <algorithm>

#include "engine/pair_order.hpp"
#include "io/number_text.hpp"
#include "report/text.hpp"

namespace coswitch {

std::string scan_summary(const PairResults& r, const RankedPairs& k, int top) {
    // The genes and pairs are counted once, before the run (scan_inputs_text).
    const std::int64_t pairs = r.pairs();
    std::string out;
    if (pairs == 0) return out;
    if (r.M <= 0) {
        out += " no bootstrap replicates: every p-value is NaN\n";
    } else {
        out += " p-values: (count + 1) / (M + 1) over M = " + std::to_string(r.M) +
               " pooled null values; none can be below " +
               significant(pooled_pvalue(0, r.M), 4) + "\n";
        out += " pairs with an adjusted p-value below 0.05: " +
               std::to_string(pairs_below_new(r, 0.05)) + " by the dependence statistic, " +
               std::to_string(pairs_below_corr(r, 0.05)) + " by the correlation\n";
    }
    const std::int64_t shown = std::min<std::int64_t>(pairs, std::max(top, 0));
    if (shown == 0) return out;
    out += " top " + std::to_string(shown) + " pairs by " +
           (k.by == RankBy::dependence ? "dependence" : "correlation") + " p-value:\n";
    std::vector<std::vector<std::string>> cells = {
        {"rank", "gene1", "gene2", "stat_new", "p_new", "p_new_bh", "stat_corr", "p_corr",
         "p_corr_bh", "phase"}};
    for_each_pair(r, 0, shown, [&](const PairValues& v) {
        cells.push_back({std::to_string(v.position + 1), r.names[static_cast<std::size_t>(v.genes.i - 1)],
                         r.names[static_cast<std::size_t>(v.genes.j - 1)], fixed(v.stat_new, 4),
                         significant(pooled_pvalue(v.count_new, r.M), 4), significant(v.bh_new, 4),
                         fixed(v.stat_corr, 4), significant(pooled_pvalue(v.count_corr, r.M), 4),
                         significant(v.bh_corr, 4), phase_word(v.phase)});
    });
    std::vector<bool> left(cells[0].size(), false);
    left[1] = left[2] = true;
    return out + aligned(cells, left);
}

}  // namespace coswitch
