#pragma once
// Pairs ranked for the reports: by the dependence statistic's p-value, then
// the correlation's, then the gene names (first gene, then second, byte
// order). Pairs at the ceiling of the dependence statistic tie on its
// p-value; the correlation, not noise in the last digits, orders them.
// With M = 0 every p-value is NaN and the statistics decide, largest first
// (NaN last).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/pair_order.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

enum class RankBy { dependence, correlation };

// The keys after the p-values in every ranking of pairs: the gene names
// (the first gene's, then the second's, byte order), or the gene numbers
// when there are no names. Negative, 0 or positive as a goes before, ties
// with or goes after b.
int compare_gene_names(const std::vector<std::string>& names, GenePair a, GenePair b);

// What rank_pairs leaves beside the ranked records.
struct RankedPairs {
    RankBy by = RankBy::dependence;
    int threads = 1;  // that the reports may format on
};

// Ranks r's records in place by the dependence statistic: records already
// come by its count, so only runs of equal counts are ordered, a run at a
// time, on up to `threads` threads (0: every core); the order is the same
// for every number. Afterwards record k is rank k + 1, and its adjusted
// values are those of position k.
RankedPairs rank_pairs(PairResults& r, int threads = 1);

// Pair positions, best first, ranked by either statistic: an explicit
// order, 8 bytes a pair, for checks; the scan ranks with rank_pairs.
std::vector<std::int64_t> ranking_order(const PairResults& r, RankBy by);

}  // namespace coswitch
