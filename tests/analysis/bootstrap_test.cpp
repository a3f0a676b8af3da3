#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "analysis/pair.hpp"
#include "dependence/chivecfun.hpp"
#include "numeric/correlation.hpp"
#include "random/deviates.hpp"
#include "random/sampler.hpp"

namespace {
using namespace coswitch;

// Distinct parameters per column, so that a wrong column shows in the values.
Inputs make_inputs(const RunParameters& p, unsigned seed) {
    Inputs in;
    const int cols = parameter_columns(p);
    in.PARA1.resize(2, cols);
    in.PARA2.resize(2, cols);
    for (int c = 1; c <= cols; ++c) {
        in.PARA1(1, c) = 1.0 + 0.25 * c;
        in.PARA1(2, c) = 0.5 + 0.05 * c;
        in.PARA2(1, c) = 4.0 + 0.3 * c;
        in.PARA2(2, c) = 0.8 + 0.02 * c;
    }
    in.MODTCELL44.resize(p.NTIME * p.NREP, p.NGENE);
    std::mt19937 rng(seed);
    for (std::size_t n = 0; n < in.MODTCELL44.size(); ++n)
        in.MODTCELL44.data()[n] = 1.0 + 5.0 * (static_cast<double>(rng()) / 4294967296.0);
    return in;
}

bool same_state(const GeneratorState& a, const GeneratorState& b) {
    return a.CURNTG == b.CURNTG && a.QINIT == b.QINIT && a.QQSSD == b.QQSSD &&
           a.GLOBE.CURSEED1 == b.GLOBE.CURSEED1 && a.GLOBE.CURSEED2 == b.GLOBE.CURSEED2 &&
           a.GLOBE.BLOCKSEED1 == b.GLOBE.BLOCKSEED1 && a.GLOBE.BLOCKSEED2 == b.GLOBE.BLOCKSEED2;
}

bool same_state(const SamplerStream& a, const SamplerStream& b) {
    return a.t1 == b.t1 && a.t2 == b.t2;
}

// Advances copies of the streams by the draws of `replicates` replicates.
RandomStreams advanced(RandomStreams s, const RunParameters& p, int replicates) {
    for (int n = 0; n < replicates * p.NREP * p.NTIME; ++n) sampler_uniform(s.sampler);
    for (int n = 0; n < 2 * replicates * p.NREP * p.NTIME; ++n) snorm(s.normal);
    return s;
}

// An independent replay of one replicate's simulation: smoothing, the cell
// chain of each row, then that row's values.
struct Replay {
    Vec4 pi{};
    Table4 tmat;
    Array<std::int32_t, 2> st;
    Array<double, 3> yex;
    float last_p[4] = {0, 0, 0, 0};
};

Replay replay(const RunParameters& p, const Inputs& in, int i, int j, const Vec4& pivec,
              const Table4& nullmat, RandomStreams& s) {
    Replay e;
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) sum += pivec[k] + 1e-6;
    for (int k = 0; k < 4; ++k) e.pi[k] = (pivec[k] + 1e-6) / sum;
    for (int a = 1; a <= 4; ++a) {
        double rs = 0.0;
        for (int b = 1; b <= 4; ++b) rs += nullmat(a, b) + 1e-6;
        for (int b = 1; b <= 4; ++b) e.tmat(a, b) = (nullmat(a, b) + 1e-6) / rs;
    }
    e.st.resize(p.NREP, p.NTIME);
    e.yex.resize(p.NREP, p.NTIME, 2);
    for (int r = 1; r <= p.NREP; ++r) {
        for (int t = 1; t <= p.NTIME; ++t) {
            for (int k = 1; k <= 4; ++k)
                e.last_p[k - 1] =
                    static_cast<float>(t == 1 ? e.pi[k - 1] : e.tmat(e.st(r, t - 1), k));
            const double u = sampler_uniform(s.sampler);
            int cell = 4;  // also when no cumulative probability reaches u
            double cum = 0.0;
            for (int k = 1; k <= 4; ++k) {
                cum += static_cast<double>(e.last_p[k - 1]);
                if (u <= cum) {
                    cell = k;
                    break;
                }
            }
            e.st(r, t) = cell;
        }
        for (int t = 1; t <= p.NTIME; ++t)
            for (int g = 1; g <= 2; ++g) {
                const int col = p.FLAG == 'T' ? t : (g == 1 ? i : j);
                const double z = snorm(s.normal);
                const auto& para = MORCODE[e.st(r, t)][g - 1] == 0 ? in.PARA1 : in.PARA2;
                e.yex(r, t, g) = para(1, col) + z * para(2, col);
            }
    }
    return e;
}

