#pragma once
// Pairs ranked for the reports, with their adjusted p-values.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/pair_order.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

enum class RankBy { dependence, correlation };

// Pair positions, best first: the ranked statistic's p-value ascending, then
// the other statistic's, then the gene names (first gene, then second, byte
// order). Pairs at the ceiling of the dependence statistic tie on its
// p-value; the correlation, not noise in the last digits, orders them. With
// M = 0 every p-value is NaN and the statistics decide, largest first (NaN
// last).
std::vector<std::int64_t> ranking_order(const PairResults& r, RankBy by);

// The keys after the p-values in every ranking of pairs: the gene names
// (the first gene's, then the second's, byte order), or the gene numbers
// when there are no names. Negative, 0 or positive as a goes before, ties
// with or goes after b.
int compare_gene_names(const std::vector<std::string>& names, GenePair a, GenePair b);

struct RankedPairs {
    std::vector<double> bh_new, bh_corr;  // Benjamini-Hochberg, in pair order
    std::vector<std::int64_t> order;      // pair positions, best first
    RankBy by = RankBy::dependence;
};

// Pairs whose adjusted p-value is below level (NaN never is).
std::int64_t pairs_below(const std::vector<double>& adjusted, double level);

// Checks the shape of r, then adjusts both statistics over all pairs and ranks.
RankedPairs rank_pairs(const PairResults& r, RankBy by = RankBy::dependence);

}  // namespace coswitch
