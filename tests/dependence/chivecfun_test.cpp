#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "dependence/chivecfun.hpp"
#include "numeric/density.hpp"

using coswitch::FitInfo;
using coswitch::Table4;
using coswitch::Vec4;

namespace {

struct Fit {
    FitInfo info;
    double stat = 0.0;
    Table4 nullmat;
    Vec4 pivec{};
};

Fit fit(int nrep, int ntime, const std::vector<double>& qvec) {
    Fit f;
    // Whatever the outputs held must not matter.
    f.stat = std::numeric_limits<double>::quiet_NaN();
    f.nullmat.v.fill(std::numeric_limits<double>::quiet_NaN());
    f.pivec.fill(-7.0);
    f.info = coswitch::chivecfun(nrep, ntime, qvec.empty() ? nullptr : qvec.data(), f.stat,
                                 f.nullmat, f.pivec);
    return f;
}

std::size_t at(int nrep, int ntime, int r, int t, int k) {
    return static_cast<std::size_t>((r - 1) + nrep * ((t - 1) + ntime * (k - 1)));
}

// Weights w[k-1] for every replicate and time point.
std::vector<double> constant_weights(int nrep, int ntime, const std::array<double, 4>& w) {
    std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
    for (int r = 1; r <= nrep; ++r)
        for (int t = 1; t <= ntime; ++t)
            for (int k = 1; k <= 4; ++k) q[at(nrep, ntime, r, t, k)] = w[k - 1];
    return q;
}

// Deterministic standard normals: Box-Muller on a fixed-seed Mersenne twister.
struct Normals {
    explicit Normals(unsigned seed) : rng(seed) {}
    double uniform() { return (static_cast<double>(rng()) + 0.5) / 4294967296.0; }
    double next() {
        const double u1 = uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    std::mt19937 rng;
};

enum class Coupling { Independent, Copied, Opposite };

// Cell weights of a simulated pair: each gene a sticky two-state chain (the
// second one copied from the first, or its mirror, when coupled), values
// drawn from well separated normal densities.
std::vector<double> simulated_pair(int nrep, int ntime, unsigned seed, Coupling coupling) {
    Normals g(seed);
    const double mean[2] = {2.0, 5.0};
    const double sd[2] = {0.7, 0.8};
    const double stay = 0.85;
    std::vector<double> q(static_cast<std::size_t>(nrep * ntime * 4));
    for (int r = 1; r <= nrep; ++r) {
        int a = g.uniform() < 0.5 ? 0 : 1;
        int b = g.uniform() < 0.5 ? 0 : 1;
        for (int t = 1; t <= ntime; ++t) {
            if (t > 1) {
                if (g.uniform() >= stay) a = 1 - a;
                if (g.uniform() >= stay) b = 1 - b;
            }
            const int sb = coupling == Coupling::Copied     ? a
                           : coupling == Coupling::Opposite ? 1 - a
                                                            : b;
            const double ya = mean[a] + sd[a] * g.next();
            const double yb = mean[sb] + sd[sb] * g.next();
            for (int k = 1; k <= 4; ++k) {
                const int ka = (k - 1) / 2;
                const int kb = (k - 1) % 2;
                q[at(nrep, ntime, r, t, k)] =
                    coswitch::dnorm(ya, mean[ka], sd[ka]) * coswitch::dnorm(yb, mean[kb], sd[kb]);
            }
        }
    }
    return q;
}

double sum(const Vec4& v) { return v[0] + v[1] + v[2] + v[3]; }
double sum(const Table4& m) {
    double s = 0.0;
    for (double v : m.v) s += v;
    return s;
}

bool same_bits(const Fit& a, const Fit& b) {
    auto eq = [](double x, double y) {
        return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
    };
    if (a.info.passes != b.info.passes || a.info.capped != b.info.capped) return false;
    if (!eq(a.stat, b.stat)) return false;
    for (int n = 0; n < 16; ++n)
        if (!eq(a.nullmat.v[n], b.nullmat.v[n])) return false;
    for (int k = 0; k < 4; ++k)
        if (!eq(a.pivec[k], b.pivec[k])) return false;
    return true;
}

}  // namespace

TEST(Chivecfun, FlatWeightsGiveExactResults) {
    const int sizes[][2] = {{1, 2}, {3, 5}, {2, 9}, {50, 50}};
    for (const auto& s : sizes) {
        const Fit f = fit(s[0], s[1], constant_weights(s[0], s[1], {1, 1, 1, 1}));
        SCOPED_TRACE(testing::Message() << "nrep " << s[0] << " ntime " << s[1]);
        EXPECT_EQ(f.info.passes, 1);
        EXPECT_FALSE(f.info.capped);
        EXPECT_EQ(f.stat, 0.0);
        for (double p : f.pivec) EXPECT_EQ(p, 0.25);
        for (double v : f.nullmat.v) EXPECT_EQ(v, 0.0625);
    }

    // Every replicate surely starts in cell 1 and is flat afterwards: the
    // first-time distribution is that of time point 1, not of any later one.
    std::vector<double> q = constant_weights(2, 4, {1, 1, 1, 1});
    for (int r = 1; r <= 2; ++r)
        for (int k = 2; k <= 4; ++k) q[at(2, 4, r, 1, k)] = 0.0;
    const Fit f = fit(2, 4, q);
    EXPECT_EQ(f.pivec, (Vec4{1.0, 0.0, 0.0, 0.0}));
    EXPECT_GT(f.info.passes, 1);
}

TEST(Chivecfun, CellsNeverVisitedGetZeroRowsAndAddNothingToStat) {
    // The first gene never leaves state 0: cells 3 and 4 carry no weight.
    // Their rows of the transition table drop to 0 on the first update and
    // stay there (no renormalisation), so a second pass is needed and finds
    // nothing left to change; both-zero cells add 0 to the statistic.
    {
        const Fit f = fit(3, 6, constant_weights(3, 6, {1, 1, 0, 0}));
        EXPECT_EQ(f.info.passes, 2);
        EXPECT_EQ(f.stat, 0.0);
        EXPECT_EQ(f.pivec, (Vec4{0.5, 0.5, 0.0, 0.0}));
        // Joint states are 2*sA + sB + 1: the mass sits where the first gene is 0.
        for (int j = 1; j <= 4; ++j)
            for (int k = 1; k <= 4; ++k)
                EXPECT_EQ(f.nullmat(j, k), (j <= 2 && k <= 2) ? 0.25 : 0.0) << j << "," << k;
    }
    // Only cell 4 unvisited: expected counts are uniform over the 3x3 block,
    // so the first gene's margin over states (0, 1) is (4, 2; 2, 1)/9 and the
    // second gene's the same.
    {
        const int nrep = 4, ntime = 7;
        const Fit f = fit(nrep, ntime, constant_weights(nrep, ntime, {1, 1, 1, 0}));
        EXPECT_EQ(f.info.passes, 2);
        const double marg[2][2] = {{4.0 / 9, 2.0 / 9}, {2.0 / 9, 1.0 / 9}};
        const double m = nrep * (ntime - 1);
        double stat = 0.0;
        for (int j = 1; j <= 4; ++j)
            for (int k = 1; k <= 4; ++k) {
                const double e = marg[(j - 1) / 2][(k - 1) / 2] * marg[(j - 1) % 2][(k - 1) % 2];
                EXPECT_NEAR(f.nullmat(j, k), e, 1e-14) << j << "," << k;
                const double c = (j < 4 && k < 4) ? 1.0 / 9 : 0.0;
                stat += m * (c - e) * (c - e) / e;
            }
        EXPECT_NEAR(f.stat, stat, 1e-10 * stat);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(f.pivec[k], 1.0 / 3, 1e-15);
        EXPECT_EQ(f.pivec[3], 0.0);
    }
}

TEST(Chivecfun, RealisticFitsGiveJointNullTablesAndDistributions) {
    const int sizes[][2] = {{3, 12}, {5, 20}, {1, 8}, {20, 30}};
    unsigned seed = 11;
    for (const auto& s : sizes)
        for (Coupling c : {Coupling::Independent, Coupling::Copied}) {
            const Fit f = fit(s[0], s[1], simulated_pair(s[0], s[1], ++seed, c));
            SCOPED_TRACE(testing::Message() << "nrep " << s[0] << " ntime " << s[1]);
            EXPECT_GE(f.info.passes, 1);
            EXPECT_LT(f.info.passes, 500);
            EXPECT_FALSE(f.info.capped);
            EXPECT_TRUE(std::isfinite(f.stat));
            EXPECT_GE(f.stat, 0.0);
            EXPECT_NEAR(sum(f.nullmat), 1.0, 1e-12);
            EXPECT_NEAR(sum(f.pivec), 1.0, 1e-12);
            for (double v : f.nullmat.v) EXPECT_GE(v, 0.0);
            // The independence model factors into the two genes' margins.
            double ga[2][2] = {}, gb[2][2] = {};
            for (int j = 1; j <= 4; ++j)
                for (int k = 1; k <= 4; ++k) {
                    ga[(j - 1) / 2][(k - 1) / 2] += f.nullmat(j, k);
                    gb[(j - 1) % 2][(k - 1) % 2] += f.nullmat(j, k);
                }
            for (int j = 1; j <= 4; ++j)
                for (int k = 1; k <= 4; ++k)
                    EXPECT_NEAR(f.nullmat(j, k),
                                ga[(j - 1) / 2][(k - 1) / 2] * gb[(j - 1) % 2][(k - 1) % 2], 1e-12);
        }
}

TEST(Chivecfun, ReplicateWithoutWeightCountsOnlyInThePivecDivision) {
    const int nrep = 3, ntime = 10;
    const std::vector<double> base = simulated_pair(nrep, ntime, 5, Coupling::Copied);
    // The same three replicates plus a fourth whose weights vanish at t = 4.
    const std::vector<double> extra = simulated_pair(1, ntime, 6, Coupling::Independent);
    std::vector<double> q(static_cast<std::size_t>((nrep + 1) * ntime * 4));
    for (int t = 1; t <= ntime; ++t)
        for (int k = 1; k <= 4; ++k) {
            for (int r = 1; r <= nrep; ++r)
                q[at(nrep + 1, ntime, r, t, k)] = base[at(nrep, ntime, r, t, k)];
            q[at(nrep + 1, ntime, nrep + 1, t, k)] = t == 4 ? 0.0 : extra[at(1, ntime, 1, t, k)];
        }
    const Fit without = fit(nrep, ntime, base);
    const Fit with = fit(nrep + 1, ntime, q);
    EXPECT_EQ(with.info.passes, without.info.passes);
    EXPECT_NEAR(sum(with.pivec), 3.0 / 4.0, 1e-12);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(with.pivec[k] * 4.0 / 3.0, without.pivec[k], 1e-10);
    for (int n = 0; n < 16; ++n) EXPECT_NEAR(with.nullmat.v[n], without.nullmat.v[n], 1e-10);
    EXPECT_NEAR(with.stat, without.stat, 1e-9 * without.stat);
    EXPECT_GT(without.stat, 1.0);
}

TEST(Chivecfun, CoupledPairsScoreFarAboveIndependentOnes) {
    // Here the statistic can reach 3 * 5 * 19 = 285; independent pairs stay
    // at chi-square size (up to about 30 on these seeds).
    const int nrep = 5, ntime = 20;
    for (unsigned seed = 100; seed < 110; ++seed) {
        auto stat = [&](Coupling c) {
            return fit(nrep, ntime, simulated_pair(nrep, ntime, seed, c)).stat;
        };
        const double indep = stat(Coupling::Independent);
        const double copied = stat(Coupling::Copied);
        const double mirror = stat(Coupling::Opposite);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " independent " << indep
                                        << " copied " << copied << " mirrored " << mirror);
        EXPECT_GT(copied, 5.0 * indep);
        EXPECT_GT(mirror, 5.0 * indep);
    }
}

