#pragma once
// Genes ordered so that similar ones sit together: the leaf order of an
// average-linkage hierarchical clustering.
#include <vector>

namespace coswitch {

// similarity holds one value per pair of the n genes, at the pair's
// position in the pair order; larger is more similar. NaN counts as the
// lowest similarity present and +Inf as the highest. The two clusters of
// highest average similarity merge first, ties going to the pair of
// clusters whose smallest genes come first; a merged cluster lists the
// leaves of the cluster with the smaller gene first. Returns the genes
// (1-based) in leaf order.
std::vector<int> average_linkage_order(int n, const std::vector<double>& similarity);

}  // namespace coswitch
