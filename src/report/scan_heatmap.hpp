#pragma once
// A scan's heatmap: genes ordered by clustering of the dependence
// statistic, cells coloured by the adjusted p-value. Meant for a few
// hundred genes at most; the caller decides when to draw it.
#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

void write_scan_heatmap(TextOut& out, const PairResults& r, const RankedPairs& k);

}  // namespace coswitch
