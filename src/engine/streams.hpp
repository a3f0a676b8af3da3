#pragma once
// Where the two random streams stand at each pair's start in the one-thread
// run: a pair draws a fixed number of sampler uniforms and normal deviates.
#include <cstdint>

#include "analysis/pair.hpp"
#include "engine/threads.hpp"

namespace coswitch {

std::uint64_t sampler_draws_per_pair(const RunParameters& p);
std::uint64_t normal_deviates_per_pair(const RunParameters& p);

// The streams at the start of pair n (from 0). The sampler jumps there; the
// normal stream's uniform count per deviate varies, so it is stepped
// through, on up to `threads` threads when that is long.
RandomStreams streams_at(const RunParameters& p, std::int64_t n, int threads = 1,
                         const ThreadStarter& starter = {});

// Steps the normal stream over the deviates of `pairs` pairs.
void skip_pairs(const RunParameters& p, GeneratorState& normal, std::int64_t pairs,
                int threads = 1, const ThreadStarter& starter = {});

}  // namespace coswitch
