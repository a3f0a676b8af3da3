#pragma once
// A whole analysis in memory that grows with the pairs, not with pairs x
// bootstrap replicates: every pair's observed statistics first, then the
// bootstrap pass, whose null values are tallied against them as they come.
// The statistics, the random streams and the counts are those of the
// classic run, pair for pair, whatever the threads and ranks.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/pair_loop.hpp"
#include "engine/ranks.hpp"

namespace coswitch {

struct PooledRun {
    int threads = 0;  // on each rank; 0: every core the rank may use
    ThreadStarter start_thread;
    Ranks* ranks = nullptr;  // null: this process alone
    // Optional: each pair's null records as text (on a worker thread) and
    // then, in pair order, on the calling thread; e.g. the output.txt records.
    std::function<std::string(std::int64_t n, GenePair, const PairResult&)> null_records;
    std::function<void(const std::string&)> write_records;
    // Optional: this rank's pairs done and its share of pairs, on the calling thread.
    std::function<void(std::int64_t done, std::int64_t of)> progress;
};

struct PooledResult {
    // On the first rank (empty elsewhere): the observed values of pair n at
    // [n], and the pooled null values they do not exceed.
    std::vector<double> stat, corr;
    std::vector<double> r;             // the signed correlation (corr is its magnitude)
    std::vector<std::int32_t> phase;   // pair_phase of the observed fit
    std::vector<std::int64_t> count_new, count_corr;
    std::int64_t pooled = 0;  // M: bootstrap replicates x pairs
    long long capped_fits = 0;  // over every rank (the bootstrap pass refits the observed data)
    long long scaled_fits = 0;  // observed fits made with scaling, over every rank
    LoopReport report;          // of this rank's bootstrap pass
};

PooledResult pooled_run(const RunParameters& p, const Inputs& in, const PooledRun& how);

}  // namespace coswitch
