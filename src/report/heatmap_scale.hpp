#pragma once
// The heatmaps' colour scale, -log10 p from light to dark, and its legend.
// Its range follows from the kind of run, never from the data drawn, so
// that pictures of comparable runs share their colours.
#include <functional>
#include <string>

namespace coswitch {

struct HeatmapScale {
    double top = 4;  // -log10 p of the darkest colour; smaller p-values take it too
    // When above 0, p-values at or above it are pale and the colours start
    // there, so that the pairs that pass stand out.
    double pass = 0;
    std::string top_note;  // added to the top tick's p-value when the top is no whole decade
    bool zero = true;      // p-values may be 0 (counts over M): the legend says where
};

// "#rrggbb" for a p-value.
std::string scale_fill(double p, const HeatmapScale& s);

// The <defs> of the legend's gradient, with the id "scale".
std::string scale_gradient(const HeatmapScale& s);

struct LegendPlace {
    int x = 0, y = 0, height = 0;  // the bar's top left corner and height
    std::string p_name;            // what the bar measures -log10 of: "p", "adjusted p"
    bool any_nan = false;
};

// The bar with labelled ticks, then swatches for the colours off the bar;
// they end 60 below the bar, 84 with the NaN swatch.
void draw_legend(const HeatmapScale& s, const LegendPlace& at,
                 const std::function<void(const std::string&)>& add);

}  // namespace coswitch
