#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/hard_fit.hpp"
#include "analysis/pair.hpp"
#include "numeric/correlation.hpp"
#include "random/deviates.hpp"
#include "random/sampler.hpp"
#include "run/work_arrays.hpp"

namespace {
using namespace coswitch;

// Distinct parameters per column, so that a wrong column shows in the values; standard
// deviations times `narrow`.
Inputs make_inputs(const RunParameters& p, double narrow = 1.0) {
    Inputs in = sized_inputs(p);
    for (int c = 1; c <= parameter_columns(p); ++c) {
        in.PARA1(1, c) = 1.0 + 0.25 * c;
        in.PARA1(2, c) = (0.5 + 0.05 * c) * narrow;
        in.PARA2(1, c) = 4.0 + 0.3 * c;
        in.PARA2(2, c) = (0.8 + 0.02 * c) * narrow;
    }
    for (std::size_t n = 0; n < in.MODTCELL44.size(); ++n)
        in.MODTCELL44.data()[n] = 1.0 + std::fmod(0.618034 * n * n, 5.0);
    return in;
}

bool same(const RandomStreams& a, const RandomStreams& b) {
    return a.sampler.t1 == b.sampler.t1 && a.sampler.t2 == b.sampler.t2 &&
           a.normal.CURNTG == b.normal.CURNTG && a.normal.GLOBE.CURSEED1 == b.normal.GLOBE.CURSEED1;
}

// The streams after one replicate's worth of draws.
RandomStreams advanced(RandomStreams s, const RunParameters& p) {
    for (int n = 0; n < p.NREP * p.NTIME; ++n) sampler_uniform(s.sampler);
    for (int n = 0; n < 2 * p.NREP * p.NTIME; ++n) snorm(s.normal);
    return s;
}
}  // namespace

// Cells come row by row from the smoothed model, one sampler draw each, then
// the row's values, one normal deviate each; the replicate is then refitted.
// The states' densities are so narrow that every simulated value weighs its
// own cell only: the refit is then the chi-square of the simulated cells'
// transitions, worked from the cells alone.
TEST(BootstrapReplicate, SimulatesInStreamOrderAndRefits) {
    for (char mode : {'G', 'T'}) {
        SCOPED_TRACE(mode);
        const RunParameters p{mode, 5, 3, 1, 4};
        const Inputs in = make_inputs(p, 0.002);
        const Vec4 pi0{0.4, 0.3, 0.2, 0.1};
        Table4 nullmat0;  // row 3 zero: smoothing makes it uniform
        for (int n = 0; n < 16; ++n) nullmat0.v[n] = n % 4 == 2 ? 0.0 : 0.01 * (n % 5 + 1);
        PairScratch w(p);
        w.PIVEC = pi0;
        w.NULLMAT = nullmat0;
        RandomStreams streams;
        snorm(streams.normal);  // start away from the initial states
        RandomStreams hand = streams;
        const RandomStreams counted = advanced(streams, p);
        double stat = 0.0, nullcorr = 0.0;
        int capped = 0;
        bootstrap_replicate(p, in, 2, 4, streams, w, stat, nullcorr, capped);
        EXPECT_TRUE(same(streams, counted));

        for (int a = 1; a <= 4; ++a) {
            double rs = 0.0;
            for (int b = 1; b <= 4; ++b) rs += nullmat0(a, b) + 1e-6;
            for (int b = 1; b <= 4; ++b)
                EXPECT_EQ(w.TMAT(a, b), (nullmat0(a, b) + 1e-6) / rs) << a << b;
        }
        std::vector<std::vector<int>> cells(static_cast<std::size_t>(p.NREP));
        for (int r = 1; r <= p.NREP; ++r)
            for (int t = 1; t <= p.NTIME; ++t) cells[static_cast<std::size_t>(r - 1)].push_back(w.ST(r, t));
        const coswitch::testing::HardFit h = coswitch::testing::hard_fit(cells);
        EXPECT_NEAR(stat, h.stat, 1e-9 * (1.0 + h.stat));
        EXPECT_GT(h.stat, 0.0);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(w.PIVEC[static_cast<std::size_t>(k)], h.pivec[static_cast<std::size_t>(k)], 1e-12);
        for (int n = 0; n < 16; ++n) EXPECT_NEAR(w.NULLMAT.v[static_cast<std::size_t>(n)], h.nullmat.v[static_cast<std::size_t>(n)], 1e-12);

        // The two streams are separate: each is replayed in its own order.
        const double pisum = (0.4 + 1e-6) + (0.3 + 1e-6) + (0.2 + 1e-6) + (0.1 + 1e-6);
        std::vector<double> x, y;  // time fastest, unlike the observed data
        for (int r = 1; r <= p.NREP; ++r)
            for (int t = 1; t <= p.NTIME; ++t) {
                float pr[4];
                std::int32_t ir[4];
                for (int k = 1; k <= 4; ++k)
                    pr[k - 1] = static_cast<float>(
                        t == 1 ? (pi0[k - 1] + 1e-6) / pisum : w.TMAT(w.ST(r, t - 1), k));
                mtn(1, pr, ir, 4, hand.sampler);
                EXPECT_EQ(w.ST(r, t), ir[0] + 2 * ir[1] + 3 * ir[2] + 4 * ir[3]) << r << t;
                for (int g = 1; g <= 2; ++g) {
                    const int col = mode == 'T' ? t : (g == 1 ? 2 : 4);
                    const auto& para = MORCODE[w.ST(r, t)][g - 1] == 0 ? in.PARA1 : in.PARA2;
                    const double z = snorm(hand.normal);
                    EXPECT_EQ(w.YEX(r, t, g), para(1, col) + z * para(2, col)) << r << t << g;
                }
                x.push_back(w.YEX(r, t, 1));
                y.push_back(w.YEX(r, t, 2));
            }
        EXPECT_TRUE(same(streams, hand));
        EXPECT_EQ(nullcorr, std::fabs(corr(p.NREP * p.NTIME, x.data(), y.data())));
    }
}

