#pragma once
// Pairs ranked for the reports, with their adjusted p-values.
#include <cstdint>
#include <vector>

#include "report/pair_results.hpp"

namespace coswitch {

enum class RankBy { dependence, correlation };

// Pair positions, best first: p-value ascending (count / M), then the
// statistic descending (NaN lowest), then pair order; with M = 0 every
// p-value is NaN and the statistic decides.
std::vector<std::int64_t> ranking_order(const std::vector<double>& stat,
                                        const std::vector<std::int64_t>& count, std::int64_t M);

struct RankedPairs {
    std::vector<double> bh_new, bh_corr;  // Benjamini-Hochberg, in pair order
    std::vector<std::int64_t> order;      // pair positions, best first
    RankBy by = RankBy::dependence;
};

// Checks the shape of r, then adjusts both statistics over all pairs and ranks.
RankedPairs rank_pairs(const PairResults& r, RankBy by = RankBy::dependence);

}  // namespace coswitch
