#include "scan/plan.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "analysis/pair.hpp"
#include "engine/pair_loop.hpp"
#include "engine/pair_order.hpp"
#include "engine/pooled_run.hpp"
#include "engine/streams.hpp"
#include "engine/threads.hpp"
#include "report/heatmap_genes.hpp"
#include "report/pair_notes.hpp"
#include "report/scan_folder.hpp"

namespace coswitch {
namespace {

// A thread's own buffers besides the loop's: its pair scratch, its share
// of the ranking's keys (65536 of 24 bytes) and its blocks of rows.
constexpr double kThreadBytes = 4.0 * (1 << 20);
// Address space a thread reserves and hardly touches: its stack and its
// allocator arena (glibc's, 64 MB on 64-bit systems).
constexpr double kThreadAddress = 72.0 * (1 << 20);
// Bootstrap replicates a timed pair runs: enough to see their cost.
constexpr int kTimedReplicates = 8;
constexpr std::int64_t kMostTimedPairs = 512;

int threads_of(const ScanSettings& o) { return o.threads > 0 ? o.threads : available_cores(); }

}  // namespace

ScanPlan plan_scan(const ScanInputs& s, const ScanSettings& o, int ranks, int ranks_here) {
    ScanPlan plan;
    const RunParameters& p = s.p;
    plan.pairs = pair_count(p.NGENE);
    plan.bootstrap = std::max(p.NBOOT, 0);
    plan.threads = threads_of(o);
    plan.ranks = std::max(ranks, 1);
    plan.ranks_here = std::max(ranks_here, 1);

    const ProcessMemory now = process_memory();
    plan.resident_now = static_cast<double>(now.resident);
    plan.per_pair = pooled_bytes_per_pair(p);
    const double pairs = static_cast<double>(plan.pairs);
    // The heatmap holds the values of its genes' pairs at once.
    const double heatmap =
        static_cast<double>(pair_count(std::min(p.NGENE, kHeatmapGenes))) * sizeof(PairValues);
    const double work = static_cast<double>(pair_loop_bytes(p, plan.threads)) + plan.threads * kThreadBytes +
                        heatmap;
    plan.peak = plan.resident_now + pairs * plan.per_pair + work;
    plan.more_address = pairs * plan.per_pair + work + (plan.threads + 1) * kThreadAddress;
    plan.room = memory_room();

    plan.choice = pairs_choice_of(o, plan.pairs);
    plan.rows = plan.pairs;
    if (plan.choice.rule == PairsChoice::Rule::top)
        plan.rows = std::min(plan.pairs, std::max<std::int64_t>(plan.choice.top, 0));
    plan.rows_at_most = plan.choice.rule == PairsChoice::Rule::fdr;
    const std::int64_t M = plan.pairs * plan.bootstrap;
    // With missing values a last column of notes, mostly empty.
    plan.row_bytes = pairs_row_bytes(s.ids, plan.rows, M) + (PairNotes(p, s.in).active() ? 1 : 0);
    plan.pairs_tsv_bytes = static_cast<double>(std::char_traits<char>::length(kPairsHeader)) +
                           static_cast<double>(plan.rows) * plan.row_bytes;
    // A null record is a line of two gene numbers and two values of about
    // ten characters each.
    if (o.nulls) {
        const double gene_digits = std::floor(std::log10(std::max(p.NGENE, 1))) + 1;
        plan.nulls_bytes = pairs * plan.bootstrap * (2 * gene_digits + 2 * 11 + 4);
    }
    plan.seconds = std::nan("");
    return plan;
}

void time_pairs(const ScanInputs& s, ScanPlan& plan, double budget_seconds) {
    const RunParameters& p = s.p;
    if (plan.pairs == 0) {
        plan.seconds = 0;
        return;
    }
    using Clock = std::chrono::steady_clock;
    const auto seconds_since = [](Clock::time_point t) {
        return std::chrono::duration<double>(Clock::now() - t).count();
    };
    PairScratch w(p);
    RandomStreams streams = streams_at(p, 0);
    const int replicates = std::min(std::max(p.NBOOT, 0), kTimedReplicates);
    const std::int64_t most = std::min(plan.pairs, kMostTimedPairs);
    double observed = 0, replicated = 0;
    std::int64_t timed = 0;
    const Clock::time_point start = Clock::now();
    // Golden-ratio steps: every prefix of the sample is spread over the order.
    constexpr double kStep = 0.6180339887498949;
    for (; timed < most && (timed == 0 || seconds_since(start) < budget_seconds); ++timed) {
        const double where = std::fmod(0.5 + kStep * static_cast<double>(timed), 1.0);
        const auto n = std::min(plan.pairs - 1, static_cast<std::int64_t>(where * static_cast<double>(plan.pairs)));
        const GenePair g = pair_at(n, p.NGENE);
        double res = 0, corres = 0, nullstat = 0, nullcorr = 0;
        int capped = 0;
        const Clock::time_point t0 = Clock::now();
        observed_pair(p, s.in, g.i, g.j, w, res, corres, capped);
        observed += seconds_since(t0);
        const Table4 nullmat = w.NULLMAT;
        const Vec4 pivec = w.PIVEC;
        const Clock::time_point t1 = Clock::now();
        for (int b = 0; b < replicates; ++b) {
            if (p.null_model == NullModel::fixed) {
                w.NULLMAT = nullmat;
                w.PIVEC = pivec;
            }
            bootstrap_replicate(p, s.in, g.i, g.j, streams, w, nullstat, nullcorr, capped);
        }
        replicated += seconds_since(t1);
    }
    plan.timed_pairs = timed;
    const double t = static_cast<double>(timed);
    // The observed pass fits each pair once; the bootstrap pass fits it
    // again, then its replicates.
    plan.seconds_per_pair = observed / t * (plan.bootstrap > 0 ? 2 : 1) +
                            (replicates > 0 ? replicated / (t * replicates) * plan.bootstrap : 0);
    const int parallel = std::max(1, std::min(plan.threads, available_cores()));
    plan.seconds = static_cast<double>(plan.pairs) * plan.seconds_per_pair /
                   (static_cast<double>(parallel) * plan.ranks);
}

std::string memory_shortfall(const ScanPlan& plan) {
    const double resident_need = (plan.peak - plan.resident_now) * plan.ranks_here;
    const std::string ranks =
        plan.ranks_here > 1 ? " for the " + std::to_string(plan.ranks_here) + " ranks on this machine" : "";
    std::string why;
    if (resident_need > static_cast<double>(plan.room.resident))
        why = "the pair pass needs about " + memory_text(resident_need) + " more memory" + ranks +
              " (a peak of about " + memory_text(plan.peak) + " a rank, " +
              std::to_string(plan.pairs) + " pairs), but only " +
              memory_text(static_cast<double>(plan.room.resident)) + " is available (" +
              plan.room.resident_by + ")";
    else if (plan.more_address > static_cast<double>(plan.room.address))
        why = "the pair pass needs about " + memory_text(plan.more_address) +
              " more address space (a peak of about " + memory_text(plan.peak) + ", " +
              std::to_string(plan.pairs) + " pairs, " + std::to_string(plan.threads) +
              (plan.threads == 1 ? " thread" : " threads") + "), but only " + memory_text(static_cast<double>(plan.room.address)) +
              " is left under " + plan.room.address_by;
    return why;
}

}  // namespace coswitch
