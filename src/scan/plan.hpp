#pragma once
// What a scan will take, known once its genes are fitted and before its
// pair pass: the pairs, a rank's memory at its peak, the size of
// pairs.tsv, and how long the pairs take from a few of them timed on this
// machine. Whoever runs the scan decides what to do with it.
#include <cstdint>
#include <string>

#include "report/pairs_tsv.hpp"
#include "scan/inputs.hpp"
#include "scan/memory_room.hpp"

namespace coswitch {

struct ScanPlan {
    std::int64_t pairs = 0;
    int bootstrap = 0;
    int threads = 1;     // on each rank
    int ranks = 1;
    int ranks_here = 1;  // the ranks on this machine, which share its memory
    // One rank's memory: resident now, at the peak of the pair pass and the
    // files, and the pairs' share of it a pair; the address space the peak
    // takes beyond today's (threads reserve more than they touch).
    double resident_now = 0;
    double peak = 0;
    double per_pair = 0;
    double more_address = 0;
    MemoryRoom room;
    // pairs.tsv: its rule, its rows (at most that many with fdr) and bytes;
    // nulls.txt with --nulls. Before gzip.
    PairsChoice choice;
    std::int64_t rows = 0;
    bool rows_at_most = false;
    double row_bytes = 0;
    double pairs_tsv_bytes = 0;
    double nulls_bytes = 0;
    // The pair pass, from timed_pairs pairs timed on one thread; NaN until
    // time_pairs has run.
    std::int64_t timed_pairs = 0;
    double seconds_per_pair = 0;  // of one thread
    double seconds = 0;
};

// Everything but the time. ranks_here: how many of the ranks share this
// machine's memory.
ScanPlan plan_scan(const ScanInputs& s, const ScanSettings& o, int ranks, int ranks_here);

// Times pairs spread over the pair order, with at most a few bootstrap
// replicates each, on one thread, for about budget_seconds (at least one
// pair); from their own copy of the random streams, so that nothing of the
// run changes.
void time_pairs(const ScanInputs& s, ScanPlan& plan, double budget_seconds = 0.2);

// Why the pair pass does not fit in the memory there is, naming the
// estimate and the limit; "" when it fits.
std::string memory_shortfall(const ScanPlan& plan);

}  // namespace coswitch
