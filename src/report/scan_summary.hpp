#pragma once
// What a scan prints when it is done: how many genes and pairs, how many
// pairs pass an adjusted 0.05, and the best pairs by name.
#include <string>

#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

// Every line begins with a blank.
std::string scan_summary(const PairResults& r, const RankedPairs& k, int top = 10);

}  // namespace coswitch
