#pragma once
// The bootstrap pass over a block of gene pairs, on one thread or several
// with the very same results: each pair starts from the stream states the
// one-thread run has at its start, and finished pairs reach the caller in
// pair order.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "analysis/pair.hpp"
#include "engine/pair_order.hpp"
#include "engine/threads.hpp"

namespace coswitch {

struct PairLoop {
    std::int64_t first = 0;  // positions in the pair order: [first, last)
    std::int64_t last = 0;
    int threads = 1;  // workers; 0: every core the process may use
    // Optional. Runs on the thread that computed pair n, as soon as it is
    // done; calls for different pairs may overlap. Its text goes to in_order.
    std::function<std::string(std::int64_t n, GenePair, const PairResult&)> computed;
    // Runs on the calling thread for every pair, in pair order.
    std::function<void(std::int64_t n, GenePair, const PairResult&, const std::string& text)>
        in_order;
    ThreadStarter start_thread;  // empty: plain threads
    // The normal stream at the first pair, when the caller has found it
    // already (ranks find theirs together); otherwise the loop steps there.
    std::optional<GeneratorState> normal_at_first;
    // Optional: after each bootstrap replicate b of pair n, when the block
    // runs on the calling thread alone (for finer progress; threads report
    // whole pairs only).
    std::function<void(std::int64_t n, int b)> replicate_done;
};

struct LoopReport {
    long long capped_fits = 0;  // fits that stopped at the pass limit
    int threads_asked = 0;    // the workers wanted: the threads asked for, at most one a pair
    int threads_started = 0;  // fewer when the system refused some
};

// Warning lines for standard error about a finished loop: threads the
// system refused, fits stopped at the pass limit; empty when all went well.
std::string loop_warnings(const LoopReport& r);

// The bytes the loop holds at most on `workers` threads beside its pairs'
// own: the deviates and finished results of the batches in flight.
std::size_t pair_loop_bytes(const RunParameters& p, int workers);

// Runs every pair of the block; exceptions from the hooks end it and are
// rethrown here after every thread has stopped.
LoopReport run_pair_loop(const RunParameters& p, const Inputs& in, const PairLoop& loop);

}  // namespace coswitch
