#include "engine/pooled_run.hpp"

#include <cmath>
#include <stdexcept>
#include <string>

#include "engine/block_split.hpp"
#include "engine/observed_pass.hpp"
#include "engine/rank_streams.hpp"

namespace coswitch {
namespace {

// Nulls tallied in pieces of this many positions when summed over ranks.
constexpr std::size_t kSumChunk = std::size_t{1} << 20;

}  // namespace

void check_record_pairs(std::int64_t genes) {
    const std::int64_t pairs = pair_count(genes);
    if (pairs >= kMaxRecordPairs)
        throw std::length_error(std::to_string(genes) + " genes have " + std::to_string(pairs) +
                                " pairs, more than the " + std::to_string(kMaxRecordPairs - 1) +
                                " a run can number");
}

void sum_counts_to_first(Ranks& ranks, NullCounts& counts) {
    PackedTallies& t = counts.tallies();
    t.settle();
    if (ranks.size() == 1) return;
    std::vector<std::uint64_t> chunk;
    for (std::size_t at = 0; at < t.size(); at += kSumChunk) {
        chunk.resize(std::min(kSumChunk, t.size() - at));
        for (std::size_t k = 0; k < chunk.size(); ++k) chunk[k] = t.field(at + k);
        ranks.sum_to_first(chunk);
        if (!ranks.first()) continue;
        // The first rank's own fields are in the sums: each field starts again from 0.
        for (std::size_t k = 0; k < chunk.size(); ++k) t.set_value(at + k, chunk[k]);
    }
    // What the ranks' fields could not hold, as (position, amount) words in rank order.
    std::vector<std::uint64_t> mine;
    if (!ranks.first())
        for (const auto& [position, amount] : t.side_entries()) mine.insert(mine.end(), {position, amount});
    const std::vector<std::uint64_t> all = ranks.gather_words(mine);
    if (ranks.first())
        for (std::size_t k = 0; k + 1 < all.size(); k += 2) t.add_side(all[k], all[k + 1]);
    std::vector<std::int64_t> nan = {counts.nan_nulls()};
    ranks.sum_to_first(nan);
    if (ranks.first()) counts.set_nan_nulls(nan[0]);
}

PooledResult pooled_run(const RunParameters& p, const Inputs& in, const PooledRun& how) {
    Ranks local;
    Ranks& ranks = how.ranks != nullptr ? *how.ranks : local;
    const int rank = ranks.rank();
    check_record_pairs(p.NGENE);
    const std::int64_t pairs = pair_count(p.NGENE);
    const auto count = static_cast<std::size_t>(pairs);

    // Observed statistics: an equal block each, then every rank gets all.
    PooledResult result;
    std::vector<ObservedRecord>& records = result.records;
    std::vector<double>& abs_r = result.abs_r;
    records.resize(count);
    abs_r.resize(count);
    const std::vector<std::int64_t> even = equal_blocks(pairs, ranks.size());
    long long capped_observed = 0;
    std::vector<std::int64_t> scaled = {0};
    {
        const std::int64_t a = even[static_cast<std::size_t>(rank)];
        const std::int64_t b = even[static_cast<std::size_t>(rank) + 1];
        const auto at = static_cast<std::size_t>(a);
        const ObservedPass o = observed_statistics(p, in, a, b, records.data() + at, abs_r.data() + at,
                                                   how.threads, how.start_thread);
        capped_observed = o.capped_fits;
        scaled[0] = o.scaled_fits;
    }
    ranks.gather_blocks(records.data(), sizeof(ObservedRecord), even);
    ranks.gather_blocks(abs_r, even);

    // The bootstrap pass: blocks of about equal estimated cost; from then on
    // a record names its pair, and both statistics are in the order their
    // null values are counted in.
    const std::vector<std::int64_t> blocks = cost_blocks(
        pairs, [&](std::int64_t n) { return static_cast<std::int32_t>(meta_value(records[static_cast<std::size_t>(n)].meta)); },
        ranks.size());
    for (std::size_t n = 0; n < count; ++n)
        records[n].meta = make_meta(static_cast<std::uint32_t>(n), meta_phase(records[n].meta));
    sort_best_first(records);
    sort_best_first(abs_r);
    const int bits = PackedTallies::bits_for(p.NBOOT);
    result.counts_new = NullCounts(count, bits);
    result.counts_corr = NullCounts(count, bits);
    NullCounts& nulls_new = result.counts_new;
    NullCounts& nulls_corr = result.counts_corr;
    // A record begins with its statistic.
    const DescendingValues by_new(records.data(), count, sizeof(ObservedRecord));
    const DescendingValues by_corr(abs_r.data(), count);

    PairLoop loop;
    loop.first = blocks[static_cast<std::size_t>(rank)];
    loop.last = blocks[static_cast<std::size_t>(rank) + 1];
    loop.threads = how.threads;
    loop.start_thread = how.start_thread;
    loop.computed = [&](std::int64_t n, GenePair pair, const PairResult& r) {
        std::int64_t nan_new = 0, nan_corr = 0;
        for (double v : r.nullstat) {
            if (std::isnan(v))
                ++nan_new;
            else
                nulls_new.add(by_new, v);
        }
        for (double v : r.nullcorr) {
            if (std::isnan(v))
                ++nan_corr;
            else
                nulls_corr.add(by_corr, v);
        }
        nulls_new.add_nan(nan_new);
        nulls_corr.add_nan(nan_corr);
        return how.null_records ? how.null_records(n, pair, r) : std::string();
    };
    loop.in_order = [&](std::int64_t n, GenePair, const PairResult&, const std::string& text) {
        if (how.write_records) how.write_records(text);
        if (how.progress) how.progress(n + 1 - loop.first, loop.last - loop.first);
    };
    if (ranks.size() > 1 && p.NBOOT > 0)
        loop.normal_at_first = normal_at_rank_start(p, blocks, ranks, how.threads, how.start_thread);
    if (p.NBOOT > 0) {
        result.report = run_pair_loop(p, in, loop);
    } else {
        // No null values: the observed statistics are all there is.
        result.report.threads_asked = result.report.threads_started = 1;
        result.report.capped_fits = capped_observed;
        if (how.progress) how.progress(loop.last - loop.first, loop.last - loop.first);
    }

    std::vector<std::int64_t> capped = {result.report.capped_fits};
    sum_counts_to_first(ranks, nulls_new);
    sum_counts_to_first(ranks, nulls_corr);
    ranks.sum_to_first(capped);
    ranks.sum_to_first(scaled);
    if (!ranks.first()) {
        PooledResult elsewhere;
        elsewhere.report = result.report;
        return elsewhere;
    }
    result.capped_fits = capped[0];
    result.scaled_fits = scaled[0];
    nulls_new.finish();
    nulls_corr.finish();
    result.pooled = nulls_new.total();
    const std::int64_t expected = pairs * std::max(p.NBOOT, 0);
    if (nulls_new.total() != expected || nulls_corr.total() != expected)
        throw std::logic_error("the pooled null values are not bootstrap replicates x pairs");
    return result;
}

}  // namespace coswitch
