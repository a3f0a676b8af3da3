#pragma once
// Which genes a scan's heatmap draws: beyond a few hundred its cells get
// too small to read, so it keeps the genes that take part in most of the
// pairs that pass.
#include <vector>

#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"

namespace coswitch {

inline constexpr int kHeatmapGenes = 300;
// A pair passes when its adjusted p-value is below this.
inline constexpr double kHeatmapPass = 0.05;

// The genes (1-based, ascending) to draw: all of them up to `most`; beyond,
// the `most` genes with the most passing pairs by the dependence statistic,
// ties by their passing pairs by the correlation, then by gene order.
std::vector<int> heatmap_genes(const PairResults& r, const RankedPairs& k,
                               int most = kHeatmapGenes);

}  // namespace coswitch
