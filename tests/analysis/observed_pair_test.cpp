#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/hard_fit.hpp"
#include "analysis/pair.hpp"
#include "dependence/chivecfun.hpp"
#include "numeric/correlation.hpp"
#include "numeric/density.hpp"
#include "run/work_arrays.hpp"

using namespace coswitch;

namespace {
// Pair (2, 4) of four genes; gene mode uses columns 2 and 4, time mode column t for both.
constexpr int kNtime = 4, kNrep = 2, kI = 2, kJ = 4;
// Hidden states of the pair's genes, replicate by replicate.
constexpr int kFirst[kNrep][kNtime] = {{0, 1, 1, 0}, {0, 0, 1, 1}};
constexpr int kSecond[kNrep][kNtime] = {{0, 1, 1, 1}, {1, 0, 0, 1}};

// Column c's state means 1 + c/2 (state 0) and 6 + c/2 (state 1), deviation `sd`; the
// pair's values at their states' means, the other genes' values anything.
Inputs pair_inputs(const RunParameters& p, double sd) {
    Inputs in = sized_inputs(p);
    for (int c = 1; c <= parameter_columns(p); ++c) {
        in.PARA1(1, c) = 1.0 + 0.5 * c;
        in.PARA2(1, c) = 6.0 + 0.5 * c;
        in.PARA1(2, c) = sd;
        in.PARA2(2, c) = 1.5 * sd;
    }
    for (int t = 1; t <= kNtime; ++t)
        for (int r = 1; r <= kNrep; ++r) {
            const int m = (t - 1) * kNrep + r;
            for (int g = 1; g <= 4; ++g) in.MODTCELL44(m, g) = 0.3 * g + 0.1 * m;
            const int c1 = p.FLAG == 'T' ? t : kI, c2 = p.FLAG == 'T' ? t : kJ;
            in.MODTCELL44(m, kI) = (kFirst[r - 1][t - 1] ? in.PARA2 : in.PARA1)(1, c1);
            in.MODTCELL44(m, kJ) = (kSecond[r - 1][t - 1] ? in.PARA2 : in.PARA1)(1, c2);
        }
    return in;
}
}  // namespace

// The weight of cell k = 2*s1 + s2 + 1 is the first gene's density of state s1 times the
// second's of state s2, each from its own parameter column; data flattened replicate fastest.
TEST(ObservedPair, ParameterColumnsByModeAndCellOrder) {
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        const RunParameters p{flag, kNtime, kNrep, 0, 4};
        const Inputs in = pair_inputs(p, 0.8);  // broad: every cell has weight
        PairScratch w(p);
        double res = -1.0, corres = -1.0;
        int capped = 0;
        observed_pair(p, in, kI, kJ, w, res, corres, capped);
        for (int r = 1; r <= kNrep; ++r)
            for (int t = 1; t <= kNtime; ++t)
                for (int k = 1; k <= 4; ++k) {
                    const int c1 = flag == 'T' ? t : kI, c2 = flag == 'T' ? t : kJ;
                    const auto& pa = k <= 2 ? in.PARA1 : in.PARA2;
                    const auto& pb = k % 2 ? in.PARA1 : in.PARA2;
                    const int m = (t - 1) * kNrep + r;
                    EXPECT_EQ(w.QVEC(r, t, k), dnorm(in.MODTCELL44(m, kI), pa(1, c1), pa(2, c1)) *
                                                   dnorm(in.MODTCELL44(m, kJ), pb(1, c2), pb(2, c2)))
                        << r << t << k;
                }
    }
}

