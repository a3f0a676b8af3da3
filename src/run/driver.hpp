#pragma once
// One complete run: files, inputs, the pair loop, p-values, records.
#include <string>

#include "analysis/run_data.hpp"
#include "cli/options.hpp"

namespace coswitch {

struct RunSettings {
    std::string directory;  // where inputs are read and results written; empty: here
    int threads = 1;        // 0: the number of available cores
    ProgressMode progress = ProgressMode::Auto;
};

// Everything after the dialogue. Throws RunError on failure.
void run_analysis(const RunParameters& p, const RunSettings& s);

// A warning for standard error when some pairs have no dependence
// statistic; empty when every pair has one.
std::string no_statistic_note(const RunParameters& p, const Array<double, 2>& RES);

// Refuses parameter sets the analysis has no data for.
void check_analysable(const RunParameters& p);

}  // namespace coswitch
