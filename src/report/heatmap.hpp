#pragma once
// A self-contained SVG heatmap of every pair's p-values, genes by genes.
#include <string>
#include <vector>

#include "report/pvalue_table.hpp"

namespace coswitch {
std::string summary_svg(const PairTable& t, const std::vector<std::string>& names);
}  // namespace coswitch
