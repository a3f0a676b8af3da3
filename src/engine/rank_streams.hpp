#pragma once
// The normal stream's state at each rank's first pair, found by all ranks
// together: the uniforms up to the last rank's start are cut into segments,
// a share for each rank's threads, and every rank stitches all of them to
// find its own start. The time it takes shrinks with the whole job's cores,
// not with one rank's.
#include <cstdint>
#include <vector>

#include "analysis/run_data.hpp"
#include "engine/ranks.hpp"
#include "engine/threads.hpp"
#include "random/generator.hpp"

namespace coswitch {

// firsts: each rank's first pair (size() + 1 block starts). Every rank must
// call it; each gets the state at its own first pair.
GeneratorState normal_at_rank_start(const RunParameters& p, const std::vector<std::int64_t>& firsts,
                                    Ranks& ranks, int threads, const ThreadStarter& starter = {});

}  // namespace coswitch
