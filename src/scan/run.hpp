#pragma once
// A scan's pair analysis: every pair of its kept genes through the pooled
// run, gathered into the results its reports are written from.
#include <cstdint>

#include "engine/pooled_run.hpp"
#include "report/pair_results.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

struct ScanResult {
    PairResults results;    // on the first rank only
    LoopReport report;      // capped fits counted over every rank
    long long scaled_fits = 0;
};

// A RunError(kExitInput, ...) when the kept genes have more pairs than a
// run can number.
void check_pair_count(std::int64_t genes);

// how: threads, ranks, null records and progress, as pooled_run takes them.
// The results read the pairs' correlations from s, which must outlive them.
ScanResult run_scan(const ScanInputs& s, const PooledRun& how);

}  // namespace coswitch
