#pragma once
// A scan's pair analysis: every pair of its kept genes through the pooled
// run, gathered into the results its reports are written from.
#include "engine/pooled_run.hpp"
#include "report/pair_results.hpp"
#include "scan/inputs.hpp"

namespace coswitch {

struct ScanResult {
    PairResults results;    // on the first rank only
    LoopReport report;      // capped fits counted over every rank
    long long scaled_fits = 0;
};

// how: threads, ranks, null records and progress, as pooled_run takes them.
ScanResult run_scan(const ScanInputs& s, const PooledRun& how);

}  // namespace coswitch
