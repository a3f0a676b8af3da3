#pragma once
// Which table column holds replicate r of time point t.
//
// Three ways to build one (one per run): by column order (design_by_order),
// from a design file (design_file.hpp), from the sample names
// (design_samples.hpp). Every time point has the same replicates, unless
// a design from labels is let have holes (a time point without one of the
// replicates, a cell without a sample); a run needs at least 2 time points
// and 1 replicate.
#include <cstddef>
#include <string>
#include <vector>

#include "table/named_table.hpp"

namespace coswitch {

struct Design {
    // In columns: a cell without a sample.
    static constexpr std::size_t kHole = static_cast<std::size_t>(-1);

    std::size_t NTIME = 0;
    std::size_t NREP = 0;
    std::vector<std::size_t> columns;           // [(t-1)*NREP + (r-1)]: sample index in the table, or kHole
    std::vector<std::string> time_labels;       // NTIME labels, in time order
    std::vector<std::string> replicate_labels;  // NREP labels, in replicate order
    std::string how;                            // how it was made, e.g. "--replicates 3"

    // The sample index of time point t and replicate r (both 1-based).
    std::size_t column(std::size_t t, std::size_t r) const {
        return columns[(t - 1) * NREP + (r - 1)];
    }
    // Cells without a sample.
    std::size_t holes() const;
    // The sample indices, holes left out, in design order.
    std::vector<std::size_t> samples() const;
};

// The selected columns in order, nrep consecutive columns per time point
// (--replicates R; 1 by default). The column count must be a multiple of
// nrep. Time labels are the time point numbers 1, 2, ...; with one replicate
// each, the column names. Replicate labels are 1..nrep.
Design design_by_order(const NamedTable& table, const std::vector<std::size_t>& selected,
                       std::size_t nrep);

// For printing: a first line "design: 18 time points x 1 replicate (how)",
// then one line per time point, "  time 3 (label): sample, sample, ..."
// (samples in replicate order, "-" for a hole), then "  replicates: label,
// label, ..." and, with holes, how many.
std::string design_text(const Design& d, const NamedTable& table);

// design.tsv: a header "sample time replicate time_index replicate_index"
// (tab-separated), then one row per cell in time, then replicate, order;
// indices 1-based. Unnamed samples appear by their column number ("column
// 5"); a hole has an empty sample cell.
std::string design_tsv(const Design& d, const NamedTable& table);

// A sample's name as a design shows it: its name, or "column N" when empty.
std::string sample_label(const NamedTable& table, std::size_t sample);

}  // namespace coswitch