// With narrow densities every observation weighs one cell only. Cells by replicate:
// 1 4 4 2 and 2 1 3 4. Transitions 1-4 4-4 4-2 2-1 1-3 3-4 (M = 6); first gene 0-1 1-1 1-0
// 0-0 0-1 1-1, second 0-1 1-1 1-1 1-0 0-0 0-1: both margins (1 2 / 1 2). The chi-square of
// the six single transitions against margins times margins over 6 is 21/2 by hand; PIVEC
// (1/2, 1/2, 0, 0). The correlation of the two genes' values, worked by hand: in gene mode
// that of the state indicators, 1/sqrt(15); in time mode, where means move with t,
// (95/4) / sqrt(125/2 * 455/8) = 3.8 / sqrt(91).
TEST(ObservedPair, StatisticsOfHardWeightsWorkedByHand) {
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        const RunParameters p{flag, kNtime, kNrep, 0, 4};
        const Inputs in = pair_inputs(p, 0.01);
        PairScratch w(p);
        double res = -1.0, corres = -1.0;
        int capped = 0;
        observed_pair(p, in, kI, kJ, w, res, corres, capped);
        EXPECT_NEAR(res, 10.5, 1e-12);
        EXPECT_NEAR(corres, flag == 'G' ? 1.0 / std::sqrt(15.0) : 3.8 / std::sqrt(91.0), 1e-14);
        EXPECT_EQ(w.PIVEC, (Vec4{0.5, 0.5, 0.0, 0.0}));
        const double margin[2][2] = {{1, 2}, {1, 2}};
        for (int j = 1; j <= 4; ++j)
            for (int k = 1; k <= 4; ++k) {
                const double want = margin[(j - 1) / 2][(k - 1) / 2] * margin[(j - 1) % 2][(k - 1) % 2] / 36.0;
                EXPECT_NEAR(w.NULLMAT(j, k), want, 1e-15) << j << k;
            }
        // The same from the cells by the plain formula, as the bootstrap test uses it.
        const coswitch::testing::HardFit h = coswitch::testing::hard_fit({{1, 4, 4, 2}, {2, 1, 3, 4}});
        EXPECT_DOUBLE_EQ(h.stat, 10.5);
        EXPECT_EQ(capped, 0);
    }
}

// The weights are dnorm's values bit for bit also where dnorm degenerates: a
// standard deviation of zero (not a number), a negative one, densities that
// underflow and values far out.
TEST(ObservedPair, WeightsEqualDensityProductsOnDegenerateParameters) {
    const int ntime = 4, nrep = 3;
    for (char flag : {'G', 'T'}) {
        SCOPED_TRACE(flag);
        const RunParameters p{flag, ntime, nrep, 0, 4};
        Inputs in = sized_inputs(p);
        for (int m = 1; m <= ntime * nrep; ++m)
            for (int g = 1; g <= 4; ++g)
                in.MODTCELL44(m, g) = m == 5 ? 1e155 : (g % 2 ? 40.0 : 0.3) * m - 7.0 * g;
        for (int c = 1; c <= parameter_columns(p); ++c) {
            in.PARA1(1, c) = 2.0 + 0.3 * c;
            in.PARA1(2, c) = c == 2 ? 0.0 : 0.5 + 0.1 * c;
            in.PARA2(1, c) = 5.0 - 0.2 * c;
            in.PARA2(2, c) = c == 3 ? -0.9 : 1e-3 * c;
        }
        for (int gi = 1; gi <= 3; ++gi)
            for (int gj = gi + 1; gj <= 4; ++gj) {
                PairScratch w(p);
                double res = 0.0, corres = 0.0;
                int capped = 0;
                observed_pair(p, in, gi, gj, w, res, corres, capped);
                for (int t = 1; t <= ntime; ++t)
                    for (int r = 1; r <= nrep; ++r) {
                        const int m = (t - 1) * nrep + r;
                        const int c1 = flag == 'T' ? t : gi, c2 = flag == 'T' ? t : gj;
                        for (int k = 1; k <= 4; ++k) {
                            const auto& pa = MORCODE[k][0] == 0 ? in.PARA1 : in.PARA2;
                            const auto& pb = MORCODE[k][1] == 0 ? in.PARA1 : in.PARA2;
                            const double want = dnorm(in.MODTCELL44(m, gi), pa(1, c1), pa(2, c1)) *
                                                dnorm(in.MODTCELL44(m, gj), pb(1, c2), pb(2, c2));
                            const double got = w.QVEC(r, t, k);
                            ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0)
                                << gi << gj << " r" << r << " t" << t << " k" << k << ": " << got
                                << " vs " << want;
                        }
                    }
            }
    }
}