// PIVEC (1,0,0,0) keeps just under 1e-6 for the other cells, so with one time
// point every row draws cell 1. Probabilities that are not numbers (from an
// infinite entry) mark no cell and every draw is taken as cell 4.
TEST(BootstrapReplicate, SmoothingEdgeSingleTimePointAndUndrawableCells) {
    const double inf = std::numeric_limits<double>::infinity();
    const RunParameters one{'G', 1, 4, 1, 2}, four{'T', 4, 3, 1, 4};
    const Inputs in1 = make_inputs(one), in4 = make_inputs(four);
    PairScratch w1(one), w4(four);
    w1.PIVEC = {1.0, 0.0, 0.0, 0.0};
    w4.PIVEC = {inf, 0.0, 0.0, 0.0};
    for (int a = 1; a <= 4; ++a) w4.NULLMAT(a, 1) = inf;
    RandomStreams s1, s4;
    const RandomStreams counted1 = advanced(s1, one), counted4 = advanced(s4, four);
    double stat = 0.0, c = 0.0;
    int capped = 0;
    bootstrap_replicate(one, in1, 1, 2, s1, w1, stat, c, capped);
    bootstrap_replicate(four, in4, 1, 3, s4, w4, stat, c, capped);
    EXPECT_TRUE(same(s1, counted1));
    EXPECT_TRUE(same(s4, counted4));
    EXPECT_EQ(w1.P[1], static_cast<float>(1e-6 / (1.0 + 4e-6)));  // just under 1e-6
    for (int r = 1; r <= one.NREP; ++r) EXPECT_EQ(w1.ST(r, 1), 1) << r;
    for (int r = 1; r <= four.NREP; ++r)
        for (int t = 1; t <= four.NTIME; ++t) {
            EXPECT_EQ(w4.ST(r, t), 4) << r << t;
            EXPECT_EQ(w4.BST(r, t, 1) + w4.BST(r, t, 2), 2);
        }
}