Table4 some_nullmat() {
    Table4 m;
    const double v[16] = {0.10, 0.02, 0.03, 0.01, 0.04, 0.12, 0.02, 0.03,
                          0.00, 0.00, 0.00, 0.00, 0.05, 0.01, 0.02, 0.15};
    for (int n = 0; n < 16; ++n) m.v[n] = v[n];
    for (int b = 1; b <= 4; ++b) m(3, b) = 0.0;  // a zero row must still give a proper TMAT row
    return m;
}
}  // namespace

// The replicate must draw exactly the replayed cells and values, in both
// modes, consume exactly its share of each stream, and refit the model.
TEST(BootstrapReplicate, SimulatesInStreamOrderAndRefits) {
    for (char mode : {'G', 'T'}) {
        SCOPED_TRACE(mode);
        RunParameters p;
        p.FLAG = mode;
        p.NTIME = 5;
        p.NREP = 3;
        p.NBOOT = 1;
        p.NGENE = 4;
        const Inputs in = make_inputs(p, 7);
        const int i = 2, j = 4;

        PairScratch w(p);
        w.PIVEC = {0.4, 0.3, 0.2, 0.1};
        w.NULLMAT = some_nullmat();
        const Vec4 pivec0 = w.PIVEC;
        const Table4 nullmat0 = w.NULLMAT;

        RandomStreams streams;
        snorm(streams.normal);  // start away from the initial states
        sampler_uniform(streams.sampler);
        RandomStreams hand = streams;
        const RandomStreams counted = advanced(streams, p, 1);

        double nullstat = 0.0, nullcorr = 0.0;
        int capped = 0;
        bootstrap_replicate(p, in, i, j, streams, w, nullstat, nullcorr, capped);
        const Replay e = replay(p, in, i, j, pivec0, nullmat0, hand);

        EXPECT_TRUE(same_state(streams.sampler, counted.sampler));
        EXPECT_TRUE(same_state(streams.normal, counted.normal));
        EXPECT_TRUE(same_state(streams.sampler, hand.sampler));
        EXPECT_TRUE(same_state(streams.normal, hand.normal));

        for (int a = 1; a <= 4; ++a)
            for (int b = 1; b <= 4; ++b) EXPECT_EQ(w.TMAT(a, b), e.tmat(a, b)) << a << b;
        for (int b = 1; b <= 4; ++b) EXPECT_DOUBLE_EQ(w.TMAT(3, b), 0.25);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(w.P[k], e.last_p[k]) << k;

        bool some_change = false;
        for (int r = 1; r <= p.NREP; ++r)
            for (int t = 1; t <= p.NTIME; ++t) {
                EXPECT_EQ(w.ST(r, t), e.st(r, t)) << r << "," << t;
                if (t > 1 && w.ST(r, t) != w.ST(r, t - 1)) some_change = true;
                for (int g = 1; g <= 2; ++g) {
                    EXPECT_EQ(w.BST(r, t, g), MORCODE[e.st(r, t)][g - 1]);
                    EXPECT_EQ(w.YEX(r, t, g), e.yex(r, t, g)) << r << "," << t << "," << g;
                }
            }
        EXPECT_TRUE(some_change) << "the chain never left its first cell";

        // Correlation over the replicate flattened with time fastest.
        std::vector<double> x, y;
        for (int r = 1; r <= p.NREP; ++r)
            for (int t = 1; t <= p.NTIME; ++t) {
                x.push_back(e.yex(r, t, 1));
                y.push_back(e.yex(r, t, 2));
            }
        EXPECT_EQ(nullcorr, std::fabs(corr(p.NREP * p.NTIME, x.data(), y.data())));

        // The model left behind is the fit to this replicate's data.
        double stat = 0.0;
        Table4 nullmat;
        Vec4 pivec{};
        const FitInfo info = chivecfun(p.NREP, p.NTIME, w.QVEC.data(), stat, nullmat, pivec);
        EXPECT_EQ(nullstat, stat);
        EXPECT_EQ(capped, info.capped ? 1 : 0);
        EXPECT_EQ(w.PIVEC, pivec);
        EXPECT_EQ(w.NULLMAT.v, nullmat.v);
        EXPECT_NE(w.NULLMAT.v, nullmat0.v);
    }
}

