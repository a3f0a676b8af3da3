#pragma once
// Self-contained SVG heatmaps of every pair's p-values, genes by genes: the
// dependence statistic above the diagonal, the correlation below it, on one
// fixed colour scale so that pictures of different runs compare.
#include <functional>
#include <string>
#include <vector>

#include "report/heatmap_scale.hpp"
#include "report/pvalue_table.hpp"

namespace coswitch {

struct HeatmapStyle {
    std::string title;
    std::string order_note;  // how the genes are ordered, when not by column
    bool adjusted = false;   // colour by the adjusted p-value, not the raw one
    HeatmapScale scale;
};

// Genes up to which every cell carries a tooltip with its values. Beyond,
// the tooltips would make most of the file (15 MB at 300 genes), so cells
// of one colour in a row are drawn as one stroke, and the picture says so.
inline constexpr int kTooltipGenes = 60;

// Hands every cell to its argument, the same ones each time it is called:
// so that a large run's cells need not all be held at once.
using HeatmapCells = std::function<void(const std::function<void(const PairRow&)>&)>;

// Each cell's i < j are places on the axes (1-based) of names; places
// without a cell stay blank. The text goes out piece by piece through emit.
void draw_heatmap(const HeatmapCells& cells, const std::vector<std::string>& names,
                  const HeatmapStyle& style, const std::function<void(const std::string&)>& emit);

// summary's picture: genes in column order, coloured by the raw p-value.
std::string summary_svg(const PairTable& t, const std::vector<std::string>& names);

}  // namespace coswitch
