#include "engine/pooled_run.hpp"

#include <cmath>

#include "engine/block_split.hpp"
#include "engine/null_counts.hpp"
#include "engine/observed_pass.hpp"
#include "engine/rank_streams.hpp"

namespace coswitch {

PooledResult pooled_run(const RunParameters& p, const Inputs& in, const PooledRun& how) {
    Ranks local;
    Ranks& ranks = how.ranks != nullptr ? *how.ranks : local;
    const int rank = ranks.rank();
    const std::int64_t pairs = pair_count(p.NGENE);

    // Observed statistics: an equal block each, then every rank gets all.
    const std::vector<std::int64_t> even = equal_blocks(pairs, ranks.size());
    std::vector<double> stat(static_cast<std::size_t>(pairs)), r(stat.size());
    std::vector<std::int32_t> cost(stat.size()), phase(stat.size());
    long long capped_observed = 0;
    std::vector<std::int64_t> scaled = {0};
    {
        const std::int64_t a = even[static_cast<std::size_t>(rank)];
        const std::int64_t b = even[static_cast<std::size_t>(rank) + 1];
        ObservedValues o = observed_statistics(p, in, a, b, how.threads, how.start_thread);
        capped_observed = o.capped_fits;
        scaled[0] = o.scaled_fits;
        for (std::int64_t k = 0; k < b - a; ++k) {
            const auto at = static_cast<std::size_t>(a + k);
            const auto from = static_cast<std::size_t>(k);
            stat[at] = o.stat[from];
            r[at] = o.r[from];
            phase[at] = o.phase[from];
            cost[at] = o.cost[from];
        }
    }
    ranks.gather_blocks(stat, even);
    ranks.gather_blocks(r, even);
    ranks.gather_blocks(cost, even);
    ranks.gather_blocks(phase, even);
    std::vector<double> corr(r.size());
    for (std::size_t n = 0; n < r.size(); ++n) corr[n] = std::fabs(r[n]);

    // The bootstrap pass: blocks of about equal estimated cost.
    const std::vector<std::int64_t> blocks = cost_blocks(cost, ranks.size());
    cost = {};
    NullCounter nulls_new(stat);
    NullCounter nulls_corr(corr);
    PairLoop loop;
    loop.first = blocks[static_cast<std::size_t>(rank)];
    loop.last = blocks[static_cast<std::size_t>(rank) + 1];
    loop.threads = how.threads;
    loop.start_thread = how.start_thread;
    loop.computed = [&](std::int64_t n, GenePair pair, const PairResult& result) {
        for (double v : result.nullstat) nulls_new.add(v);
        for (double v : result.nullcorr) nulls_corr.add(v);
        return how.null_records ? how.null_records(n, pair, result) : std::string();
    };
    loop.in_order = [&](std::int64_t n, GenePair, const PairResult&, const std::string& text) {
        if (how.write_records) how.write_records(text);
        if (how.progress) how.progress(n + 1 - loop.first, loop.last - loop.first);
    };
    if (ranks.size() > 1 && p.NBOOT > 0)
        loop.normal_at_first = normal_at_rank_start(p, blocks, ranks, how.threads, how.start_thread);
    PooledResult result;
    if (p.NBOOT > 0) {
        result.report = run_pair_loop(p, in, loop);
    } else {
        // No null values: the observed statistics are all there is.
        result.report.threads_asked = result.report.threads_started = 1;
        result.report.capped_fits = capped_observed;
        if (how.progress) how.progress(loop.last - loop.first, loop.last - loop.first);
    }

    std::vector<std::int64_t> capped = {result.report.capped_fits};
    ranks.sum_to_first(nulls_new.tallies());
    ranks.sum_to_first(nulls_corr.tallies());
    ranks.sum_to_first(capped);
    ranks.sum_to_first(scaled);
    if (!ranks.first()) return result;
    result.capped_fits = capped[0];
    result.scaled_fits = scaled[0];
    nulls_new.finish();
    nulls_corr.finish();
    result.pooled = nulls_new.total();
    result.count_new.resize(stat.size());
    result.count_corr.resize(corr.size());
    for (std::size_t n = 0; n < stat.size(); ++n) {
        result.count_new[n] = nulls_new.count(stat[n]);
        result.count_corr[n] = nulls_corr.count(corr[n]);
    }
    result.stat = std::move(stat);
    result.corr = std::move(corr);
    result.r = std::move(r);
    result.phase = std::move(phase);
    return result;
}

}  // namespace coswitch
