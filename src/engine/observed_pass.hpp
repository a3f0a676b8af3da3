#pragma once
// Every pair's observed statistics, computed before any bootstrap so that
// the null values can be counted against them as they are produced. Needs
// no random stream, so pairs are shared among threads in any order.
#include <cstdint>
#include <functional>

#include "analysis/run_data.hpp"
#include "engine/observed_records.hpp"
#include "engine/threads.hpp"

namespace coswitch {

struct ObservedPass {
    long long capped_fits = 0;
    long long scaled_fits = 0;  // fits that underflowed and were made again with scaling
    int threads_started = 0;
};

// +1 when the fitted chain puts the two genes in the same state more than
// independence would (in phase), -1 when less (opposite phase), 0 when it
// cannot tell (no fit, or exactly as independence).
std::int32_t pair_phase(double concordance);

// Pairs [first, last) of the pair order on up to `threads` threads (0: every
// core): pair first + k into records[k] (its dependence statistic, and its
// phase with an estimate of its bootstrap cost: its observed fit's passes
// hint at how long its simulated data take to fit) and its correlation's
// magnitude into abs_r[k]. progress(pairs done) is called now and then
// from the calling thread.
ObservedPass observed_statistics(const RunParameters& p, const Inputs& in, std::int64_t first,
                                 std::int64_t last, ObservedRecord* records, double* abs_r,
                                 int threads, const ThreadStarter& starter = {},
                                 const std::function<void(std::int64_t)>& progress = {});

}  // namespace coswitch