TEST(Chivecfun, ResultsDependOnlyOnTheInputs) {
    const std::vector<double> x = simulated_pair(4, 15, 21, Coupling::Copied);
    const std::vector<double> y = simulated_pair(7, 9, 22, Coupling::Independent);
    const Fit first = fit(4, 15, x);
    const Fit other = fit(7, 9, y);
    const Fit again = fit(4, 15, x);
    EXPECT_TRUE(same_bits(first, again));
    EXPECT_FALSE(same_bits(first, other));
    EXPECT_TRUE(same_bits(other, fit(7, 9, y)));

    // A reused scratch, left larger or holding another fit, changes nothing.
    coswitch::ChivecScratch scratch;
    for (const Fit* want : {&other, &first, &other, &first}) {
        Fit f;
        const bool is_x = want == &first;
        f.info = coswitch::chivecfun(is_x ? 4 : 7, is_x ? 15 : 9, is_x ? x.data() : y.data(),
                                     f.stat, f.nullmat, f.pivec, scratch);
        EXPECT_TRUE(same_bits(f, *want));
    }
}

TEST(Chivecfun, StopsOnlyBelowTheSinglePrecisionThousandth) {
    // One replicate, one step, flat first weights: the first update sets
    // every row of the table to the second weights exactly, so the mean
    // change is a quarter of their summed distance from 0.25.
    const double tol = static_cast<double>(0.001f);
    auto passes_for = [](double x) {
        const std::vector<double> q{1.0, 0.25 + x, 1.0, 0.25 - x, 1.0, 0.25, 1.0, 0.25};
        return fit(1, 2, q).info.passes;
    };
    // Between the double 0.001 and the single-precision one: the fit ends.
    EXPECT_EQ(passes_for(2 * tol - std::ldexp(1.0, -35)), 1);
    // Exactly the tolerance: it goes on.
    EXPECT_GT(passes_for(2 * tol), 1);
    EXPECT_EQ(passes_for(0.0), 1);
}

