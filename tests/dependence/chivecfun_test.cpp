#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dependence/chivecfun.hpp"
#include "dependence/simulated_weights.hpp"

using coswitch::Table4;
using coswitch::Vec4;
using coswitch::testing::at;
using coswitch::testing::simulated;

namespace {
struct Fit {
    coswitch::FitInfo info;
    double stat = std::numeric_limits<double>::quiet_NaN();  // what outputs held must not matter
    Table4 nullmat;
    Vec4 pivec{-7, -7, -7, -7};
};

Fit fit(int nrep, int ntime, const std::vector<double>& q) {
    Fit f;
    f.info = coswitch::chivecfun(nrep, ntime, q.empty() ? nullptr : q.data(), f.stat, f.nullmat,
                                 f.pivec);
    return f;
}

std::vector<double> constant(int nrep, int ntime, const std::array<double, 4>& w) {
    std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
    for (std::size_t n = 0; n < q.size(); ++n) q[n] = w[n * 4 / q.size()];
    return q;
}

}  // namespace

TEST(Chivecfun, FlatAndUnvisitedCells) {
    for (const auto& s : {std::array{1, 2}, std::array{3, 5}, std::array{50, 50}}) {
        const Fit f = fit(s[0], s[1], constant(s[0], s[1], {1, 1, 1, 1}));
        EXPECT_EQ(f.info.passes, 1) << s[0] << "x" << s[1];
        EXPECT_EQ(f.stat, 0.0);
        EXPECT_EQ(f.pivec, (Vec4{0.25, 0.25, 0.25, 0.25}));
        for (double v : f.nullmat.v) EXPECT_EQ(v, 0.0625);
    }
    // The first gene never leaves state 0: rows 3 and 4 of the transition
    // table drop to 0 and stay there (no renormalisation), a second pass
    // finds nothing to change, and both-zero cells add 0 to the statistic.
    const Fit f = fit(3, 6, constant(3, 6, {1, 1, 0, 0}));
    EXPECT_EQ(f.info.passes, 2);
    EXPECT_EQ(f.stat, 0.0);
    EXPECT_EQ(f.pivec, (Vec4{0.5, 0.5, 0.0, 0.0}));
    for (int j = 1; j <= 4; ++j)
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(f.nullmat(j, k), j <= 2 && k <= 2 ? 0.25 : 0.0);
}

// Two genes whose hidden states are copied (or mirrored) from one chain score
// far above an independent pair; every fit's NULLMAT and PIVEC sum to 1.
TEST(Chivecfun, CoupledPairsScoreFarAboveIndependentOnes) {
    for (unsigned seed = 100; seed < 108; ++seed) {
        Fit f[3];
        for (int c = 0; c < 3; ++c) f[c] = fit(5, 20, simulated(5, 20, seed, c));
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " independent " << f[0].stat
                                          << " copied " << f[1].stat << " mirrored " << f[2].stat);
        EXPECT_GT(f[1].stat, 5.0 * f[0].stat);  // it can reach 3 * 5 * 19 = 285
        EXPECT_GT(f[2].stat, 5.0 * f[0].stat);
        for (const Fit& e : f) {
            double total = 0.0;
            for (double v : e.nullmat.v) total += v;
            EXPECT_NEAR(total, 1.0, 1e-12);
            EXPECT_NEAR(e.pivec[0] + e.pivec[1] + e.pivec[2] + e.pivec[3], 1.0, 1e-12);
        }
    }
}

// A fourth replicate whose weights vanish at t = 4 adds nothing but its share
// of the PIVEC division: PIVEC sums to 3/4.
TEST(Chivecfun, ReplicateWithoutWeight) {
    std::vector<double> q = simulated(4, 10, 5, 1), base;
    for (int k = 1; k <= 4; ++k) q[at(4, 10, 4, 4, k)] = 0.0;
    for (std::size_t n = 0; n < q.size(); ++n)
        if (n % 4 < 3) base.push_back(q[n]);  // replicates 1 to 3 alone
    const Fit without = fit(3, 10, base), with = fit(4, 10, q);
    EXPECT_EQ(with.info.passes, without.info.passes);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(with.pivec[k] * 4.0 / 3.0, without.pivec[k], 1e-10);
    for (int n = 0; n < 16; ++n) EXPECT_NEAR(with.nullmat.v[n], without.nullmat.v[n], 1e-10);
    EXPECT_NEAR(with.stat, without.stat, 1e-9 * without.stat);
    EXPECT_GT(without.stat, 1.0);
}

TEST(Chivecfun, ToleranceAndDegenerateInputs) {
    // One replicate, one step, flat first weights: the first update sets every
    // row to the second weights, so the mean change is x / 2.
    auto passes_for = [](double x) {
        return fit(1, 2, {1.0, 0.25 + x, 1.0, 0.25 - x, 1.0, 0.25, 1.0, 0.25}).info.passes;
    };
    const double tol = static_cast<double>(0.001f);
    EXPECT_EQ(passes_for(2 * tol - std::ldexp(1.0, -35)), 1);  // above the double 0.001
    EXPECT_GT(passes_for(2 * tol), 1);

    // No replicate or no transition: no pass and not-a-number throughout.
    const std::vector<double> q = constant(3, 1, {1, 1, 1, 1});
    for (const auto& s : {std::array{0, 5}, std::array{-2, 5}, std::array{3, 1}, {3, 0}}) {
        const Fit f = fit(s[0], s[1], s[0] == 3 ? q : std::vector<double>{});
        EXPECT_EQ(f.info.passes, 0) << s[0] << "x" << s[1];
        EXPECT_TRUE(std::isnan(f.stat) && std::isnan(f.nullmat(2, 3)) && std::isnan(f.pivec[0]));
    }
    // All weights zero: M = 0, so the independence model and statistic are 0/0.
    const Fit z = fit(2, 4, constant(2, 4, {0, 0, 0, 0}));
    EXPECT_LE(z.info.passes, 2);
    EXPECT_TRUE(std::isnan(z.stat) && std::isnan(z.nullmat(1, 1)));
}
