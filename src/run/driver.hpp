#pragma once
// One complete run: files, inputs, the pair loop, p-values, records.
#include <functional>
#include <string>

#include "analysis/run_data.hpp"

namespace coswitch {

struct RunSettings {
    std::string directory;  // where inputs are read and results written; empty: here
    int threads = 1;        // 0: the number of available cores
    // Optional, on the calling thread: work done so far, in whole pairs and
    // in bootstrap replicates of all pairs.
    std::function<void(long long pairs_done, long long replicates_done)> progress;
};

// Everything after the dialogue; returns the warnings for standard error,
// empty when all went well. Throws RunError on failure.
std::string run_analysis(const RunParameters& p, const RunSettings& s);

// A warning for standard error when some pairs have no dependence
// statistic; empty when every pair has one.
std::string no_statistic_note(const RunParameters& p, const Array<double, 2>& RES);

// Refuses parameter sets the analysis has no data for.
void check_analysable(const RunParameters& p);

}  // namespace coswitch