// NTIME = 1: one draw per row from the smoothed PIVEC; a PIVEC of (1,0,0,0)
// leaves just under 1e-6 for each other cell. The refit then has no
// transition and leaves not-a-number, from which every draw is the last cell.
TEST(BootstrapReplicate, SingleTimePointAndNotANumberModel) {
    RunParameters p;
    p.FLAG = 'G';
    p.NTIME = 1;
    p.NREP = 4;
    p.NBOOT = 2;
    p.NGENE = 2;
    const Inputs in = make_inputs(p, 3);
    PairScratch w(p);
    w.PIVEC = {1.0, 0.0, 0.0, 0.0};
    w.NULLMAT = some_nullmat();
    RandomStreams streams;
    RandomStreams hand = streams;
    const RandomStreams counted = advanced(streams, p, 1);
    double nullstat = 0.0, nullcorr = 0.0;
    int capped = 0;
    bootstrap_replicate(p, in, 1, 2, streams, w, nullstat, nullcorr, capped);
    const Replay e = replay(p, in, 1, 2, {1.0, 0.0, 0.0, 0.0}, some_nullmat(), hand);

    EXPECT_FLOAT_EQ(w.P[0], static_cast<float>((1.0 + 1e-6) / (1.0 + 4e-6)));
    for (int k = 1; k < 4; ++k) {
        EXPECT_FLOAT_EQ(w.P[k], static_cast<float>(1e-6 / (1.0 + 4e-6)));
        EXPECT_LT(w.P[k], 1e-6f);
    }
    for (int k = 0; k < 4; ++k) EXPECT_EQ(w.P[k], e.last_p[k]);
    EXPECT_TRUE(same_state(streams.sampler, counted.sampler));
    EXPECT_TRUE(same_state(streams.normal, counted.normal));
    for (int r = 1; r <= p.NREP; ++r) {
        EXPECT_EQ(w.ST(r, 1), 1) << r;
        EXPECT_EQ(w.YEX(r, 1, 1), e.yex(r, 1, 1));
        EXPECT_EQ(w.YEX(r, 1, 2), e.yex(r, 1, 2));
    }
    EXPECT_TRUE(std::isnan(nullstat));
    for (double v : w.PIVEC) EXPECT_TRUE(std::isnan(v));

    // Second replicate: probabilities are not numbers, so no cell is marked.
    hand = streams;
    const RandomStreams counted2 = advanced(streams, p, 1);
    bootstrap_replicate(p, in, 1, 2, streams, w, nullstat, nullcorr, capped);
    for (float v : w.P) EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(same_state(streams.sampler, counted2.sampler));
    EXPECT_TRUE(same_state(streams.normal, counted2.normal));
    for (int r = 1; r <= p.NREP; ++r) {
        EXPECT_EQ(w.ST(r, 1), 4) << r;
        EXPECT_EQ(w.BST(r, 1, 1), 1);
        EXPECT_EQ(w.BST(r, 1, 2), 1);
        const double z1 = snorm(hand.normal), z2 = snorm(hand.normal);
        EXPECT_EQ(w.YEX(r, 1, 1), in.PARA2(1, 1) + z1 * in.PARA2(2, 1));
        EXPECT_EQ(w.YEX(r, 1, 2), in.PARA2(1, 2) + z2 * in.PARA2(2, 2));
    }
}

// An infinite entry smooths to inf/inf: probabilities that are not numbers,
// at the first time point and along every TMAT row, so every draw of the
// chain falls to the last cell, without a crash.
TEST(BootstrapReplicate, UndrawableProbabilitiesGiveTheLastCell) {
    const double inf = std::numeric_limits<double>::infinity();
    RunParameters p;
    p.FLAG = 'T';
    p.NTIME = 4;
    p.NREP = 3;
    p.NBOOT = 1;
    p.NGENE = 4;
    const Inputs in = make_inputs(p, 5);
    PairScratch w(p);
    w.PIVEC = {inf, 0.0, 0.0, 0.0};
    for (int a = 1; a <= 4; ++a) w.NULLMAT(a, 1) = inf;
    RandomStreams streams;
    const RandomStreams counted = advanced(streams, p, 1);
    double nullstat = 0.0, nullcorr = 0.0;
    int capped = 0;
    bootstrap_replicate(p, in, 1, 3, streams, w, nullstat, nullcorr, capped);
    EXPECT_TRUE(std::isnan(w.P[0]));
    EXPECT_TRUE(same_state(streams.sampler, counted.sampler));
    EXPECT_TRUE(same_state(streams.normal, counted.normal));
    for (int r = 1; r <= p.NREP; ++r)
        for (int t = 1; t <= p.NTIME; ++t) {
            EXPECT_EQ(w.ST(r, t), 4) << r << "," << t;
            EXPECT_EQ(w.BST(r, t, 1), 1);
            EXPECT_EQ(w.BST(r, t, 2), 1);
        }
}

