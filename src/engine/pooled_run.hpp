#pragma once
// A whole analysis in memory that grows with the pairs, not with pairs x
// bootstrap replicates: every pair's observed statistics first, then the
// bootstrap pass, whose null values are tallied against them as they come.
// The statistics, the random streams and the counts are those of the
// classic run, pair for pair, whatever the threads and ranks. A pair costs
// its record (12 bytes), its correlation's magnitude (8) and a tally for
// each statistic (a byte or two, as the replicates need), on every rank.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/null_counts.hpp"
#include "engine/observed_records.hpp"
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
    // On the first rank (empty elsewhere). Every pair's record, largest
    // dependence statistic first (NaN last), its meta holding the pair's
    // position in the pair order and its phase; and every pair's |r|,
    // largest first (NaN last), without its pair.
    std::vector<ObservedRecord> records;
    std::vector<double> abs_r;
    // The pooled null values each observed value does not exceed, by its
    // position in records and in abs_r.
    NullCounts counts_new, counts_corr;
    std::int64_t pooled = 0;    // M: bootstrap replicates x pairs
    long long capped_fits = 0;  // over every rank (the bootstrap pass refits the observed data)
    long long scaled_fits = 0;  // observed fits made with scaling, over every rank
    LoopReport report;          // of this rank's bootstrap pass
};

// Throws std::length_error when the pairs of `genes` genes are more than a
// record can number.
void check_record_pairs(std::int64_t genes);

PooledResult pooled_run(const RunParameters& p, const Inputs& in, const PooledRun& how);

// The tallies of every rank summed on the first; every rank calls it.
void sum_counts_to_first(Ranks& ranks, NullCounts& counts);

}  // namespace coswitch
