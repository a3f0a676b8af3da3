#pragma once
// A whole analysis in memory that grows with the pairs, not with pairs x
// bootstrap replicates: every pair's observed statistics first, then the
// bootstrap pass, whose null values are tallied against them as they come.
// The statistics, the random streams and the counts are those of the
// classic run, pair for pair.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/pair_loop.hpp"

namespace coswitch {

struct PooledRun {
    int threads = 0;  // 0: every core the process may use
    ThreadStarter start_thread;
    // Optional: each pair's null records as text (on a worker thread) and
    // then, in pair order, on the calling thread; e.g. the output.txt records.
    std::function<std::string(std::int64_t n, GenePair, const PairResult&)> null_records;
    std::function<void(const std::string&)> write_records;
    // Optional: pairs done of the bootstrap pass, on the calling thread.
    std::function<void(std::int64_t pairs_done)> progress;
};

struct PooledResult {
    std::vector<double> stat, corr;  // observed values of pair n at [n]
    std::vector<std::int64_t> count_new, count_corr;  // pooled nulls not exceeded
    std::int64_t pooled = 0;  // M: bootstrap replicates x pairs
    LoopReport report;        // of the bootstrap pass (capped fits of both passes)
};

PooledResult pooled_run(const RunParameters& p, const Inputs& in, const PooledRun& how);

}  // namespace coswitch
