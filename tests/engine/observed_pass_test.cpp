#include "engine/observed_pass.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/pair.hpp"
#include "analysis/pair_correlation.hpp"
#include "engine/pair_order.hpp"
#include "run/work_arrays.hpp"

using namespace coswitch;

namespace {

// Genes over 16 time points x 2 replicates with given high/low courses,
// states at 2 and 5 with a little deterministic noise.
Inputs courses(const RunParameters& p, const std::vector<std::vector<int>>& high) {
    Inputs in = sized_inputs(p);
    for (int g = 1; g <= p.NGENE; ++g) {
        for (int t = 1; t <= p.NTIME; ++t)
            for (int r = 1; r <= p.NREP; ++r) {
                const double noise = 0.3 * std::sin(1.7 * g + 2.3 * t + 0.9 * r);
                in.MODTCELL44((t - 1) * p.NREP + r, g) =
                    (high[static_cast<std::size_t>(g - 1)][static_cast<std::size_t>(t - 1)] ? 5.0 : 2.0) + noise;
            }
        in.PARA1(1, g) = 2.0;
        in.PARA1(2, g) = 0.5;
        in.PARA2(1, g) = 5.0;
        in.PARA2(2, g) = 0.5;
    }
    return in;
}

}  // namespace

// The phase follows the shared state, not the share of time in equal
// states: two genes in phase whose high states take 3/4 and 1/8 of the time
// are in equal states only 3/8 of the time, and still read in phase.
TEST(ObservedPass, PhaseOfInPhaseOppositeAndUnevenPairs) {
    const RunParameters p{'G', 16, 2, 0, 5};
    const std::vector<int> a = {0, 0, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 0};
    std::vector<int> same = a, opposite = a, mostly(16), seldom(16);
    for (int& s : opposite) s = 1 - s;
    for (int t = 0; t < 16; ++t) {
        mostly[static_cast<std::size_t>(t)] = t % 4 != 0;  // high 3/4 of the time
        seldom[static_cast<std::size_t>(t)] = t % 8 == 2;  // high 1/8, only when `mostly` is
    }
    const Inputs in = courses(p, {a, same, opposite, mostly, seldom});
    std::vector<ObservedRecord> records(static_cast<std::size_t>(pair_count(p.NGENE)));
    std::vector<double> abs_r(records.size());
    observed_statistics(p, in, 0, pair_count(p.NGENE), records.data(), abs_r.data(), 1);
    auto phase = [&](int i, int j) {
        return meta_phase(records[static_cast<std::size_t>(pair_index(i, j, p.NGENE))].meta);
    };
    CorrelationScratch w;
    auto r = [&](int i, int j) { return pair_correlation(p, in, i, j, w); };
    EXPECT_EQ(phase(1, 2), 1);
    EXPECT_EQ(phase(1, 3), -1);
    EXPECT_EQ(phase(2, 3), -1);
    EXPECT_EQ(phase(4, 5), 1);
    EXPECT_GT(r(1, 2), 0.9);
    EXPECT_LT(r(1, 3), -0.9);
    EXPECT_EQ(pair_phase(0.0), 0);
    EXPECT_EQ(pair_phase(std::nan("")), 0);
    EXPECT_EQ(pair_phase(-1e-300), -1);
}

// The correlation computed again for a pair is the very one of its
// observed statistics, with and without missing values, and the record
// keeps the phase beside a cost of at least one bootstrap's worth.
TEST(ObservedPass, CorrelationComputedAgainIsTheObservedOneBitForBit) {
    const RunParameters p{'G', 7, 3, 0, 9};
    Inputs in = sized_inputs(p);
    for (int g = 1; g <= p.NGENE; ++g) {
        for (int m = 1; m <= 21; ++m) in.MODTCELL44(m, g) = std::sin(0.37 * g * m + g) * (1 + g % 3) + 3.0;
        in.PARA1(1, g) = 2.0;
        in.PARA1(2, g) = 0.7;
        in.PARA2(1, g) = 4.0;
        in.PARA2(2, g) = 0.7;
    }
    for (const bool gaps : {false, true}) {
        if (gaps) {
            in.MODTCELL44(4, 2) = std::nan("");
            in.MODTCELL44(9, 5) = std::nan("");
            for (int m = 1; m <= 19; ++m) in.MODTCELL44(m, 7) = std::nan("");  // too few values left
            mark_gaps(in);
        }
        const auto pairs = static_cast<std::size_t>(pair_count(p.NGENE));
        std::vector<ObservedRecord> records(pairs);
        std::vector<double> abs_r(pairs);
        observed_statistics(p, in, 0, static_cast<std::int64_t>(pairs), records.data(), abs_r.data(), 2);
        PairScratch scratch(p);
        CorrelationScratch w;
        GenePair g{1, 2};
        for (std::size_t n = 0; n < pairs; ++n, g = next_pair(g, p.NGENE)) {
            double stat = 0, corres = 0;
            int capped = 0;
            observed_pair(p, in, g.i, g.j, scratch, stat, corres, capped);
            const double r = pair_correlation(p, in, g.i, g.j, w);
            EXPECT_EQ(std::memcmp(&r, &scratch.last_r, sizeof r), 0) << g.i << " " << g.j << " " << gaps;
            EXPECT_EQ(std::memcmp(&abs_r[n], &corres, sizeof r), 0);
            EXPECT_EQ(std::isnan(r), gaps && (g.i == 7 || g.j == 7));
            EXPECT_EQ(meta_phase(records[n].meta), pair_phase(scratch.last_fit.concordance));
            EXPECT_GE(meta_value(records[n].meta), 4u);
            EXPECT_EQ(std::memcmp(&records[n].stat, &stat, sizeof stat), 0);
        }
    }
    // Meta words: 30 bits of value beside the phase.
    for (const std::int32_t ph : {-1, 0, 1}) {
        const std::uint32_t m = make_meta(kMetaValueMask, ph);
        EXPECT_EQ(meta_value(m), kMetaValueMask);
        EXPECT_EQ(meta_phase(m), ph);
        EXPECT_EQ(meta_value(make_meta(12345, ph)), 12345u);
    }
}
