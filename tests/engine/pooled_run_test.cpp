#include "engine/pooled_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "analysis/pvalues.hpp"

namespace coswitch {
namespace {

Inputs small_inputs(const RunParameters& p) {
    Inputs in;
    in.MODTCELL44.resize(p.NTIME * p.NREP, p.NGENE);
    in.PARA1.resize(2, p.NGENE);
    in.PARA2.resize(2, p.NGENE);
    for (int g = 1; g <= p.NGENE; ++g) {
        in.PARA1(1, g) = 0.0;
        in.PARA1(2, g) = 1.0;
        in.PARA2(1, g) = 3.0;
        in.PARA2(2, g) = 1.0;
        for (int m = 1; m <= p.NTIME * p.NREP; ++m)
            in.MODTCELL44(m, g) = ((m * 7 + g * g) % 5) * 0.8 - (g % 3 == 0 ? 0.5 * m : 0.0);
    }
    return in;
}

// Counts against the pooled nulls equal the pooled rule of the classic run,
// whose p-values are count / M in single precision.
TEST(PooledRun, CountsAreThoseOfTheClassicPooledRule) {
    RunParameters p;
    p.FLAG = 'G';
    p.NTIME = 5;
    p.NREP = 2;
    p.NBOOT = 4;
    p.NGENE = 6;
    const Inputs in = small_inputs(p);

    std::vector<double> res, corres, nullstat, nullcorr;
    PairLoop loop;
    loop.last = pair_count(p.NGENE);
    loop.threads = 1;
    loop.in_order = [&](std::int64_t, GenePair, const PairResult& r, const std::string&) {
        res.push_back(r.res);
        corres.push_back(r.corres);
        nullstat.insert(nullstat.end(), r.nullstat.begin(), r.nullstat.end());
        nullcorr.insert(nullcorr.end(), r.nullcorr.begin(), r.nullcorr.end());
    };
    run_pair_loop(p, in, loop);

    for (int threads : {1, 3}) {
        PooledRun how;
        how.threads = threads;
        std::string records;
        how.null_records = [](std::int64_t n, GenePair, const PairResult& r) {
            return std::to_string(n) + ":" + std::to_string(r.nullstat.size()) + ";";
        };
        how.write_records = [&](const std::string& t) { records += t; };
        const PooledResult r = pooled_run(p, in, how);
        EXPECT_EQ(r.pooled, 60);
        EXPECT_EQ(records, "0:4;1:4;2:4;3:4;4:4;5:4;6:4;7:4;8:4;9:4;10:4;11:4;12:4;13:4;14:4;");
        ASSERT_EQ(r.records.size(), 15u);
        ASSERT_EQ(r.abs_r.size(), 15u);
        // Records by statistic, largest first, each naming its pair once.
        std::vector<int> seen(15, 0);
        for (std::size_t q = 0; q < 15; ++q) {
            const std::uint32_t n = meta_value(r.records[q].meta);
            ASSERT_LT(n, 15u);
            ++seen[n];
            // Copies: a packed record's double takes no reference (the checks bind one).
            EXPECT_EQ(double{r.records[q].stat}, res[n]);
            EXPECT_EQ(r.counts_new.count(q), count_not_exceeded_direct(res[n], nullstat));
            if (q > 0) {
                EXPECT_GE(double{r.records[q - 1].stat}, double{r.records[q].stat});
            }
        }
        EXPECT_EQ(seen, std::vector<int>(15, 1));
        // The correlations without their pairs, largest first; each pair's is found there.
        std::vector<double> sorted = corres;
        std::sort(sorted.begin(), sorted.end(), std::greater<double>());
        EXPECT_EQ(r.abs_r, sorted);
        const DescendingValues by_corr(r.abs_r.data(), r.abs_r.size());
        for (std::size_t n = 0; n < 15; ++n)
            EXPECT_EQ(r.counts_corr.count(position_of(by_corr, corres[n])),
                      count_not_exceeded_direct(corres[n], nullcorr));
    }

    p.NBOOT = 0;
    const PooledResult none = pooled_run(p, in, {});
    EXPECT_EQ(none.pooled, 0);
    EXPECT_EQ(none.counts_new.count(3), 0);
    EXPECT_EQ(none.counts_new.total(), 0);
}

}  // namespace
}  // namespace coswitch
