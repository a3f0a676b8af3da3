#pragma once
// report.html: one self-contained page of a scan (no network, no external
// script or font), for any current browser: how the run was made, the top
// pairs each with its panel, the heatmap, and a table of the best pairs
// that sorts and filters in the page.
#include <string>

#include "io/text_out.hpp"
#include "report/pair_ranking.hpp"
#include "report/pair_results.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

// Pairs the page's table holds at most, best first: enough to browse,
// few enough that the page stays small on any run.
inline constexpr std::int64_t kPageTablePairs = 5000;

// A heatmap larger than this (about 100 genes) is left out of the page and
// named instead, so that the page stays under 5 MB and opens quickly.
inline constexpr std::size_t kMaxEmbeddedHeatmap = 2u << 20;

struct PageParts {
    int top_pairs = 50;         // pairs drawn as panels
    std::string heatmap_svg;    // embedded as it is, without an XML declaration; may be empty
    std::string heatmap_note;   // said instead when there is none
};

void write_report_page(TextOut& out, const ScanSettings& o, const ScanInputs& s,
                       const PairResults& r, const RankedPairs& k, const PageParts& parts);

}  // namespace coswitch
