#pragma once
// A scan's heatmap: genes ordered by clustering of the dependence
// statistic, cells coloured by the adjusted p-value. The caller chooses the
// genes, with heatmap_genes.
#include <vector>

#include "io/text_out.hpp"
#include "report/heatmap_genes.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

// genes: at least two, ascending, of r's; the title says when not all.
void write_scan_heatmap(TextOut& out, const PairResults& r, const RankedPairs& k,
                        const std::vector<int>& genes);

}  // namespace coswitch
