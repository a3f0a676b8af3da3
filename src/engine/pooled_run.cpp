#include "engine/pooled_run.hpp"

#include "engine/null_counts.hpp"
#include "engine/observed_pass.hpp"

namespace coswitch {

PooledResult pooled_run(const RunParameters& p, const Inputs& in, const PooledRun& how) {
    const std::int64_t pairs = pair_count(p.NGENE);
    PooledResult r;
    ObservedValues observed = observed_statistics(p, in, 0, pairs, how.threads, how.start_thread);
    r.stat = std::move(observed.stat);
    r.corr = std::move(observed.corr);

    NullCounter nulls_new(r.stat);
    NullCounter nulls_corr(r.corr);
    PairLoop loop;
    loop.last = pairs;
    loop.threads = how.threads;
    loop.start_thread = how.start_thread;
    loop.computed = [&](std::int64_t n, GenePair pair, const PairResult& result) {
        for (double v : result.nullstat) nulls_new.add(v);
        for (double v : result.nullcorr) nulls_corr.add(v);
        return how.null_records ? how.null_records(n, pair, result) : std::string();
    };
    loop.in_order = [&](std::int64_t n, GenePair, const PairResult&, const std::string& text) {
        if (how.write_records) how.write_records(text);
        if (how.progress) how.progress(n + 1);
    };
    r.report = run_pair_loop(p, in, loop);
    // The bootstrap pass refits each pair's observed data, so its capped-fit
    // count already holds those of the observed pass.

    nulls_new.finish();
    nulls_corr.finish();
    r.pooled = nulls_new.total();
    r.count_new.resize(r.stat.size());
    r.count_corr.resize(r.corr.size());
    for (std::size_t n = 0; n < r.stat.size(); ++n) {
        r.count_new[n] = nulls_new.count(r.stat[n]);
        r.count_corr[n] = nulls_corr.count(r.corr[n]);
    }
    return r;
}

}  // namespace coswitch
