#pragma once
// What fit reports per column: its two states, whether two states are
// worth their cost, and (per gene) whether the gene switches.
#include <cstddef>
#include <string>
#include <vector>

#include "numeric/mixture.hpp"
#include "numeric/switching.hpp"

namespace coswitch {

// Persistence is measured in gene mode only.
struct ColumnFit : TwoStateFit {
    std::size_t values = 0;
    bool unused = false;  // time mode: read by the analysis, never used
};

// Nine significant digits: what the para files hold, and what reads back
// through the analysis' reader.
std::string nine_digits(double v);

// small-state, not-converged, unused, comma-separated; empty when none.
std::string fit_flags(const ColumnFit& c);

// Gene mode: a gene switches (two states worth their cost, or a course that
// persists). Time mode: a time point has two states worth their cost.
bool column_switches(const ColumnFit& c, bool time_mode);

// The table fit prints, every line starting with a blank, and a line that
// counts the switching genes (two-state time points). names: one per
// column, or empty for none.
std::string fit_table(const std::vector<ColumnFit>& fits, bool time_mode,
                      const std::vector<std::string>& names);

// The same per column as a tab-separated table with a header row; without
// names the column numbers stand in.
std::string fit_tsv(const std::vector<ColumnFit>& fits, bool time_mode,
                    const std::vector<std::string>& names);

}  // namespace coswitch
