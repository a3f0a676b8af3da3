#include "report/pair_ranking.hpp"

#include <algorithm>
#include <cmath>

#include "report/adjust.hpp"

namespace coswitch {

std::vector<std::int64_t> ranking_order(const std::vector<double>& stat,
                                        const std::vector<std::int64_t>& count, std::int64_t M) {
    std::vector<std::int64_t> order(stat.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<std::int64_t>(k);
    // Every p-value is NaN or none is; among numbers the count orders them.
    const bool by_count = M > 0;
    std::sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (by_count && count[ua] != count[ub]) return count[ua] < count[ub];
        const double sa = stat[ua], sb = stat[ub];
        if (std::isnan(sa) != std::isnan(sb)) return std::isnan(sb);
        if (sa != sb && !std::isnan(sa)) return sa > sb;
        return a < b;
    });
    return order;
}

RankedPairs rank_pairs(const PairResults& r, RankBy by) {
    check_shape(r);
    RankedPairs k;
    k.by = by;
    // The ranking orders its own statistic by count, so its adjustment needs
    // no sort of its own; the other one's sort goes first, while it alone
    // holds memory.
    if (by == RankBy::dependence) {
        k.bh_corr = benjamini_hochberg_counts(r.count_corr, r.M);
        k.order = ranking_order(r.stat_new, r.count_new, r.M);
        k.bh_new = benjamini_hochberg_counts(r.count_new, r.M, k.order);
    } else {
        k.bh_new = benjamini_hochberg_counts(r.count_new, r.M);
        k.order = ranking_order(r.stat_corr, r.count_corr, r.M);
        k.bh_corr = benjamini_hochberg_counts(r.count_corr, r.M, k.order);
    }
    return k;
}

}  // namespace coswitch