TEST(Chivecfun, DegenerateInputsGiveNotANumberWithoutHanging) {
    // No replicate or no transition: nothing to fit, no pass made.
    const std::vector<double> q = constant_weights(3, 1, {1, 1, 1, 1});
    const int shapes[][2] = {{0, 5}, {-2, 5}, {3, 1}, {3, 0}, {0, 0}};
    for (const auto& s : shapes) {
        const Fit f = fit(s[0], s[1], s[0] == 3 ? q : std::vector<double>{});
        SCOPED_TRACE(testing::Message() << "nrep " << s[0] << " ntime " << s[1]);
        EXPECT_EQ(f.info.passes, 0);
        EXPECT_FALSE(f.info.capped);
        EXPECT_TRUE(std::isnan(f.stat));
        for (double v : f.nullmat.v) EXPECT_TRUE(std::isnan(v));
        for (double v : f.pivec) EXPECT_TRUE(std::isnan(v));
    }
    // Every weight zero: no expected transition at all, so the total count
    // is 0 and the independence model and statistic are 0/0.
    const Fit z = fit(2, 4, constant_weights(2, 4, {0, 0, 0, 0}));
    EXPECT_LE(z.info.passes, 2);
    EXPECT_FALSE(z.info.capped);
    EXPECT_TRUE(std::isnan(z.stat));
    for (double v : z.nullmat.v) EXPECT_TRUE(std::isnan(v));
}
