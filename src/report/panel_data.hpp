#pragma once
// What a pair's panel shows, gathered the same way from a scan in memory
// (report.html) and from its finished folder (`coswitch plot`): the design
// from the text of design.tsv, the figures from the pair's row of pairs.tsv,
// values and densities as exact doubles, and one refit of the pair. The two
// ways meet in these types, so that they draw the same bytes.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/pair_posteriors.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

struct PanelDesign {
    int ntime = 0, nrep = 0;
    std::vector<std::string> samples;           // time point by time point, replicate fastest
    std::vector<std::string> time_labels;       // ntime
    std::vector<std::string> replicate_labels;  // nrep
    std::vector<double> times;                  // each time point's place on the axis
    std::string time_title;                     // what the axis measures
};

// From the text of design.tsv (sample, time, replicate, time_index,
// replicate_index). Times are the labels' values when every label is a
// number, else the number each label ends in (alpha0, alpha7, ...), else the
// time point's index; whichever is used must increase. RunError(kExitInput)
// naming `name` when the text is not such a table.
PanelDesign panel_design(const std::string& design_tsv, const std::string& name);

struct PanelGene {
    std::string id;
    std::vector<double> values;                  // (t - 1) * nrep + (r - 1)
    std::vector<double> mean0, sd0, mean1, sd1;  // one per time point
};

// Kept gene g of a scan in memory, as the folder's values.tsv and densities
// give it back.
PanelGene scan_panel_gene(const ScanInputs& s, int g);

// A pair's row of pairs.tsv, read back.
struct PairFigures {
    std::int64_t rank = 0;
    std::string gene1, gene2;
    double stat_new = 0, p_new = 0, p_new_bh = 0;
    double stat_corr = 0, p_corr = 0, p_corr_bh = 0, r = 0;
    std::string phase;
};

// RunError(kExitInput) naming `name` for a row that is not one of pairs.tsv.
PairFigures pair_figures(const std::string& row, const std::string& name);

struct PairPanel {
    PanelDesign design;
    bool time_mode = false;  // densities per time point, shared by both genes
    std::array<PanelGene, 2> genes;
    PairFigures figures;
    std::int64_t pairs = 0;  // of the run
    PairPosteriors fit;      // made by make_pair_panel
};

// Gathers the panel and fits the pair's chain to its two genes' values.
PairPanel make_pair_panel(PanelDesign design, bool time_mode, PanelGene a, PanelGene b,
                          PairFigures figures, std::int64_t pairs);

}  // namespace coswitch