// A missing value carries no evidence: its gene's factor is 1 for both
// states, so the weights are the hand-made ones with 1 there; the
// correlation takes the samples where both genes have values; a bootstrap
// replicate's data have the same holes; without holes nothing changes.
TEST(ObservedPair, MissingValuesWeighOneAndTheNullKeepsTheHoles) {
    const RunParameters p{'G', kNtime, kNrep, 1, 4};
    Inputs in = pair_inputs(p, 0.8);
    PairScratch plain(p);
    double res0 = 0, corres0 = 0;
    int capped = 0;
    observed_pair(p, in, kI, kJ, plain, res0, corres0, capped);

    const int hole1 = (2 - 1) * kNrep + 1, hole2 = (4 - 1) * kNrep + 2;  // rows of (t, r) = (2, 1), (4, 2)
    in.MODTCELL44(hole1, kI) = std::nan("");
    in.MODTCELL44(hole2, kJ) = std::nan("");
    mark_gaps(in);
    ASSERT_TRUE(in.has_gaps(kI) && in.has_gaps(kJ) && !in.has_gaps(1));
    PairScratch w(p);
    double res = 0, corres = 0;
    observed_pair(p, in, kI, kJ, w, res, corres, capped);
    for (int r = 1; r <= kNrep; ++r)
        for (int t = 1; t <= kNtime; ++t)
            for (int k = 1; k <= 4; ++k) {
                const int m = (t - 1) * kNrep + r;
                const double y1 = in.MODTCELL44(m, kI), y2 = in.MODTCELL44(m, kJ);
                const auto& pa = MORCODE[k][0] == 0 ? in.PARA1 : in.PARA2;
                const auto& pb = MORCODE[k][1] == 0 ? in.PARA1 : in.PARA2;
                const double a = std::isnan(y1) ? 1.0 : dnorm(y1, pa(1, kI), pa(2, kI));
                const double b = std::isnan(y2) ? 1.0 : dnorm(y2, pb(1, kJ), pb(2, kJ));
                EXPECT_EQ(w.QVEC(r, t, k), a * b) << r << t << k;
            }
    Table4 nullmat;
    Vec4 pivec;
    double stat = 0;
    chivecfun(kNrep, kNtime, w.QVEC.data(), stat, nullmat, pivec);
    EXPECT_EQ(res, stat);
    EXPECT_TRUE(std::isfinite(res));
    std::vector<double> x, y;
    for (int m = 1; m <= kNtime * kNrep; ++m)
        if (m != hole1 && m != hole2) {
            x.push_back(in.MODTCELL44(m, kI));
            y.push_back(in.MODTCELL44(m, kJ));
        }
    EXPECT_EQ(corres, std::fabs(corr(static_cast<int>(x.size()), x.data(), y.data())));

    RandomStreams streams;
    double nullstat = 0, nullcorr = 0;
    bootstrap_replicate(p, in, kI, kJ, streams, w, nullstat, nullcorr, capped);
    for (int r = 1; r <= kNrep; ++r)
        for (int t = 1; t <= kNtime; ++t) {
            const int m = (t - 1) * kNrep + r;
            EXPECT_EQ(std::isnan(w.YEX(r, t, 1)), m == hole1) << r << t;
            EXPECT_EQ(std::isnan(w.YEX(r, t, 2)), m == hole2) << r << t;
        }
    EXPECT_TRUE(std::isfinite(nullstat) && std::isfinite(nullcorr));
    // The null correlation takes the simulated samples both genes have,
    // replicate by replicate.
    std::vector<double> nx, ny;
    for (int r = 1; r <= kNrep; ++r)
        for (int t = 1; t <= kNtime; ++t)
            if (!std::isnan(w.YEX(r, t, 1)) && !std::isnan(w.YEX(r, t, 2))) {
                nx.push_back(w.YEX(r, t, 1));
                ny.push_back(w.YEX(r, t, 2));
            }
    EXPECT_EQ(nx.size(), static_cast<std::size_t>(kNtime * kNrep - 2));
    EXPECT_EQ(nullcorr, std::fabs(corr(static_cast<int>(nx.size()), nx.data(), ny.data())));

    // Too few complete samples: no correlation.
    for (int m = 1; m <= kNtime * kNrep - 2; ++m) in.MODTCELL44(m, kI) = std::nan("");
    observed_pair(p, in, kI, kJ, w, res, corres, capped);
    EXPECT_TRUE(std::isnan(corres));
    EXPECT_TRUE(std::isfinite(res));
}
