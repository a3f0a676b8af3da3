#pragma once
// The loop over gene pairs, sequential or on several threads with the very
// same results: each pair starts from the stream states the sequential run
// would have at its start.
#include <cstdint>

#include "analysis/pair.hpp"
#include "cli/progress.hpp"
#include "run/result_files.hpp"
#include "run/work_arrays.hpp"

namespace coswitch {

// Draws each stream makes for one pair: sampler uniforms and normal deviates.
std::uint64_t sampler_draws_per_pair(const RunParameters& p);
std::uint64_t normal_deviates_per_pair(const RunParameters& p);

// Number of threads to use when none is asked for: the cores this process may run on.
int available_cores();

// Analyses every pair in order into wa, appending output.txt records in pair
// order; returns the number of fits that stopped at the pass limit.
long long run_pairs(const RunParameters& p, const Inputs& in, int threads, WorkArrays& wa,
                    ResultFile& output, Progress& progress);

}  // namespace coswitch