// Replicate b+1 is the replicate run from scratch on the model fitted to
// replicate b's data, with the streams where replicate b left them.
TEST(BootstrapReplicate, NextReplicateStartsFromThePreviousFit) {
    RunParameters p;
    p.FLAG = 'G';
    p.NTIME = 6;
    p.NREP = 2;
    p.NBOOT = 3;
    p.NGENE = 3;
    const Inputs in = make_inputs(p, 11);

    PairScratch w(p);
    double res = 0.0, corres = 0.0;
    int capped = 0;
    observed_pair(p, in, 1, 3, w, res, corres, capped);
    const Table4 observed_fit = w.NULLMAT;
    RandomStreams streams;
    double s1 = 0.0, c1 = 0.0, s2 = 0.0, c2 = 0.0;
    bootstrap_replicate(p, in, 1, 3, streams, w, s1, c1, capped);
    const Table4 fit1 = w.NULLMAT;
    const Vec4 pi1 = w.PIVEC;
    const RandomStreams after1 = streams;
    EXPECT_NE(fit1.v, observed_fit.v);
    bootstrap_replicate(p, in, 1, 3, streams, w, s2, c2, capped);

    PairScratch fresh(p);
    fresh.NULLMAT = fit1;
    fresh.PIVEC = pi1;
    RandomStreams again = after1;
    double s = 0.0, c = 0.0;
    bootstrap_replicate(p, in, 1, 3, again, fresh, s, c, capped);
    EXPECT_EQ(s, s2);
    EXPECT_EQ(c, c2);
    for (std::size_t n = 0; n < w.ST.size(); ++n) EXPECT_EQ(fresh.ST.data()[n], w.ST.data()[n]);
    for (std::size_t n = 0; n < w.YEX.size(); ++n) EXPECT_EQ(fresh.YEX.data()[n], w.YEX.data()[n]);
    EXPECT_EQ(fresh.NULLMAT.v, w.NULLMAT.v);

    // The whole pair reports the same replicates, in order, through its callback.
    PairResult out;
    std::vector<int> seen;
    RandomStreams from_start;
    analyse_pair(p, in, 1, 3, from_start, fresh, out, [&](int b, double ns, double nc) {
        seen.push_back(b);
        EXPECT_EQ(ns, out.nullstat[b - 1]);
        EXPECT_EQ(nc, out.nullcorr[b - 1]);
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(out.res, res);
    EXPECT_EQ(out.corres, corres);
    EXPECT_EQ(out.nullstat[0], s1);
    EXPECT_EQ(out.nullstat[1], s2);
    EXPECT_EQ(out.nullcorr[1], c2);
}

// Streams run on from pair to pair: the observed statistics draw nothing and
// each pair takes exactly NBOOT replicates' worth of each stream.
TEST(AnalysePair, StreamsRunOnAcrossPairs) {
    RunParameters p;
    p.FLAG = 'G';
    p.NTIME = 4;
    p.NREP = 3;
    p.NBOOT = 2;
    p.NGENE = 3;
    const Inputs in = make_inputs(p, 13);
    PairScratch w(p);
    PairResult first, second;
    RandomStreams run;
    analyse_pair(p, in, 1, 2, run, w, first);
    analyse_pair(p, in, 1, 3, run, w, second);

    RandomStreams jumped = advanced(RandomStreams{}, p, p.NBOOT);
    PairScratch w2(p);
    PairResult alone;
    analyse_pair(p, in, 1, 3, jumped, w2, alone);
    EXPECT_EQ(alone.nullstat, second.nullstat);
    EXPECT_EQ(alone.nullcorr, second.nullcorr);
    EXPECT_TRUE(same_state(jumped.sampler, run.sampler));
    EXPECT_TRUE(same_state(jumped.normal, run.normal));

    RunParameters none = p;
    none.NBOOT = 0;
    RandomStreams untouched = run;
    PairResult observed_only;
    analyse_pair(none, in, 2, 3, untouched, w, observed_only);
    EXPECT_TRUE(observed_only.nullstat.empty());
    EXPECT_TRUE(same_state(untouched.sampler, run.sampler));
    EXPECT_TRUE(same_state(untouched.normal, run.normal));
}
