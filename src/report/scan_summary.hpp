#pragma once
// What a scan prints when it is done: how its p-values are made, how many
// pairs pass an adjusted 0.05, and the best pairs by name. The counts of
// genes and pairs are printed before the run, not here again.
#include <string>

#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

// Every line begins with a blank; nothing without a pair.
std::string scan_summary(const PairResults& r, const RankedPairs& k, int top = 10);

}  // namespace coswitch
