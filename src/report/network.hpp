#pragma once
// The network of a scan: its kept genes, joined by the pairs whose adjusted
// dependence p-value is at most a false discovery rate.
#include <cstdint>
#include <vector>

#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

struct Network {
    double fdr = 0;
    // The edges are the first `edges` pairs of the dependence ranking: its
    // adjusted values never fall, so no copy of the pairs is needed.
    std::int64_t edges = 0;
    std::vector<int> degree;  // gene g at [g - 1]
    // Connected components, gene g's at [g - 1]: 1 for the largest, ties
    // by their first gene; 0 for a gene without edges, which is in none.
    std::vector<int> module;
};

// Throws std::invalid_argument unless k ranks r by dependence.
Network network_of(const PairResults& r, const RankedPairs& k, double fdr);

}  // namespace coswitch
