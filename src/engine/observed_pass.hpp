#pragma once
// Every pair's observed statistics, computed before any bootstrap so that
// the null values can be counted against them as they are produced. Needs
// no random stream, so pairs are shared among threads in any order.
#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/run_data.hpp"
#include "engine/threads.hpp"

namespace coswitch {

struct ObservedValues {
    std::vector<double> stat;  // the dependence statistic of pair first + k at [k]
    std::vector<double> corr;  // its absolute correlation
    // An estimate of the pair's bootstrap cost: its observed fit's passes
    // hint at how long its simulated data take to fit.
    std::vector<std::int32_t> cost;
    long long capped_fits = 0;
    int threads_started = 0;
};

// Pairs [first, last) of the pair order on up to `threads` threads (0: every
// core); progress(pairs done) is called now and then from the calling thread.
ObservedValues observed_statistics(const RunParameters& p, const Inputs& in, std::int64_t first,
                                   std::int64_t last, int threads,
                                   const ThreadStarter& starter = {},
                                   const std::function<void(std::int64_t)>& progress = {});

}  // namespace coswitch