// Replicate 1 simulates from the observed fit and replicate b+1 from the fit
// to replicate b's data, with the streams where replicate b left them.
TEST(BootstrapReplicate, NextReplicateStartsFromThePreviousFit) {
    const RunParameters p{'G', 6, 2, 3, 3};
    const Inputs in = make_inputs(p);
    PairScratch w(p), fresh(p);
    PairResult whole;
    RandomStreams from_start, streams;
    analyse_pair(p, in, 1, 3, from_start, w, whole);
    double res = 0.0, corres = 0.0, s = 0.0, c = 0.0;
    int capped = 0;
    observed_pair(p, in, 1, 3, w, res, corres, capped);
    const Table4 observed_fit = w.NULLMAT;
    bootstrap_replicate(p, in, 1, 3, streams, w, s, c, capped);
    EXPECT_EQ(s, whole.nullstat[0]);
    EXPECT_NE(w.NULLMAT.v, observed_fit.v);
    fresh.NULLMAT = w.NULLMAT;  // replicate 2 from replicate 1's fit alone
    fresh.PIVEC = w.PIVEC;
    bootstrap_replicate(p, in, 1, 3, streams, fresh, s, c, capped);
    EXPECT_EQ(s, whole.nullstat[1]);
    EXPECT_EQ(c, whole.nullcorr[1]);
}

// Deviates drawn ahead and handed in give the very results of drawing them
// on the way, leave the normal stream untouched and the pointer just past
// the pair's share; the sampler stream moves the same either way.
TEST(BootstrapReplicate, DeviatesDrawnAheadGiveTheSameResults) {
    for (char mode : {'G', 'T'}) {
        SCOPED_TRACE(mode);
        const RunParameters p{mode, 7, 3, 6, 5};
        const Inputs in = make_inputs(p);
        RandomStreams drawing, ahead;
        snorm(drawing.normal);  // start away from the initial states
        ahead.normal = drawing.normal;
        const std::size_t n = 2 * 6 * 3 * 7;
        std::vector<float> dev(n + 1, 1e30f);  // one past the share: never read
        GeneratorState source = drawing.normal;
        snorm_fill(source, dev.data(), n);
        ahead.deviates = dev.data();
        const GeneratorState untouched = ahead.normal;

        PairScratch w1(p), w2(p);
        PairResult r1, r2;
        analyse_pair(p, in, 2, 5, drawing, w1, r1);
        analyse_pair(p, in, 2, 5, ahead, w2, r2);
        EXPECT_EQ(r1.res, r2.res);
        EXPECT_EQ(r1.corres, r2.corres);
        EXPECT_EQ(r1.nullstat, r2.nullstat);
        EXPECT_EQ(r1.nullcorr, r2.nullcorr);
        EXPECT_EQ(ahead.deviates, dev.data() + n);
        EXPECT_EQ(ahead.normal.GLOBE.CURSEED1, untouched.GLOBE.CURSEED1);
        EXPECT_EQ(drawing.normal.GLOBE.CURSEED1, source.GLOBE.CURSEED1);
        EXPECT_EQ(drawing.sampler.t1, ahead.sampler.t1);
        EXPECT_EQ(drawing.sampler.t2, ahead.sampler.t2);
        EXPECT_EQ(w1.YEX.data()[5], w2.YEX.data()[5]);
    }
}

// Under the fixed null every replicate simulates from the fit to the
// observed data, with the streams where the replicate before left them:
// the same draws as the chained rule, another model from replicate 2 on.
TEST(BootstrapReplicate, FixedNullSimulatesEveryReplicateFromTheObservedFit) {
    RunParameters p{'G', 6, 2, 4, 3};
    p.null_model = NullModel::fixed;
    RunParameters chained = p;
    chained.null_model = NullModel::chained;
    const Inputs in = make_inputs(p);
    PairScratch w(p);
    PairResult fixed_result, chained_result;
    RandomStreams fixed_streams, chained_streams, streams;
    analyse_pair(p, in, 1, 3, fixed_streams, w, fixed_result);
    analyse_pair(chained, in, 1, 3, chained_streams, w, chained_result);
    EXPECT_TRUE(same(fixed_streams, chained_streams));
    EXPECT_EQ(fixed_result.nullstat[0], chained_result.nullstat[0]);
    EXPECT_NE(fixed_result.nullstat, chained_result.nullstat);
    for (int b = 1; b <= p.NBOOT; ++b) {
        PairScratch fresh(p);
        double res = 0.0, corres = 0.0, s = 0.0, c = 0.0;
        int capped = 0;
        observed_pair(p, in, 1, 3, fresh, res, corres, capped);
        bootstrap_replicate(p, in, 1, 3, streams, fresh, s, c, capped);
        EXPECT_EQ(s, fixed_result.nullstat[static_cast<std::size_t>(b - 1)]) << b;
        EXPECT_EQ(c, fixed_result.nullcorr[static_cast<std::size_t>(b - 1)]) << b;
    }
}
