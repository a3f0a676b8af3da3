#include "dependence/scaled_fit.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "dependence/simulated_weights.hpp"

using namespace coswitch;
using coswitch::testing::at;
using coswitch::testing::simulated;

namespace {

struct Fit {
    FitInfo info;
    double stat = 0;
    Table4 nullmat;
    Vec4 pivec{};
};

Fit plain(int nrep, int ntime, const std::vector<double>& q) {
    Fit f;
    f.info = chivecfun(nrep, ntime, q.data(), f.stat, f.nullmat, f.pivec);
    return f;
}

Fit scaled(int nrep, int ntime, const std::vector<double>& q) {
    Fit f;
    ChivecScratch scratch;
    f.info = chivecfun_scaled(nrep, ntime, q.data(), f.stat, f.nullmat, f.pivec, scratch);
    return f;
}

void expect_close(const Fit& a, const Fit& b) {
    EXPECT_NEAR(a.stat, b.stat, 1e-8 * (1 + b.stat));
    for (int n = 0; n < 16; ++n) EXPECT_NEAR(a.nullmat.v[n], b.nullmat.v[n], 1e-10) << n;
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(a.pivec[k], b.pivec[k], 1e-10) << k;
    EXPECT_EQ(a.info.passes, b.info.passes);
    EXPECT_GT(a.info.concordance * b.info.concordance, 0.0);
}

// Every weight of replicate r (every replicate when r is 0) times `factor`
// at each time point: a common factor of a time point, which no posterior
// sees, but which the plain recursions multiply up along the series.
std::vector<double> shrunk(std::vector<double> q, int nrep, int ntime, int r, double factor) {
    for (int i = 1; i <= nrep; ++i)
        for (int t = 1; t <= ntime; ++t)
            for (int k = 1; k <= 4; ++k)
                if (r == 0 || i == r) q[at(nrep, ntime, i, t, k)] *= factor;
    return q;
}

}  // namespace

// Where the plain fit holds, the scaled one is the same EM: the same passes
// and, but for rounding, the same results; the plain fit reports nothing lost.
TEST(ScaledFit, SameFitWhereThePlainOneHolds) {
    for (int coupling = 0; coupling < 3; ++coupling) {
        const std::vector<double> q = simulated(3, 12, 11 + coupling, coupling);
        const Fit p = plain(3, 12, q);
        EXPECT_FALSE(plain_fit_underflowed(3, 12, q.data(), p.info));
        EXPECT_NEAR(p.info.least_mass, 3.0, 1e-12);
        expect_close(scaled(3, 12, q), p);
    }
}

// Long series: the plain likelihood falls below the smallest double, for
// every replicate (the statistic is NaN) or for one (a finite but wrong
// statistic). Both are found, and the scaled fit gives what the plain fit
// gives on the same weights at a scale it can hold.
TEST(ScaledFit, RescuesLikelihoodsBelowTheSmallestDouble) {
    const int nrep = 3, ntime = 40;
    for (int coupling : {0, 1, 2}) {
        SCOPED_TRACE(coupling);
        const std::vector<double> q = simulated(nrep, ntime, 5 + coupling, coupling);
        const Fit reference = plain(nrep, ntime, q);
        ASSERT_FALSE(plain_fit_underflowed(nrep, ntime, q.data(), reference.info));
        for (int r : {0, 2}) {
            const std::vector<double> tiny = shrunk(q, nrep, ntime, r, 1e-12);
            const Fit lost = plain(nrep, ntime, tiny);
            if (r == 0) {
                EXPECT_TRUE(std::isnan(lost.stat));
            } else {
                EXPECT_TRUE(std::isfinite(lost.stat));
            }
            EXPECT_TRUE(plain_fit_underflowed(nrep, ntime, tiny.data(), lost.info));
            const Fit rescued = scaled(nrep, ntime, tiny);
            EXPECT_TRUE(rescued.info.scaled);
            EXPECT_NEAR(rescued.info.least_mass, 3.0, 1e-9);
            expect_close(rescued, reference);
        }
    }
    // The coupled pairs stand far above the independent one once rescued.
    const double independent = scaled(nrep, 400, shrunk(simulated(nrep, 400, 1, 0), nrep, 400, 0, 1e-3)).stat;
    const double coupled = scaled(nrep, 400, shrunk(simulated(nrep, 400, 1, 1), nrep, 400, 0, 1e-3)).stat;
    const double mirrored = scaled(nrep, 400, shrunk(simulated(nrep, 400, 1, 2), nrep, 400, 0, 1e-3)).stat;
    EXPECT_GT(coupled, 20 * independent);
    EXPECT_GT(mirrored, 20 * independent);
}

// Nothing to rescue: a replicate with a time point where every cell weighs
// 0 has no course in any scaling (both fits leave it out alike), and
// weights that are not numbers are not an underflow.
TEST(ScaledFit, ImpossibleReplicatesAndUndefinedWeightsAreNotUnderflows) {
    std::vector<double> q = simulated(4, 10, 5, 1);
    for (int k = 1; k <= 4; ++k) q[at(4, 10, 4, 4, k)] = 0.0;
    const Fit p = plain(4, 10, q);
    EXPECT_NEAR(p.info.least_mass, 3.0, 1e-12);
    EXPECT_FALSE(plain_fit_underflowed(4, 10, q.data(), p.info));
    expect_close(scaled(4, 10, q), p);
    // That replicate lost, and another one underflowing: rescued.
    const std::vector<double> tiny = shrunk(q, 4, 10, 2, 1e-40);
    const Fit lost = plain(4, 10, tiny);
    EXPECT_TRUE(plain_fit_underflowed(4, 10, tiny.data(), lost.info));
    expect_close(scaled(4, 10, tiny), p);

    std::vector<double> undefined = shrunk(simulated(2, 40, 3, 0), 2, 40, 0, 1e-12);
    undefined[at(2, 40, 1, 7, 2)] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(plain_fit_underflowed(2, 40, undefined.data(), plain(2, 40, undefined).info));
}

// The last pass's state posteriors: each replicate's sum to 1 at every time
// point; a replicate with no possible course has none (all 0), as in the sums
// the fit makes.
TEST(ScaledFit, StatePosteriorsOfTheLastPass) {
    std::vector<double> q = simulated(4, 10, 5, 1);
    for (int k = 1; k <= 4; ++k) q[at(4, 10, 4, 4, k)] = 0.0;
    ChivecScratch scratch;
    Fit f;
    Array<double, 3> gamma;
    f.info = chivecfun_scaled(4, 10, q.data(), f.stat, f.nullmat, f.pivec, scratch, &gamma);
    expect_close(f, scaled(4, 10, q));
    double first = 0;
    for (int r = 1; r <= 4; ++r)
        for (int t = 1; t <= 10; ++t) {
            double s = 0;
            for (int k = 1; k <= 4; ++k) s += gamma(r, t, k);
            EXPECT_NEAR(s, r == 4 ? 0.0 : 1.0, 1e-12) << r << " " << t;
            if (t == 1) first += gamma(r, t, 2);
        }
    // The first time point's posteriors are the fitted start probabilities.
    EXPECT_NEAR(first / 4, f.pivec[1], 1e-12);
}
