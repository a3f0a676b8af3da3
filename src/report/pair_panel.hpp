#pragma once
// A pair's panel as SVG: both genes' values over time (one line per
// replicate, on a numeric time axis) with each gene's fitted state means as
// dashed guides, and below, one strip per replicate of the joint state the
// fitted chain infers (posteriors of 00, 01, 10, 11 stacked per time point),
// with the pair's figures as text. No XML declaration, no ids: it stands
// alone as a file and many of it sit in one page.
#include <string>

#include "report/panel_data.hpp"

namespace coswitch {

std::string pair_panel_svg(const PairPanel& panel);

}  // namespace coswitch
