#include "report/pair_ranking.hpp"

#include <algorithm>
#include <cmath>

#include "engine/pair_order.hpp"
#include "report/adjust.hpp"

namespace coswitch {
namespace {

// -1, 0 or 1 as a is better than, as good as or worse than b: larger first, NaN last.
int by_size(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) - std::isnan(b);
    return a > b ? -1 : a < b ? 1 : 0;
}

}  // namespace

std::vector<std::int64_t> ranking_order(const PairResults& r, RankBy by) {
    const bool dep = by == RankBy::dependence;
    const auto& stat = dep ? r.stat_new : r.stat_corr;
    const auto& other_stat = dep ? r.stat_corr : r.stat_new;
    const auto& count = dep ? r.count_new : r.count_corr;
    const auto& other_count = dep ? r.count_corr : r.count_new;
    std::vector<std::int64_t> order(stat.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<std::int64_t>(k);
    // Every p-value is NaN or none is; among numbers the count orders them.
    const bool by_count = r.M > 0;
    const int genes = r.genes();
    std::sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (by_count) {
            if (count[ua] != count[ub]) return count[ua] < count[ub];
            if (other_count[ua] != other_count[ub]) return other_count[ua] < other_count[ub];
        } else {
            if (const int c = by_size(stat[ua], stat[ub])) return c < 0;
            if (const int c = by_size(other_stat[ua], other_stat[ub])) return c < 0;
        }
        if (const int c = compare_gene_names(r.names, pair_at(a, genes), pair_at(b, genes)))
            return c < 0;
        return a < b;
    });
    return order;
}

int compare_gene_names(const std::vector<std::string>& names, GenePair a, GenePair b) {
    if (names.empty()) return a.i != b.i ? (a.i < b.i ? -1 : 1) : (a.j > b.j) - (a.j < b.j);
    const auto name = [&](int g) -> const std::string& { return names[static_cast<std::size_t>(g - 1)]; };
    if (const int first = name(a.i).compare(name(b.i))) return first;
    return name(a.j).compare(name(b.j));
}

std::int64_t pairs_below(const std::vector<double>& adjusted, double level) {
    return std::count_if(adjusted.begin(), adjusted.end(), [&](double q) { return q < level; });
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
        k.order = ranking_order(r, by);
        k.bh_new = benjamini_hochberg_counts(r.count_new, r.M, k.order);
    } else {
        k.bh_new = benjamini_hochberg_counts(r.count_new, r.M);
        k.order = ranking_order(r, by);
        k.bh_corr = benjamini_hochberg_counts(r.count_corr, r.M, k.order);
    }
    return k;
}

}  // namespace coswitch
